// A game's window as players meet it: dpi awareness, showing at once, the
// browser's habits switched off, running in the background, full-screen keys
// and autoplay, each opted into in package.json.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

import { authorLogOf, hostsOfThisFile, removeUserData, waitFor } from './lib/host.mjs';

const { start, ready } = hostsOfThisFile();

const VK_RETURN = 0x0d, VK_ESCAPE = 0x1b, VK_F11 = 0x7a;
const KEY_REPEAT = 0x40000001; // lParam: the key was already down
const PER_MONITOR_AWARE = 2;

// Always last: pads are read through XInput, never Windows.Gaming.Input.
const PADS = '--disable-features=EnableWindowsGamingInputDataFetcher';
const argsOf = (host, method) => host.callsTo(method).map((call) => call.args[0]);
const browserArguments = (host) =>
  host.callsTo('CreateCoreWebView2EnvironmentWithOptions')[0].args[2].additionalBrowserArguments;

// Wine 8 starts a program that declares no awareness per-monitor aware and
// refuses a change, so the process's own awareness is not the test here.
test('by default the control\'s scale is left to the runtime and WM_DPICHANGED is not followed', async () => {
  const host = await ready({ manifest: { name: 'dpi-default' } });
  const { main } = await host.windows();
  assert.deepEqual(argsOf(host, 'put_RasterizationScale'), []);
  assert.deepEqual(argsOf(host, 'put_ShouldDetectMonitorScaleChanges'), []);
  // Windows sends WM_DPICHANGED to per-monitor aware windows only: nothing follows it here.
  await host.dpiChanged(144, { left: 10, top: 20, right: 910, bottom: 720 });
  assert.deepEqual((await host.windows()).main.window, main.window);
});

test('per-monitor: WM_DPICHANGED takes the suggested rectangle; bounds and rasterization scale follow', async () => {
  const host = await ready({ manifest: { name: 'dpi-monitor', window: { 'dpi-awareness': 'per-monitor' } } });
  const { main } = await host.windows();
  assert.equal(main.dpiAwareness, PER_MONITOR_AWARE);
  assert.deepEqual(argsOf(host, 'put_ShouldDetectMonitorScaleChanges'), [false]);
  assert.deepEqual(argsOf(host, 'put_RasterizationScale'), [main.dpi / 96]);

  const suggested = { left: 30, top: 40, right: 30 + 1500, bottom: 40 + 1100 };
  await host.dpiChanged(144, suggested);
  const moved = (await host.windows()).main;
  assert.deepEqual(moved.window, suggested);
  assert.deepEqual(argsOf(host, 'put_RasterizationScale').at(-1), 1.5);
  assert.deepEqual(argsOf(host, 'put_Bounds').at(-1), moved.client);
});

test('per-monitor without ICoreWebView2Controller3: the bounds alone follow', async () => {
  const host = await ready({ manifest: { name: 'dpi-old', window: { 'dpi-awareness': 'per-monitor' } },
    config: { controller3: false } });
  const suggested = { left: 0, top: 0, right: 700, bottom: 500 };
  await host.dpiChanged(120, suggested);
  const moved = (await host.windows()).main;
  assert.deepEqual(moved.window, suggested);
  assert.deepEqual(argsOf(host, 'put_Bounds').at(-1), moved.client);
  assert.equal(host.callsTo((call) => call.interface === 'ICoreWebView2Controller3').length, 0);
});

test('"at-once": the window is on screen before the browser exists; "when-ready" waits for the page', async () => {
  const atOnce = await start({ manifest: { name: 'at-once', window: { show: 'at-once' } },
    config: { holdEnvironment: true }, extension: 'two_ids' });
  await waitFor(async () => (await atOnce.windows()).main?.visible, 'the window shown at once');
  assert.equal(atOnce.callsTo('CreateCoreWebView2Controller').length, 0, 'before the controller');
  await atOnce.completeEnvironment();
  await atOnce.ready();
  assert.equal(atOnce.extensionLog()[0].windowShown, true, 'shown before the extension loads');

  const whenReady = await start({ manifest: { name: 'when-ready' }, config: { holdEnvironment: true },
    extension: 'two_ids' });
  await whenReady.waitForCall('CreateCoreWebView2EnvironmentWithOptions');
  await whenReady.completeEnvironment();
  await whenReady.ready();
  assert.equal((await whenReady.windows()).main.visible, false, 'hidden until DOMContentLoaded');
  assert.equal(whenReady.extensionLog()[0].windowShown, false);
});

test('the browser\'s habits are switched off one by one, and only when asked', async () => {
  const habits = ['IsStatusBarEnabled', 'IsGeneralAutofillEnabled', 'IsPasswordAutosaveEnabled',
    'IsPinchZoomEnabled', 'IsSwipeNavigationEnabled'].map((name) => `put_${name}`);
  const puts = (host) => Object.fromEntries(habits.map((method) => [method, argsOf(host, method)]));
  const untouched = await ready({ manifest: { name: 'habits-default' } });
  assert.deepEqual(Object.values(puts(untouched)).flat(), []);

  const off = { 'status-bar': false, 'swipe-navigation': false, 'pinch-zoom': false, autofill: false };
  const host = await ready({ manifest: { name: 'habits-off', settings: off } });
  assert.deepEqual(Object.values(puts(host)), habits.map(() => [false]));
  const one = await ready({ manifest: { name: 'habits-pinch', settings: { 'pinch-zoom': false } } });
  assert.deepEqual(Object.values(puts(one)).flat(), [false]);
  assert.deepEqual(argsOf(one, 'put_IsPinchZoomEnabled'), [false]);

  // A runtime without Settings4 to 6 keeps its own; the status bar is in every one.
  const older = await ready({ manifest: { name: 'habits-old', settings: off }, config: { settings6: false } });
  assert.deepEqual(Object.values(puts(older)).flat(), [false]);
  assert.deepEqual(argsOf(older, 'put_IsStatusBarEnabled'), [false]);
});

test('the environment options carry the switches of "run-in-background" and "autoplay" after "chromium-args"', async () => {
  const plain = await ready({ manifest: { name: 'switches-default', 'chromium-args': '--lang=de' } });
  assert.equal(browserArguments(plain), `--lang=de ${PADS}`);
  const host = await ready({ manifest: { name: 'switches', 'chromium-args': '--lang=de',
    settings: { 'run-in-background': true, autoplay: true } } });
  assert.equal(browserArguments(host), '--lang=de --disable-background-timer-throttling ' +
    '--disable-backgrounding-occluded-windows --disable-renderer-backgrounding ' +
    `--autoplay-policy=no-user-gesture-required ${PADS}`);
});

test('"run-in-background": minimising leaves the page shown and its bounds alone', async () => {
  const host = await ready({ manifest: { name: 'background', window: { width: 500, height: 400 },
    settings: { 'run-in-background': true } } });
  await host.raise('DOMContentLoaded');
  const bounds = argsOf(host, 'put_Bounds').length;
  await host.showWindow('minimize');
  await host.showWindow('restore');
  assert.deepEqual(argsOf(host, 'put_IsVisible'), [true]);
  await host.showWindow('minimize');
  assert.equal((await host.windows()).browser.visible, true);
  assert.equal(argsOf(host, 'put_Bounds').length, bounds + 1, 'only the restore gave bounds');
});

test('F11 and Alt+Enter toggle full screen; Escape leaves only what a key or the page chose', async () => {
  const host = await ready({ manifest: { name: 'keys', window: { width: 640, height: 480, 'fullscreen-keys': true } } });
  await host.raise('DOMContentLoaded');
  const windowed = (await host.windows()).main;
  const isFull = async () => {
    const { main } = await host.windows();
    return JSON.stringify(main.window) === JSON.stringify(main.monitor);
  };

  assert.equal((await host.raise('AcceleratorKeyPressed', { key: VK_F11 })).handled, true);
  assert.equal(await isFull(), true);
  assert.equal((await host.raise('AcceleratorKeyPressed', { key: VK_F11, lParam: KEY_REPEAT })).handled, false);
  assert.equal(await isFull(), true, 'a held key acts once');
  await host.raise('AcceleratorKeyPressed', { key: VK_F11, kind: 'keyup' });
  assert.equal((await host.raise('AcceleratorKeyPressed', { key: VK_RETURN, kind: 'systemkeydown' })).handled, true);
  assert.deepEqual((await host.windows()).main.window, windowed.window);

  await host.raise('AcceleratorKeyPressed', { key: VK_RETURN, kind: 'systemkeydown' });
  assert.equal(await isFull(), true);
  assert.equal((await host.raise('AcceleratorKeyPressed', { key: VK_ESCAPE })).handled, false, 'the page sees Escape too');
  assert.deepEqual((await host.windows()).main.window, windowed.window);

  await host.postString('{"type":"set-fullscreen","fullscreen":true}');
  await host.raise('AcceleratorKeyPressed', { key: VK_ESCAPE });
  assert.equal(await isFull(), true, 'the application\'s own full screen stays');
  await host.postString('{"type":"set-fullscreen","fullscreen":false}');

  await host.raise('ContainsFullScreenElementChanged', { value: true });
  await host.raise('AcceleratorKeyPressed', { key: VK_ESCAPE });
  assert.deepEqual((await host.windows()).main.window, windowed.window, 'the page\'s element request is left');
});

test('on a Steam Deck or in Big Picture the window starts full screen, unless "fullscreen" is false', async () => {
  const isFull = async (host) => {
    await host.raise('DOMContentLoaded');
    const { main } = await host.windows();
    return JSON.stringify(main.window) === JSON.stringify(main.monitor);
  };
  removeUserData('deck');
  assert.equal(await isFull(await ready({ manifest: { name: 'deck' }, env: { SteamDeck: '1' } })), true);
  assert.match(fs.readFileSync(authorLogOf('deck'), 'utf8'), /Z full screen on a Steam Deck \(SteamDeck=1\)\n/);
  removeUserData('tenfoot');
  const windowed = await ready({ manifest: { name: 'tenfoot', window: { fullscreen: false } }, env: { SteamTenfoot: '1' } });
  assert.equal(await isFull(windowed), false);
  assert.match(fs.readFileSync(authorLogOf('tenfoot'), 'utf8'),
    /Z windowed in Steam's Big Picture \(SteamTenfoot=1\): "fullscreen" is false\n/);
  assert.equal(await isFull(await ready({ manifest: { name: 'tenfoot', window: { fullscreen: true } } })), true);
});

test('without "fullscreen-keys" F11, Alt+Enter and Escape do nothing to the window', async () => {
  const host = await ready({ manifest: { name: 'no-keys' } });
  await host.raise('DOMContentLoaded');
  const windowed = (await host.windows()).main;
  for (const [key, kind] of [[VK_F11, 'keydown'], [VK_RETURN, 'systemkeydown']])
    assert.equal((await host.raise('AcceleratorKeyPressed', { key, kind })).handled, false);
  await host.raise('ContainsFullScreenElementChanged', { value: true });
  await host.raise('AcceleratorKeyPressed', { key: VK_ESCAPE });
  assert.notDeepEqual((await host.windows()).main.window, windowed.window);
});
