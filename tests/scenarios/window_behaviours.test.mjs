// Window behaviours an application turns on in package.json: its placement
// kept between runs, one copy at a time, a smallest client area.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { authorLogOf, setScreenDpi, standinUserFolder, waitFor, hostsOfThisFile } from './lib/host.mjs';

const { start, ready } = hostsOfThisFile();

const WS_MAXIMIZE = 0x01000000, WS_MINIMIZE = 0x20000000, WS_CAPTION = 0x00c00000;
const localAppData = path.dirname(standinUserFolder);
const placementFile = (name) => path.join(localAppData, name, 'window-placement.json');
const readLog = (name) => fs.readFileSync(authorLogOf(name), 'utf8');

// A name of its own per test, so no test sees another's user data folder.
const uniqueName = (label) => `${label}-${process.pid}-${Date.now()}`;

function placementManifest(name) {
  return { name, window: { 'remember-placement': true, width: 500, height: 400 } };
}

// Starts the application, shows its page, lets act() place the window, closes it.
async function runAndClose(manifest, act) {
  const host = await ready({ manifest });
  await host.raise('DOMContentLoaded');
  const result = await act(host);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  return result;
}

const mainWindow = async (host) => (await host.windows()).main;

async function waitForStyle(host, bit, set, what) {
  return waitFor(async () => {
    const main = await mainWindow(host);
    return Boolean(main.style & bit) === set && main;
  }, what);
}

test('a remembered placement comes back: moved and resized, then maximised', async () => {
  const name = uniqueName('placement');
  const placed = await runAndClose(placementManifest(name), async (host) => {
    await host.setWindowPos({ x: 130, y: 90, width: 700, height: 520 });
    return (await mainWindow(host)).window;
  });
  const text = fs.readFileSync(placementFile(name), 'utf8');
  assert.deepEqual(JSON.parse(text).normal, [placed.left, placed.top, placed.right, placed.bottom]);

  // An "at-once" window, created before the log opens, still reads its placement.
  const atOnce = placementManifest(name);
  atOnce.window.show = 'at-once';
  await runAndClose(atOnce, async (host) => {
    const main = await mainWindow(host);
    assert.deepEqual(main.window, placed);
    await host.showWindow('maximize');
    await waitForStyle(host, WS_MAXIMIZE, true, 'the window to be maximised');
  });

  const host = await ready({ manifest: placementManifest(name) });
  let main = await mainWindow(host);
  assert.equal(main.visible, false, 'still hidden until the page has loaded');
  assert.ok(main.style & WS_MAXIMIZE, 'maximised again');
  await host.raise('DOMContentLoaded');
  assert.ok((await mainWindow(host)).style & WS_MAXIMIZE);
  await host.showWindow('restore');
  main = await waitForStyle(host, WS_MAXIMIZE, false, 'the window to be restored');
  assert.deepEqual(main.window, placed, 'restored to where it was before maximising');
});

test('a placement saved at another dpi comes back at the same place, its size scaled', async (t) => {
  const name = uniqueName('dpi');
  const placed = await runAndClose(placementManifest(name), async (host) => {
    await host.setWindowPos({ x: 200, y: 100, width: 600, height: 400 });
    return (await mainWindow(host)).window;
  });
  setScreenDpi(144);
  t.after(() => setScreenDpi(96));
  const host = await ready({ manifest: placementManifest(name) });
  const main = await mainWindow(host);
  // Seen once in a whole run: 96 here. Say the awareness the process had, if it comes back.
  assert.equal(main.dpi, 144, `the screen's dpi as the host sees it (awareness ${main.dpiAwareness})`);
  assert.deepEqual(main.window, { left: placed.left, top: placed.top,
    right: placed.left + 900, bottom: placed.top + 600 });
});

test('a window closed in full screen starts in full screen and leaves it to its place', async () => {
  const name = uniqueName('full');
  const placed = await runAndClose(placementManifest(name), async (host) => {
    await host.setWindowPos({ x: 70, y: 60, width: 600, height: 450 });
    const windowed = (await mainWindow(host)).window;
    await host.postString('{"type":"set-fullscreen","fullscreen":true}');
    return windowed;
  });
  const host = await ready({ manifest: placementManifest(name) });
  const main = await mainWindow(host);
  assert.deepEqual(main.window, main.monitor);
  assert.equal(main.style & WS_CAPTION, 0);
  await host.postString('{"type":"set-fullscreen","fullscreen":false}');
  assert.deepEqual((await mainWindow(host)).window, placed);
});

test('a placement on a monitor that is gone, or a corrupt file, gives the default and is replaced', async () => {
  const name = uniqueName('lost');
  const defaultPlacement = await runAndClose({ name: uniqueName('default'),
    window: { width: 500, height: 400 } }, async (host) => (await mainWindow(host)).window);
  const offScreen = JSON.stringify({ format: 'quorrin-window-placement/1',
    normal: [9000, 7000, 9700, 7520], maximized: true, fullScreen: false, dpi: 96 });
  for (const saved of [offScreen, offScreen.slice(0, 60), '\u0000\u00ff{}[', '']) {
    fs.mkdirSync(path.dirname(placementFile(name)), { recursive: true });
    fs.writeFileSync(placementFile(name), saved);
    await runAndClose(placementManifest(name), async (host) => {
      const main = await mainWindow(host);
      assert.deepEqual(main.window, defaultPlacement, JSON.stringify(saved));
      assert.equal(main.style & WS_MAXIMIZE, 0);
    });
    const replaced = JSON.parse(fs.readFileSync(placementFile(name), 'utf8'));
    assert.deepEqual(replaced.normal, [defaultPlacement.left, defaultPlacement.top,
      defaultPlacement.right, defaultPlacement.bottom]);
    assert.equal(fs.existsSync(placementFile(name) + '.tmp'), false);
  }
});

test('without "remember-placement" no placement is read or written', async () => {
  const name = uniqueName('forgetful');
  fs.mkdirSync(path.dirname(placementFile(name)), { recursive: true });
  fs.writeFileSync(placementFile(name), JSON.stringify({ format: 'quorrin-window-placement/1',
    normal: [300, 200, 900, 700], maximized: true, fullScreen: false, dpi: 96 }));
  const before = fs.readFileSync(placementFile(name), 'utf8');
  await runAndClose({ name, window: { width: 500, height: 400 } }, async (host) => {
    const main = await mainWindow(host);
    assert.notDeepEqual(main.window, { left: 300, top: 200, right: 900, bottom: 700 });
    assert.equal(main.style & WS_MAXIMIZE, 0);
    await host.setWindowPos({ x: 10, y: 10 });
  });
  assert.equal(fs.readFileSync(placementFile(name), 'utf8'), before);
});

test('a second start of a single-instance application wakes the first and exits 0', async () => {
  const manifest = { name: uniqueName('single'), settings: { 'single-instance': true } };
  const first = await ready({ manifest });
  await first.raise('DOMContentLoaded');
  await first.showWindow('minimize');
  await waitForStyle(first, WS_MINIMIZE, true, 'the first copy to be minimised');

  const args = ['C:\\saves\\my save.sav', '--level=2'];
  // Shown "at-once", the second copy still passes the gate, and logs it, before any window.
  const second = await start({ manifest: { ...manifest, window: { show: 'at-once' } }, args,
    folder: first.folder });
  assert.equal(await second.waitForExit(), 0);
  assert.equal(second.messages.length, 0, 'the second copy never reached the runtime');
  assert.match(readLog(manifest.name), /single instance: handed the arguments to the first copy \(process \d+\); this start ends\n/);

  const post = await waitFor(() => first.posts().find((p) => p.json.includes('second-instance')),
    'the first copy to tell its page');
  assert.deepEqual(JSON.parse(post.json), { type: 'second-instance', args });
  const main = await waitForStyle(first, WS_MINIMIZE, false, 'the first copy to be restored');
  assert.equal(main.visible, true);
  assert.equal(main.foreground, true);

  first.close();
  assert.equal(await first.waitForExit(), 0);
  const third = await ready({ manifest });
  await third.raise('DOMContentLoaded');
  assert.equal((await mainWindow(third)).visible, true, 'after the first has ended a start runs normally');
});

test('the same name in another program file is not woken: that start runs as a first copy and says why', async () => {
  const manifest = { name: uniqueName('other-file'), settings: { 'single-instance': true } };
  const first = await ready({ manifest });
  await first.raise('DOMContentLoaded');
  const second = await ready({ manifest }); // a folder of its own: another Quorrin.exe
  await second.raise('DOMContentLoaded');
  assert.equal((await mainWindow(second)).visible, true);
  assert.equal(first.posts().some((p) => p.json.includes('second-instance')), false);
  assert.match(readLog(manifest.name), /single instance: the name is held by process \d+ \(Z:.*\\Quorrin\.exe\), not a copy of this program; starting as a first copy\n/);
});

test('a second start while the first copy has no window yet waits for it, then ends and says so', async () => {
  const manifest = { name: uniqueName('no-window'), settings: { 'single-instance': true } };
  // The first copy stops at the runtime's install question, before its window exists.
  const first = await start({ manifest, runtimeInstalled: false });
  await first.dialog();
  const started = Date.now();
  const second = await start({ manifest, folder: first.folder });
  assert.equal(await second.waitForExit(), 0);
  assert.ok(Date.now() - started >= 10000, 'waited 10 s for the window');
  assert.match(readLog(manifest.name), /single instance: the first copy \(process \d+\) has shown no window after 10 s; this start ends\n/);
});

test('a start while the first copy is still shutting down after its window closed runs normally', async () => {
  const manifest = { name: uniqueName('closing'), settings: { 'single-instance': true } };
  const first = await ready({ manifest, extension: 'slow_release', files: { 'release.hold': '' } });
  await first.raise('DOMContentLoaded');
  first.close();
  await waitFor(() => first.extensionLog().some((entry) => entry.call === 'Release'),
    'the first copy to be held in its shutdown');
  const second = await ready({ manifest });
  await second.raise('DOMContentLoaded');
  assert.equal((await mainWindow(second)).visible, true);
  assert.equal(first.exitCode, undefined, 'the first copy is still shutting down');
  fs.rmSync(path.join(first.folder, 'release.hold'));
  assert.equal(await first.waitForExit(), 0);
});

test('without "single-instance" a second start runs a second copy', async () => {
  const manifest = { name: uniqueName('twice') };
  const first = await ready({ manifest });
  const second = await ready({ manifest });
  assert.notEqual((await mainWindow(first)).handle, (await mainWindow(second)).handle);
  // Both write the one log, whole lines each.
  const log = readLog(manifest.name);
  assert.equal(log.match(/ Quorrin \S+ starting on Windows /g)?.length, 2, log);
  for (const line of log.split('\n').slice(0, -1)) assert.match(line, /^\d{4}-\d\d-\d\dT[\d:.]+Z \S/);
});

test('the client area never gets smaller than the minimum, from the user or the page', async () => {
  const host = await ready({ manifest: { name: 'minimum',
    window: { width: 640, height: 480, 'min-width': 400, 'min-height': 300 } } });
  await host.raise('DOMContentLoaded');
  const clientSize = async () => {
    const { client } = await mainWindow(host);
    return [client.right - client.left, client.bottom - client.top];
  };
  await host.setWindowPos({ width: 120, height: 90 });
  assert.deepEqual(await clientSize(), [400, 300]);
  await host.postString('{"type":"set-window-size","windowWidth":200,"windowHeight":350}');
  assert.deepEqual(await clientSize(), [400, 350]);
  await host.postString('{"type":"set-window-size","windowWidth":500,"windowHeight":100}');
  assert.deepEqual(await clientSize(), [500, 300]);
});
