// The kit's front panel, one control a row, in twips as the desktop window's
// layout table has it (src/panel/kit_layout.cpp): the page draws the same board.

export type Face = 'blue' | 'grey' | 'red';
export interface Key {
  id: string; // the desktop kit's control name
  caption: string;
  face: Face;
  x: number;
  y: number;
  w: number;
  h: number;
  tip: string;
  keys: string[]; // the computer keyboard's keys for it (KeyboardEvent.key)
}

export const kWidth = 6480;
export const kHeightPanelHidden = 4770;
export const kHeightPanelShown = 8040;

const hex = '0123456789ABCDEF';
export const kKeys: Key[] = [
  ...[...hex].map((d, i) => ({
    id: 'c' + d.toLowerCase(),
    caption: d,
    face: 'blue' as Face,
    x: 720 + (i % 4) * 960,
    y: 1080 + Math.floor(i / 4) * 600,
    w: 735,
    h: 375,
    tip: `Hex key ${d} (keyboard: ${d})`,
    keys: [d, d.toLowerCase()],
  })),
  { id: 'execute', caption: 'Execute', face: 'blue', x: 4560, y: 1080, w: 735, h: 375, tip: 'Execute: run the program from the current location (F5)', keys: ['F5'] },
  { id: 'address', caption: 'Address', face: 'blue', x: 4560, y: 1680, w: 735, h: 375, tip: 'Address: key in a memory address, four hex digits (F2)', keys: ['F2'] },
  { id: 'prev', caption: 'Prev', face: 'blue', x: 4560, y: 2280, w: 735, h: 375, tip: 'Prev: the previous memory location (F3 or Up)', keys: ['F3', 'ArrowUp'] },
  { id: 'next', caption: 'Next', face: 'blue', x: 4560, y: 2880, w: 735, h: 375, tip: 'Next: the next memory location (F4 or Down)', keys: ['F4', 'ArrowDown'] },
  { id: 'regmod', caption: 'show panal', face: 'grey', x: 1080, y: 3480, w: 975, h: 375, tip: 'Show or hide the register panel (F6)', keys: ['F6'] },
  { id: 'stop', caption: 'Stop', face: 'red', x: 2160, y: 3480, w: 855, h: 375, tip: 'Stop: interrupt a running program (Esc)', keys: ['Escape'] },
  { id: 'stepexe', caption: 'Step Exe', face: 'blue', x: 3120, y: 3480, w: 855, h: 375, tip: 'Step Exe: carry out one instruction (F10)', keys: ['F10'] },
  { id: 'end', caption: 'CLOSE', face: 'grey', x: 4560, y: 3480, w: 735, h: 375, tip: 'CLOSE: end the kit (Ctrl+Q)', keys: [] },
];

export interface Place {
  id: string;
  text?: string;
  x: number;
  y: number;
  w: number;
  h: number;
  tip?: string;
}

export const kDisplays: Place[] = [
  { id: 'Text1', x: 3360, y: 240, w: 975, h: 495, tip: 'Address display: the address of the current memory location' },
  { id: 'Text2', x: 4320, y: 240, w: 615, h: 495, tip: 'Data display: the byte at the current memory location' },
];
export const kPlate: Place = { id: 'Adodc1', x: 600, y: 360, w: 2175, h: 330 };

// The register panel: fields with their labels.
export const kRegisters: (Place & { label: Place })[] = [
  ['A', 1200, 5520, 495, 720, 'A'],
  ['F', 2160, 5520, 495, 1920, 'FF'],
  ['B', 1200, 6000, 495, 720, 'B'],
  ['C', 2160, 6000, 495, 1920, 'C'],
  ['D', 1200, 6480, 495, 720, 'D'],
  ['E', 2160, 6480, 495, 1920, 'E'],
  ['H', 1200, 6960, 495, 720, 'H'],
  ['L', 2160, 6960, 495, 1920, 'L'],
  ['SP', 4440, 6360, 855, 3720, 'SP'],
  ['PC', 4440, 6960, 855, 3720, 'PC'],
].map(([id, x, y, w, lx, text]) => ({
  id: id as string,
  x: x as number,
  y: y as number,
  w: w as number,
  h: 375,
  label: { id: 'label' + id, text: text as string, x: lx as number, y: (y as number) + 120, w: (text as string).length > 1 && lx === 3720 ? 495 : 240, h: 255 },
}));

// The flag register: eight cells, bit 7 first; five are the flags.
export const kFlagCells: { flag?: string; label: string; x: number; lx: number; lw: number }[] = [
  { flag: 'S', label: 'S', x: 3240, lx: 3240, lw: 240 },
  { flag: 'Z', label: 'Z', x: 3600, lx: 3600, lw: 240 },
  { label: '', x: 3960, lx: 0, lw: 0 },
  { flag: 'AC', label: 'Aux', x: 4320, lx: 4200, lw: 375 },
  { label: '', x: 4680, lx: 0, lw: 0 },
  { flag: 'P', label: 'P', x: 5040, lx: 5040, lw: 240 },
  { label: '', x: 5400, lx: 0, lw: 0 },
  { flag: 'CY', label: 'Cy', x: 5760, lx: 5760, lw: 240 },
];

// Lines drawn on the board: [x, y, w, h]. The flag register's grid is drawn
// by its cells' borders.
export const kLines: [number, number, number, number][] = [
  [120, 4200, 6135, 15],
  [120, 120, 15, 7455],
  [6240, 120, 15, 7455],
  [120, 120, 6135, 15],
  [120, 7560, 6135, 15],
];
