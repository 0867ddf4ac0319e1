// The kit's WebAssembly module (built from the core by emscripten into
// public/wasm) and the types of its JavaScript interface (web/bindings).

export interface Panel {
  text1: string;
  text2: string;
  text3: string;
  text4: string;
  text1Visible: boolean;
  text2Visible: boolean;
  text3Visible: boolean;
  text4Visible: boolean;
  panelShown: boolean;
  regmodCaption: string;
  registers: Record<string, string>;
  flags: Record<string, string>;
  running: boolean;
  status: string;
  statusProblem: boolean;
  decode: string;
  trace: string[];
  cursor: number;
  sourceLine: number;
}

export interface Message {
  text: string;
  title: string;
  exclamation: boolean;
}

export interface Diagnostic {
  line: number;
  column: number;
  error: boolean;
  message: string;
}

export interface LoadAnswer {
  ok: boolean;
  problem: string;
  status: string;
  bytes: number;
  diagnostics: Diagnostic[];
}

export interface Line {
  row: number;
  length: number;
  address: string;
  bytes: string[];
  text: string;
  kind: 'instruction' | 'invalid' | 'data';
}

export interface Kit {
  openProblem(): string;
  persistent(): boolean;
  press(key: string): void;
  undo(undo: boolean): void;
  typeRegister(name: string, text: string): string;
  execute(): void;
  slice(ms: number): boolean;
  stop(): void;
  stepExe(): void;
  running(): boolean;
  setSpeed(pace: number, perSecond: number): void;
  untilNextSlice(): number;
  executeBounded(maxSteps: number): string;
  lastSteps(): number;
  panel(): Panel;
  takeMessages(): Message[];
  assemble(source: string, name: string): LoadAnswer;
  loadProgram(text: string, source: boolean, name: string): LoadAnswer;
  saveHex(start: number, end: number): { ok: boolean; text: string; problem: string };
  addressOfLine(line: number): number;
  sourceChangedNote(): string;
  toggleBreakpoint(address: number): string;
  breakpoints(): number[];
  memoryRows(row: number, count: number): string[];
  instructions(lo: number, hi: number): Line[];
  checkLab(file: string): {
    ok: boolean;
    problem: string;
    name: string;
    summary: string;
    hidden: string;
    cases: { name: string; passed: boolean; failure: string; checks: string[] }[];
  };
  flush(): void;
  reopen(): string;
  delete(): void;
}

export interface KitModule {
  Kit: new (file: string) => Kit;
  styleLine(line: string): [number, number, string][];
  keyingSheet(source: string, title: string): string;
  FS: any;
  IDBFS: any;
}

declare global {
  interface Window {
    createKit85?: (options?: object) => Promise<KitModule>;
  }
}

// The module's loader is a classic script; it defines createKit85.
export async function loadKitModule(base: string): Promise<KitModule> {
  if (!window.createKit85) {
    await new Promise<void>((resolve, reject) => {
      const s = document.createElement('script');
      s.src = base + 'wasm/kit85.js';
      s.onload = () => resolve();
      s.onerror = () => reject(new Error('the kit\'s WebAssembly module could not be loaded (' + s.src + ')'));
      document.head.appendChild(s);
    });
  }
  return window.createKit85!({ locateFile: (f: string) => base + 'wasm/' + f });
}
