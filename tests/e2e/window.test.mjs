// The page inside Quorrin's window as the host handles it, seen and driven from
// the Windows side as a person would (tests/e2e/apps/surface): accelerator keys
// reach the host's handler first. How the stand-in paints the window and
// replays input is tested in tests/standin/window.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { waitFor } from '../scenarios/lib/host.mjs';
import { appsOfThisFile } from './lib/app.mjs';
import { startSurface as startSurfaceWith } from './lib/surface.mjs';
import { drive } from './lib/window_driver.mjs';

const start = appsOfThisFile();
// The surface application in the window, its handle, blockAt(box, colour) and evaluate(script).
const startSurface = (options) => startSurfaceWith(start, options);

test('accelerator keys reach the host first: F12 opens the developer tools', async () => {
  const app = await startSurface();
  const calls = (method) => app.session.callCounts[method] || 0;
  await drive(app.handle, 'click 240 235', 'key 41');
  await waitFor(() => app.evaluate(() => window.keysSeen.some((key) => key.code === 'KeyA')), 'the key A');
  assert.equal(calls('get_VirtualKey'), 0, 'a letter is no accelerator key');
  assert.equal(await app.evaluate(() => document.querySelector('#field').value), 'a');

  await drive(app.handle, 'key 7B');
  // Key down and key up each reach the handler; the host leaves both to the page.
  await waitFor(() => calls('OpenDevToolsWindow') === 2, 'the developer tools opened');
  await waitFor(() => app.evaluate(() => window.keysSeen.some((key) => key.key === 'F12')), 'F12 in the page');

  await drive(app.handle, 'key 41 ctrl');
  await waitFor(() => app.evaluate(() => window.keysSeen.some((key) => key.code === 'KeyA' && key.ctrl)),
    'Ctrl+A in the page');
  assert.ok(calls('get_VirtualKey') >= 6, 'Ctrl+A went through the handler');
  assert.equal(calls('OpenDevToolsWindow'), 2);
});

test('with the developer tools disabled F12 opens nothing', async () => {
  const app = await startSurface({ manifest: (manifest) =>
    ({ ...manifest, settings: { ...manifest.settings, 'enable-devtools': false } }) });
  await drive(app.handle, 'click 240 235', 'key 7B', 'type x');
  await waitFor(async () => (await app.evaluate(() => document.querySelector('#field').value)) === 'x',
    'the keys after F12');
  assert.ok(app.session.callCounts.get_VirtualKey >= 2, 'the handler saw F12');
  assert.equal(app.session.callCounts.OpenDevToolsWindow, undefined);
});
