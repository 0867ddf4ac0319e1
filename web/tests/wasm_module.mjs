// Loads the kit's WebAssembly module (build/web/wasm) under node for the tests.
import { createRequire } from 'node:module';
import { existsSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const repo = join(dirname(fileURLToPath(import.meta.url)), '../..');

export async function loadKitModule() {
  const file = process.env.KIT85_WASM_JS || join(repo, 'build/web/wasm/kit85.js');
  if (!existsSync(file)) throw new Error(`${file} is missing: build it with scripts/web-build`);
  const create = createRequire(import.meta.url)(file);
  return create();
}
