// The run loop's speed in this browser: the four workloads of bench/ (the
// native bench_run's), each assembled and run to its HLT three times; the
// best run counts. The figures are printed, never judged.

import { loadKitModule } from './kit_module';
import delayLoop from '../../bench/workloads/delay_loop.asm?raw';
import bubbleSort from '../../bench/workloads/bubble_sort.asm?raw';
import multiply from '../../bench/workloads/multiply.asm?raw';
import bcdAddition from '../../bench/workloads/bcd_addition.asm?raw';

const workloads: [string, string][] = [
  ['delay loop', delayLoop],
  ['bubble sort', bubbleSort],
  ['multiply (CALL/PUSH/POP)', multiply],
  ['BCD addition (DAA)', bcdAddition],
];

async function run() {
  const M = await loadKitModule(import.meta.env.BASE_URL);
  const kit = new M.Kit('');
  const results = [];
  for (const [name, source] of workloads) {
    const load = kit.loadProgram(source, true, name);
    if (!load.ok) throw new Error(`${name}: ${load.problem}`);
    let best = 0;
    let steps = 0;
    for (let i = 0; i < 3; i++) {
      for (const k of ['address', '8', '0', '0', '0']) kit.press(k);
      const t = performance.now();
      const stop = kit.executeBounded(0);
      const seconds = (performance.now() - t) / 1000;
      if (stop !== 'halt') throw new Error(`${name} stopped: ${stop}`);
      steps = kit.lastSteps();
      best = Math.max(best, steps / seconds / 1e6);
    }
    results.push({ name, instructions: steps, mips: Math.round(best * 10) / 10 });
  }
  kit.delete();
  return results;
}

run().then(
  (r) => {
    document.getElementById('results')!.textContent = JSON.stringify(r, null, 1);
    document.body.dataset.done = 'true';
  },
  (e) => {
    document.getElementById('results')!.textContent = 'failed: ' + String(e);
    document.body.dataset.done = 'failed';
  },
);
