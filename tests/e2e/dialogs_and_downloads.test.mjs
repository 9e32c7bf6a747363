// What the runtime shows beyond the page: a page's alert, confirm and prompt as
// modal windows over Quorrin's, and a download saved in the user's Downloads folder.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { standinUserFolder, waitFor } from '../scenarios/lib/host.mjs';
import { appsOfThisFile } from './lib/app.mjs';
import { startSurface as startSurfaceWith } from './lib/surface.mjs';

const start = appsOfThisFile();
const WS_DISABLED = 0x08000000;

// The dialog the page is waiting on, once the stand-in shows it.
async function shownDialog(app) {
  return waitFor(async () => (await app.windows()).dialogs[0], 'the script dialog');
}

test('alert, confirm and prompt wait for the player in a modal window over Quorrin\'s', async () => {
  const app = await startSurfaceWith(start);
  const confirmed = app.evaluate(() => confirm('Overwrite the save?'));
  const dialog = await shownDialog(app);
  assert.deepEqual({ caption: dialog.caption, text: dialog.text, buttons: dialog.buttons },
    { caption: 'app.localhost says', text: 'Overwrite the save?', buttons: ['OK', 'Cancel'] });
  assert.equal((await app.windows()).main.style & WS_DISABLED, WS_DISABLED, 'modal over the window');
  await app.session.request({ type: 'press', button: 'Cancel' });
  assert.equal(await confirmed, false);

  const alerted = app.evaluate(() => { alert('Saved'); return 'after'; });
  assert.equal((await shownDialog(app)).text, 'Saved');
  await app.session.request({ type: 'press', button: 'OK' });
  assert.equal(await alerted, 'after');

  const prompted = app.evaluate(() => prompt('Your name?', 'Ada'));
  await shownDialog(app);
  await app.session.request({ type: 'press', button: 'OK' });
  assert.equal(await prompted, 'Ada');
  assert.equal((await app.windows()).main.style & WS_DISABLED, 0, 'the window takes input again');
});

test('a save exported through a Blob link lands in the Windows user\'s Downloads folder', async () => {
  const downloads = path.join(standinUserFolder, '../../../Downloads');
  const name = `save-${process.pid}.txt`;
  fs.rmSync(path.join(downloads, name), { force: true });
  const app = await startSurfaceWith(start);
  await app.evaluate((file) => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob(['level 3\n'], { type: 'text/plain' }));
    link.download = file;
    document.body.append(link);
    link.click();
  }, name);
  const saved = path.join(fs.realpathSync(downloads), name);
  await waitFor(() => fs.existsSync(saved) && fs.readFileSync(saved, 'utf8') === 'level 3\n', 'the saved file');
  fs.rmSync(saved);
});
