// The page inside Quorrin's window as the host handles it, seen and driven from
// the Windows side as a person would (tests/e2e/apps/surface): accelerator keys
// reach the host's handler first. How the stand-in paints the window and
// replays input is tested in tests/standin/window.test.mjs.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import path from 'node:path';
import { createInterface } from 'node:readline';
import { test } from 'node:test';

import { binFolder, DEADLINE_MS, waitFor, wineExec } from '../scenarios/lib/host.mjs';
import { appsOfThisFile, RunningApp } from './lib/app.mjs';
import { startSurface as startSurfaceWith } from './lib/surface.mjs';
import { capture, drive } from './lib/window_driver.mjs';

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

// Another program's window in front of Quorrin's, until the test ends.
async function holdOtherWindow(t) {
  const other = spawn(wineExec, [path.join(binFolder, 'window_driver.exe'), 'hold', 'Other window']);
  t.after(async () => {
    other.stdin.end();
    if (other.exitCode === null) await once(other, 'exit');
  });
  const [line] = await once(createInterface({ input: other.stdout }), 'line');
  return line.trim();
}

test('after another window had the focus, keys reach the page again once Quorrin is activated or restored', async (t) => {
  const app = await startSurface();
  const field = (text) => waitFor(async () =>
    (await app.evaluate(() => document.querySelector('#field').value)) === text, `"${text}" in the field`);
  await drive(app.handle, 'click 240 235', 'type ab');
  await field('ab');
  const other = await holdOtherWindow(t);
  await drive(other, 'activate');
  // "type" first brings Quorrin's window to the front, as Alt+Tab would.
  await drive(app.handle, 'activate', 'type cd');
  await field('abcd');
  await drive(other, 'activate');
  await drive(app.handle, 'minimize');
  await waitFor(() => app.evaluate(() => document.visibilityState === 'hidden'), 'the page hidden');
  await drive(app.handle, 'restore', 'type ef');
  await field('abcdef');
  // A click on the caption activates the window as well.
  await drive(other, 'activate');
  await drive(app.handle, 'click 400 -10', 'type gh');
  await field('abcdefgh');
});

test('a minimised window hides the page without shrinking it, and its animation frames stop', async () => {
  const app = await startSurface();
  await app.evaluate(() => {
    window.animationFrames = 0;
    window.seen = [];
    const record = (what) => window.seen.push({ what, state: document.visibilityState, width: innerWidth,
      height: innerHeight, animationFrames: window.animationFrames });
    (function count() { window.animationFrames++; requestAnimationFrame(count); })();
    addEventListener('resize', () => record('resize'));
    document.addEventListener('visibilitychange', () => record('visibility'));
  });
  await drive(app.handle, 'minimize');
  await waitFor(() => app.evaluate(() => seen.some((event) => event.state === 'hidden')), 'the page hidden');
  await drive(app.handle, 'restore');
  await waitFor(() => app.evaluate(() => seen.some((event) => event.state === 'visible')), 'the page shown');
  const seen = await app.evaluate(() => window.seen);
  const hidden = seen.find((event) => event.state === 'hidden');
  const shown = seen.find((event) => event.state === 'visible');
  assert.ok(seen.every((event) => event.width === 800 && event.height === 600), JSON.stringify(seen));
  assert.ok(shown.animationFrames - hidden.animationFrames <= 1, `animation frames while minimised: ${JSON.stringify(seen)}`);
  await waitFor(async () => (await app.evaluate(() => window.animationFrames)) > shown.animationFrames + 2, 'frames again');
  await app.blockAt({ left: 40, top: 60, width: 200, height: 100 });
});

test('a dark application never shows white: not before its first frame, nor before it paints', async (t) => {
  // Started without waiting for the page, so that the watch begins before the window appears.
  const app = await RunningApp.start('surface', { testApp: true, manifest: (manifest) => ({ ...manifest,
    main: 'late.html', window: { ...manifest.window, 'background-color': '#000000' } }) });
  t.after(() => app.dispose());
  const { main } = await waitFor(() => app.windows(), 'the main window');
  const output = await drive(main.handle, `watch-white 400 300 282828 ${DEADLINE_MS}`);
  const [, captures, white] = output.match(/captures (\d+) white (\d+)/).map(Number);
  assert.ok(captures >= 1, output);
  assert.equal(white, 0, `white pixels in a capture (${output.trim()})`);
  assert.deepEqual((await capture(main.handle, app.folder)).at(400, 300), [40, 40, 40], 'the page painted');
});

// On a Steam Deck (the stand-in steam_api64.dll says so) a text field that takes
// the focus opens Steam's keyboard over it, in screen pixels.
test('on a Steam Deck a focused text field opens Steam\'s keyboard over it: one line for an input, several for a textarea', async () => {
  const app = await startSurface({ manifest: (manifest) => ({ ...manifest, steam: { 'app-id': 480 } }),
    files: { 'steam_api64.dll': fs.readFileSync(path.join(binFolder, 'standin-steam/newest/steam_api64.dll')),
      'steam-standin.json': '{"deck":true}' } });
  const shown = () => fs.readFileSync(path.join(app.folder, 'steam-standin.log'), 'utf8').split('\n')
    .filter((line) => line.includes('ShowFloatingGamepadTextInput')).map((line) => JSON.parse(line).args);
  const { clientOrigin } = (await app.windows()).main;
  const onScreen = (mode, box) => [mode, clientOrigin.x + Math.round(box.x * box.ratio),
    clientOrigin.y + Math.round(box.y * box.ratio), Math.round(box.width * box.ratio),
    Math.round(box.height * box.ratio)];
  const boxOf = (selector) => app.evaluate((field) => {
    const { x, y, width, height } = document.querySelector(field).getBoundingClientRect();
    return { x, y, width, height, ratio: window.devicePixelRatio };
  }, selector);
  await drive(app.handle, 'click 240 235');
  await waitFor(() => shown().length === 1, 'the keyboard for the input');
  assert.deepEqual(shown()[0], onScreen(0, await boxOf('#field')));
  // Measured as it takes the focus: a focus may scroll the page.
  const notesBox = await app.evaluate(() => {
    const notes = document.body.appendChild(document.createElement('textarea'));
    notes.style.cssText = 'position: absolute; left: 60px; top: 300px; width: 200px; height: 90px';
    notes.focus();
    const { x, y, width, height } = notes.getBoundingClientRect();
    const box = document.body.appendChild(document.createElement('input'));
    box.type = 'checkbox';
    box.focus();
    return { x, y, width, height, ratio: window.devicePixelRatio };
  });
  await waitFor(() => shown().length >= 2, 'the keyboard for the textarea');
  assert.deepEqual(shown()[1], onScreen(1, notesBox));
  await app.evaluate(() => document.querySelector('#field').focus());
  await waitFor(() => shown().length >= 3, 'the keyboard for the input again');
  assert.deepEqual(shown()[2], onScreen(0, await boxOf('#field')), 'the checkbox opened none');
});
