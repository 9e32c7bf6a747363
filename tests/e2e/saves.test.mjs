// Saves written at the last moment, in the real engine with the persistent
// profile: the page saves in its "closing" handler, and the save is there at
// the next start.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { DEADLINE_MS, withDeadline } from '../scenarios/lib/host.mjs';
import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();

test('a save made in "closing" is in localStorage and IndexedDB at the next start', async () => {
  const name = `quorrin-saves-${process.pid}-${Date.now()}`;
  const manifest = (m) => ({ ...m, name });
  const first = await start('saves', { testApp: true, manifest });
  const profile = first.session.profileFolder;
  try {
    const text = `saved at ${Date.now()}`;
    await first.page.evaluate((value) => { window.saveText = value; }, text);
    await first.request({ type: 'close' }); // the player closes the window
    assert.equal(await withDeadline(first.exited, DEADLINE_MS, 'Quorrin.exe to end'), 0);

    // At once: the first engine has already ended, its profile written and free.
    const second = await start('saves', { testApp: true, keepUserData: true, manifest });
    assert.equal(second.session.profileFolder, profile, 'the same profile, not a fresh one');
    assert.equal(await second.page.textContent('#local'), text);
    assert.equal(await second.page.textContent('#indexed'), text);
  } finally {
    if (profile?.includes(name)) fs.rmSync(path.dirname(profile), { recursive: true, force: true });
  }
});
