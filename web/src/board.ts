// The kit's board drawn from the layout table: displays, keypad, the other
// keys and the register panel, placed in twips like the desktop window. On a
// narrow screen the stylesheet lays the same elements out at finger size.

import { kDisplays, kFlagCells, kKeys, kLines, kPlate, kRegisters, type Place } from './layout';
import type { Panel } from './kit_module';
import blue from '../../src/panel/resources/key-blue.svg?raw';
import blueDown from '../../src/panel/resources/key-blue-down.svg?raw';
import grey from '../../src/panel/resources/key-grey.svg?raw';
import greyDown from '../../src/panel/resources/key-grey-down.svg?raw';
import red from '../../src/panel/resources/key-red.svg?raw';
import redDown from '../../src/panel/resources/key-red-down.svg?raw';

// The window's key faces, stretched to each key as the window paints them
// (an SVG picture keeps its proportions unless told otherwise).
function keyFaces() {
  const faces = { blue, 'blue-down': blueDown, grey, 'grey-down': greyDown, red, 'red-down': redDown };
  for (const [name, svg] of Object.entries(faces)) {
    const stretched = svg.replace('<svg ', '<svg preserveAspectRatio="none" ');
    document.documentElement.style.setProperty(`--key-${name}`, `url("data:image/svg+xml,${encodeURIComponent(stretched)}")`);
  }
}

export interface BoardHandlers {
  press(id: string): void;
  typeRegister(name: string, text: string): string;
}

function placed(el: HTMLElement, p: { x: number; y: number; w: number; h: number }) {
  el.style.setProperty('--x', String(p.x));
  el.style.setProperty('--y', String(p.y));
  el.style.setProperty('--w', String(p.w));
  el.style.setProperty('--h', String(p.h));
  return el;
}

function make<K extends keyof HTMLElementTagNameMap>(tag: K, cls: string, parent: HTMLElement, place?: Place) {
  const el = document.createElement(tag);
  el.className = cls;
  if (place) {
    placed(el, place);
    if (place.id) el.id = place.id;
    if (place.text !== undefined) el.textContent = place.text;
    if (place.tip) el.title = place.tip;
  }
  parent.appendChild(el);
  return el;
}

export class Board {
  readonly keys = new Map<string, HTMLButtonElement>();
  private displays: HTMLOutputElement[] = [];
  private registers = new Map<string, HTMLInputElement>();
  private flags = new Map<string, HTMLElement>();
  private plate: HTMLElement;

  constructor(
    private readonly root: HTMLElement,
    private readonly handlers: BoardHandlers,
  ) {
    keyFaces();
    this.plate = make('div', 'plate', root, kPlate);
    const displays = make('div', 'displays', root);
    for (const d of kDisplays) {
      const out = make('output', 'display', displays, d) as HTMLOutputElement;
      out.setAttribute('aria-live', 'polite');
      this.displays.push(out);
    }
    const pad = make('div', 'keys', root);
    for (const k of kKeys) {
      const b = make('button', `key ${k.face}`, pad, { ...k, id: k.id, text: k.caption }) as HTMLButtonElement;
      b.type = 'button';
      b.dataset.face = k.face;
      b.style.gridArea = k.id;
      b.addEventListener('click', () => handlers.press(k.id));
      this.keys.set(k.id, b);
    }
    const panel = make('div', 'register-panel', root);
    make('div', 'title', panel, { id: 'Label1', text: 'MICROPROCESSER REGISTERS', x: 1800, y: 4440, w: 2895, h: 255 });
    make('div', 'caption narrow', panel, { id: 'Label19', text: 'Flag Register', x: 4080, y: 4800, w: 975, h: 255 });
    for (const r of kRegisters) {
      const label = make('label', 'caption', panel, r.label);
      const field = make('input', 'field', panel, r) as HTMLInputElement;
      field.id = 'reg-' + r.id;
      field.setAttribute('aria-label', 'Register ' + r.id);
      field.autocomplete = 'off';
      field.spellcheck = false;
      field.inputMode = 'text';
      field.maxLength = r.w > 500 ? 4 : 2;
      label.htmlFor = field.id;
      field.addEventListener('focus', () => field.select());
      field.addEventListener('input', () => {
        const kept = handlers.typeRegister(r.id, field.value);
        if (kept !== field.value) field.value = kept;
      });
      field.addEventListener('keydown', (e) => {
        if (e.key === 'Enter' || e.key === 'Escape') field.blur();
        e.stopPropagation();
      });
      this.registers.set(r.id, field);
    }
    for (const c of kFlagCells) {
      const cell = make('div', 'flag-cell', panel, { id: c.flag ? 'flag-' + c.flag : '', x: c.x - 120, y: 5280, w: 360, h: 495 });
      if (c.flag) {
        cell.title = 'Flag ' + c.label;
        this.flags.set(c.flag, cell);
      }
      if (c.label) make('div', 'caption', panel, { id: '', text: c.label, x: c.lx, y: 5880, w: c.lw, h: 255 });
    }
    for (const [x, y, w, h] of kLines) make('div', 'line', root, { id: '', x, y, w, h });
  }

  setPlate(text: string) {
    this.plate.textContent = text;
  }

  show(p: Panel) {
    const [d1, d2] = this.displays;
    d1.value = p.text3Visible ? p.text3 : p.text1Visible ? p.text1 : '';
    d2.value = p.text4Visible ? p.text4 : p.text2Visible ? p.text2 : '';
    this.root.classList.toggle('panel-shown', p.panelShown);
    this.keys.get('regmod')!.textContent = p.regmodCaption;
    for (const [name, field] of this.registers) {
      const text = p.registers[name] ?? '';
      if (document.activeElement !== field && field.value !== text) field.value = text;
      field.readOnly = p.running;
    }
    for (const [name, cell] of this.flags) cell.textContent = p.flags[name] ?? '';
    for (const [id, key] of this.keys) key.disabled = id === 'stop' ? !p.running : p.running && id !== 'end';
  }

  // A key pressed from the computer keyboard shows going down.
  flash(id: string) {
    const k = this.keys.get(id);
    if (!k) return;
    k.classList.add('down');
    setTimeout(() => k.classList.remove('down'), 110);
  }
}
