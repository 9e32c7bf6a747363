// The runtime check and, in evergreen mode, the runtime's installation: a test
// build of the host downloads the stand-in bootstrapper from a server here.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import { once } from 'node:events';
import os from 'node:os';
import path from 'node:path';
import { after, afterEach, before, test } from 'node:test';

import { Host, authorLogOf, binFolder, removeUserData, runWine, setEvergreenRuntimeInstalled, setScreenDpi,
  standinUserFolder, userDataFolderOf, waitFor, windowsPath } from './lib/host.mjs';

const INSTALL_TEXT = 'This app requires the Microsoft Edge WebView2 runtime. It will be downloaded and installed for you now.';
const FAILED_TEXT = 'Failed to install the Microsoft Edge WebView2 runtime. Check that you have permission to install it, and that your Internet connection is working. Run the app again to try again.';
const FIXED_TEXT = 'This app is set to "fixed" distribution mode, but the WebView2 control failed to initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime in the "webview2" subfolder.';

// The server hands out a stand-in bootstrapper; a download can be held half way
// until the test lets it finish.
let server, port, requests = 0;
const downloads = new Map(); // path -> { variant, withLength, hold: Promise | null }
before(async () => {
  // The stand-in installers are signed under the tests' own root, trusted here only.
  const trusted = runWine([path.join(binFolder, 'trust_test_root.exe'),
    windowsPath(path.join(binFolder, 'test-signing-root.der'))]);
  assert.equal(trusted.status, 0, 'the tests\' signing root is trusted in the test prefix');
  server = http.createServer(async (request, response) => {
    requests++;
    const download = downloads.get(request.url.split('?')[0]);
    if (!download) { response.writeHead(404); response.end(); return; }
    const body = fs.readFileSync(path.join(binFolder, `standin_setup_${download.variant}.exe`));
    const half = Math.floor(body.length / 2);
    response.writeHead(200, download.withLength ? { 'Content-Length': body.length } : {});
    response.write(body.subarray(0, half));
    if (download.hold) await download.hold;
    response.end(body.subarray(half));
  });
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  port = server.address().port;
});

const hosts = [];
afterEach(async () => { await Promise.all(hosts.splice(0).map((host) => host.dispose())); });
after(() => {
  server.close();
  setEvergreenRuntimeInstalled(true);
  for (let i = 1; i <= starts; i++)
    removeUserData(`boot-${process.pid}-${i}`);
});

let downloadCount = 0;
// A download link of its own (so nothing is cached) for a variant of the bootstrapper.
function offer(variant, { withLength = true, held = false } = {}) {
  const urlPath = `/setup-${++downloadCount}.exe`;
  let release = () => {};
  const hold = held ? new Promise((resolve) => { release = resolve; }) : null;
  downloads.set(urlPath, { variant, withLength, hold });
  return { url: `http://127.0.0.1:${port}${urlPath}`, release };
}

// Each start gets a user data folder of its own: a bootstrapper left there by an
// earlier start would run again when a download fails.
let starts = 0;
async function start({ manifest = { name: `boot-${process.pid}-${++starts}`, window: { title: 'My Game' } },
  runtimeInstalled = false, url = offer('installs').url, ...options } = {}) {
  fs.rmSync(path.join(standinUserFolder, 'bootstrapper-runs.log'), { force: true });
  const host = await Host.start({ manifest, runtimeInstalled, executable: 'QuorrinDownloadTest.exe',
    args: [url], ...options });
  hosts.push(host);
  return host;
}

const bootstrapperRuns = () => {
  const log = path.join(standinUserFolder, 'bootstrapper-runs.log');
  return fs.existsSync(log) ? fs.readFileSync(log, 'utf8').split('\n').filter(Boolean) : [];
};
const progressWindow = async (host) =>
  (await host.windows()).all.find((window) => window.className === 'WebView2Setup' && window.visible);

async function pressThrough(host, expected) {
  const dialog = await host.dialog();
  assert.deepEqual({ caption: dialog.caption, text: dialog.text, icon: dialog.icon, buttons: dialog.buttons },
    { caption: 'My Game', ...expected, buttons: ['OK'] });
  await host.press('OK');
  // Gone, or the program ended with it.
  await waitFor(async () => !(await host.windows().catch(() => ({ dialogs: [] }))).dialogs
    .some((d) => d.text === expected.text), 'the message box to close');
}

test('evergreen with a runtime: no message, no window, nothing downloaded', async () => {
  const before = requests;
  const host = await start({ runtimeInstalled: true });
  await host.ready();
  assert.equal(requests, before);
  const windows = await host.windows();
  assert.deepEqual(windows.dialogs, []);
  assert.equal(windows.all.some((window) => window.className === 'WebView2Setup'), false);
});

// The stand-in's loader resolves "webview2" against the current directory; the
// vendor's resolves it against the program's folder (vendor_loader.test.mjs).
test('fixed mode needs "webview2" relative to the current directory, and downloads nothing', async () => {
  const before = requests;
  const manifest = { name: 'fixed', window: { title: 'My Game' }, settings: { 'distribution-mode': 'fixed' } };
  const elsewhere = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-cwd-'));
  try {
    fs.mkdirSync(path.join(elsewhere, 'webview2'));
    fs.writeFileSync(path.join(elsewhere, 'webview2/webview2-standin.marker'), '');
    const found = await start({ manifest, currentDirectory: elsewhere });
    await found.ready();
    assert.equal(found.callsTo('CreateCoreWebView2EnvironmentWithOptions')[0].args[0], 'webview2');

    // The application folder's own "webview2" does not count from another directory.
    const lost = await start({ manifest, currentDirectory: os.tmpdir(),
      files: { 'webview2/webview2-standin.marker': '' } });
    await pressThrough(lost, { text: FIXED_TEXT, icon: 'error' });
    assert.equal(await lost.waitForExit(), 1);
    assert.equal(requests, before);
  } finally {
    fs.rmSync(elsewhere, { recursive: true, force: true });
  }
});

for (const dpi of [96, 144]) {
  test(`a missing runtime is downloaded with a progress window and installed (${dpi} dpi)`, async (t) => {
    setScreenDpi(dpi);
    t.after(() => setScreenDpi(96));
    const name = `install-${dpi}`;
    removeUserData(name);
    const download = offer('installs', { held: true });
    const icon = fs.readFileSync(new URL('../../examples/hello/icon.png', import.meta.url));
    const host = await start({ url: download.url, files: { 'icon.png': icon },
      manifest: { name, window: { title: 'My Game', icon: 'icon.png' },
        messages: { downloading: 'Fetching the runtime\u2026' } } });
    await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });

    const window = await waitFor(() => progressWindow(host), 'the progress window');
    const scale = (length) => Math.ceil(length * dpi / 96);
    const [width, height] = [scale(300), scale(90)];
    assert.equal(window.caption, 'Fetching the runtime\u2026');
    assert.deepEqual(window.window, { left: 1280 - Math.trunc(width / 2), top: 800 - Math.trunc(height / 2),
      right: 1280 - Math.trunc(width / 2) + width, bottom: 800 - Math.trunc(height / 2) + height });
    assert.equal(window.style & 0x00ff0000, 0x00ca0000, 'caption, system menu and minimise box only');
    assert.equal(window.icon, true, "icon.png, decoded for this window");
    const [bar] = window.children;
    assert.equal(bar.className, 'msctls_progress32');
    assert.deepEqual(bar.rect, { left: scale(10), top: scale(10),
      right: window.client.right - scale(10), bottom: window.client.bottom - scale(10) });
    assert.equal(bar.rangeHigh, 100);

    download.release();
    await host.ready();
    // Every position the bar was given, in order: it only moves forward, to 100.
    assert.equal(host.progress.at(-1), 100, JSON.stringify(host.progress));
    host.progress.forEach((position, i) => assert.ok(i === 0 || position >= host.progress[i - 1]));
    const [run] = bootstrapperRuns();
    const [program, currentDirectory, commandLine] = run.split('|');
    assert.match(program, new RegExp(`\\\\${name}\\\\setup-\\{[0-9A-F-]{36}\\}\\\\Webview2Setup\\.exe$`),
      'saved in a new folder of its own');
    assert.deepEqual(fs.readdirSync(userDataFolderOf(name)).filter((entry) => /setup/i.test(entry)), [],
      'removed once it has run');
    assert.equal(currentDirectory, path.win32.dirname(program), 'run in its own folder');
    assert.doesNotMatch(commandLine, /\S\s+\S/, 'no arguments');
    assert.equal(await progressWindow(host), undefined);
  });
}

test('a server that states no size leaves the bar where it is', async () => {
  const download = offer('installs', { withLength: false, held: true });
  const host = await start({ url: download.url });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await waitFor(() => progressWindow(host), 'the progress window');
  download.release();
  await host.ready();
  assert.ok(host.progress.every((position) => position === 0), JSON.stringify(host.progress));
  assert.equal(bootstrapperRuns().length, 1);
});

test('a server that is down: the install-failed message and exit code 1', async () => {
  const host = await start({ url: 'http://127.0.0.1:9/setup.exe' });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  assert.deepEqual(bootstrapperRuns(), []);
});

for (const variant of ['fails', 'does-nothing']) {
  test(`a bootstrapper that ${variant.replace('-', ' ')} leaves the runtime missing: exit code 1`, async () => {
    const host = await start({ url: offer(variant).url });
    await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
    await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
    assert.equal(await host.waitForExit(), 1);
    assert.equal(bootstrapperRuns().length, 1);
  });
}

test('a user data folder that cannot be created: two boxes and nothing downloaded', async () => {
  const before = requests;
  // A name longer than any file system keeps: one component, but no folder can have it.
  const host = await start({ manifest: { name: 'n'.repeat(300), window: { title: 'My Game' },
    messages: { 'install-webview2-failed': 'Still no runtime.' } } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: 'Failed to create user data directory', icon: 'error' });
  await pressThrough(host, { text: 'Still no runtime.', icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  assert.equal(requests, before);
});

test('a file left where the bootstrapper used to be saved is deleted, never run', async () => {
  const name = 'existing-folder';
  fs.mkdirSync(userDataFolderOf(name), { recursive: true });
  const planted = path.join(userDataFolderOf(name), 'Webview2Setup.exe');
  fs.copyFileSync(path.join(binFolder, 'standin_setup_unsigned.exe'), planted);
  const host = await start({ url: 'http://127.0.0.1:9/setup.exe', manifest: { name, window: { title: 'My Game' } } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  assert.deepEqual(bootstrapperRuns(), []);
  assert.equal(fs.existsSync(planted), false);
});

test('a downloaded bootstrapper without the vendor\'s signature is deleted, never run', async () => {
  const name = `unsigned-${process.pid}`;
  const host = await start({ url: offer('unsigned').url, manifest: { name, window: { title: 'My Game' } } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  assert.deepEqual(bootstrapperRuns(), []);
  assert.deepEqual(fs.readdirSync(userDataFolderOf(name)).filter((entry) => /setup/i.test(entry)), []);
  assert.match(fs.readFileSync(authorLogOf(name), 'utf8'),
    /runtime installer refused: signature 0x800B0100/);
  removeUserData(name);
});

test('closing the progress window does not stop the download or the installation', async () => {
  const download = offer('installs', { held: true });
  const host = await start({ url: download.url });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await waitFor(() => progressWindow(host), 'the progress window');
  // Once the window is gone the UI thread waits for the download, so the
  // stand-in answers whether it closed before that wait begins.
  const { closed } = await host.request({ type: 'close', wait: true });
  assert.equal(closed, true, 'the progress window closed');
  assert.deepEqual(bootstrapperRuns(), [], 'the download is still under way');
  download.release();
  await host.ready();
  assert.equal(bootstrapperRuns().length, 1);
});

// The vendor's standalone installer beside the program, for players without internet.
const OFFLINE_INSTALLER = 'MicrosoftEdgeWebView2RuntimeInstallerX64.exe';
const standinSetup = (variant) => fs.readFileSync(path.join(binFolder, `standin_setup_${variant}.exe`));

test('a standalone installer beside the program runs silently behind a waiting window, with no download', async (t) => {
  const before = requests;
  const hold = path.join(standinUserFolder, 'hold-setup');
  fs.writeFileSync(hold, '');
  t.after(() => fs.rmSync(hold, { force: true }));
  const host = await start({ manifest: { name: `offline-${process.pid}`, window: { title: 'My Game' },
    messages: { installing: 'Setting up\u2026' } }, files: { [OFFLINE_INSTALLER]: standinSetup('installs') } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });

  const window = await waitFor(() => progressWindow(host), 'the waiting window');
  assert.equal(window.caption, 'Setting up\u2026');
  const [bar] = window.children;
  assert.equal(bar.className, 'msctls_progress32');
  assert.equal(bar.style & 0x08, 0x08, 'a marquee: how long it takes is unknown');
  fs.rmSync(hold);
  await host.ready();
  assert.equal(requests, before, 'nothing downloaded');
  const [run, ...more] = bootstrapperRuns();
  assert.deepEqual(more, []);
  const [program, , commandLine] = run.split('|');
  assert.equal(path.win32.basename(program), OFFLINE_INSTALLER);
  assert.match(commandLine, /"\s+\/silent \/install$/u);
  assert.equal(await progressWindow(host), undefined);
});

test('the waiting window cannot be closed while the standalone installer runs: a close minimises it', async (t) => {
  const hold = path.join(standinUserFolder, 'hold-setup');
  fs.writeFileSync(hold, '');
  t.after(() => fs.rmSync(hold, { force: true }));
  const host = await start({ files: { [OFFLINE_INSTALLER]: standinSetup('installs') } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await waitFor(() => progressWindow(host), 'the waiting window');
  const { closed } = await host.request({ type: 'close', wait: true });
  assert.equal(closed, false, 'the waiting window is still there');
  const WS_MINIMIZE = 0x20000000;
  await waitFor(async () => ((await progressWindow(host))?.style ?? 0) & WS_MINIMIZE, 'the window minimised');
  fs.rmSync(hold);
  await host.ready();
  assert.equal(await progressWindow(host), undefined, 'closed once the installer ended');
});

test('a standalone installer that cannot start is logged with its error, then the install-failed message', async () => {
  const name = `offline-broken-${process.pid}`;
  // Under the player's profile, which the log writes without the account name.
  const users = standinUserFolder.indexOf('/drive_c/users/') + '/drive_c/users/'.length;
  const folder = path.join(standinUserFolder.slice(0, standinUserFolder.indexOf('/', users)), 'Games', name);
  fs.mkdirSync(folder, { recursive: true });
  const host = await start({ manifest: { name, window: { title: 'My Game' } }, folder,
    files: { [OFFLINE_INSTALLER]: standinSetup('not-a-program') } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  const log = fs.readFileSync(authorLogOf(name), 'utf8');
  assert.match(log, new RegExp(`Z the runtime installer %USERPROFILE%\\\\Games\\\\${name}\\\\` +
    'MicrosoftEdgeWebView2RuntimeInstallerX64\\.exe could not start: error [1-9]\\d*\n'));
});

test('a standalone installer that fails: the install-failed message and exit code 1', async () => {
  const before = requests;
  const host = await start({ files: { [OFFLINE_INSTALLER]: standinSetup('fails') } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  assert.equal(bootstrapperRuns().length, 1);
  assert.equal(requests, before, 'nothing downloaded');
});

test('a standalone installer without the vendor\'s signature never runs', async () => {
  const host = await start({ files: { [OFFLINE_INSTALLER]: standinSetup('unsigned') } });
  await pressThrough(host, { text: INSTALL_TEXT, icon: 'information' });
  await pressThrough(host, { text: FAILED_TEXT, icon: 'error' });
  assert.equal(await host.waitForExit(), 1);
  assert.deepEqual(bootstrapperRuns(), []);
});
