// Bundles the page into a static folder any web server can host (relative
// paths, so it works from a sub-folder too), with a service worker that keeps
// every file of the build for use without a network.
import { defineConfig, type Plugin } from 'vite';
import { createHash } from 'node:crypto';
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join, relative } from 'node:path';

function files(dir: string): string[] {
  return readdirSync(dir).flatMap((f) => {
    const p = join(dir, f);
    return statSync(p).isDirectory() ? files(p) : [p];
  });
}

function offline(): Plugin {
  let publicDir = '';
  return {
    name: 'kit85-offline',
    apply: 'build',
    configResolved(c) {
      publicDir = c.publicDir;
    },
    generateBundle(_, bundle) {
      const hash = createHash('sha256');
      const list = ['./'];
      for (const [name, chunk] of Object.entries(bundle)) {
        list.push('./' + name);
        hash.update(name).update(chunk.type === 'chunk' ? chunk.code : chunk.source);
      }
      for (const p of files(publicDir)) {
        list.push('./' + relative(publicDir, p));
        hash.update(readFileSync(p));
      }
      const sw = readFileSync(join(import.meta.dirname, 'src/sw.js'), 'utf8')
        .replace('__FILES__', JSON.stringify(list))
        .replace('__VERSION__', hash.digest('hex').slice(0, 16));
      this.emitFile({ type: 'asset', fileName: 'sw.js', source: sw });
    },
  };
}

export default defineConfig({
  base: './',
  build: {
    target: 'es2022',
    assetsInlineLimit: 0,
    chunkSizeWarningLimit: 2000,
    rollupOptions: { input: { main: 'index.html', bench: 'bench.html' } },
  },
  server: { fs: { allow: ['..'] } },
  plugins: [offline()],
});
