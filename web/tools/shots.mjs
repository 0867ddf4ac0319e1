// Screenshots of the page for docs/: node web/tools/shots.mjs [OUT]
import { serve } from './serve.mjs';
import { launch } from './browser.mjs';

const out = process.argv[2] ?? '../docs';
const server = await serve('../build/web/site');
const url = `http://127.0.0.1:${server.address().port}/`;
const ctx = await launch();
try {
  const page = await ctx.newPage();
  await page.goto(url);
  await page.waitForSelector('body[data-ready=true]');
  for (const k of ['F2', '8', '0', '0', '0', '3', 'E', 'F4', '0', '5', 'F4', '7', '6', 'F2', '8', '0', '0', '0', 'F5', 'F6'])
    await page.keyboard.press(k);
  await page.waitForTimeout(300);
  await page.screenshot({ path: `${out}/web-kit-1366.png` });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.waitForTimeout(200);
  await page.screenshot({ path: `${out}/web-kit-phone.png` });
  await page.screenshot({ path: `${out}/web-kit-phone-full.png`, fullPage: true });
} finally {
  await ctx.close();
  server.close();
}
