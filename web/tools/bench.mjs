// The page's figures in headless chromium: the WebAssembly run loop on the
// bench workloads (bench.html), the time from navigation to a usable kit and
// the bytes a first visit transfers (compressed, as the server sends them).
//   node web/tools/bench.mjs [SITE]
import { join } from 'node:path';
import { serve } from './serve.mjs';
import { launch } from './browser.mjs';

const site = process.argv[2] ?? join(import.meta.dirname, '../../build/web/site');
const server = await serve(site);
const url = `http://127.0.0.1:${server.address().port}/`;
const ctx = await launch();
try {
  const page = await ctx.newPage();
  let bytes = 0;
  const cdp = await ctx.newCDPSession(page);
  await cdp.send('Network.enable');
  cdp.on('Network.loadingFinished', (e) => (bytes += e.encodedDataLength));
  await page.goto(url);
  await page.waitForSelector('body[data-ready=true]');
  const ready = await page.getAttribute('body', 'data-ready-ms');
  await page.waitForTimeout(1500); // the service worker fetches its copies; not counted below
  console.log(`first load: ${(bytes / 1024).toFixed(0)} KiB transferred (compressed)`);
  console.log(`navigation to a usable kit: ${ready} ms (first visit)`);
  await page.close(); // a second open tab would find the memory file taken
  const again = await ctx.newPage();
  await again.goto(url);
  await again.waitForSelector('body[data-ready=true]');
  console.log(`navigation to a usable kit: ${await again.getAttribute('body', 'data-ready-ms')} ms (a later visit)`);
  await again.close();
} finally {
  await ctx.close();
}
// The run loop on its own, in a browser of its own.
const alone = await launch();
try {
  const bench = await alone.newPage();
  await bench.goto(url + 'bench.html');
  await bench.waitForSelector('body[data-done]', { state: 'attached', timeout: 300_000 });
  console.log('M instructions/s, the best of three runs:');
  console.log(await bench.textContent('#results'));
} finally {
  await alone.close();
  server.close();
}
