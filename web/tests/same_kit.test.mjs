// The same kit, native and in WebAssembly: random programs and the example
// labs' programs run through the native kit85-run and through the page's
// WebAssembly module under node; registers, flags, the current row, the
// messages, the stop word, the counts and all of memory must be identical.
//
//   KIT85_RUN=build/release/kit85-run node --no-experimental-fetch --test web/tests/
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { loadKitModule, repo } from './wasm_module.mjs';

const native = process.env.KIT85_RUN || join(repo, 'build/release/kit85-run');
const work = mkdtempSync(join(tmpdir(), 'kit85-same-'));
const M = await loadKitModule();

// A small, seeded generator, so a failure names a program that can be run again.
function generator(seed) {
  let s = seed >>> 0;
  return (n) => {
    s = (Math.imul(s, 1664525) + 1013904223) >>> 0;
    return s % n;
  };
}
const hex = (v, w) => v.toString(16).toUpperCase().padStart(w, '0');

// Mostly opcodes that keep a program going (moves, ALU, immediates, INX/DCX,
// short loops, PUSH/POP, CALL/RET within the program); now and then any byte
// at all, an invalid code or HLT among them.
function randomProgram(seed) {
  const r = generator(seed);
  const bytes = [];
  while (bytes.length < 96) {
    const pick = r(10);
    if (pick < 5) bytes.push(0x40 + r(0x40) === 0x76 ? 0x00 : 0x40 + r(0x40)); // MOV, never HLT here
    else if (pick < 7) bytes.push(0x80 + r(0x40)); // ADD .. CMP
    else if (pick < 8) bytes.push([0x3e, 0x06, 0xc6, 0xd6, 0xe6, 0xee, 0xf6, 0xfe, 0x27, 0x07, 0x1f][r(11)], r(256));
    else if (pick < 9) bytes.push([0xc2, 0xca, 0xd2, 0xda, 0xcd][r(5)], 0x00 + r(96), 0x80);
    else bytes.push(r(256));
  }
  bytes.push(0x76);
  const regs = {};
  for (const name of ['A', 'B', 'C', 'D', 'E', 'L']) regs[name] = hex(r(256), 2);
  regs.H = ['90', '91', '80', 'FF'][r(4)];
  regs.SP = ['0000', '9800', 'FFFF', '8100'][r(4)];
  const flags = {};
  for (const name of ['S', 'Z', 'AC', 'P', 'CY']) flags[name] = String(r(2));
  return { bytes, regs, flags, maxSteps: 2000 + r(3000) };
}

function nativeReport(p) {
  const args = ['--at', '8000', '--json', '--dump', '0000:65536'];
  if (p.hex) args.push('--load', p.hex);
  if (p.asm) args.push('--asm', p.asm);
  if (p.bytes) args.push('--poke', '8000=' + p.bytes.map((b) => hex(b, 2)).join(','));
  for (const [n, v] of Object.entries(p.regs || {})) args.push('--reg', `${n}=${v}`);
  for (const [n, v] of Object.entries(p.flags || {})) args.push('--flag', `${n}=${v}`);
  args.push(p.steps ? '--steps' : '--max-steps', String(p.steps || p.maxSteps));
  try {
    return JSON.parse(execFileSync(native, args, { maxBuffer: 64 << 20 }).toString());
  } catch (e) {
    if (e.status === 1 && e.stdout) return JSON.parse(e.stdout.toString()); // an invalid code or an error
    throw e;
  }
}

// The same run through the page's module, reported in kit85-run's words.
function wasmReport(p) {
  const kit = new M.Kit('');
  try {
    if (p.bytes) {
      const hexText = intelHex(p.bytes, 0x8000);
      assert.ok(kit.loadProgram(hexText, false, 'p.hex').ok);
    }
    if (p.asm) assert.ok(kit.loadProgram(readFileSync(p.asm, 'utf8'), true, p.asm).ok);
    for (const key of ['address', '8', '0', '0', '0']) kit.press(key);
    kit.takeMessages();
    for (const [n, v] of Object.entries(p.regs || {})) kit.typeRegister(n, v);
    for (const [n, v] of Object.entries(p.flags || {})) kit.setFlag(n, v);
    const report = {};
    const messages = [];
    if (p.steps) {
      // Presses of Step Exe, as --steps N makes them: they end at an error.
      let pressed = 0;
      let failed = false;
      while (pressed < p.steps && !failed) {
        kit.stepExe();
        pressed++;
        for (const m of kit.takeMessages()) {
          messages.push(m.text);
          failed ||= m.title === 'error :';
        }
      }
      Object.assign(report, { stop: failed ? 'error' : 'steps', steps: pressed });
    } else {
      report.stop = kit.executeBounded(p.maxSteps);
      Object.assign(report, { steps: kit.lastSteps(), tstates: kit.lastTStates() });
      messages.push(...kit.takeMessages().map((m) => m.text));
    }
    const panel = kit.panel();
    Object.assign(report, {
      registers: panel.registers,
      flags: panel.flags,
      row: { address: panel.text1, data: panel.text2 },
      messages,
      memory: { '0000': kit.memoryRows(0, 65536) },
    });
    return report;
  } finally {
    kit.delete();
  }
}

function intelHex(bytes, at) {
  const lines = [];
  for (let i = 0; i < bytes.length; i += 16) {
    const chunk = bytes.slice(i, i + 16);
    const a = at + i;
    const rec = [chunk.length, a >> 8, a & 0xff, 0, ...chunk];
    const sum = (256 - (rec.reduce((x, y) => x + y, 0) & 0xff)) & 0xff;
    lines.push(':' + [...rec, sum].map((b) => hex(b, 2)).join(''));
  }
  return lines.join('\n') + '\n:00000001FF\n';
}

function comparable(report, steps) {
  // A Step Exe run counts its presses, and kit85-run reports their T-states
  // as one run; the page presses the key each time, as a student does.
  const { tstates, ...rest } = report;
  return steps ? rest : report;
}

const labs = join(repo, 'examples/labs');
const cases = [
  ...Array.from({ length: 30 }, (_, i) => ({ name: `random program ${i + 1}`, ...randomProgram(1000 + i) })),
  ...Array.from({ length: 5 }, (_, i) => ({ name: `random steps ${i + 1}`, ...randomProgram(2000 + i), steps: 40 })),
  ...readdirSync(labs)
    .filter((f) => f.endsWith('.asm'))
    .map((f) => ({ name: `lab ${f}`, asm: join(labs, f), maxSteps: 5_000_000 })),
];

for (const c of cases) {
  test(`native and WebAssembly agree: ${c.name}`, () => {
    const expected = nativeReport(c);
    const got = wasmReport(c);
    if (!c.steps) assert.ok(expected.steps > 0, 'the native run ran');
    assert.deepStrictEqual(comparable(got, c.steps), comparable(expected, c.steps));
  });
}

test('a program that loops forever stops at its bound in both', () => {
  const c = { bytes: [0xc3, 0x00, 0x80], maxSteps: 100000 };
  const expected = nativeReport(c);
  assert.equal(expected.stop, 'step-limit');
  assert.deepStrictEqual(wasmReport(c), expected);
});

writeFileSync(join(work, 'done'), '');
