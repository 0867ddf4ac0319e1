// Serves a built kit (build/web/site) on 127.0.0.1, compressed as a web
// server would send it:  node web/tools/serve.mjs [FOLDER] [PORT]
// Exported for the tests, which start it on a free port.
import { createServer } from 'node:http';
import { createReadStream, existsSync, readdirSync, readFileSync, statSync } from 'node:fs';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { gzipSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
  '.json': 'application/json',
};

// Each file compressed once, before the first request, as a web server with
// precompressed files sends it.
const compressed = new Map();
function gzipped(file) {
  const mtime = statSync(file).mtimeMs;
  const hit = compressed.get(file);
  if (hit && hit.mtime === mtime) return hit.body;
  const body = gzipSync(readFileSync(file), { level: 9 });
  compressed.set(file, { mtime, body });
  return body;
}

export function serve(folder, port = 0, host = '127.0.0.1') {
  const root = resolve(folder);
  if (!existsSync(join(root, 'index.html'))) throw new Error(`${root} holds no built page: run scripts/web-build`);
  for (const f of readdirSync(root, { recursive: true })) {
    const file = join(root, f);
    if (statSync(file).isFile() && !file.endsWith('.png')) gzipped(file);
  }
  const server = createServer((req, res) => {
    let path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(root, path));
    if (!(file === root || file.startsWith(root + sep)) || !existsSync(file) || !statSync(file).isFile()) {
      res.writeHead(404, { 'content-type': 'text/plain' }).end('not found');
      return;
    }
    const headers = { 'content-type': types[extname(file)] ?? 'application/octet-stream', 'cache-control': 'no-cache' };
    if (/\bgzip\b/.test(req.headers['accept-encoding'] ?? '') && !/\.png$/.test(file)) {
      const body = gzipped(file);
      res.writeHead(200, { ...headers, 'content-encoding': 'gzip', 'content-length': body.length });
      res.end(body);
    } else {
      res.writeHead(200, { ...headers, 'content-length': statSync(file).size });
      createReadStream(file).pipe(res);
    }
  });
  return new Promise((ok) => server.listen(port, host, () => ok(server)));
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const folder = process.argv[2] ?? 'build/web/site';
  const port = Number(process.argv[3] ?? 8085);
  const server = await serve(folder, port);
  console.log(`kit85: the kit is at http://127.0.0.1:${server.address().port}/ (Ctrl-C ends)`);
}
