// The stand-in's window, seen and driven from the Windows side as a person
// would: the page painted pixel for pixel in Quorrin's window and at 144 dpi,
// clicks, the wheel, keys and text sent through Windows input, and the browser
// control alone in controller_host.exe (hidden, keys handled). These test the
// apparatus, not the product: a failure here is the stand-in's or the agent's.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createInterface } from 'node:readline';
import { test } from 'node:test';

import { startBrowserAgent } from '../../standin/browser-agent/agent.mjs';
import { FrameDelta } from '../../standin/browser-agent/frame_delta.mjs';
import { appsOfThisFile } from '../e2e/lib/app.mjs';
import { CRIMSON, TEAL, startSurface as startSurfaceWith } from '../e2e/lib/surface.mjs';
import { captureUntil, drive, findColour } from '../e2e/lib/window_driver.mjs';
import { binFolder, deadline, DEADLINE_MS, setScreenDpi, SLOWER, waitFor, wineExec,
  withDeadline } from '../scenarios/lib/host.mjs';
import { endProcess, endWithThisProcess } from '../scenarios/lib/wine_process.mjs';

const start = appsOfThisFile();
const startSurface = (options) => startSurfaceWith(start, options);

test('the page is painted in the window pixel for pixel, follows the page, a resize and full screen', async () => {
  const app = await startSurface();
  const { image } = await app.blockAt({ left: 40, top: 60, width: 200, height: 100 });
  assert.equal(image.width, 800);
  assert.equal(image.height, 600);
  assert.deepEqual(image.at(600, 500), [255, 255, 255]);
  // Every pixel as the engine renders it, button and field included. The window
  // shows a frame once it has arrived: both are looked at again until they agree.
  let differing = null;
  await captureUntil(app.handle, app.folder, async (shown) => {
    const engine = new FrameDelta().apply(await app.page.screenshot());
    assert.deepEqual([engine.frameWidth, engine.frameHeight], [shown.width, shown.height]);
    differing = 0;
    for (let y = 0; y < shown.height; y++)
      for (let x = 0; x < shown.width; x++) {
        const i = (y * shown.width + x) * 4;
        const [r, g, b] = shown.at(x, y);
        if (r !== engine.bgra[i + 2] || g !== engine.bgra[i + 1] || b !== engine.bgra[i]) differing++;
      }
    return differing === 0;
  }, 'the window to show the engine\'s own frame').catch((error) => {
    throw new Error(`${error.message}; ${differing} pixels differed from the engine's screenshot`);
  });

  await app.evaluate(() => Object.assign(document.querySelector('#block').style, { left: '320px', top: '300px' }));
  await app.blockAt({ left: 320, top: 300, width: 200, height: 100 });

  // The user drags the window larger: the page lays out anew and the capture follows.
  await app.request({ type: 'set-window-pos', width: 1000, height: 760 });
  const { main } = await waitFor(async () => {
    const windows = await app.windows();
    return windows.main.client.right > 800 && windows;
  }, 'the larger window');
  await app.evaluate(() => Object.assign(document.querySelector('#block').style, { left: 'calc(100% - 200px)' }));
  const resized = await app.blockAt({ left: main.client.right - 200, top: 300, width: 200, height: 100 });
  assert.equal(resized.image.width, main.client.right);
  assert.equal(await app.evaluate(() => innerWidth), main.client.right);

  // Full screen: the page fills the monitor.
  await app.evaluate(() => document.documentElement.requestFullscreen());
  const full = await waitFor(async () => {
    const windows = await app.windows();
    return windows.main.client.right === windows.main.monitor.right && windows.main;
  }, 'full screen');
  const { image: screen } = await app.blockAt({ left: full.client.right - 200, top: 300, width: 200, height: 100 });
  assert.deepEqual([screen.width, screen.height], [full.monitor.right, full.monitor.bottom]);
});

test('at 144 dpi the engine renders 1.5 device pixels per CSS pixel', async (t) => {
  setScreenDpi(144);
  t.after(() => setScreenDpi(96));
  const app = await startSurface();
  const { image } = await app.blockAt({ left: 60, top: 90, width: 300, height: 150 });
  assert.deepEqual([image.width, image.height], [1200, 900]);
  assert.equal(await app.evaluate(() => devicePixelRatio), 1.5);
  assert.equal(await app.evaluate(() => innerWidth), 800);
});

test('clicks, text and the wheel sent through Windows input reach the page', async () => {
  const app = await startSurface();
  await drive(app.handle, 'click 380 90');
  await waitFor(() => app.evaluate(() => window.presses.length === 1), 'the button pressed');
  await app.blockAt({ left: 40, top: 60, width: 200, height: 100 }, TEAL);
  // Windows counts a double click from the click before when it came in time.
  await drive(app.handle, 'double-click 380 90');
  await waitFor(() => app.evaluate(() => window.presses.length === 3), 'a double click');
  assert.ok((await app.evaluate(() => window.presses)).includes(2), 'a click of detail 2');

  // While the button is held the window captures the mouse: the button comes up
  // beyond the window's right edge (800) and the page still hears of it.
  await app.evaluate(() => { window.pointer = []; });
  const sawPointer = (expected) => waitFor(() => app.evaluate((wanted) => window.pointer.some((event) =>
    JSON.stringify(event) === JSON.stringify(wanted)), expected), JSON.stringify(expected));
  await drive(app.handle, 'press 100 400');
  await sawPointer({ type: 'mousedown', x: 100, y: 400, buttons: 1 });
  await drive(app.handle, 'move 500 400');
  await sawPointer({ type: 'drag', x: 500 });
  await drive(app.handle, 'release 900 400');
  await sawPointer({ type: 'mouseup', x: 900, y: 400, buttons: 0 });

  // The cursor follows the page: a hand over the block, an I-beam over the field.
  const cursorAt = async (point, name) => {
    await drive(app.handle, `point ${point}`);
    await waitFor(async () => (await app.windows()).browser.cursor === name, `the ${name} cursor`);
  };
  await cursorAt('140 110', 'hand');
  await cursorAt('240 235', 'ibeam');
  await cursorAt('600 500', 'arrow');

  const text = 'Grüße, wörld: 中文 😀!';
  await drive(app.handle, 'click 240 235', `type ${text}`);
  await waitFor(async () => (await app.evaluate(() => document.querySelector('#field').value)) === text,
    'the text in the field');

  // One notch down scrolls 100 pixels: the block's upper 40 rows leave the window.
  await drive(app.handle, 'wheel 400 400 -120');
  await waitFor(() => app.evaluate(() => scrollY === 100), 'the page scrolled');
  await app.blockAt({ left: 40, top: 0, width: 200, height: 60 }, TEAL);
});

// controller_host.exe holds a browser control alone (Quorrin never hides its
// control nor handles keys): the agent, the window handle and its commands.
async function startControllerHost(t, url, handledKeys = []) {
  const agent = await startBrowserAgent();
  const executable = path.join(binFolder, 'controller_host.exe');
  const host = endWithThisProcess(spawn(wineExec, [executable, url, ...handledKeys],
    { env: { ...process.env, WEBVIEW2_STANDIN_AGENT: `127.0.0.1:${agent.port}` } }));
  const exited = new Promise((resolve) => host.once('exit', resolve));
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-controller-'));
  t.after(async () => {
    // Its input closed, it ends by itself; else it is killed by its own id.
    host.stdin.end();
    await withDeadline(exited, deadline(SLOWER.processExit), 'controller_host.exe to end')
      .catch(() => endProcess(host, executable));
    agent.abandon();
    await withDeadline(agent.finished, deadline(SLOWER.browserStart), 'the agent to close the engine');
    fs.rmSync(folder, { recursive: true, force: true });
  });
  const lines = createInterface({ input: host.stdout })[Symbol.asyncIterator]();
  const nextLine = () => withDeadline(lines.next(), DEADLINE_MS, 'a line from controller_host.exe')
    .then(({ value }) => value);
  const handle = (await nextLine()).split(' ')[1];
  const session = await withDeadline(agent.connected, DEADLINE_MS, 'the runtime to connect to the agent');
  const command = async (line) => {
    host.stdin.write(`${line}\n`);
    return nextLine();
  };
  return { handle, folder, command, session,
    page: await waitFor(() => session.ready, 'the engine', deadline(SLOWER.browserStart)) };
}

const CRIMSON_PAGE = 'data:text/html,<body style="margin:0;background:rgb(220,20,60)"><script>' +
  'window.keys = []; addEventListener("keydown", (event) => keys.push(event.key));</script>';

test('a hidden browser control paints nothing, and shows the page again when visible', async (t) => {
  const host = await startControllerHost(t, CRIMSON_PAGE);
  let seen = null; // what the last capture showed, for the message at a deadline
  const waitForCapture = (accept, what) => captureUntil(host.handle, host.folder, (image) => {
    seen = { crimson: findColour(image, CRIMSON, 8), width: image.width, height: image.height };
    return accept(seen);
  }, what).catch((error) => {
    const { lastSent, lastPainted, heldAcks } = host.session.screen;
    throw new Error(`${error.message}; last seen ${JSON.stringify(seen)}; frames sent ${lastSent}, ` +
      `painted ${lastPainted}, acknowledgements held ${heldAcks.length}`);
  });
  const crimsonCovers = ({ crimson, width, height }) =>
    crimson && crimson.width === width && crimson.height === height;

  await waitForCapture(crimsonCovers, 'the page over the whole window');
  assert.equal(await host.command('hide'), 'done hide');
  await waitForCapture(({ crimson }) => !crimson, 'no page pixels');
  assert.equal(await host.command('show'), 'done show');
  await waitForCapture(crimsonCovers, 'the page again');
});

// As COM answers for an object bound to another apartment.
test('a call on the control from another thread than its own is refused and reported', async (t) => {
  const host = await startControllerHost(t, CRIMSON_PAGE);
  assert.equal(await host.command('hide-elsewhere'), 'result 0x8001010E'); // RPC_E_WRONG_THREAD
  await waitFor(() => host.session.violations?.length, 'the violation reported');
  assert.match(host.session.violations[0], /^wrong-thread: put_IsVisible on ICoreWebView2Controller/);
  assert.equal(await host.command('hide'), 'done hide', 'the control\'s own thread is still heard');
});

test('a key that the host marks handled never reaches the page', async (t) => {
  const host = await startControllerHost(t, CRIMSON_PAGE, ['74']); // F5
  // The click gives the browser control the focus.
  await drive(host.handle, 'click 100 100', 'key 74', 'key 75', 'key 41 ctrl');
  await waitFor(() => host.page.evaluate(() => keys.includes('F6') && keys.includes('a')), 'F6 and Ctrl+A');
  assert.deepEqual(await host.page.evaluate(() => keys), ['F6', 'Control', 'a']);
});
