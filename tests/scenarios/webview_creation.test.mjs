// The creation chain of the browser control, as the runtime sees it.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { APP_ORIGIN, waitFor, hostsOfThisFile } from './lib/host.mjs';

const { start } = hostsOfThisFile();
const PADS = '--disable-features=EnableWindowsGamingInputDataFetcher'; // always last: pads through XInput

const SETTINGS_IN_ORDER = [
  ['put_IsScriptEnabled', true],
  ['put_AreHostObjectsAllowed', false],
  ['put_AreDefaultScriptDialogsEnabled', true],
  ['put_IsWebMessageEnabled', true],
  ['put_IsZoomControlEnabled', false],
  ['put_AreDefaultContextMenusEnabled', true],
];

test('bundle mode: options, environment, controller, settings, handlers and first navigation in order', async () => {
  const host = await start({ manifest: { name: 'chain', window: { width: 640, height: 480 } } });
  await host.ready();
  const created = host.callsTo('CreateCoreWebView2EnvironmentWithOptions')[0];
  const [browserFolder, userDataFolder, options, hasHandler] = created.args;
  assert.equal(browserFolder, null, 'evergreen mode names no browser folder');
  assert.match(userDataFolder, /\\AppData\\Local\\chain$/);
  // An option the host does not set is unset (null), as in the SDK's options class.
  assert.deepEqual(options, { additionalBrowserArguments: PADS, language: null,
    targetCompatibleBrowserVersion: '127.0.2651.64', allowSingleSignOnUsingOSPrimaryAccount: false,
    isCustomCrashReportingEnabled: true });
  assert.equal(hasHandler, true);

  const methods = host.calls.map((call) => call.method).filter((method) => !['AddRef', 'Release', 'QueryInterface'].includes(method));
  const expected = ['GetAvailableCoreWebView2BrowserVersionString',
    'CreateCoreWebView2EnvironmentWithOptions', 'add_BrowserProcessExited', 'CreateCoreWebView2Controller',
    'get_CoreWebView2', 'get_BrowserVersionString', 'get_FailureReportFolderPath',
    'put_DefaultBackgroundColor', 'get_Settings', ...SETTINGS_IN_ORDER.map(([name]) => name),
    'put_AreDevToolsEnabled', 'put_AreBrowserAcceleratorKeysEnabled', 'add_AcceleratorKeyPressed',
    'put_Bounds', 'add_DocumentTitleChanged', 'AddWebResourceRequestedFilterWithRequestSourceKinds',
    'add_WebResourceRequested',
    'add_PermissionRequested', 'add_ContainsFullScreenElementChanged', 'add_WindowCloseRequested',
    'add_DOMContentLoaded',
    // Then the session's features, each registering its own: the bridge, the
    // navigation guard, the failure responder.
    'add_WebMessageReceived', 'add_NavigationStarting', 'add_NewWindowRequested',
    'add_LaunchingExternalUriScheme', 'add_ProcessFailed', 'Navigate'];
  assert.deepEqual(methods, expected);

  for (const [name, value] of SETTINGS_IN_ORDER)
    assert.deepEqual(host.callsTo(name)[0].args, [value], name);
  assert.deepEqual(host.callsTo('put_AreDevToolsEnabled')[0].args, [true]);
  assert.deepEqual(host.callsTo('put_AreBrowserAcceleratorKeysEnabled')[0].args, [false]);
  assert.deepEqual(host.callsTo('AddWebResourceRequestedFilterWithRequestSourceKinds')[0].args,
    [APP_ORIGIN + '*', 0, 0xFFFFFFFF], 'every context, every source kind');
  assert.deepEqual(host.callsTo('put_DefaultBackgroundColor')[0].args, [{ a: 255, r: 255, g: 255, b: 255 }],
    'white by default');
  assert.deepEqual(host.callsTo('Navigate')[0].args, [APP_ORIGIN + 'index.html']);
  // The session keeps each token, to remove the registration when it ends.
  for (const registration of host.callsTo((call) => call.method.startsWith('add_')))
    assert.equal(registration.args[1], true, `${registration.method} keeps its token`);
  assert.deepEqual(host.callsTo('put_Bounds')[0].args,
    [{ left: 0, top: 0, right: 640, bottom: 480 }]);
  const windows = await host.windows();
  assert.equal(host.callsTo('CreateCoreWebView2Controller')[0].args[0], windows.main.handle,
    'the controller is created in the main window');
  assert.equal(windows.main.className, 'Quorrin');
  assert.equal(windows.main.visible, false, 'hidden until the page has loaded');
  assert.deepEqual(windows.browser.client, { left: 0, top: 0, right: 640, bottom: 480 });
});

test('remote mode navigates to "main" as written and serves nothing', async () => {
  const main = 'https://example.com/Game?level=1';
  const host = await start({ manifest: { name: 'remote', main,
    settings: { 'content-mode': 'remote', 'enable-devtools': false }, 'chromium-args': '--mute-audio' } });
  await host.ready();
  assert.deepEqual(host.callsTo('Navigate')[0].args, [main]);
  assert.equal(host.callsTo((call) => call.method.startsWith('AddWebResourceRequestedFilter')).length, 0);
  assert.equal(host.callsTo('add_WebResourceRequested').length, 0);
  assert.equal(host.callsTo('add_NavigationStarting').length, 1, 'navigation keeps to main\'s origin');
  assert.deepEqual(host.callsTo('put_AreDevToolsEnabled')[0].args, [false]);
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions')[0].args[2]
    .additionalBrowserArguments, `--mute-audio ${PADS}`);
});

// What each source kind's request gets: the host's status, or null when no filter reached it.
async function statusBySource(host) {
  const statuses = {};
  for (const sourceKind of ['document', 'sharedWorker', 'serviceWorker']) {
    const result = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + 'sw.js', sourceKind });
    assert.equal(result.invoked, result.filtered ? 1 : 0, sourceKind);
    statuses[sourceKind] = result.filtered ? result.response.status : null;
  }
  return statuses;
}

test('requests from service and shared workers reach the content server through ICoreWebView2_22', async () => {
  const files = { 'www/index.html': '<p>pwa</p>', 'www/sw.js': 'self.oninstall = () => {};' };
  const current = await start({ manifest: { name: 'workers' }, files });
  await current.ready();
  assert.deepEqual(await statusBySource(current),
    { document: 200, sharedWorker: 200, serviceWorker: 200 });
  const outside = await current.raise('WebResourceRequested', { uri: 'https://example.com/sw.js' });
  assert.deepEqual([outside.filtered, outside.invoked], [false, 0], 'only the app origin is filtered');
  for (const odd of ['*', '*%5Cx.txt?*', '?'])
    assert.equal((await current.raise('WebResourceRequested', { uri: APP_ORIGIN + odd })).filtered, true, odd);

  const older = await start({ manifest: { name: 'workers-old' }, files,
    config: { webview2_22: false, webview2_23: false } });
  await older.ready();
  assert.equal(older.callsTo('AddWebResourceRequestedFilterWithRequestSourceKinds').length, 0);
  assert.deepEqual(older.callsTo('AddWebResourceRequestedFilter')[0].args, [APP_ORIGIN + '*', 0]);
  assert.deepEqual(await statusBySource(older),
    { document: 200, sharedWorker: null, serviceWorker: null }, 'the plain filter reaches documents');
});

test('bundle mode joins AppOrigin and "main" without trimming', async () => {
  const host = await start({ manifest: { name: 'slash', main: '/start.html' } });
  await host.ready();
  assert.deepEqual(host.callsTo('Navigate')[0].args, [APP_ORIGIN + '/start.html']);
});

test('fixed mode creates the environment from the relative folder "webview2"', async () => {
  const host = await start({ manifest: { name: 'fixed', settings: { 'distribution-mode': 'fixed' } },
    files: { 'webview2/webview2-standin.marker': '' } });
  await host.ready();
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions')[0].args[0], 'webview2');
});

test('without Settings3 the accelerator keys stay on and no key handler is registered', async () => {
  const host = await start({ config: { settings3: false } });
  await host.ready();
  assert.equal(host.callsTo('put_AreBrowserAcceleratorKeysEnabled').length, 0);
  assert.equal(host.callsTo('add_AcceleratorKeyPressed').length, 0);
  assert.equal(host.callsTo('put_AreDevToolsEnabled').length, 1);
});

test('the manifest\'s background colour becomes the control\'s; without Controller2 nothing else changes', async () => {
  const colour = { name: 'dark', window: { 'background-color': '#0A1b2C' } };
  const host = await start({ manifest: colour });
  await host.ready();
  assert.deepEqual(host.callsTo('put_DefaultBackgroundColor').map((call) => call.args),
    [[{ a: 255, r: 10, g: 27, b: 44 }]]);
  const methods = (calls) => calls.map((call) => call.method).filter((method) => !['AddRef', 'Release',
    'QueryInterface', 'put_DefaultBackgroundColor'].includes(method));
  const older = await start({ manifest: colour, config: { controller2: false } });
  await older.ready();
  assert.equal(older.callsTo('put_DefaultBackgroundColor').length, 0);
  assert.deepEqual(methods(older.calls), methods(host.calls));
});

test('without ICoreWebView2_2 the window is shown once the first navigation is issued', async () => {
  const host = await start({ config: { webview2_2: false, webview2_23: false } });
  await host.ready();
  assert.equal(host.callsTo('add_DOMContentLoaded').length, 0);
  const windows = await waitFor(async () => {
    const state = await host.windows();
    return state.main.visible && state;
  }, 'the main window to be shown');
  assert.equal(windows.browser.visible, true);
  assert.equal(windows.browser.focused, true);
});

for (const [label, config] of [
  ['a failing environment result', { environmentResult: -2147467259 }],
  ['a null environment', { environmentResult: null }],
  ['a failing controller result', { controllerResult: -2147024894 }],
  ['a null controller', { controllerResult: null }],
]) {
  test(`${label} ends in a message box captioned with the title and exit code 1`, async () => {
    const host = await start({ manifest: { name: 'failing', window: { title: 'My Game' } }, config });
    const dialog = await host.dialog();
    assert.equal(dialog.caption, 'My Game');
    assert.match(dialog.text, /WebView2/);
    assert.deepEqual(dialog.buttons, ['OK']);
    assert.equal(dialog.icon, 'error');
    assert.equal(host.callsTo('Navigate').length, 0);
    assert.equal((await host.press('OK')).pressed, true);
    assert.equal(await host.waitForExit(), 1);
    assert.deepEqual(host.live, {}, 'nothing leaked');
  });
}

test('sizes and moves reach the controller only once it exists', async () => {
  const host = await start({ manifest: { name: 'bounds', window: { width: 400, height: 300 } },
    config: { holdEnvironment: true } });
  await host.waitForCall('CreateCoreWebView2EnvironmentWithOptions');
  await host.setWindowPos({ x: 30, y: 40, width: 700, height: 500 });
  await host.setWindowPos({ x: 50, y: 60 });
  assert.equal(host.callsTo('put_Bounds').length + host.callsTo('NotifyParentWindowPositionChanged').length, 0);
  assert.equal((await host.completeEnvironment()).completed, true);
  await host.ready();
  const { main } = await host.windows();
  assert.deepEqual(host.callsTo('put_Bounds')[0].args, [main.client], 'bounds from the client rectangle');
  assert.notDeepEqual(main.client, { left: 0, top: 0, right: 400, bottom: 300 });

  await host.setWindowPos({ width: 800, height: 600 });
  const resized = (await host.windows()).main.client;
  const bounds = await waitFor(() => host.callsTo('put_Bounds')[1], 'new bounds');
  assert.deepEqual(bounds.args, [resized]);
  await host.setWindowPos({ x: 10, y: 20 });
  await host.waitForCall('NotifyParentWindowPositionChanged');
});

test('closing the window releases the browser objects in order and leaks none', async () => {
  const host = await start();
  await host.ready();
  const id = (method) => host.callsTo(method)[0].object;
  const environment = id('CreateCoreWebView2Controller');
  const controller = id('get_CoreWebView2');
  const webView = id('Navigate');
  assert.deepEqual(await host.liveObjects(), { ICoreWebView2: 1, ICoreWebView2Controller: 1,
    ICoreWebView2Environment: 1, ICoreWebView2Settings: 1 });
  const before = host.calls.length;
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const after = host.calls.slice(before);
  const releases = after.filter((call) => call.method === 'Release').map((call) => call.object);
  // Each registration is removed (its hold on its source let go), the controller
  // closed (the environment's watch on the browser's end last), then the
  // session's own references go, newest first.
  const registrations = host.callsTo((call) => call.method.startsWith('add_')).length;
  assert.equal(after.filter((call) => call.method.startsWith('remove_')).length, registrations);
  assert.equal(after.filter((call) => call.method === 'Close').length, 1);
  assert.deepEqual(releases.slice(-4), [webView, webView, controller, environment]);
  for (const object of releases.slice(0, -4)) assert.ok([webView, controller, environment].includes(object));
  assert.deepEqual(host.live, {});
});
