// The host's answers to the browser control's events.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { APP_ORIGIN, recordShellOpens, waitFor, hostsOfThisFile } from './lib/host.mjs';

const { ready } = hostsOfThisFile();

const WS_CAPTION = 0x00c00000, WS_THICKFRAME = 0x00040000;
const FULL_SCREEN_EX_STYLE_BITS = 0x00020301;

test('DOMContentLoaded shows, paints and focuses, and every later one keeps it so', async () => {
  const host = await ready({ manifest: { name: 'shown', window: { width: 500, height: 400 } } });
  assert.equal((await host.windows()).main.visible, false);
  assert.equal((await host.raise('DOMContentLoaded')).invoked, 1);
  let windows = await host.windows();
  assert.equal(windows.main.visible, true);
  assert.equal(windows.browser.visible, true);
  assert.equal(windows.browser.focused, true);
  assert.deepEqual(host.callsTo('put_IsVisible').map((call) => call.args), [[true]]);
  // Showing also activates the window, which moves the focus to the page as well.
  const focusMoves = host.callsTo('MoveFocus').length;
  assert.ok(focusMoves >= 1);
  assert.ok(host.callsTo('MoveFocus').every((call) => call.args[0] === 0), 'programmatic');
  await host.raise('DOMContentLoaded');
  windows = await host.windows();
  assert.equal(windows.main.visible, true);
  assert.equal(host.callsTo('MoveFocus').length, focusMoves + 1);
});

test('the page takes the focus whenever the window is activated or focused, once it is shown', async () => {
  const host = await ready({ manifest: { name: 'focus' } });
  await host.showWindow('focus');
  assert.equal(host.callsTo('MoveFocus').length, 0, 'not while the window is hidden');
  await host.raise('DOMContentLoaded');
  const shown = host.callsTo('MoveFocus').length;
  await host.showWindow('focus');
  assert.equal(host.callsTo('MoveFocus').length, shown + 1);
  assert.equal((await host.windows()).browser.focused, true);
  await host.showWindow('minimize');
  await host.showWindow('restore');
  assert.ok(host.callsTo('MoveFocus').length > shown + 1, 'restoring activates it');
  assert.equal((await host.windows()).browser.focused, true);
});

test('a minimised window hides the page and keeps its bounds; restoring shows it at the client size', async () => {
  const host = await ready({ manifest: { name: 'minimised', window: { width: 500, height: 400 } } });
  await host.raise('DOMContentLoaded');
  const visibility = () => host.callsTo('put_IsVisible').map((call) => call.args[0]);
  const bounds = () => host.callsTo('put_Bounds').map((call) => call.args[0]);
  const boundsBefore = bounds().length;
  await host.showWindow('minimize');
  assert.deepEqual(visibility(), [true, false]);
  assert.equal(bounds().length, boundsBefore, 'no empty bounds');
  let windows = await host.windows();
  assert.equal(windows.browser.visible, false);
  assert.deepEqual(windows.browser.client, { left: 0, top: 0, right: 500, bottom: 400 });
  await host.raise('DOMContentLoaded'); // a reload while minimised keeps it hidden
  assert.deepEqual(visibility(), [true, false]);

  await host.showWindow('maximize');
  windows = await host.windows();
  assert.deepEqual(visibility(), [true, false, true]);
  assert.deepEqual(bounds().at(-1), windows.main.client);
  assert.ok(windows.main.client.right > 500, 'maximised');
  await host.showWindow('minimize');
  await host.showWindow('restore');
  windows = await host.windows();
  assert.deepEqual(visibility(), [true, false, true, false, true]);
  assert.deepEqual(bounds().at(-1), windows.main.client);
  assert.equal(windows.browser.visible, true);
});

test('the caption follows the document title, an empty one included', async () => {
  const host = await ready({ manifest: { name: 'titles', window: { title: 'Start' } } });
  assert.equal((await host.windows()).main.caption, 'Start');
  for (const title of ['Level 1 \u2013 \u00e9t\u00e9 \u{1F600}', '']) {
    await host.raise('DocumentTitleChanged', { title });
    assert.equal((await host.windows()).main.caption, title);
  }
});

test('in bundle mode navigations that leave AppOrigin are cancelled, byte for byte', async () => {
  const host = await ready();
  const cases = [
    [APP_ORIGIN, false], [APP_ORIGIN + 'level/2.html', false], [APP_ORIGIN + '?q=1#top', false],
    ['https://app.localhost.evil.com/', true], ['https://example.com/', true],
    ['http://app.localhost/', true], ['about:blank', true], ['data:text/html,<p>hi</p>', true],
    ['HTTPS://APP.LOCALHOST/', true], ['https://App.localhost/', true], ['', true],
    ['https://app.localhost', true],
  ];
  for (const [uri, cancel] of cases) {
    const result = await host.raise('NavigationStarting', { uri });
    assert.equal(result.invoked, 1);
    assert.equal(result.cancel, cancel, uri);
  }
});

test('in remote mode top-level navigation stays on main\'s origin; others go to the shell on a click', async () => {
  const shellOpens = recordShellOpens({ schemes: ['https'] });
  const host = await ready({ manifest: { name: 'remote', main: 'https://example.com/game/',
    settings: { 'content-mode': 'remote' } } });
  for (const uri of ['https://example.com/', 'https://EXAMPLE.com:443/level?2'])
    assert.equal((await host.raise('NavigationStarting', { uri })).cancel, false, uri);
  for (const uri of ['https://example.com.evil.net/', 'http://example.com/', 'file:///C:/x.qtest'])
    assert.equal((await host.raise('NavigationStarting', { uri, userInitiated: false })).cancel, true, uri);
  assert.equal((await host.raise('NavigationStarting', { uri: 'https://example.org/news' })).cancel, true);
  const recorded = [];
  await waitFor(() => { recorded.push(...shellOpens()); return recorded.length > 0; }, 'the shell to open it');
  assert.deepEqual(recorded, ['https://example.org/news'], 'only the clicked link, once');
});

test('permissions by kind for the application\'s origin; any other origin is denied', async () => {
  const host = await ready({ manifest: { name: 'permissions', settings: { permissions: ['camera', 'local-fonts'] } } });
  // 0 the runtime's prompt (left as it is), 1 allowed, 2 denied; 8 is file write access, 9 autoplay.
  const states = [];
  for (let kind = 0; kind <= 12; kind++)
    states.push((await host.raise('PermissionRequested', { kind, uri: APP_ORIGIN })).state);
  assert.deepEqual(states, [0, 0, 1, 0, 0, 0, 0, 0, 2, 1, 1, 0, 0]);
  for (const uri of ['https://ads.example.net/frame.html', 'https://app.localhost.evil.net/', 'null']) {
    const result = await host.raise('PermissionRequested', { kind: 2, uri });
    assert.equal(result.state, 2, uri);
  }
});

test('an external scheme asked for by another origin is cancelled; the application\'s own is not', async () => {
  const host = await ready();
  const launch = (initiatingOrigin) => host.raise('LaunchingExternalUriScheme',
    { uri: 'steam://store/480', initiatingOrigin, userInitiated: true });
  const own = await launch('https://app.localhost');
  assert.deepEqual([own.invoked, own.cancel], [1, false], 'the runtime\'s prompt as today');
  for (const origin of ['https://ads.example.net', 'https://app.localhost.evil.net', ''])
    assert.equal((await launch(origin)).cancel, true, origin);
});

test('window.close() ends the process with exit code 0 through the normal shutdown', async () => {
  const host = await ready();
  await host.raise('WindowCloseRequested').catch(() => {});
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(host.live, {});
});

test('F12 opens the developer tools on every key event when they are enabled', async () => {
  const host = await ready();
  for (const kind of ['keydown', 'keydown', 'keyup'])
    await host.raise('AcceleratorKeyPressed', { key: 0x7b, kind });
  await host.raise('AcceleratorKeyPressed', { key: 0x7a });
  assert.equal(host.callsTo('OpenDevToolsWindow').length, 3);
  assert.equal(host.callsTo('put_Handled').length, 0, 'no key is marked handled');
});

test('F12 does nothing when the developer tools are disabled', async () => {
  const host = await ready({ manifest: { name: 'nodev', settings: { 'enable-devtools': false } } });
  const result = await host.raise('AcceleratorKeyPressed', { key: 0x7b });
  assert.equal(result.invoked, 1);
  assert.equal(host.callsTo('OpenDevToolsWindow').length, 0);
});

test('a full-screen element switches the window to the whole monitor and back', async () => {
  const host = await ready({ manifest: { name: 'full', window: { width: 640, height: 480 } } });
  await host.raise('DOMContentLoaded');
  await host.setWindowPos({ x: 100, y: 80 });
  const windowed = (await host.windows()).main;

  await host.raise('ContainsFullScreenElementChanged', { value: true });
  const full = (await host.windows()).main;
  assert.equal(full.style, windowed.style & ~(WS_CAPTION | WS_THICKFRAME));
  assert.equal(full.exStyle, windowed.exStyle & ~FULL_SCREEN_EX_STYLE_BITS);
  assert.deepEqual(full.window, full.monitor);

  await host.raise('ContainsFullScreenElementChanged', { value: true });
  assert.deepEqual((await host.windows()).main.window, full.monitor, 'a repeat changes nothing');

  await host.raise('ContainsFullScreenElementChanged', { value: false });
  const restored = (await host.windows()).main;
  assert.equal(restored.style, windowed.style);
  assert.equal(restored.exStyle, windowed.exStyle);
  assert.deepEqual(restored.window, windowed.window);
  assert.equal(host.callsTo('get_ContainsFullScreenElement').length, 3);
});

test('new windows go to the shell on a click, for web and mail addresses only, never in the app', async () => {
  const shellOpens = recordShellOpens({ schemes: ['http', 'https', 'mailto', 'quorrintest'],
    extensions: ['.qtest'] });
  const host = await ready();
  const refused = ['file:///C:/users/evil.qtest', 'quorrintest:run', 'javascript:alert(1)', ''];
  for (const uri of refused)
    assert.equal((await host.raise('NewWindowRequested', { uri })).handled, true, uri);
  // Script alone (an ad frame in a loop) opens nothing.
  refused.push('https://example.com/popup');
  assert.equal((await host.raise('NewWindowRequested', { uri: 'https://example.com/popup' })).handled, true);
  const opened = ['https://example.com/news?a=1&b=2', 'http://example.org/', 'mailto:team@example.com',
    APP_ORIGIN + 'page.html'];
  for (const uri of opened)
    assert.equal((await host.raise('NewWindowRequested', { uri, userInitiated: true })).handled, true, uri);
  const recorded = [];
  await waitFor(() => {
    recorded.push(...shellOpens());
    return opened.every((uri) => recorded.includes(uri));
  }, 'the shell to open every web address');
  for (const uri of refused) assert.ok(!recorded.includes(uri), `${uri} must not reach the shell`);
  assert.equal(recorded.length, opened.length);
});
