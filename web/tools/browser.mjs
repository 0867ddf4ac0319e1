// Debian's chromium, headless, through playwright-core: never a downloaded browser.
import { chromium } from 'playwright-core';
import { existsSync, mkdtempSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const executablePath = process.env.KIT85_CHROMIUM || '/usr/bin/chromium';

export async function launch() {
  if (!existsSync(executablePath)) throw new Error(`${executablePath} is missing: apt-get install chromium`);
  const profile = mkdtempSync(join(tmpdir(), 'kit85-chromium-'));
  return chromium.launchPersistentContext(profile, {
    executablePath,
    headless: true,
    timeout: 60_000,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
    viewport: { width: 1366, height: 768 },
  });
}
