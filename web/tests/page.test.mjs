// The kit's page in Debian's chromium, used as a student would: keys clicked
// and typed, programs assembled and stepped, memory kept across reloads and
// offline, one tab owning the memory file.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { serve } from '../tools/serve.mjs';
import { launch } from '../tools/browser.mjs';
import { repo } from './wasm_module.mjs';

let server;
let url;
before(async () => {
  server = await serve(process.env.KIT85_SITE || join(repo, 'build/web/site'));
  url = `http://127.0.0.1:${server.address().port}/`;
});
after(() => server.close());

async function openKit(ctx) {
  const page = await ctx.newPage();
  page.setDefaultTimeout(20_000);
  await page.goto(url);
  await page.waitForSelector('body[data-ready=true]');
  return page;
}

const displays = (page) => page.$$eval('.display', (d) => d.map((e) => e.value));
const click = async (page, ...ids) => {
  for (const id of ids) await page.click('#' + id);
};
const hexKeys = (digits) => [...digits].map((d) => 'c' + d.toLowerCase());
const status = (page) => page.textContent('#status');
async function closeDialog(page) {
  const text = await page.textContent('#message-text');
  await page.click('#message-ok');
  return text;
}
async function setSource(page, text) {
  await page.evaluate((t) => {
    window.kit85.editor.text = t;
  }, text);
}

describe('the kit in chromium', () => {
  let ctx;
  let page;
  before(async () => {
    ctx = await launch();
    page = await openKit(ctx);
  });
  after(() => ctx.close());

  test('the first program keyed on the keypad runs to its HLT', async () => {
    await click(page, 'address', ...hexKeys('8000'), ...hexKeys('3E'), 'next', ...hexKeys('05'), 'next', ...hexKeys('76'));
    assert.deepEqual(await displays(page), ['8002', '76']);
    await click(page, 'address', ...hexKeys('8000'));
    assert.deepEqual(await displays(page), ['8000', '3E']);
    await click(page, 'execute');
    await page.waitForFunction(() => document.querySelector('#Text1').value === '8002');
    assert.deepEqual(await displays(page), ['8002', '76']);
    await click(page, 'regmod');
    assert.equal(await page.textContent('#regmod'), 'hide panal');
    assert.equal(await page.inputValue('#reg-A'), '05');
    assert.equal(await page.inputValue('#reg-PC'), '8003');
    assert.match(await status(page), /^halted at 8002 after 2 instructions/);
  });

  test('the computer keyboard works the kit, and a low address is refused as on the kit', async () => {
    for (const k of ['F2', '1', '2', '3', '4']) await page.keyboard.press(k);
    assert.equal(await closeDialog(page), 'Invalid Address');
    assert.deepEqual(await displays(page), ['8000', '3E']);
    await page.keyboard.press('ArrowDown');
    assert.deepEqual(await displays(page), ['8001', '05']);
  });

  test('a register field takes hex digits only, upper-cased', async () => {
    await page.fill('#reg-B', '');
    await page.type('#reg-B', 'g5a7');
    assert.equal(await page.inputValue('#reg-B'), '5A');
  });

  test('Execute runs an endless loop until Stop', async () => {
    await click(page, 'address', ...hexKeys('8100'), ...hexKeys('C3'), 'next', ...hexKeys('00'), 'next', ...hexKeys('81'));
    await click(page, 'address', ...hexKeys('8100'), 'execute');
    await page.waitForTimeout(300);
    assert.match(await status(page), /^running/);
    assert.equal(await page.isDisabled('#c0'), true, 'keys are off while it runs');
    await click(page, 'stop');
    await page.waitForFunction(() => /^stopped by Stop/.test(document.querySelector('#status').textContent));
    assert.equal(await page.isDisabled('#stop'), true);
    assert.match((await displays(page))[0], /^810[0-2]$/);
  });

  test('in slow motion a run goes an instruction at a time, traced', async () => {
    await page.selectOption('#speed', '2');
    await page.fill('#per-second', '20');
    await page.dispatchEvent('#per-second', 'change');
    await click(page, 'address', ...hexKeys('8100'), 'execute');
    await page.waitForTimeout(400);
    await click(page, 'stop');
    const s = await status(page);
    const n = Number(/after ([\d,]+) instructions/.exec(s)[1].replace(/,/g, ''));
    assert.ok(n >= 1 && n <= 40, s);
    await page.selectOption('#speed', '0');
  });

  test('Esc stops a run too', async () => {
    await click(page, 'address', ...hexKeys('8100'));
    await page.keyboard.press('F5');
    await page.waitForTimeout(200);
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => /^stopped by Stop/.test(document.querySelector('#status').textContent));
  });

  test('a source with an error is refused with the error on its line, then loads once mended', async () => {
    await setSource(page, '        ORG 8200H\n        MVI A,05H\n        BADOP\n        HLT\n');
    await click(page, 'assemble');
    await page.waitForSelector('.cm-lintRange-error');
    assert.match(await page.textContent('#source-note'), /1 error; nothing was stored/);
    await setSource(page, '        ORG 8200H\n        MVI A,05H\n        MVI B,07H\n        ADD B\n        HLT\n');
    await page.keyboard.press('F8');
    await page.waitForFunction(() => !document.querySelector('.cm-lintRange-error'));
    assert.match(await status(page), /^opened untitled\.asm: 6 bytes, 8200/);
    assert.deepEqual(await displays(page), ['8200', '3E']);
  });

  test('Step Exe follows the source line by line', async () => {
    const nextLine = () => page.$eval('.cm-next-line', (e) => e.textContent.trim());
    assert.equal(await nextLine(), 'MVI A,05H');
    await click(page, 'stepexe');
    assert.equal(await nextLine(), 'MVI B,07H');
    await click(page, 'source-step');
    assert.equal(await nextLine(), 'ADD B');
    await click(page, 'stepexe');
    assert.equal(await page.inputValue('#reg-A'), '0C');
    await page.click('.tabs [data-tab=trace]');
    assert.match(await page.textContent('#trace-pane'), /\bA\b.*0C/);
  });

  test('the source prints as a keying sheet', async () => {
    await page.click('.tabs [data-tab=source]');
    const [sheet] = await Promise.all([ctx.waitForEvent('page'), page.click('#keying-sheet')]);
    await sheet.waitForLoadState();
    const text = await sheet.textContent('body');
    assert.match(text, /8200/);
    assert.match(text, /MVI A,05H/);
    await sheet.close();
  });

  test('a breakpoint set in the margin stops Execute before its line', async () => {
    await page.click('.tabs [data-tab=source]');
    await setSource(page, '        ORG 8300H\n        MVI A,01H\nLOOP:   INR A\n        JNZ LOOP\n        HLT\n');
    await page.keyboard.press('F8');
    const line4 = await page.locator('.cm-line').nth(3).boundingBox();
    const margin = await page.locator('.cm-break-gutter').boundingBox();
    await page.mouse.click(margin.x + margin.width / 2, line4.y + line4.height / 2);
    await page.waitForSelector('.gutter-break');
    await click(page, 'execute');
    await page.waitForFunction(() => /^breakpoint at 8303/.test(document.querySelector('#status').textContent));
    assert.deepEqual(await displays(page), ['8303', 'C2']);
  });

  test('a program opened from a file passes the example lab', async () => {
    const labs = join(repo, 'examples/labs');
    await page.setInputFiles('#file-picker', join(labs, 'add16.asm'));
    await page.waitForFunction(() => /^opened add16\.asm/.test(document.querySelector('#status').textContent));
    await page.click('.tabs [data-tab=check]');
    await page.setInputFiles('#lab-picker', join(labs, 'add16.toml'));
    await page.click('#check');
    assert.equal(await page.textContent('#check-status'), '4 of 4 cases passed');
    assert.equal(await page.textContent('#check-hidden'), '1 hidden case: passed');
    await click(page, 'address', ...hexKeys('8000'), ...hexKeys('00'));
    await page.keyboard.press('Control+k');
    assert.match(await page.textContent('#check-status'), /^[0-3] of 4 cases passed/);
    await page.keyboard.press('Control+z');
  });

  test('memory rows are saved as Intel HEX and open again', async () => {
    const answers = ['8000', '8003'];
    const answer = (d) => d.accept(answers.shift());
    page.on('dialog', answer);
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save-hex')]);
    page.off('dialog', answer);
    const path = await download.path();
    const { readFileSync } = await import('node:fs');
    const text = readFileSync(path, 'utf8');
    assert.match(text, /^:04800000/);
    await click(page, 'address', ...hexKeys('8000'));
    const before = await displays(page);
    await click(page, ...hexKeys('FF'));
    await page.setInputFiles('#file-picker', { name: 'back.hex', mimeType: 'text/plain', buffer: Buffer.from(text) });
    await page.waitForFunction(() => /^opened back\.hex: 4 bytes/.test(document.querySelector('#status').textContent));
    assert.deepEqual(await displays(page), before);
  });

  test('undo takes back the last keyed byte', async () => {
    await click(page, 'address', ...hexKeys('8400'), ...hexKeys('AB'));
    await page.keyboard.press('Control+z');
    assert.deepEqual(await displays(page), ['8400', '00']);
    assert.match(await status(page), /^undone: 8400/);
  });
});

describe('memory kept in the browser', () => {
  let ctx;
  before(async () => {
    ctx = await launch();
  });
  after(() => ctx.close());

  test('a keyed byte, a breakpoint and the source are still there after a reload', async () => {
    const page = await openKit(ctx);
    await click(page, 'address', ...hexKeys('8500'), ...hexKeys('5A'));
    await page.keyboard.press('F9');
    await page.click('.cm-content');
    await page.keyboard.type('; kept\n');
    await page.evaluate(() => window.kit85.settled()); // the copy to IndexedDB is asynchronous
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    await click(page, 'address', ...hexKeys('8500'));
    assert.deepEqual(await displays(page), ['8500', '5A']);
    assert.deepEqual(await page.evaluate(() => window.kit85.kit.breakpoints()), [0x8500]);
    assert.match(await page.evaluate(() => window.kit85.editor.text), /^; kept$/m);
    await page.keyboard.press('F9');
    await page.close();
  });

  test('a second tab says the kit is open elsewhere and keeps its hands off the memory file', async () => {
    const first = await openKit(ctx);
    const second = await openKit(ctx);
    assert.match(await second.textContent('#kit-notice'), /open in another tab/);
    assert.match(await second.textContent('.plate'), /not saved/);
    await click(second, 'address', ...hexKeys('8500'), ...hexKeys('11'));
    await second.close();
    await first.reload();
    await first.waitForSelector('body[data-ready=true]');
    await click(first, 'address', ...hexKeys('8500'));
    assert.deepEqual(await displays(first), ['8500', '5A']);
    await first.close();
  });

  test('the exported memory file is an SQLite file the desktop kit opens', async () => {
    const page = await openKit(ctx);
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#export-memory')]);
    const stream = await download.createReadStream();
    const chunks = [];
    for await (const c of stream) chunks.push(c);
    const exported = Buffer.concat(chunks);
    assert.equal(exported.subarray(0, 15).toString(), 'SQLite format 3');

    // A file that is no memory file is refused and memory stays as it was;
    // the exported one opens again with what it held.
    await page.setInputFiles('#memory-picker', { name: 'notes.sqlite', mimeType: 'application/octet-stream', buffer: Buffer.from('not a database, just text') });
    assert.match(await closeDialog(page), /^notes\.sqlite was not opened: /);
    await click(page, 'address', ...hexKeys('8500'));
    assert.deepEqual(await displays(page), ['8500', '5A']);
    await click(page, ...hexKeys('77'));
    await page.setInputFiles('#memory-picker', { name: 'memory.sqlite', mimeType: 'application/octet-stream', buffer: exported });
    await click(page, 'address', ...hexKeys('8500'));
    assert.deepEqual(await displays(page), ['8500', '5A']);
    await page.close();
  });

  test('once opened, the kit starts with no network', async () => {
    const page = await openKit(ctx);
    await page.waitForFunction(async () => (await navigator.serviceWorker.ready).active !== null);
    await page.reload(); // now under the service worker
    await page.waitForSelector('body[data-ready=true]');
    await ctx.setOffline(true);
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    await click(page, 'address', ...hexKeys('8500'));
    assert.deepEqual(await displays(page), ['8500', '5A']);
    await ctx.setOffline(false);
    await page.close();
  });
});

describe('the kit on a phone', () => {
  test('held upright, the keypad is at finger size and works by touch', async () => {
    const ctx = await launch();
    try {
      const page = await ctx.newPage();
      await page.setViewportSize({ width: 390, height: 844 });
      await page.goto(url);
      await page.waitForSelector('body[data-ready=true]');
      for (const id of ['c0', 'execute', 'stop', 'stepexe']) {
        const box = await page.locator('#' + id).boundingBox();
        assert.ok(box.height >= 44 && box.width >= 44, `${id} is ${box.width}x${box.height}`);
      }
      const board = await page.locator('#board').boundingBox();
      assert.ok(board.width <= 390);
      await click(page, 'address', ...hexKeys('8000'));
      assert.deepEqual(await displays(page), ['8000', '00']);
    } finally {
      await ctx.close();
    }
  });
});
