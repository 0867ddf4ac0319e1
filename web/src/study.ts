// The study view beside the kit: the status line, the decode line, and the
// panes (Source, Memory, Instructions, Trace), redrawn after every key, step
// and run slice from what the kit's module says.

import type { Kit, Panel } from './kit_module';

const hex = (v: number, w: number) => v.toString(16).toUpperCase().padStart(w, '0');

export interface StudyHooks {
  keyAddress(address: number): void;
  toggleBreakpoint(address: number): void;
}

export class Study {
  readonly status: HTMLElement;
  readonly decode: HTMLElement;
  readonly tabs = new Map<string, { button: HTMLButtonElement; pane: HTMLElement }>();
  private memory: HTMLElement;
  private instructions: HTMLElement;
  private trace: HTMLElement;
  current = 'source';
  private last?: Panel;

  constructor(
    root: HTMLElement,
    private readonly kit: () => Kit,
    private readonly hooks: StudyHooks,
  ) {
    this.status = root.querySelector('#status')!;
    this.decode = root.querySelector('#decode')!;
    for (const b of root.querySelectorAll<HTMLButtonElement>('[role=tab]')) {
      const pane = root.querySelector<HTMLElement>('#' + b.getAttribute('aria-controls'))!;
      this.tabs.set(b.dataset.tab!, { button: b, pane });
      b.addEventListener('click', () => this.select(b.dataset.tab!));
    }
    this.memory = root.querySelector('#memory-pane')!;
    this.instructions = root.querySelector('#instructions-pane')!;
    this.trace = root.querySelector('#trace-pane')!;
    this.memory.addEventListener('click', (e) => {
      const cell = (e.target as HTMLElement).closest<HTMLElement>('[data-address]');
      if (cell) hooks.keyAddress(Number(cell.dataset.address));
    });
    this.instructions.addEventListener('click', (e) => {
      const margin = (e.target as HTMLElement).closest<HTMLElement>('.margin');
      const row = margin?.parentElement?.dataset.address;
      if (row !== undefined) hooks.toggleBreakpoint(Number(row));
    });
    this.select(this.current);
  }

  select(tab: string) {
    this.current = tab;
    for (const [name, t] of this.tabs) {
      const on = name === tab;
      t.button.setAttribute('aria-selected', String(on));
      t.pane.hidden = !on;
    }
    if (this.last) this.show(this.last);
  }

  show(p: Panel) {
    this.last = p;
    this.status.textContent = p.status || '\u00a0';
    this.status.classList.toggle('problem', p.statusProblem);
    this.status.classList.toggle('running', p.running);
    this.decode.textContent = p.decode || '\u00a0';
    if (this.current === 'memory') this.showMemory(p);
    if (this.current === 'instructions') this.showInstructions(p);
    if (this.current === 'trace') this.trace.textContent = p.trace.length ? p.trace.join('\n') : 'Step Exe shows here why each register and flag changed.';
  }

  // 16 bytes a line around the current row; the current byte highlighted.
  private showMemory(p: Panel) {
    const kit = this.kit();
    const first = Math.max(0, Math.min((p.cursor & ~0xf) - 64, 0x10000 - 16 * 12));
    const rows = kit.memoryRows(first, 16 * 12);
    const out: string[] = [];
    for (let line = 0; line < 12; line++) {
      const a = first + line * 16;
      const cells = rows.slice(line * 16, line * 16 + 16).map((t, i) => {
        const at = a + i;
        const odd = !/^[0-9A-F]{2}$/.test(t) ? ' odd' : '';
        const cur = at === p.cursor ? ' current' : '';
        return `<span class="byte${odd}${cur}" data-address="${at}">${escapeHtml(t.padEnd(2, ' '))}</span>`;
      });
      out.push(`<div class="mem-line"><span class="addr">${hex(a, 4)}</span> ${cells.join(' ')}</div>`);
    }
    this.memory.innerHTML = out.join('');
  }

  private showInstructions(p: Panel) {
    const kit = this.kit();
    const breaks = new Set(kit.breakpoints());
    const pc = parseInt(p.registers.PC, 16);
    const lo = Math.max(0, p.cursor - 12);
    const lines = kit.instructions(lo, Math.min(0x10000, lo + 40));
    this.instructions.innerHTML = lines
      .map((l) => {
        const a = parseInt(l.address, 16);
        const mark = breaks.has(a) ? '●' : a === pc ? '▶' : '';
        const cls = [l.kind, a === p.cursor ? 'current' : '', a === pc ? 'pc' : ''].join(' ');
        return `<div class="ins ${cls}" data-address="${a}"><span class="margin" title="Breakpoint">${mark}</span><span class="addr">${l.address}</span><span class="bytes">${escapeHtml(l.bytes.join(' '))}</span><span class="text">${escapeHtml(l.text)}</span></div>`;
      })
      .join('');
  }
}

export function escapeHtml(s: string) {
  return s.replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]!);
}
