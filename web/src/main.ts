// The kit in a web page: the board, the study view and the editor over the
// kit's WebAssembly module, the memory file kept in the browser's storage.

import './style.css';
import { Board } from './board';
import { SourceEditor } from './editor';
import { loadKitModule, type Kit, type KitModule, type Message } from './kit_module';
import { Study } from './study';
import { claimMemoryFile, kMemoryFile, kSourceFile, mountMemoryFolder, Saver } from './storage';
import { studyTemplate, wireFiles } from './files';
import { wireCheck } from './check';
import { kKeys } from './layout';

const base = import.meta.env.BASE_URL;
const kStarter = `; A first program: A = 05, halt.
        ORG     8000H
        MVI     A,05H
        HLT
`;

export class App {
  kit!: Kit;
  board: Board;
  study!: Study;
  editor!: SourceEditor;
  saver: Saver;
  messages: Message[] = [];
  ended = false;
  owner = true;
  private loop = 0;
  pace = 0; // 0 full speed, 1 kit speed, 2 slow motion
  // The source's copy waiting for the editor to pause, if any.
  keepSource: (() => void) | null = null;

  constructor(readonly M: KitModule, owner: boolean) {
    this.owner = owner;
    this.saver = new Saver(M);
    this.board = new Board(document.getElementById('board')!, {
      press: (id) => this.pressKey(id),
      typeRegister: (name, text) => this.kit.typeRegister(name, text),
    });
  }

  open() {
    this.kit = new this.M.Kit(this.owner ? kMemoryFile : '');
    const problem = this.kit.openProblem();
    if (problem) this.messages.push({ text: problem, title: 'error :', exclamation: true });
    this.board.setPlate('Adodc1 \u2022 ' + (this.kit.persistent() ? 'memory.sqlite' : 'not saved'));
  }

  // A kit key, by its control name: the keypad's hex keys and the others.
  pressKey(id: string) {
    if (this.ended || document.querySelector('dialog[open]')) return;
    if (id === 'execute') this.execute();
    else if (id === 'stop') this.stop();
    else if (id === 'stepexe') this.act(() => this.kit.stepExe());
    else if (id === 'end') this.end();
    else if (/^c[0-9a-f]$/.test(id)) this.act(() => this.kit.press(id[1].toUpperCase()));
    else this.act(() => this.kit.press(id));
  }

  // A key's work: carried out, the kit redrawn, its messages shown and what
  // it committed copied to the browser's storage.
  act(work: () => void) {
    if (this.kit.running()) return;
    work();
    this.after();
  }

  after() {
    this.refresh();
    this.showMessages();
    if (this.kit.persistent()) void this.saver.save();
  }

  execute() {
    if (this.kit.running()) return;
    this.kit.execute();
    this.refresh();
    let lastSave = performance.now();
    const slice = () => {
      const goesOn = this.kit.slice(25);
      this.refresh();
      if (goesOn && !this.messages.length) {
        // The core commits at least once a second while it runs; so is the copy kept.
        if (performance.now() - lastSave > 1000 && this.kit.persistent()) {
          lastSave = performance.now();
          void this.saver.save();
        }
        // A paced run (kit speed, slow motion) goes on when its next
        // instruction is due; the kit's clock is read some 80 times a second.
        this.loop = window.setTimeout(slice, Math.max(this.kit.untilNextSlice(), this.pace === 1 ? 12 : 0));
        return;
      }
      this.loop = 0;
      this.after();
    };
    this.loop = window.setTimeout(slice, 0);
  }

  stop() {
    if (!this.kit.running()) return;
    clearTimeout(this.loop);
    this.loop = 0;
    this.kit.stop();
    this.after();
  }

  end() {
    if (this.kit.running()) this.stop();
    this.kit.flush();
    void this.saver.save();
    this.ended = true;
    document.body.classList.add('ended');
    showNotice('The kit is closed; its memory is kept. Reload the page to open it again.');
  }

  // Everything kept: the source's pending copy written and IndexedDB up to date.
  async settled() {
    this.keepSource?.();
    await this.saver.save();
    await this.saver.idle();
  }

  refresh() {
    const p = this.kit.panel();
    this.board.show(p);
    this.study.show(p);
    this.editor.showMarks(this.breakpointLines(), p.running ? 0 : p.sourceLine);
    this.messages.push(...this.kit.takeMessages());
  }

  private breakpointLines(): number[] {
    const breaks = new Set(this.kit.breakpoints());
    const lines: number[] = [];
    for (let n = 1; n <= this.editor.view.state.doc.lines; n++) {
      const a = this.kit.addressOfLine(n);
      if (a >= 0 && breaks.has(a)) lines.push(n);
    }
    return lines;
  }

  // The kit's messages, one box at a time, as the desktop kit shows them.
  showMessages() {
    const dlg = document.getElementById('message') as HTMLDialogElement;
    if (dlg.open || !this.messages.length) return;
    const m = this.messages.shift()!;
    document.getElementById('message-title')!.textContent = m.title || 'kit85';
    document.getElementById('message-text')!.textContent = m.text;
    dlg.classList.toggle('exclamation', m.exclamation);
    dlg.showModal();
  }

  assembleAndLoad() {
    if (this.kit.running()) {
      this.note('The kit is running: press Stop (Esc) before loading the source', true);
      return;
    }
    const a = this.kit.loadProgram(this.editor.text, true, sourceName());
    this.editor.showDiagnostics(a.diagnostics);
    this.after();
    if (!a.ok) this.note(a.problem, true);
  }

  note(text: string, problem: boolean) {
    const s = document.getElementById('source-note')!;
    s.textContent = text;
    s.classList.toggle('problem', problem);
  }

  toggleBreakpointOnLine(line: number) {
    const a = this.kit.addressOfLine(line);
    if (a < 0) {
      this.note(`line ${line} made no instruction in memory: assemble and load (F8) first`, true);
      return;
    }
    this.act(() => this.kit.toggleBreakpoint(a));
  }

  // The computer keyboard works the kit as on the desktop.
  keydown(e: KeyboardEvent) {
    if (this.ended || document.querySelector('dialog[open]')) return;
    const inEditor = (e.target as HTMLElement).closest?.('.cm-editor, input, textarea');
    const ctrl = e.ctrlKey || e.metaKey;
    if (ctrl) {
      const k = e.key.toLowerCase();
      const actions: Record<string, () => void> = {
        z: () => this.act(() => this.kit.undo(true)),
        y: () => this.act(() => this.kit.undo(false)),
        o: () => document.getElementById('open-file')!.click(),
        s: () => document.getElementById('save-hex')!.click(),
        q: () => this.end(),
      };
      if (actions[k] && !(inEditor && (k === 'z' || k === 'y'))) {
        e.preventDefault();
        actions[k]();
      }
      return;
    }
    if (e.key === 'F7') {
      e.preventDefault();
      document.body.classList.toggle('study-closed');
      localStorage.setItem('kit85.studyClosed', String(document.body.classList.contains('study-closed')));
      return;
    }
    if (e.key === 'F8') {
      e.preventDefault();
      this.assembleAndLoad();
      return;
    }
    if (e.key === 'F9') {
      e.preventDefault();
      const p = this.kit.panel();
      if (p.text1.length === 4) this.act(() => this.kit.toggleBreakpoint(parseInt(p.text1, 16)));
      return;
    }
    if (inEditor && !/^F\d+$|^Escape$/.test(e.key)) return;
    const key = kKeys.find((k) => k.keys.includes(e.key));
    if (!key) return;
    e.preventDefault();
    this.board.flash(key.id);
    this.pressKey(key.id);
  }
}

function showNotice(text: string) {
  const n = document.getElementById('kit-notice')!;
  n.hidden = false;
  n.textContent = text;
}

export function sourceName() {
  return localStorage.getItem('kit85.sourceName') || 'untitled.asm';
}

async function boot() {
  const M = await loadKitModule(base);
  performance.mark('module');
  let owner = await claimMemoryFile();
  let notice = owner
    ? ''
    : 'The kit is open in another tab of this browser. This tab works on a memory of its own that is not saved, so the other tab\u2019s memory is never overwritten; close the other tab and reload to work on it here.';
  if (owner) {
    try {
      await mountMemoryFolder(M, base);
    } catch (e) {
      // A browser that keeps nothing for the page (some private windows):
      // the kit still works, on a memory that is not saved, and says so.
      owner = false;
      notice = 'This browser keeps no storage for the page (' + String(e) + '): the kit works, but its memory is not saved.';
    }
  }
  performance.mark('storage');
  const app = new App(M, owner);
  (window as any).kit85 = app;
  const study = document.getElementById('study')!;
  study.innerHTML = studyTemplate;
  app.study = new Study(study, () => app.kit, {
    keyAddress: (a) =>
      app.act(() => {
        for (const k of ['address', ...a.toString(16).toUpperCase().padStart(4, '0')]) app.kit.press(k);
      }),
    toggleBreakpoint: (a) => app.act(() => app.kit.toggleBreakpoint(a)),
  });
  // The source is kept beside the memory file, in IndexedDB, a moment after
  // each change (not by a second tab, which keeps nothing).
  let sourceTimer = 0;
  app.editor = new SourceEditor(document.getElementById('editor')!, M, {
    toggleBreakpoint: (line) => app.toggleBreakpointOnLine(line),
    assembleAndLoad: () => app.assembleAndLoad(),
    changed: () => {
      if (!owner) return;
      clearTimeout(sourceTimer);
      app.keepSource = () => {
        clearTimeout(sourceTimer);
        app.keepSource = null;
        M.FS.writeFile(kSourceFile, app.editor.text);
        void app.saver.save();
      };
      sourceTimer = window.setTimeout(app.keepSource, 300);
    },
  }, owner && M.FS.analyzePath(kSourceFile).exists ? M.FS.readFile(kSourceFile, { encoding: 'utf8' }) : kStarter);
  performance.mark('editor');
  app.open();
  performance.mark('memory file');
  wireFiles(app);
  wireCheck(app);
  app.saver.onProblem = (text) => showNotice(text);
  if (notice) showNotice(notice);
  if (localStorage.getItem('kit85.studyClosed') === 'true') document.body.classList.add('study-closed');
  document.getElementById('message')!.addEventListener('close', () => setTimeout(() => app.showMessages(), 0));
  document.addEventListener('keydown', (e) => app.keydown(e));
  app.refresh();
  app.showMessages();
  document.body.dataset.ready = 'true';
  // From navigation to a kit that takes keys, for the benchmark.
  document.body.dataset.readyMs = String(Math.round(performance.now()));
  window.addEventListener('pagehide', () => {
    if (app.kit.persistent()) app.kit.flush();
  });
  if ('serviceWorker' in navigator && location.protocol !== 'file:' && !import.meta.env.DEV)
    navigator.serviceWorker.register(base + 'sw.js').catch(() => {});
}

boot().catch((e) => {
  showNotice('The kit could not start: ' + String(e instanceof Error ? e.message : e));
  document.body.dataset.ready = 'failed';
});
