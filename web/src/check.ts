// "Check my program": a lab file (and the reference programs beside it) put
// in the page's file system, and the kit's memory checked against its cases.

import type { App } from './main';
import { escapeHtml } from './study';

const kLabFolder = '/lab';

export function wireCheck(app: App) {
  const picker = document.getElementById('lab-picker') as HTMLInputElement;
  const checkButton = document.getElementById('check') as HTMLButtonElement;
  const status = document.getElementById('check-status')!;
  let lab = '';

  document.getElementById('open-lab')!.addEventListener('click', () => picker.click());
  picker.addEventListener('change', async () => {
    const files = [...(picker.files ?? [])];
    picker.value = '';
    const toml = files.find((f) => /\.toml$/i.test(f.name));
    if (!toml) {
      status.textContent = 'The lab file was not opened: choose its .toml file (and the programs it names)';
      return;
    }
    const FS = app.M.FS;
    try {
      FS.mkdir(kLabFolder);
    } catch {
      /* there already */
    }
    for (const f of files) FS.writeFile(`${kLabFolder}/${f.name}`, new Uint8Array(await f.arrayBuffer()));
    lab = `${kLabFolder}/${toml.name}`;
    checkButton.disabled = false;
    document.getElementById('check-title')!.textContent = 'Check my program: ' + toml.name;
    status.textContent = 'Key in your program, then press Check.';
    document.getElementById('check-cases')!.innerHTML = '';
    document.getElementById('check-hidden')!.textContent = '';
  });

  const check = () => {
    if (!lab || app.kit.running()) return;
    const c = app.kit.checkLab(lab);
    if (!c.ok) {
      status.textContent = c.problem;
      return;
    }
    document.getElementById('check-title')!.textContent = 'Check my program: ' + c.name;
    status.textContent = c.summary;
    document.getElementById('check-cases')!.innerHTML = c.cases
      .map(
        (k) =>
          `<li class="${k.passed ? 'passed' : 'failed'}">${k.passed ? '\u2714' : '\u2718'} ${escapeHtml(k.name)}${k.passed ? '' : ': ' + escapeHtml(k.failure)}<pre>${escapeHtml(k.checks.join('\n'))}</pre></li>`,
      )
      .join('');
    document.getElementById('check-hidden')!.textContent = c.hidden;
  };
  checkButton.addEventListener('click', check);
  document.addEventListener('keydown', (e) => {
    if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'k') {
      e.preventDefault();
      app.study.select('check');
      check();
    }
  });
}
