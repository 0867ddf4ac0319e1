// The source editor: CodeMirror 6 with the 8085 colours of the assembler's own
// lexer (styleLine in the kit's module), its errors and warnings on their
// lines, breakpoints in the margin and the line the next instruction is on.

import { EditorView, Decoration, ViewPlugin, gutter, GutterMarker, keymap, lineNumbers, type DecorationSet, type ViewUpdate } from '@codemirror/view';
import { EditorState, RangeSetBuilder, StateEffect, StateField, type Extension } from '@codemirror/state';
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { lintGutter, setDiagnostics, type Diagnostic as LintDiagnostic } from '@codemirror/lint';
import type { Diagnostic, KitModule } from './kit_module';

const styleMarks = new Map<string, Decoration>();
function mark(style: string) {
  let m = styleMarks.get(style);
  if (!m) styleMarks.set(style, (m = Decoration.mark({ class: 'asm-' + style })));
  return m;
}

function highlighter(M: KitModule): Extension {
  const build = (view: EditorView): DecorationSet => {
    const b = new RangeSetBuilder<Decoration>();
    for (const { from, to } of view.visibleRanges) {
      for (let pos = from; pos <= to; ) {
        const line = view.state.doc.lineAt(pos);
        // The lexer counts bytes; map them back to characters.
        const bytes = new TextEncoder().encode(line.text);
        const dec = new TextDecoder();
        for (const [start, length, style] of M.styleLine(line.text)) {
          if (style === 'default') continue;
          const a = dec.decode(bytes.subarray(0, start)).length;
          const z = dec.decode(bytes.subarray(0, start + length)).length;
          if (z > a) b.add(line.from + a, line.from + z, mark(style));
        }
        pos = line.to + 1;
      }
    }
    return b.finish();
  };
  return ViewPlugin.fromClass(
    class {
      decorations: DecorationSet;
      constructor(view: EditorView) {
        this.decorations = build(view);
      }
      update(u: ViewUpdate) {
        if (u.docChanged || u.viewportChanged) this.decorations = build(u.view);
      }
    },
    { decorations: (v) => v.decorations },
  );
}

// Lines (1-based) with a breakpoint, and the line of the next instruction.
const setMarks = StateEffect.define<{ breaks: number[]; next: number }>();
const marks = StateField.define<{ breaks: number[]; next: number }>({
  create: () => ({ breaks: [], next: 0 }),
  update: (v, tr) => tr.effects.find((e) => e.is(setMarks))?.value ?? v,
});

class Marker extends GutterMarker {
  constructor(readonly kind: 'break' | 'next' | 'both') {
    super();
  }
  eq(o: Marker) {
    return o.kind === this.kind;
  }
  toDOM() {
    const s = document.createElement('span');
    s.className = 'gutter-' + this.kind;
    s.textContent = this.kind === 'break' ? '●' : '▶';
    return s;
  }
}

const nextLine = Decoration.line({ class: 'cm-next-line' });
const nextLineField = EditorView.decorations.compute([marks], (state) => {
  const n = state.field(marks).next;
  if (n < 1 || n > state.doc.lines) return Decoration.none;
  return Decoration.set([nextLine.range(state.doc.line(n).from)]);
});

export interface EditorHooks {
  toggleBreakpoint(line: number): void;
  assembleAndLoad(): void;
  changed(): void;
}

export class SourceEditor {
  readonly view: EditorView;
  constructor(parent: HTMLElement, M: KitModule, hooks: EditorHooks, text: string) {
    const breakGutter = gutter({
      class: 'cm-break-gutter',
      renderEmptyElements: true,
      lineMarker: (view, line) => {
        const n = view.state.doc.lineAt(line.from).number;
        const m = view.state.field(marks);
        const br = m.breaks.includes(n);
        const nx = m.next === n;
        return br && nx ? new Marker('both') : br ? new Marker('break') : nx ? new Marker('next') : null;
      },
      lineMarkerChange: (u) => u.transactions.some((t) => t.effects.some((e) => e.is(setMarks))),
      domEventHandlers: {
        mousedown: (view, line) => {
          hooks.toggleBreakpoint(view.state.doc.lineAt(line.from).number);
          return true;
        },
      },
    });
    this.view = new EditorView({
      parent,
      state: EditorState.create({
        doc: text,
        extensions: [
          lineNumbers(),
          marks,
          breakGutter,
          lintGutter(),
          history(),
          keymap.of([{ key: 'F8', run: () => (hooks.assembleAndLoad(), true) }, ...defaultKeymap, ...historyKeymap]),
          highlighter(M),
          nextLineField,
          EditorView.updateListener.of((u) => u.docChanged && hooks.changed()),
          EditorView.contentAttributes.of({ 'aria-label': 'Source', spellcheck: 'false' }),
        ],
      }),
    });
  }

  get text() {
    return this.view.state.doc.toString();
  }

  set text(t: string) {
    this.view.dispatch({ changes: { from: 0, to: this.view.state.doc.length, insert: t } });
  }

  // Each diagnostic on its line and column, errors red and warnings amber.
  showDiagnostics(list: Diagnostic[]) {
    const doc = this.view.state.doc;
    const out: LintDiagnostic[] = [];
    for (const d of list) {
      if (d.line < 1 || d.line > doc.lines) continue;
      const line = doc.line(d.line);
      const from = Math.min(line.from + Math.max(d.column - 1, 0), line.to);
      out.push({ from, to: Math.max(from, line.to), severity: d.error ? 'error' : 'warning', message: d.message });
    }
    this.view.dispatch(setDiagnostics(this.view.state, out));
  }

  showMarks(breaks: number[], next: number) {
    const m = this.view.state.field(marks);
    if (m.next === next && m.breaks.join() === breaks.join()) return;
    const effects: StateEffect<unknown>[] = [setMarks.of({ breaks, next })];
    if (next >= 1 && next <= this.view.state.doc.lines)
      effects.push(EditorView.scrollIntoView(this.view.state.doc.line(next).from, { y: 'nearest' }));
    this.view.dispatch({ effects });
  }
}
