// The memory file in the browser: the desktop kit's own SQLite file, kept in
// IndexedDB through emscripten's IDBFS. The core commits to it as the desktop
// kit does (every keyed byte, a run at least once a second); each commit is
// then copied to IndexedDB. One tab at a time owns it: a Web Lock says which.

import type { KitModule } from './kit_module';

export const kFolder = '/kit';
export const kMemoryFile = kFolder + '/memory.sqlite';
export const kSourceFile = kFolder + '/source.asm';
const kLockName = 'kit85-memory-file';

function tryLock(): Promise<boolean> {
  return new Promise<boolean>((resolve) => {
    navigator.locks.request(kLockName, { ifAvailable: true }, (lock) => {
      resolve(lock !== null);
      return lock ? new Promise<void>(() => {}) : undefined;
    });
  });
}

// Holds the lock for as long as the page lives; false when another tab has
// it. A page being reloaded may still hold it for a moment, so it is asked
// for a few times before another tab is taken to have it.
export async function claimMemoryFile(): Promise<boolean> {
  if (!('locks' in navigator)) return true;
  for (let attempt = 0; attempt < 6; attempt++) {
    if (await tryLock()) return true;
    await new Promise((r) => setTimeout(r, 250));
  }
  return false;
}

function sync(M: KitModule, populate: boolean): Promise<void> {
  return new Promise((resolve, reject) =>
    M.FS.syncfs(populate, (err: unknown) => (err ? reject(err) : resolve())),
  );
}

// The folder of the memory file, read back from IndexedDB. On a first visit
// the memory file starts as a copy of a new one the build made with the same
// core (making 65,536 rows in the browser takes a second); without that copy
// the core makes it as on the desktop.
export async function mountMemoryFolder(M: KitModule, base: string): Promise<void> {
  M.FS.mkdir(kFolder);
  M.FS.mount(M.IDBFS, {}, kFolder);
  await sync(M, true);
  if (M.FS.analyzePath(kMemoryFile).exists) return;
  try {
    const r = await fetch(base + 'wasm/fresh-memory.sqlite');
    if (r.ok) M.FS.writeFile(kMemoryFile, new Uint8Array(await r.arrayBuffer()));
  } catch {
    /* the core makes it */
  }
}

// Copies what the kit committed to IndexedDB, one copy at a time; a request
// made while one runs is served by one more copy after it.
export class Saver {
  private busy = false;
  private again = false;
  problem = '';
  onProblem: (text: string) => void = () => {};
  constructor(private readonly M: KitModule) {}

  async save(): Promise<void> {
    if (this.busy) {
      this.again = true;
      return;
    }
    this.busy = true;
    try {
      do {
        this.again = false;
        await sync(this.M, false);
      } while (this.again);
      this.problem = '';
    } catch (e) {
      this.problem = 'the browser refused to keep the memory file: ' + String(e);
      this.onProblem(this.problem);
    } finally {
      this.busy = false;
    }
  }

  async idle(): Promise<void> {
    while (this.busy) await new Promise((r) => setTimeout(r, 10));
  }
}
