// The study view's markup and its file actions: programs and sources opened
// and saved through the browser's file pickers and downloads, Intel HEX, and
// the memory file exported and imported as the desktop kit keeps it.

import type { App } from './main';
import { sourceName } from './main';
import { kMemoryFile } from './storage';

export const studyTemplate = `
<div class="toolbar" role="toolbar" aria-label="Files">
  <button id="open-file" type="button" title="Open a program (.hex or .asm) into memory (Ctrl+O)">Open…</button>
  <button id="save-source" type="button" title="Save the source as a file">Save source</button>
  <button id="save-hex" type="button" title="Save memory rows as Intel HEX (Ctrl+S)">Save HEX…</button>
  <button id="export-memory" type="button" title="The memory file, for the desktop kit">Export memory file</button>
  <button id="import-memory" type="button" title="Open a memory file the desktop kit made">Import memory file…</button>
  <button id="undo" type="button" title="Undo the last keyed byte or opened program (Ctrl+Z)">Undo</button>
  <button id="redo" type="button" title="Redo what Undo took back (Ctrl+Y)">Redo</button>
  <input id="file-picker" type="file" accept=".asm,.a85,.s,.hex,.ihx,.txt" hidden />
  <input id="memory-picker" type="file" accept=".sqlite,.sqlite3,.db,.kit85" hidden />
</div>
<div class="toolbar">
  <label for="speed">Execute at:</label>
  <select id="speed">
    <option value="0">Full speed</option>
    <option value="1">Kit speed (3.072 MHz)</option>
    <option value="2">Slow motion</option>
  </select>
  <input id="per-second" type="number" min="1" max="50" value="10" aria-label="Instructions a second" disabled /><span>instructions/s</span>
</div>
<div id="status" role="status" aria-live="polite"></div>
<div id="decode"></div>
<div class="tabs" role="tablist">
  <button role="tab" data-tab="source" aria-controls="source-pane">Source</button>
  <button role="tab" data-tab="memory" aria-controls="memory-pane">Memory</button>
  <button role="tab" data-tab="instructions" aria-controls="instructions-pane">Instructions</button>
  <button role="tab" data-tab="trace" aria-controls="trace-pane">Trace</button>
  <button role="tab" data-tab="check" aria-controls="check-pane">Check</button>
</div>
<div id="source-pane" class="pane" role="tabpanel">
  <div class="toolbar">
    <button id="assemble" type="button" title="Assemble the source and load it into memory (F8)">Assemble and load (F8)</button>
    <button id="keying-sheet" type="button" title="The source as a keying sheet to print (Ctrl+P)">Keying sheet</button>
    <button id="source-step" type="button" title="Carry out one instruction; the arrow follows the source (F10)">Step Exe</button>
    <span id="source-note"></span>
  </div>
  <div id="editor"></div>
</div>
<div id="memory-pane" class="pane mono" role="tabpanel"></div>
<div id="instructions-pane" class="pane mono" role="tabpanel"></div>
<pre id="trace-pane" class="pane mono" role="tabpanel"></pre>
<div id="check-pane" class="pane" role="tabpanel">
  <div class="toolbar">
    <button id="open-lab" type="button" title="Open a lab file (.toml), with the reference programs it names">Open lab…</button>
    <button id="check" type="button" title="Check the program in memory against the lab's cases (Ctrl+K)" disabled>Check</button>
    <input id="lab-picker" type="file" accept=".toml,.asm,.hex" multiple hidden />
  </div>
  <h3 id="check-title">Check my program</h3>
  <p id="check-status">Open the lab file your teacher gave you, key in your program, then press Check.</p>
  <ul id="check-cases"></ul>
  <p id="check-hidden"></p>
</div>
`;

function download(name: string, data: BlobPart, type: string) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(new Blob([data], { type }));
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 10_000);
}

function parseAddress(text: string | null): number | null {
  if (text === null) return null;
  const t = text.trim().replace(/h$/i, '');
  return /^[0-9a-fA-F]{1,4}$/.test(t) ? parseInt(t, 16) : NaN;
}

export function wireFiles(app: App) {
  const on = (id: string, f: () => void) => document.getElementById(id)!.addEventListener('click', f);
  const picker = document.getElementById('file-picker') as HTMLInputElement;
  const memoryPicker = document.getElementById('memory-picker') as HTMLInputElement;

  on('assemble', () => app.assembleAndLoad());
  const speed = document.getElementById('speed') as HTMLSelectElement;
  const perSecond = document.getElementById('per-second') as HTMLInputElement;
  const pace = () => {
    perSecond.disabled = speed.value !== '2';
    app.pace = Number(speed.value);
    app.kit.setSpeed(app.pace, Number(perSecond.value) || 1);
    localStorage.setItem('kit85.speed', speed.value + ':' + perSecond.value);
  };
  [speed.value, perSecond.value] = (localStorage.getItem('kit85.speed') ?? '0:10').split(':');
  speed.addEventListener('change', pace);
  perSecond.addEventListener('change', pace);
  pace();
  on('source-step', () => app.pressKey('stepexe'));
  on('undo', () => app.act(() => app.kit.undo(true)));
  on('redo', () => app.act(() => app.kit.undo(false)));
  on('open-file', () => picker.click());
  picker.addEventListener('change', async () => {
    const f = picker.files?.[0];
    picker.value = '';
    if (!f) return;
    const text = await f.text();
    if (/\.(hex|ihx)$/i.test(f.name)) {
      app.act(() => app.kit.loadProgram(text, false, f.name));
      return;
    }
    // A source opens in the editor and goes into memory, as Ctrl+O on the desktop.
    localStorage.setItem('kit85.sourceName', f.name);
    app.editor.text = text;
    app.assembleAndLoad();
  });

  on('save-source', () => download(sourceName(), app.editor.text, 'text/plain'));

  // The keying sheet opens as a page of its own, to print or save as PDF.
  const sheet = () => {
    const html = app.M.keyingSheet(app.editor.text, sourceName());
    if (!html) {
      app.assembleAndLoad(); // marks the errors; nothing is stored
      return;
    }
    const url = URL.createObjectURL(new Blob([html], { type: 'text/html' }));
    if (!window.open(url, '_blank')) download(sourceName().replace(/\.[^.]*$/, '') + '-keying.html', html, 'text/html');
  };
  on('keying-sheet', sheet);
  document.addEventListener('keydown', (e) => {
    if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'p') {
      e.preventDefault();
      sheet();
    }
  });

  on('save-hex', () => {
    const start = parseAddress(prompt('Save memory rows as Intel HEX: the first address', '8000'));
    if (start === null) return;
    const end = parseAddress(prompt('The last address', (start || 0x8000 + 0xff).toString(16).toUpperCase()));
    if (end === null) return;
    if (Number.isNaN(start) || Number.isNaN(end)) {
      app.messages.push({ text: 'an address is one to four hex digits', title: 'error :', exclamation: true });
      app.showMessages();
      return;
    }
    const s = app.kit.saveHex(start, end);
    if (!s.ok) {
      app.messages.push({ text: s.problem, title: 'error :', exclamation: true });
      app.showMessages();
      return;
    }
    download('memory.hex', s.text, 'text/plain');
  });

  on('export-memory', async () => {
    if (!app.kit.persistent()) {
      app.messages.push({ text: 'this tab keeps no memory file (the kit is open in another tab)', title: 'error :', exclamation: true });
      app.showMessages();
      return;
    }
    // Closed and opened again, the file holds every commit on its own.
    const problem = app.kit.reopen();
    app.refresh();
    if (problem) {
      app.messages.push({ text: problem, title: 'error :', exclamation: true });
      app.showMessages();
      return;
    }
    download('memory.sqlite', app.M.FS.readFile(kMemoryFile), 'application/vnd.sqlite3');
    await app.saver.save();
  });

  on('import-memory', () => memoryPicker.click());
  memoryPicker.addEventListener('change', async () => {
    const f = memoryPicker.files?.[0];
    memoryPicker.value = '';
    if (!f || !app.kit.persistent() || app.kit.running()) return;
    const bytes = new Uint8Array(await f.arrayBuffer());
    // The kit's own file stays until the new one has opened: a file the kit
    // refuses leaves memory as it was.
    const problem = app.kit.reopen();
    if (problem) return;
    const FS = app.M.FS;
    const keep = FS.readFile(kMemoryFile);
    app.kit.delete();
    const remove = (p: string) => {
      try {
        FS.unlink(p);
      } catch {
        /* not there */
      }
    };
    remove(kMemoryFile + '-wal');
    FS.writeFile(kMemoryFile, bytes);
    app.open();
    const refused = app.kit.openProblem();
    if (refused) {
      app.kit.delete();
      remove(kMemoryFile + '-wal');
      FS.writeFile(kMemoryFile, keep);
      app.open();
      app.kit.takeMessages();
      app.messages.length = 0;
      app.messages.push({ text: `${f.name} was not opened: ${refused}`, title: 'error :', exclamation: true });
    }
    app.after();
  });
}
