// Pads read by the host ("settings": {"gamepads": "host"}): under Steam Input
// only the game's own process sees the virtual pads, so Quorrin.exe reads
// XInput itself. Our stand-in xinput1_4.dll, put in the test prefix's System32
// and chosen over Wine's own for these runs only, plays the pads and records
// what the host asks of it; the host's document script runs here as the page
// would run it. The host's Steam frames, every 100 ms, are the clock of the
// waits for something that must not happen.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { authorLogOf, binFolder, hostsOfThisFile, removeUserData, waitFor } from './lib/host.mjs';
import { env, padsFile, placeXInputStandin, polls, restoreWinesXInput, setPads, xinputLog }
  from './lib/xinput_standin.mjs';

const { ready } = hostsOfThisFile();
const ID = 'Xbox 360 Controller (XInput STANDARD GAMEPAD)';
const A = 0x1000;

before(placeXInputStandin);
after(restoreWinesXInput);

const game = (settings, name = 'pads-game') => ({ name, steam: { 'app-id': 480 }, settings });
const steamLibrary = () => fs.readFileSync(path.join(binFolder, 'standin-steam/newest/steam_api64.dll'));
const motors = (host) => xinputLog(host).filter((entry) => entry.call === 'XInputSetState').map((entry) => entry.args);
// Steam's stand-in takes its events file at each of the host's Steam frames.
async function steamFramesPass(host, count) {
  const events = path.join(host.folder, 'steam-standin.events');
  for (let frame = 0; frame < count; frame += 1) {
    fs.writeFileSync(events, '');
    await waitFor(() => !fs.existsSync(events), 'a Steam frame');
  }
}
const padScripts = (host) => host.callsTo('AddScriptToExecuteOnDocumentCreated')
  .map((call) => call.args[0]).filter((script) => script.includes('getGamepads'));

// The page: the host's script run against a window, navigator and
// chrome.webview of our own. Its posts reach the host as page messages; the
// host's posts reach it as message events, and then its own listener, added
// after the script, as a game's would be.
async function pageOf(host) {
  const [script] = await waitFor(() => padScripts(host).length && padScripts(host), 'the pads script');
  const webview = new EventTarget();
  webview.postMessage = (text) => host.postString(text).catch(() => {});
  const window = Object.assign(new EventTarget(), { chrome: { webview } });
  window.top = window;
  const navigator = {};
  const page = { events: [], ownMessages: [], delivered: 0 };
  for (const type of ['gamepadconnected', 'gamepaddisconnected'])
    window.addEventListener(type, (event) => page.events.push([type, event.gamepad.index, event.gamepad.connected]));
  new Function('window', 'navigator', 'performance', 'setTimeout', 'clearTimeout', 'DOMException', 'Event',
    script)(window, navigator, performance, setTimeout, clearTimeout, DOMException, Event);
  webview.addEventListener('message', (event) => page.ownMessages.push(event.data.type));
  await host.raise('DOMContentLoaded'); // the window shows, active
  // Hands the page the host's posts so far; gives getGamepads().
  page.pads = () => {
    for (const { json } of host.posts().slice(page.delivered)) {
      const event = new Event('message');
      event.data = JSON.parse(json);
      webview.dispatchEvent(event);
      page.delivered += 1;
    }
    return navigator.getGamepads();
  };
  return page;
}

async function assertNotPolled(host, while_) {
  await steamFramesPass(host, 2); // a poll under way is over
  const before = polls(host).total;
  await steamFramesPass(host, 7); // past the next look at the empty slots
  assert.equal(polls(host).total, before, `XInputGetState called while ${while_}`);
}

test('"host": the pads reach getGamepads(), rumble reaches XInput, nothing is read while minimised or inactive', async () => {
  removeUserData('pads-game');
  const host = await ready({ manifest: game({ gamepads: 'host' }), env,
    files: { 'steam_api64.dll': steamLibrary(),
      'xinput-standin.pads': padsFile(1, [[0, 0, 0, 0, 0, 0, 0, 0]]) } });
  const page = await pageOf(host);
  const connected = await waitFor(() => page.pads()[0], 'pad 0 in getGamepads()');
  assert.deepEqual({ ...connected, buttons: connected.buttons.length, vibrationActuator: undefined },
    { id: ID, index: 0, connected: true, timestamp: connected.timestamp, mapping: 'standard',
      axes: [0, 0, 0, 0], buttons: 17, vibrationActuator: undefined });
  assert.deepEqual(page.pads().slice(1), [null, null, null]);

  // A press, a trigger and a stick: read at the first or second of the host's
  // polls after the change (a frame apart: PadPollIntervalMs; the time it takes
  // is scripts/bench's) and posted at once.
  const before = polls(host).slot0;
  setPads(host, 2, [[0, A, 0, 255, 0, 32767, 0, 0]]);
  const pressed = await waitFor(() => page.pads()[0]?.buttons[0].pressed && page.pads()[0], 'the press');
  const read = xinputLog(host).find((entry) => entry.served === 2);
  assert.ok(read.slot0 - before <= 2, `read at the host's poll ${read.slot0 - before} after the change`);
  assert.deepEqual([pressed.buttons[0], pressed.buttons[7]], [{ pressed: true, touched: true, value: 1 },
    { pressed: true, touched: true, value: 1 }]);
  assert.deepEqual(pressed.axes, [0, -1, 0, 0]);

  // Pad 2 comes and pad 0 goes.
  setPads(host, 3, [[2, 0, 0, 0, 0, 0, 0, 0]]);
  await waitFor(() => page.pads()[2] && !page.pads()[0], 'pad 2 for pad 0');
  assert.deepEqual(page.events.sort(), [['gamepadconnected', 0, true], ['gamepadconnected', 2, true],
    ['gamepaddisconnected', 0, false]]);
  assert.deepEqual(page.ownMessages, [], 'the page\'s own listener never hears the pads');

  // Rumble for 100 ms on pad 2; then a request out of range is dropped.
  const effect = { duration: 100, strongMagnitude: 1, weakMagnitude: 0.5 };
  assert.equal(await page.pads()[2].vibrationActuator.playEffect('dual-rumble', effect), 'complete');
  await waitFor(() => motors(host).length >= 2, 'the motors to start and stop');
  assert.deepEqual(motors(host), [[2, 65535, 32768], [2, 0, 0]]);
  await host.postString(JSON.stringify({ type: 'gamepad-rumble', index: 7, strongMagnitude: 1, duration: 100 }));
  await waitFor(() => fs.readFileSync(authorLogOf('pads-game'), 'utf8')
    .includes('a gamepad-rumble message was dropped: "index" must be 0 to 3'), 'the dropped request in the log');
  assert.equal(motors(host).length, 2);

  await host.showWindow('minimize');
  await assertNotPolled(host, 'minimised');
  await host.showWindow('restore');
  const restored = polls(host).total;
  await waitFor(() => polls(host).total > restored, 'polling again once restored');
  // An alert of the page's takes the activation from the main window.
  const alert = host.request({ type: 'script-dialog', kind: 'alert', message: 'paused' });
  await host.dialog();
  await assertNotPolled(host, 'another window was active');
  await host.press('OK');
  await alert;
});

test('"browser", the default: no script, no pad messages, XInput never loaded', async () => {
  const host = await ready({ manifest: game(undefined), env,
    files: { 'steam_api64.dll': steamLibrary(),
      'xinput-standin.pads': padsFile(1, [[0, A, 0, 0, 0, 0, 0, 0]]) } });
  await host.postString(JSON.stringify({ type: 'gamepad-rumble', index: 0, strongMagnitude: 1, duration: 100 }));
  await host.postString(JSON.stringify({ type: 'gamepads-sync' }));
  await steamFramesPass(host, 5);
  assert.deepEqual(padScripts(host), []);
  assert.deepEqual(host.posts().map((post) => JSON.parse(post.json).type).filter((type) => type === 'gamepads'), []);
  assert.equal(fs.existsSync(path.join(host.folder, 'xinput-standin.count')), false, 'xinput1_4.dll was loaded');
  assert.deepEqual(xinputLog(host), []);
});

test('"host" without xinput1_4.dll: one line in the log, no pads, the page runs on', async () => {
  removeUserData('pads-missing');
  const host = await ready({ manifest: game({ gamepads: 'host' }, 'pads-missing'),
    env: { WINEDLLOVERRIDES: 'mscoree,mshtml=;xinput1_4=' }, files: { 'steam_api64.dll': steamLibrary() } });
  const page = await pageOf(host);
  await steamFramesPass(host, 3);
  assert.deepEqual(page.pads(), [null, null, null, null]);
  const log = fs.readFileSync(authorLogOf('pads-missing'), 'utf8');
  assert.equal(log.split('pads: xinput1_4.dll is not in System32, so the host reads no pads').length, 2, log);
});
