// What players see and hear of the opt-in window keys: the window on screen at
// once, and a title screen's music at load.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { RunningApp, appsOfThisFile } from './lib/app.mjs';
import { capture } from './lib/window_driver.mjs';
import { waitFor } from '../scenarios/lib/host.mjs';

const start = appsOfThisFile();

test('"show": "at-once" puts the window on screen, in its background colour, before the page\'s first frame', async (t) => {
  // Not waiting for the page: the watch begins as soon as the engine is up.
  const app = await RunningApp.start('surface', { testApp: true, manifest: (manifest) => ({ ...manifest,
    main: 'late.html', window: { ...manifest.window, 'background-color': '#102030', show: 'at-once' } }) });
  t.after(() => app.dispose());
  const { main } = await app.windows();
  const seenAt = Date.now();
  assert.equal(main.visible, true);
  assert.deepEqual((await capture(main.handle, app.folder)).at(400, 300), [16, 32, 48]);
  await waitFor(() => app.session.screen.painted.length > 0, 'the first frame painted');
  assert.ok(app.session.screen.painted[0].paintedAt > seenAt,
    `the first frame was painted ${seenAt - app.session.screen.painted[0].paintedAt} ms before the window was seen`);
});

// The engine's own verdict: the media element plays or is refused, and the
// audio context runs (its clock moves) or stays suspended.
async function soundOf(app) {
  await waitFor(() => app.page.evaluate(() => window.sound.media !== 'pending'), 'the music to start or be refused');
  return app.page.evaluate(() => ({ media: sound.media, context: audio.state, paused: music.paused }));
}

test('"autoplay": a title screen\'s music plays at load without a click', async () => {
  const app = await start('autoplay', { testApp: true,
    manifest: (manifest) => ({ ...manifest, settings: { autoplay: true } }) });
  const sound = await soundOf(app);
  assert.deepEqual(sound, { media: 'playing', context: 'running', paused: false });
  const clock = await app.page.evaluate(() => audio.currentTime);
  await waitFor(async () => (await app.page.evaluate(() => audio.currentTime)) > clock, 'the audio clock to move');
});

test('without "autoplay" the engine refuses sound until the player acts', async () => {
  const app = await start('autoplay', { testApp: true });
  assert.deepEqual(await soundOf(app), { media: 'NotAllowedError', context: 'suspended', paused: true });
});
