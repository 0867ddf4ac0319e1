// Screenshots of the page for docs/: node web/tools/shots.mjs [OUT]
// The first program keyed on the keypad and run, then a source assembled and
// stepped; at 1366x768 and on a phone held upright (390x844).
import { join } from 'node:path';
import { serve } from './serve.mjs';
import { launch } from './browser.mjs';

const out = process.argv[2] ?? join(import.meta.dirname, '../../docs');
const server = await serve(join(import.meta.dirname, '../../build/web/site'));
const url = `http://127.0.0.1:${server.address().port}/`;
const source = `; Name        : A. Student
; Aim         : add 3 + 2 + 1 in a loop

        ORG     8000H
        MVI     A,00H
        MVI     C,03H
LOOP:   ADD     C               ; A = A + C
        DCR     C
        JNZ     LOOP
        STA     8100H           ; the sum
        HLT
`;
const ctx = await launch();
try {
  const page = await ctx.newPage();
  await page.goto(url);
  await page.waitForSelector('body[data-ready=true]');
  await page.evaluate((t) => {
    window.kit85.editor.text = t;
  }, source);
  for (const k of ['F8', 'F6', 'F10', 'F10', 'F10', 'F10']) await page.keyboard.press(k);
  await page.mouse.move(0, 760);
  await page.waitForTimeout(300);
  await page.screenshot({ path: `${out}/web-kit-1366.png` });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.waitForTimeout(300);
  await page.screenshot({ path: `${out}/web-kit-phone.png` });
} finally {
  await ctx.close();
  server.close();
}
