// Steam through the player's own steam_api64.dll: our stand-in library records
// every call and raises callbacks; Valve's redistributables from npm show
// the exports the host resolves exist and that a start without a Steam client
// reports the library's own message.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { binFolder, DEADLINE_MS, savesFolderOf, waitFor, hostsOfThisFile } from './lib/host.mjs';

const { start, ready } = hostsOfThisFile();
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

const standin = (variant) => fs.readFileSync(path.join(binFolder, 'standin-steam', variant, 'steam_api64.dll'));
const redistributable = (pkg) => fs.readFileSync(path.join(root, 'standin/steam/redist/node_modules', pkg,
  'dist/win64/steam_api64.dll'));
const steamGame = (steam = { 'app-id': 480 }) => ({ name: 'steam-game', steam });
const everyFamily = ['core', 'stats', 'friends', 'apps', 'cloud', 'leaderboards', 'tickets', 'utils',
  'screenshots', 'deck'];

// The stand-in's record: [{call, args}] in order.
function steamLog(host) {
  const log = path.join(host.folder, 'steam-standin.log');
  if (!fs.existsSync(log)) return [];
  return fs.readFileSync(log, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line));
}
const loggedCalls = (host) => steamLog(host).map((entry) => entry.call);

// Page script's call; resolves with the host's steam-result of the same id.
let nextId = 1;
async function call(host, name, fields = {}, timeoutMs = DEADLINE_MS) {
  const id = `call-${nextId++}`;
  await host.postString(JSON.stringify({ type: 'steam', call: name, id, ...fields }));
  const answer = await waitFor(() => host.posts().map((post) => JSON.parse(post.json))
    .find((message) => message.type === 'steam-result' && message.id === id), `the answer to ${name}`,
  timeoutMs);
  assert.equal(answer.call, name);
  return answer;
}
const overlayEvents = (host) => host.posts().map((post) => JSON.parse(post.json))
  .filter((message) => message.type === 'steam-event').map((message) => message.active);

// Renamed into place, so the stand-in never reads half of it.
function raiseCallbacks(host, lines) {
  host.writeFile('steam-standin.events.new', lines.join('\n') + '\n');
  fs.renameSync(path.join(host.folder, 'steam-standin.events.new'), path.join(host.folder, 'steam-standin.events'));
}

test('calls reach the library with their arguments and the results reach the page', async () => {
  const host = await ready({ manifest: steamGame(), files: { 'steam_api64.dll': standin('newest'),
    'steam-standin.json': JSON.stringify({ persona: 'Ann', deck: true, achievements: { WON: true },
      stats: { wins: 12, km: 2.5 }, dlc: [1001] }) } });
  assert.deepEqual((await call(host, 'status')).value, { available: true, reason: null, appId: 480,
    steamId: '76561197960287930', personaName: 'Ann', language: 'english', steamDeck: true,
    overlayEnabled: true, cloud: { enabledForAccount: true, enabledForApp: true }, families: everyFamily },
  'the newest library: SteamApps v009 and no v008');
  const answers = [
    await call(host, 'set-achievement', { name: 'WON' }),
    await call(host, 'clear-achievement', { name: 'LOST' }),
    await call(host, 'get-achievement', { name: 'WON' }),
    await call(host, 'set-stat', { name: 'wins', value: 13, kind: 'int' }),
    await call(host, 'set-stat', { name: 'km', value: 0.5, kind: 'float' }),
    await call(host, 'get-stat', { name: 'wins', kind: 'int' }),
    await call(host, 'get-stat', { name: 'km', kind: 'float' }),
    await call(host, 'store-stats'),
    await call(host, 'set-rich-presence', { key: 'steam_display', value: '#Level' }),
    await call(host, 'is-dlc-installed', { appId: 1001 }),
    await call(host, 'is-dlc-installed', { appId: 1002 }),
    await call(host, 'activate-overlay-to-web-page', { url: 'https://store.steampowered.com/' }),
  ];
  assert.deepEqual(answers.map((answer) => [answer.ok, answer.value]), [[true, null], [true, null],
    [true, true], [true, null], [true, null], [true, 12], [true, 2.5], [true, null], [true, null],
    [true, true], [true, false], [true, null]]);
  const unknown = await call(host, 'get-achievement', { name: 'NEVER' });
  assert.equal(unknown.ok, false);
  assert.match(unknown.error, /does not know/);
  const made = steamLog(host).filter((entry) => !/Dispatch|RunFrame|FreeLast|Hook|Present/.test(entry.call));
  assert.deepEqual(made, [
    { call: 'InitFlat', args: [] },
    { call: 'SetAchievement', args: ['WON'] }, { call: 'ClearAchievement', args: ['LOST'] },
    { call: 'GetAchievement', args: ['WON'] }, { call: 'SetStatInt32', args: ['wins', 13] },
    { call: 'SetStatFloat', args: ['km', 0.5] }, { call: 'GetStatInt32', args: ['wins'] },
    { call: 'GetStatFloat', args: ['km'] }, { call: 'StoreStats', args: [] },
    { call: 'SetRichPresence', args: ['steam_display', '#Level'] },
    { call: 'BIsDlcInstalled', args: [1001] }, { call: 'BIsDlcInstalled', args: [1002] },
    { call: 'ActivateGameOverlayToWebPage', args: ['https://store.steampowered.com/', 0] },
    { call: 'GetAchievement', args: ['NEVER'] },
  ], 'no restart check without "restart-through-steam"; InitFlat where the library has it');
});

test('bad calls, and calls the manifest does not grant, are answered with an error and never reach the library', async () => {
  const host = await ready({ manifest: steamGame(), files: { 'steam_api64.dll': standin('newest') } });
  const refused = [
    await call(host, 'set-achievement', { name: 'x'.repeat(1025) }),
    await call(host, 'set-stat', { name: 'wins', value: 1.5, kind: 'int' }),
    await call(host, 'activate-overlay-to-web-page', { url: 'http://example.com/' }),
    await call(host, 'format-disk'),
    await call(host, 'cloud-delete', { file: 'slot1.json' }),
    await call(host, 'activate-overlay-to-web-page', { url: 'https://example.com/' }),
    await call(host, 'auth-ticket', { identity: 'game-server' }),
  ];
  for (const answer of refused) assert.equal(answer.ok, false);
  assert.deepEqual(refused.map((answer) => answer.error), ['"name" is longer than 1024 bytes',
    '"value" must be a 32-bit integer for an int stat', '"url" must be an https address', 'unknown call',
    'not enabled: package.json\'s "steam" has no "cloud": "read-write"',
    '"url" is not a page of Steam or of this game: list its host in "overlay-hosts"',
    '"identity" is not listed in "auth-identities"']);
  assert.deepEqual(loggedCalls(host).filter((name) => !/Dispatch|RunFrame|Hook/.test(name)), ['InitFlat']);
});

// The stand-in's count of presents its Present hook saw.
const presents = (host) => Number(fs.existsSync(path.join(host.folder, 'steam-standin.presents'))
  ? fs.readFileSync(path.join(host.folder, 'steam-standin.presents'), 'utf8') : 0);

// The engine's frame, all one colour, the size of the control.
async function paintPage(host, [r, g, b]) {
  const { left, top, right, bottom } = (await host.waitForCall('put_Bounds')).args[0];
  const [width, height] = [right - left, bottom - top];
  const data = Buffer.alloc(width * height * 4);
  for (let at = 0; at < data.length; at += 4) data.set([b, g, r, 255], at);
  await host.sendRawLine(JSON.stringify({ type: 'frame', frame: 1, width, height, x: 0, y: 0, w: width, h: height,
    data: data.toString('base64') }));
  return { width, height };
}

// The overlay's document script, run on a model window: what it posts and which keys it keeps.
function runOverlayKeyScript(script, keys) {
  const window = new EventTarget();
  const posted = [];
  window.chrome = { webview: { postMessage: (text) => posted.push(text) } };
  new Function('window', script)(window);
  const kept = keys.map((fields) => {
    const event = Object.assign(new Event('keydown', { cancelable: true }), fields);
    window.dispatchEvent(event);
    return event.defaultPrevented;
  });
  return { posted, kept };
}

test('the overlay draws on a surface over the page while Steam has it open; F12 is a screenshot of the page', async () => {
  const host = await ready({ manifest: { ...steamGame(), settings: { 'enable-devtools': false } }, files: { 'steam_api64.dll': standin('newest') } });
  await host.raise('DOMContentLoaded'); // the window shows
  const script = (await host.waitForCall((made) => made.method === 'AddScriptToExecuteOnDocumentCreated' &&
    made.args[0].includes('overlay-key'), 'the Shift+Tab script')).args[0];
  const shiftTab = { key: 'Tab', shiftKey: true };
  assert.deepEqual(runOverlayKeyScript(script, [shiftTab, { key: 'Tab' }, { ...shiftTab, ctrlKey: true },
    { ...shiftTab, repeat: true }]), { posted: ['{"type":"overlay-key"}'], kept: [true, false, false, true] },
  'Shift+Tab alone is posted, once a press, and kept from the page');
  const page = await paintPage(host, [0x1e, 0x90, 0xff]);

  await host.postString('{"type":"overlay-key"}');
  const opened = await waitFor(() => steamLog(host).find((entry) => entry.call === 'Present'), 'the surface to present');
  assert.deepEqual(steamLog(host).find((entry) => entry.call === 'ActivateGameOverlay').args, ['Friends']);
  const { window, ownerClient, middle, hasInput } = opened.args;
  assert.deepEqual([window, middle, hasInput], [ownerClient, '#1e90ff', true],
    'over the client area, the page\'s image, with the input');
  await waitFor(() => overlayEvents(host).length === 1, 'Steam to say the overlay opened');
  const openedPresents = presents(host);
  await waitFor(() => presents(host) >= openedPresents + 10, 'presents while the overlay is open');
  await host.request({ type: 'set-window-pos', x: 40, y: 30, width: 700, height: 500 });
  const moved = await waitFor(() => steamLog(host).filter((entry) => entry.call === 'Present')[1], 'a present after the move');
  assert.deepEqual(moved.args.window, moved.args.ownerClient, 'it follows the window');
  assert.notDeepEqual(moved.args.window, window);

  raiseCallbacks(host, ['callback 304', 'overlay 0']);
  await waitFor(() => overlayEvents(host).length === 2, 'the overlay closed event');
  assert.deepEqual(overlayEvents(host), [true, false]);
  const closedPresents = presents(host);
  const { all, main } = await host.windows();
  assert.deepEqual(all.filter((described) => described.visible).map((described) => described.handle),
    [main.handle], 'the surface is hidden');
  assert.equal(main.foreground, true, 'the input is the page\'s again');
  assert.equal(presents(host), closedPresents, 'no presents once closed');
  assert.deepEqual(steamLog(host).filter((entry) => entry.call === 'FreeLastCallback')
    .map((entry) => entry.args[1]), [331, 304, 331], 'each callback freed, in order');

  assert.equal((await host.raise('AcceleratorKeyPressed', { key: 0x7b })).handled, true, 'F12 is Steam\'s');
  const written = await waitFor(() => steamLog(host).find((entry) => entry.call === 'WriteScreenshot'), 'a screenshot');
  assert.deepEqual(written.args, [page.width * page.height * 3, page.width, page.height]);
  const rgb = fs.readFileSync(path.join(host.folder, 'steam-standin-screenshot.rgb'));
  const middlePixel = ((page.height >> 1) * page.width + (page.width >> 1)) * 3;
  assert.deepEqual([...rgb.subarray(middlePixel, middlePixel + 3)], [0x1e, 0x90, 0xff]);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(steamLog(host).at(-1).args, { d3d11Loaded: true });
});

test('with Steam\'s overlay disabled there is no surface, no Direct3D and no Shift+Tab', async () => {
  const host = await ready({ manifest: steamGame(), files: { 'steam_api64.dll': standin('newest'),
    'steam-standin.json': '{"overlay":false}' } });
  await host.postString('{"type":"overlay-key"}');
  assert.equal((await call(host, 'activate-overlay', { dialog: 'friends' })).ok, true);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.equal(host.callsTo('AddScriptToExecuteOnDocumentCreated')
    .filter((made) => made.args[0].includes('overlay-key')).length, 0, 'no Shift+Tab script');
  assert.deepEqual(steamLog(host).filter((entry) => /Overlay|Present/.test(entry.call)).map((entry) => entry.call),
    ['ActivateGameOverlay'], 'only the page\'s own call');
  assert.deepEqual(steamLog(host).at(-1).args, { d3d11Loaded: false });
});

test('an older library: InitSafe, the older interfaces, and stats requested at start', async () => {
  const host = await ready({ manifest: steamGame(), files: { 'steam_api64.dll': standin('oldest') } });
  assert.equal((await call(host, 'set-achievement', { name: 'WON' })).ok, true);
  assert.deepEqual(loggedCalls(host).slice(0, 3), ['InitSafe', 'ManualDispatch_Init', 'RequestCurrentStats']);
});

test('a library without the cloud, leaderboards and tickets: the rest works, their calls name the export', async () => {
  const host = await ready({ manifest: { ...steamGame({ 'app-id': 480, 'auth-identities': [''] }),
    settings: { saves: { 'steam-cloud': true } } }, files: { 'steam_api64.dll': standin('partial') } });
  const status = (await call(host, 'status')).value;
  assert.deepEqual([status.available, status.families], [true, ['core', 'stats', 'friends', 'apps', 'utils',
    'screenshots']]);
  for (const [name, fields] of [['set-achievement', { name: 'WON' }], ['store-stats', {}],
    ['set-rich-presence', { key: 'status', value: 'x' }], ['activate-overlay', { dialog: 'friends' }]])
    assert.equal((await call(host, name, fields)).ok, true, name);
  const missing = [await call(host, 'cloud-list'), await call(host, 'leaderboard-find', { name: 'B' }),
    await call(host, 'auth-ticket', { identity: '' })].map((answer) => [answer.ok, answer.error]);
  assert.deepEqual(missing, [[false, 'steam_api64.dll has no export SteamAPI_SteamRemoteStorage_v016'],
    [false, 'steam_api64.dll has no export SteamAPI_ISteamUserStats_FindLeaderboard'],
    [false, 'steam_api64.dll has no export SteamAPI_ISteamUser_GetAuthTicketForWebApi']]);
  assert.equal((await save(host, 'save-write', { name: 'a.sav', text: 'one' })).ok, true, 'saved, locally');
});

test('restart through Steam ends with 0 before any window', async () => {
  const host = await start({ manifest: steamGame({ 'app-id': 480, 'restart-through-steam': true }),
    files: { 'steam_api64.dll': standin('newest'), 'steam-standin.restart': '' } });
  assert.equal(await host.waitForExit(), 0);
  assert.equal(host.calls.length, 0, 'the browser runtime was never asked for');
  assert.deepEqual(steamLog(host), [{ call: 'RestartAppIfNecessary', args: [480] }]);
});

test('a failed initialisation leaves the game running with the reason; no callbacks run', async () => {
  const host = await ready({ manifest: steamGame({ 'app-id': 480, 'restart-through-steam': true }),
    files: { 'steam_api64.dll': standin('newest'), 'steam-standin.json': '{"fail-init":"no Steam here"}' } });
  const status = await call(host, 'status');
  assert.equal(status.value.available, false);
  assert.equal(status.value.reason, '"no Steam here"');
  const refused = await call(host, 'store-stats');
  assert.deepEqual([refused.ok, refused.error], [false, '"no Steam here"']);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(loggedCalls(host), ['RestartAppIfNecessary', 'InitFlat'],
    'no dispatch and no shutdown after a failed start');
});

test('the API is shut down at exit, once', async () => {
  const host = await ready({ manifest: steamGame(), files: { 'steam_api64.dll': standin('newest') } });
  await waitFor(() => loggedCalls(host).includes('ManualDispatch_RunFrame'), 'callbacks to run');
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(loggedCalls(host).filter((name) => name === 'Shutdown'), ['Shutdown']);
  assert.equal(loggedCalls(host).at(-1), 'Shutdown');
});

test('without the key nothing is loaded; with it and no library Steam is unavailable', async () => {
  const unused = await ready({ manifest: { name: 'no-steam' }, files: { 'steam_api64.dll': standin('newest') } });
  const status = await call(unused, 'status');
  assert.deepEqual([status.value.available, status.value.reason, status.value.appId],
    [false, 'package.json has no "steam" key', null]);
  assert.deepEqual(steamLog(unused), []);
  const missing = await ready({ manifest: steamGame() });
  assert.equal((await call(missing, 'store-stats')).error, 'steam_api64.dll is not in the program\'s folder');
});

// Three SDK versions: 1.60, 1.62, and one from before the web API ticket
// (InitSafe only, whose failure has no message of its own).
for (const [pkg, families, reason] of [
  ['steamworks.js', everyFamily, /Could not determine Steam client install directory/],
  ['@pipelab/steamworks.js', everyFamily, /Could not determine Steam client install directory/],
  ['steamworks.js-0.0.27', everyFamily.filter((family) => family !== 'tickets'), /SteamAPI_InitSafe failed/]]) {
  test(`${pkg}: the families its exports hold, and no client gives the library's reason`, async () => {
    const host = await ready({ manifest: steamGame({ 'app-id': 480, 'restart-through-steam': true }),
      files: { 'steam_api64.dll': redistributable(pkg) } });
    const status = await call(host, 'status');
    assert.equal(status.value.available, false);
    assert.match(status.value.reason, reason);
    assert.deepEqual(status.value.families, families, 'every export the host calls for them is there');
  });
}

// Asynchronous results: a call answered from the result Steam brings back later.
const steamFiles = (config = {}) => ({ 'steam_api64.dll': standin('newest'),
  'steam-standin.json': JSON.stringify({ persona: 'Ann', ...config }) });
const posted = (host) => host.posts().map((post) => JSON.parse(post.json));

const cloudGame = steamGame({ 'app-id': 480, cloud: 'read-write' });

test('cloud: a save slot written as JSON is there at the next start; the cloud state is asked each time', async () => {
  const first = await ready({ manifest: cloudGame, files: steamFiles() });
  const slot = JSON.stringify({ level: 3, name: 'Åsa' });
  assert.equal((await call(first, 'cloud-write', { file: 'slot1.json', text: slot })).ok, true);
  assert.equal((await call(first, 'cloud-write', { file: 'thumb.bin', base64: '/wAB' })).ok, true);
  assert.deepEqual((await call(first, 'cloud-list')).value,
    [{ name: 'slot1.json', size: Buffer.byteLength(slot) }, { name: 'thumb.bin', size: 3 }]);
  // Longer than any other page message may be: a Steam game's whole save goes in one.
  const large = Buffer.alloc(1536 * 1024, 7).toString('base64');
  assert.equal((await call(first, 'cloud-write', { file: 'large.bin', base64: large })).ok, true);
  // Any other call that long is dropped: the call after it is answered, it never.
  await first.postString(JSON.stringify({ type: 'steam', call: 'cloud-list', id: 'long', pad: large }));
  const status = (await call(first, 'cloud-status')).value;
  assert.ok(!posted(first).some((message) => message.id === 'long'));
  assert.deepEqual([status.enabledForAccount, status.enabledForApp, status.totalBytes], [true, true, 100000000]);
  first.writeFile('steam-standin.cloud-app-off', '');
  assert.deepEqual((await call(first, 'status')).value.cloud, { enabledForAccount: true, enabledForApp: false });
  const refused = await call(first, 'cloud-write', { file: '../escape', text: 'x' });
  assert.equal(refused.error, '"file" must be one safe file name under 260 bytes');
  first.close();
  assert.equal(await first.waitForExit(), 0);

  const next = await ready({ manifest: cloudGame, files: steamFiles(), folder: first.folder });
  assert.equal((await call(next, 'cloud-read', { file: 'slot1.json' })).value, slot);
  assert.equal((await call(next, 'cloud-read', { file: 'thumb.bin', as: 'base64' })).value, '/wAB');
  assert.equal((await call(next, 'cloud-delete', { file: 'thumb.bin' })).ok, true);
  const missing = await call(next, 'cloud-read', { file: 'thumb.bin' });
  assert.deepEqual([missing.ok, missing.error], [false, 'Steam Cloud has no file thumb.bin']);
  assert.deepEqual(steamLog(first).filter((entry) => entry.call === 'FileWrite').map((entry) => entry.args),
    [['slot1.json', Buffer.byteLength(slot)], ['thumb.bin', 3], ['large.bin', 1536 * 1024]],
    'the refused name never reached Steam');
});

// Page script's save request, answered like a Steam call.
async function save(host, type, fields = {}) {
  const id = `save-${nextId++}`;
  await host.postString(JSON.stringify({ type, id, ...fields }));
  return waitFor(() => posted(host).find((message) => message.type === 'save-result' && message.id === id),
    `the answer to ${type}`);
}

test('saves: per Steam player, mirrored to the cloud; a newer cloud copy waits for the page to choose', async () => {
  const manifest = { ...steamGame(), name: 'steam-saves', settings: { saves: { 'steam-cloud': true } } };
  fs.rmSync(savesFolderOf('steam-saves'), { recursive: true, force: true });
  const folder = savesFolderOf('steam-saves', '76561197960287930');
  const first = await ready({ manifest, files: steamFiles() });
  const cloud = (name) => path.join(first.folder, 'steam-standin-cloud', name);
  for (const [name, text] of [['a.sav', 'one'], ['b.sav', 'two']])
    assert.equal((await save(first, 'save-write', { name, text })).ok, true);
  assert.deepEqual([fs.readFileSync(path.join(folder, 'a.sav'), 'utf8'), fs.readFileSync(cloud('a.sav'), 'utf8')],
    ['one', 'one'], 'the player\'s own folder, and the cloud');
  first.close();
  assert.equal(await first.waitForExit(), 0);
  // Another computer saved later; and one save is only in the cloud.
  const later = Date.now() / 1000 + 3600;
  for (const name of ['a.sav', 'b.sav', 'c.sav']) {
    fs.writeFileSync(cloud(name), `cloud ${name}`);
    fs.utimesSync(cloud(name), later, later);
  }

  const next = await ready({ manifest, files: steamFiles(), folder: first.folder });
  assert.equal(fs.readFileSync(path.join(folder, 'c.sav'), 'utf8'), 'cloud c.sav', 'nothing to overwrite: restored');
  await next.postString('{"type":"wrapper-init"}');
  const conflicts = () => posted(next).filter((message) => message.type === 'save-conflict');
  assert.deepEqual(conflicts().map(({ name, cloudTime }) => [name, cloudTime]),
    [['a.sav', Math.floor(later) * 1000], ['b.sav', Math.floor(later) * 1000]]);
  assert.ok(conflicts()[0].localTime < conflicts()[0].cloudTime);
  const waiting = await save(next, 'save-write', { name: 'a.sav', text: 'three' });
  assert.deepEqual([waiting.ok, waiting.error], [false, 'a.sav waits for "save-resolve"']);
  assert.equal(fs.readFileSync(path.join(folder, 'a.sav'), 'utf8'), 'one', 'nothing overwritten before the choice');
  assert.equal(fs.readFileSync(cloud('a.sav'), 'utf8'), 'cloud a.sav');
  assert.equal((await save(next, 'save-resolve', { name: 'a.sav', keep: 'cloud' })).ok, true);
  assert.equal((await save(next, 'save-resolve', { name: 'b.sav', keep: 'local' })).ok, true);
  assert.deepEqual([fs.readFileSync(path.join(folder, 'a.sav'), 'utf8'), fs.readFileSync(cloud('b.sav'), 'utf8')],
    ['cloud a.sav', 'two']);
  assert.equal((await save(next, 'save-resolve', { name: 'b.sav', keep: 'cloud' })).error,
    'b.sav has no conflict to resolve');
  await next.postString('{"type":"wrapper-init"}');
  assert.equal(conflicts().length, 2, 'resolved: not told again');
  next.close();
  assert.equal(await next.waitForExit(), 0);

  // Without Steam the saves are the application's own, in no player's folder.
  const alone = await ready({ manifest, folder: first.folder, files: { 'steam_api64.dll': '' } });
  assert.equal((await save(alone, 'save-write', { name: 'd.sav', text: 'four' })).ok, true);
  assert.ok(fs.existsSync(path.join(savesFolderOf('steam-saves'), 'd.sav')));
});

test('leaderboards: results come back frames later, out of order, matched by their handle', async () => {
  const host = await ready({ manifest: steamGame({ 'app-id': 480, 'leaderboards-create': true }),
    files: steamFiles({ 'result-delays': [10, 1],
    rivals: [{ steamId: '76561197960287931', score: 70 }], personas: { '76561197960287930': 'Ann' } }) });
  const [slow, quick] = await Promise.all([
    call(host, 'leaderboard-find', { name: 'Slow', create: { sort: 'descending', display: 'numeric' } }),
    call(host, 'leaderboard-find', { name: 'Quick', create: { sort: 'ascending', display: 'seconds' } })]);
  assert.deepEqual([slow.value, quick.value], ['144115188075855873', '144115188075855874']);
  const answered = posted(host).filter((message) => message.type === 'steam-result').map((message) => message.value);
  assert.ok(answered.indexOf(quick.value) < answered.indexOf(slow.value), 'the quicker result answered first');
  const upload = await call(host, 'leaderboard-upload', { board: slow.value, score: 90, method: 'keep-best',
    details: [1, 2] });
  assert.deepEqual(upload.value, { scoreChanged: true, globalRankNew: 1, globalRankPrevious: 0 });
  const worse = await call(host, 'leaderboard-upload', { board: slow.value, score: 10, method: 'keep-best' });
  assert.deepEqual(worse.value, { scoreChanged: false, globalRankNew: 1, globalRankPrevious: 1 });
  const entries = await call(host, 'leaderboard-entries', { board: slow.value, range: 'global', start: 1, end: 10 });
  assert.deepEqual(entries.value, [
    { rank: 1, score: 90, steamId: '76561197960287930', personaName: 'Ann', details: [1, 2] },
    { rank: 2, score: 70, steamId: '76561197960287931', personaName: null, details: [] }]);
  const gone = await call(host, 'leaderboard-find', { name: 'Nobody' });
  assert.deepEqual([gone.ok, gone.error], [false, 'Steam has no leaderboard of that name']);
  assert.deepEqual(steamLog(host).filter((entry) => entry.call === 'GetAPICallResult').map((entry) => entry.args[2]),
    [1104, 1104, 1106, 1106, 1105, 1104], 'each result fetched once, as the callback it is');
});

test('a result that never comes back answers "timed out"; the game is answered meanwhile', async () => {
  const host = await ready({ manifest: steamGame(), files: steamFiles({ 'result-delays': [-1] }) });
  // The host's own 30 s bound, on top of an ordinary step.
  const waiting = call(host, 'leaderboard-find', { name: 'Lost' }, 30000 + DEADLINE_MS);
  assert.equal((await call(host, 'status')).ok, true, 'the UI thread is not held');
  const lost = await waiting;
  assert.deepEqual([lost.ok, lost.value, lost.error], [false, null, 'timed out']);
});

const ticketGame = steamGame({ 'app-id': 480, 'auth-identities': ['game-server', ''] });

test('auth-ticket: the ticket as hex; a failure with its result code; at most 16 live, all cancelled before shutdown', async () => {
  const host = await ready({ manifest: ticketGame, files: steamFiles({ 'result-delays': [2, 1] }) });
  const [first, second] = await Promise.all([call(host, 'auth-ticket', { identity: 'game-server' }),
    call(host, 'auth-ticket', { identity: '' })]);
  assert.deepEqual([first.value, second.value], ['1400ab01', '1400ab02']);
  const long = await call(host, 'auth-ticket', { identity: 'x'.repeat(65) });
  assert.equal(long.error, '"identity" is longer than 64 bytes');
  for (let ticket = 3; ticket <= 17; ticket++) await call(host, 'auth-ticket', { identity: '' });
  await call(host, 'store-stats');
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const calls = steamLog(host).filter((entry) => /Ticket|StoreStats/.test(entry.call)).map((entry) => entry.call);
  assert.deepEqual(calls.slice(16, 19), ['GetAuthTicketForWebApi', 'CancelAuthTicket', 'StoreStats'],
    'the 17th ticket cancels the oldest at once');
  assert.deepEqual(steamLog(host).filter((entry) => entry.call === 'CancelAuthTicket').map((entry) => entry.args[0]),
    Array.from({ length: 17 }, (_, index) => index + 1), 'the 16 live ones at shutdown');

  const failing = await ready({ manifest: ticketGame, files: steamFiles({ 'ticket-result': 2 }) });
  const failed = await call(failing, 'auth-ticket', { identity: 'game-server' });
  assert.deepEqual([failed.ok, failed.error], [false, 'Steam made no ticket (result 2)']);
});

test('"overlay-hosts" limits the overlay to pages of the listed hosts', async () => {
  const host = await ready({ manifest: steamGame({ 'app-id': 480, 'overlay-hosts': ['store.example.com'] }),
    files: steamFiles() });
  assert.equal((await call(host, 'activate-overlay-to-web-page', { url: 'https://store.example.com/a' })).ok, true);
  const refused = await call(host, 'activate-overlay-to-web-page', { url: 'https://store.example.com@evil.com/' });
  assert.equal(refused.error, '"url" is not on a host listed in "overlay-hosts"');
  assert.deepEqual(steamLog(host).filter((entry) => entry.call === 'ActivateGameOverlayToWebPage')
    .map((entry) => entry.args[0]), ['https://store.example.com/a']);
});

test('without Steam the new calls answer with the reason', async () => {
  const host = await ready({ manifest: steamGame({ 'app-id': 480, 'auth-identities': ['x'] }) });
  for (const [name, fields] of [['cloud-list', {}], ['leaderboard-find', { name: 'B' }],
    ['auth-ticket', { identity: 'x' }]])
    assert.equal((await call(host, name, fields)).error, 'steam_api64.dll is not in the program\'s folder');
});

// What the document script posts when a field takes the focus (tests/e2e/window.test.mjs
// focuses fields in the engine).
const focused = (mode, x, y, width, height, devicePixelRatio) =>
  JSON.stringify({ type: 'text-field-focused', mode, x, y, width, height, devicePixelRatio });
const keyboardsShown = (host) => steamLog(host).filter((entry) => entry.call === 'ShowFloatingGamepadTextInput')
  .map((entry) => entry.args);

test('on a Deck a focused text field opens Steam\'s keyboard over it; the page may open it; its dismissal is an event', async () => {
  const host = await ready({ manifest: steamGame(), files: steamFiles({ deck: true }) });
  const scriptAt = host.calls.findIndex((entry) => entry.method === 'AddScriptToExecuteOnDocumentCreated');
  assert.ok(scriptAt >= 0 && scriptAt < host.calls.findIndex((entry) => entry.method === 'Navigate'),
    'the focus listener is in every document, the first one too');
  const { left, top } = host.callsTo('put_Bounds').at(-1).args[0];
  const { clientOrigin } = (await host.windows()).main;
  const [x, y] = [clientOrigin.x + left, clientOrigin.y + top];
  await host.postString(focused('multi-line', 10.4, 20, 300, 40, 1.5));
  await host.postString(JSON.stringify({ type: 'text-field-focused', mode: 'single-line', x: 'far' }));
  await host.postString(focused('single-line', 5, 6, 100, 20, 1));
  const answer = await call(host, 'show-text-input', { mode: 'multi-line' });
  assert.deepEqual([answer.ok, answer.error], [true, null]);
  assert.deepEqual(keyboardsShown(host), [[1, x + 16, y + 30, 450, 60], [0, x + 5, y + 6, 100, 20], [1, 0, 0, 0, 0]],
    'the textarea multi-line, the input single-line, in screen pixels; the malformed report did nothing');
  raiseCallbacks(host, ['callback 738']);
  await waitFor(() => posted(host).some((message) => message.type === 'steam-event' &&
    message.event === 'text-input-dismissed'), 'the dismissal event');
});

test('away from a Deck and Big Picture no keyboard opens and "show-text-input" says why; in Big Picture it opens', async () => {
  const desk = await ready({ manifest: steamGame(), files: steamFiles() });
  await desk.postString(focused('single-line', 5, 6, 100, 20, 1));
  const refused = await call(desk, 'show-text-input');
  assert.deepEqual([refused.ok, refused.error], [false, 'Steam\'s keyboard is only for a Steam Deck or Big Picture']);
  assert.deepEqual(keyboardsShown(desk), []);
  const bigPicture = await ready({ manifest: steamGame(), files: steamFiles({ 'big-picture': true }) });
  assert.equal((await call(bigPicture, 'show-text-input')).ok, true);
  assert.deepEqual(keyboardsShown(bigPicture), [[0, 0, 0, 0, 0]]);
});
