// Makes a new memory file with the kit's own core (the WebAssembly module
// under node), for the page to start from on a first visit instead of making
// one in the browser (65,536 rows take a second there):
//   node --no-experimental-fetch web/tools/fresh-memory.mjs OUT
import { writeFileSync } from 'node:fs';
import { loadKitModule } from '../tests/wasm_module.mjs';

const out = process.argv[2];
if (!out) throw new Error('usage: fresh-memory.mjs OUT');
const M = await loadKitModule();
M.FS.mkdir('/kit');
const kit = new M.Kit('/kit/memory.sqlite');
if (kit.openProblem()) throw new Error(kit.openProblem());
kit.delete(); // closed: the file alone holds the table
writeFileSync(out, M.FS.readFile('/kit/memory.sqlite'));
