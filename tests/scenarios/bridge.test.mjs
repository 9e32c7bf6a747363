// Page script's messages, the directory handles and the extension library.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { APP_ORIGIN, authorLogOf, binFolder, savesFolderOf, waitFor, windowsPath, hostsOfThisFile }
  from './lib/host.mjs';

const { ready } = hostsOfThisFile();

const NO_COMPONENTS = '{"registeredComponentIds":[],"type":"wrapper-init-response"}';
const response = (ids) => JSON.stringify({ registeredComponentIds: ids, type: 'wrapper-init-response' });
const fromHex = (hex) => Buffer.from(hex, 'hex').toString('utf8');

test('wrapper-init posts 14 handles in their positions, then the response, every time', async () => {
  const host = await ready({ manifest: { name: 'handles' } });
  await host.postString('{"type":"wrapper-init"}');
  await host.postString('{"type":"wrapper-init"}');
  const posts = host.posts();
  assert.deepEqual(posts.map((post) => post.json), ['{"type":"directory-handles"}', NO_COMPONENTS,
    '{"type":"directory-handles"}', NO_COMPONENTS]);
  const handles = posts[0].objects;
  assert.equal(handles.length, 14);
  assert.deepEqual(posts[2].objects, handles, 'a second complete set');
  const paths = handles.map((handle) => handle && handle.path);
  assert.equal(paths[0], windowsPath(host.folder) + '\\');
  assert.equal(paths[1], windowsPath(host.folder) + '\\www\\', 'the content folder in full');
  assert.match(paths[2], /\\AppData\\Local\\handles$/);
  assert.match(paths[3], /\\AppData\\Local$/);
  assert.match(paths[4], /\\AppData\\Roaming$/);
  for (const [position, ending] of [[5, 'Desktop'], [6, 'Documents'], [7, 'Downloads'],
    [8, 'Pictures'], [10, 'Saved Games'], [12, 'Videos']])
    assert.ok(paths[position].endsWith('\\' + ending), `${position}: ${paths[position]}`);
  assert.ok(paths[13].endsWith('\\Saved Games\\handles\\'), paths[13]);
  // Wine cannot resolve the Screenshots folder: its position stays null and nothing shifts.
  assert.equal(handles[11], null);
  // Only the user data folder is read-write (1) unless the author names more.
  assert.deepEqual(handles.map((handle) => handle && handle.permission),
    [0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, null, 0, 0]);
});

test('"directory-handles" offers only the positions it names; the program folder opts in to writing', async () => {
  const host = await ready({ manifest: { name: 'chosen',
    settings: { 'directory-handles': ['saved-games', 'program'], 'writable-program-folder': true } } });
  await host.postString('{"type":"wrapper-init"}');
  const handles = host.posts()[0].objects;
  assert.equal(handles.length, 14, 'positions never shift');
  assert.deepEqual(handles.map((handle, position) => handle && [position, handle.permission]).filter(Boolean),
    [[0, 1], [10, 0]]);
  assert.equal(host.callsTo('CreateWebFileSystemDirectoryHandle').length, 2, 'nothing else is asked for');
});

test('posts reach the page only while the top-level document has its origin', async () => {
  const host = await ready({ manifest: { name: 'remote-top', main: 'https://example.com/game/',
    settings: { 'content-mode': 'remote' } }, extension: 'posting' });
  await host.postString('{"type":"wrapper-init"}', 'https://example.com/game/');
  assert.equal(host.posts().length, 2, 'handles and response on the application\'s own page');
  // Another site on top, with a frame of the application's origin still posting.
  await host.raise('SourceChanged', { uri: 'https://evil.net/' });
  await host.postString('{"type":"wrapper-init"}', 'https://example.com/game/');
  await host.postString('{"type":"extension-message"}', 'https://example.com/game/');
  await host.windows(); // the extension's turn in the message loop has come
  assert.equal(host.posts().length, 2, 'nothing for another origin\'s document');
  await host.raise('SourceChanged', { uri: 'https://EXAMPLE.com:443/other' });
  await host.postString('{"type":"extension-message"}', 'https://example.com/game/');
  await waitFor(() => host.posts().length === 3, 'the application\'s origin again');
});

for (const [label, config] of [['ICoreWebView2Environment14', { environment14: false }],
  ['ICoreWebView2_23', { webview2_23: false }]]) {
  test(`without ${label} there are no handles but the response still goes out`, async () => {
    const host = await ready({ config });
    await host.postString('{"type":"wrapper-init"}');
    assert.deepEqual(host.posts().map((post) => post.json), [NO_COMPONENTS]);
    assert.equal(host.callsTo('CreateWebFileSystemDirectoryHandle').length, 0);
  });
}

test('only string messages from the page origin are heard', async () => {
  const host = await ready();
  const ignored = [
    () => host.raise('WebMessageReceived', { source: APP_ORIGIN, json: '{"type":"wrapper-init"}' }),
    () => host.postString('{"type":"wrapper-init"}', 'https://example.com/'),
    () => host.postString('{"type":"wrapper-init"}', 'https://app.localhost.evil.net/'),
    () => host.postString('{"type":"Wrapper-Init"}'),
    () => host.postString('{"type":"wrapper-init "}'),
    () => host.postString('["wrapper-init"]'),
    () => host.postString('{"type":["wrapper-init"]}'),
    () => host.postString('plain words, not JSON'),
    () => host.postString('{"type":"wrapper-init"} trailing'),
  ];
  for (const send of ignored) await send();
  assert.deepEqual(host.posts(), []);
  await host.postString('{"type":"wrapper-init"}', APP_ORIGIN);
  assert.equal(host.posts().at(-1).json, NO_COMPONENTS, 'the next valid message is handled');
});

test('in remote mode a look-alike host is not the page', async () => {
  const host = await ready({ manifest: { name: 'remote', main: 'https://example.com',
    settings: { 'content-mode': 'remote' } } });
  for (const source of ['https://example.com.evil.net/', 'https://example.comx', 'https://evil.net/'])
    await host.postString('{"type":"wrapper-init"}', source);
  assert.deepEqual(host.posts(), []);
  for (const source of ['https://example.com', 'https://example.com/', 'https://example.com?x',
    'https://example.com#top'])
    await host.postString('{"type":"wrapper-init"}', source);
  assert.equal(host.posts().filter((post) => post.json === NO_COMPONENTS).length, 4);
});

test('window messages read their fields with defaults', async () => {
  const host = await ready({ manifest: { name: 'window', window: { width: 640, height: 480 } } });
  await host.raise('DOMContentLoaded');
  const client = async () => (await host.windows()).main.client;
  const frame = async () => (await host.windows()).main.window;

  await host.postString('{"type":"set-window-size","windowWidth":800.9,"windowHeight":600}');
  assert.deepEqual(await client(), { left: 0, top: 0, right: 800, bottom: 600 });
  await host.postString('{"type":"set-window-size","windowWidth":900}');
  await host.postString('{"type":"set-window-size","windowWidth":"900","windowHeight":700}');
  assert.deepEqual(await client(), { left: 0, top: 0, right: 800, bottom: 600 }, 'a size of 0 is ignored');

  await host.postString('{"type":"set-window-position","windowX":120,"windowY":70}');
  assert.deepEqual([(await frame()).left, (await frame()).top], [120, 70]);
  await host.postString('{"type":"set-window-position"}');
  assert.deepEqual([(await frame()).left, (await frame()).top], [0, 0]);

  // Page numbers of any size: the size within 65,536 pixels, the caption back on the screen.
  await host.postString('{"type":"set-window-size","windowWidth":2147483647,"windowHeight":2147483647}');
  const huge = await client();
  assert.ok(huge.right > 800 && huge.right <= 65536 && huge.bottom > 600 && huge.bottom <= 65536,
    JSON.stringify(huge));
  await host.postString('{"type":"set-window-size","windowWidth":640,"windowHeight":480}');
  await host.postString('{"type":"set-window-position","windowX":4294967295,"windowY":-2147483648}');
  const { monitor } = (await host.windows()).main;
  const back = await frame();
  assert.ok(back.top >= monitor.top && back.top < monitor.bottom && back.left >= monitor.left &&
    back.right <= monitor.right, `moved back onto the screen: ${JSON.stringify(back)}`);
  await host.postString('{"type":"set-window-position"}');

  const windowed = await frame();
  for (const text of ['{"type":"set-fullscreen"}', '{"type":"set-fullscreen","fullscreen":"true"}',
    '{"type":"set-fullscreen","fullscreen":1}'])
    await host.postString(text);
  assert.deepEqual(await frame(), windowed, 'anything but true means false');
  await host.postString('{"type":"set-fullscreen","fullscreen":true}');
  const full = (await host.windows()).main;
  assert.deepEqual(full.window, full.monitor);
  await host.raise('ContainsFullScreenElementChanged', { value: false });
  assert.deepEqual(await frame(), windowed, 'page messages and the control share one state');
});

test('a message longer than 1,048,576 characters, or nested past 64 levels, is dropped with a log line, at most 20 a minute; the next is heard', async () => {
  const name = `long-message-${process.pid}`;
  const log = authorLogOf(name);
  fs.rmSync(log, { force: true });
  const host = await ready({ manifest: { name } });
  const head = '{"type":"wrapper-init","pad":"';
  const message = (length) => head + 'x'.repeat(length - head.length - 2) + '"}';
  await host.postString(message(1048577));
  assert.deepEqual(host.posts(), []);
  await host.postString(message(1048576));
  assert.equal(host.posts().at(-1).json, NO_COMPONENTS, 'a message of exactly the limit is heard');
  const heard = host.posts().length;
  await host.postString(`{"type":"wrapper-init","id":${'['.repeat(70)}${']'.repeat(70)}}`);
  const lines = fs.readFileSync(log, 'utf8').split('\n');
  const dropped = lines.filter((line) => line.endsWith('a page message longer than 1,048,576 characters was dropped'));
  assert.equal(dropped.length, 1);
  assert.ok(lines.some((line) => line.endsWith('a page message was dropped: it nests deeper than 64 levels')));
  assert.equal(host.posts().length, heard, 'the deep message is not handled');

  // Lines the page causes (these and the read-only handles of each "wrapper-init")
  // stop at 20 a minute; the log's end counts the rest.
  for (let i = 0; i < 21; i++) await host.postString(message(1048577));
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const all = fs.readFileSync(log, 'utf8').split('\n');
  const pageCaused = all.filter((line) => / characters was dropped$| is read-only: | nests deeper than 64 levels$/.test(line));
  assert.equal(pageCaused.length, 20, pageCaused.join('\n'));
  const tried = 23 + pageCaused.filter((line) => line.includes(' is read-only: ')).length;
  assert.match(all.at(-2), new RegExp(`Z ${tried - 20} lines the page caused were dropped \\(at most 20 a minute\\)$`));
});

test('an extension library gets its folders, the window and every message byte for byte', async () => {
  const host = await ready({ manifest: { name: 'ext' }, extension: 'two_ids' });
  await host.postString('{"type":"wrapper-init"}');
  assert.equal(host.posts().at(-1).json, response(['alpha', 'beta']));
  const text = '{"type":"extension-message","to":"\u00e9t\u00e9 \u{1F600}","n":[1, 2]}';
  await host.postString(text);
  await host.postString('{"type":"extension-message"}');
  const { main } = await host.windows();
  host.close();
  assert.equal(await host.waitForExit(), 0);

  const log = host.extensionLog();
  assert.deepEqual(log.map((entry) => entry.call),
    ['Init', 'OnMainWindowCreated', 'OnExtensionMessage', 'OnExtensionMessage', 'Release', 'Detach']);
  const [init, created, first, second, , detach] = log;
  assert.equal(fromHex(init.applicationFolder), windowsPath(host.folder) + '\\');
  assert.equal(fromHex(init.contentFolder), 'www\\');
  assert.match(fromHex(init.userDataFolder), /\\AppData\\Local\\ext$/);
  assert.equal(init.post, true);
  assert.equal(created.window, main.handle);
  assert.equal(created.visible, false);
  assert.equal(fromHex(first.text), text);
  assert.equal(fromHex(second.text), '{"type":"extension-message"}');
  assert.equal(detach.byFreeLibrary, true, 'unloaded by the host, not by process exit');
});

test('component ids: none, a leading null, duplicates, empty and invalid UTF-8', async () => {
  for (const [extension, ids] of [['init_null', []], ['first_null', []],
    ['odd_ids', ['dup', 'dup', '', 'bad\ufffd']]]) {
    const host = await ready({ manifest: { name: extension }, extension });
    await host.postString('{"type":"wrapper-init"}');
    assert.equal(host.posts().at(-1).json, response(ids), extension);
  }
});

test('a library without all four entry points is not initialised but still hears messages', async () => {
  const host = await ready({ extension: 'only_message' });
  await host.postString('{"type":"wrapper-init"}');
  assert.equal(host.posts().at(-1).json, NO_COMPONENTS);
  await host.postString('{"type":"extension-message","x":1}');
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(host.extensionLog().map((entry) => entry.call), ['OnExtensionMessage', 'Detach']);
});

test('library posts: dropped before the browser exists, delivered in a message and in Release', async () => {
  const host = await ready({ extension: 'posting', files: { 'www/probe.bin': Buffer.alloc(4096, 1) } });
  // Map the probe file, so shutdown must release it before "Release" runs.
  const ranged = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + 'probe.bin',
    headers: { Range: 'bytes=10-19' } });
  assert.equal(ranged.response.status, 206);

  await host.postString('{"type":"extension-message"}');
  const reply = await host.waitForCall((call) => call.method === 'PostWebMessageAsJson', 'the reply');
  assert.deepEqual(reply.args, ['{"type":"from-message","reply":[1,2]}']);

  host.close();
  assert.equal(await host.waitForExit(), 0);
  const jsons = host.posts().map((post) => post.json);
  assert.ok(!jsons.includes('{"type":"from-init"}'));
  assert.ok(!jsons.includes('{"type":"from-main-window"}'));
  assert.equal(jsons.at(-1), '{"type":"from-release"}');

  // Shutdown order: mapped files released and the web view unpublished before
  // "Release"; the library unloaded by FreeLibrary; the browser objects last.
  const log = host.extensionLog();
  assert.deepEqual(log.slice(-3).map((entry) => entry.call), ['Release', 'ReleaseCheck', 'Detach']);
  assert.equal(log.at(-2).probeWritable, true);
  assert.equal(log.at(-1).byFreeLibrary, true);
  const significant = host.calls.filter((call) => !['AddRef', 'QueryInterface'].includes(call.method));
  const releasePost = significant.findIndex((call) => call.args[0] === '{"type":"from-release"}');
  assert.notEqual(significant[releasePost - 1].method, 'put_Bounds',
    'a size message during Release no longer reaches the browser control');
  // The session's teardown: registrations removed, the controller closed, its objects released.
  const teardown = significant.slice(releasePost + 1).map((call) => call.method);
  assert.ok(teardown.every((method) => method.startsWith('remove_') || ['Close', 'Release'].includes(method)),
    `the web view is torn down after the library: ${teardown}`);
  assert.equal(teardown.filter((method) => method === 'Close').length, 1);
  assert.deepEqual(teardown.slice(-4), ['Release', 'Release', 'Release', 'Release']);
  assert.deepEqual(host.live, {});
});

// The library's own code runs from the message loop, never inside the runtime's event.
test('an extension\'s box opens after the message handler returned, and holds deferred work back', async () => {
  const host = await ready({ extension: 'box_in_message' });
  await host.postString('{"type":"extension-message"}');
  const box = await host.dialog();
  assert.deepEqual({ caption: box.caption, text: box.text }, { caption: 'Brenmoor', text: 'From the extension.' });
  // A browser exit meanwhile: its new browser waits for the box.
  await host.raise('ProcessFailed', { kind: 0 });
  await host.windows();
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 1);
  await host.press('OK');
  await waitFor(() => host.callsTo('Navigate').length === 2, 'the new browser after the box');
  assert.deepEqual(host.extensionLog().map((entry) => entry.call).slice(-2), ['OnExtensionMessage', 'BoxClosed']);
});

test('an extension\'s post from a thread of its own reaches the page from the UI thread', async () => {
  const host = await ready({ extension: 'worker_post' });
  await host.postString('{"type":"extension-message"}');
  const posted = await host.waitForCall((call) => call.method === 'PostWebMessageAsJson', 'the post');
  assert.deepEqual(posted.args, ['{"type":"from-worker"}']);
});

test('a post that is not JSON is handed over as it is, and later posts still go out', async () => {
  const host = await ready({ extension: 'not_json' });
  await host.postString('{"type":"extension-message"}');
  await waitFor(() => host.posts().length === 2, 'both posts');
  assert.deepEqual(host.posts().map((post) => post.json), ['this is not JSON {', '{"type":"after-bad"}']);
});

test('an extension\'s dependency is found beside it, never in the current directory', async () => {
  const dependency = path.join(binFolder, 'extensions/needs_dependency/dependency/QuorrinDependency.dll');
  const elsewhere = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-cwd-'));
  fs.copyFileSync(dependency, path.join(elsewhere, 'QuorrinDependency.dll'));
  const logOf = authorLogOf;
  fs.rmSync(logOf('needy-cwd'), { force: true });
  const refused = await ready({ manifest: { name: 'needy-cwd' }, extension: 'needs_dependency',
    currentDirectory: elsewhere });
  await refused.postString('{"type":"wrapper-init"}');
  assert.equal(refused.posts().at(-1).json, NO_COMPONENTS);
  assert.match(fs.readFileSync(logOf('needy-cwd'), 'utf8'), /Brenmoor\.dll could not be loaded: error 126/);

  const beside = await ready({ manifest: { name: 'needy-beside' }, extension: 'needs_dependency',
    files: { 'QuorrinDependency.dll': fs.readFileSync(dependency) }, currentDirectory: elsewhere });
  await beside.postString('{"type":"wrapper-init"}');
  assert.equal(beside.posts().at(-1).json, response(['needy']), 'beside the library it loads');
  fs.rmSync(elsewhere, { recursive: true, force: true });
});

// Page script's save request; resolves with the host's save-result of the same id.
let nextSave = 1;
async function save(host, type, fields = {}) {
  const id = nextSave++;
  await host.postString(JSON.stringify({ type, id, ...fields }));
  return waitFor(() => host.posts().map((post) => JSON.parse(post.json))
    .find((message) => message.type === 'save-result' && message.id === id), `the answer to ${type}`);
}

test('saves: whole files in Saved Games\\<name>\\, long writes allowed, unfinished ones removed at start', async () => {
  const folder = savesFolderOf('saves-files');
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, '4-1.quorrin-partial'), 'torn');
  const host = await ready({ manifest: { name: 'saves-files',
    settings: { 'writable-directory-handles': ['saves'] } } });
  assert.deepEqual(fs.readdirSync(folder), [], 'what a killed write left is gone');
  const slot = JSON.stringify({ level: 3, name: 'Åsa' });
  assert.equal((await save(host, 'save-write', { name: 'slot1.json', text: slot })).ok, true);
  assert.equal(fs.readFileSync(path.join(folder, 'slot1.json'), 'utf8'), slot);
  // Longer than any other page message may be, without any "steam" key.
  const large = Buffer.alloc(1536 * 1024, 7);
  assert.equal((await save(host, 'save-write', { name: 'big.bin', base64: large.toString('base64') })).ok, true);
  assert.ok(fs.readFileSync(path.join(folder, 'big.bin')).equals(large));
  await host.postString(JSON.stringify({ type: 'save-list', id: 'long', pad: large.toString('base64') }));
  assert.equal((await save(host, 'save-read', { name: 'slot1.json' })).value, slot);
  assert.ok(!host.posts().some((post) => JSON.parse(post.json).id === 'long'), 'another long message is dropped');
  assert.equal((await save(host, 'save-read', { name: 'big.bin', as: 'base64' })).value.length, 2097152);
  const list = (await save(host, 'save-list')).value;
  assert.deepEqual(list.map(({ name, size }) => [name, size]), [['big.bin', 1572864], ['slot1.json', Buffer.byteLength(slot)]]);
  assert.ok(Math.abs(list[1].time - fs.statSync(path.join(folder, 'slot1.json')).mtimeMs) < 1000);
  const refused = await save(host, 'save-write', { name: '..\\escape', text: 'x' });
  assert.deepEqual([refused.ok, refused.call, refused.error],
    [false, 'save-write', '"name" must be one safe file name under 260 bytes']);
  assert.equal((await save(host, 'save-delete', { name: 'big.bin' })).ok, true);
  assert.equal((await save(host, 'save-read', { name: 'big.bin' })).error, 'there is no save big.bin');
  assert.deepEqual(fs.readdirSync(folder), ['slot1.json']);
  await host.postString('{"type":"wrapper-init"}');
  const handle = host.posts().find((post) => post.json === '{"type":"directory-handles"}').objects[13];
  assert.ok(handle.path.endsWith('\\Saved Games\\saves-files\\'), handle.path);
  assert.equal(handle.permission, 1, 'named writable');
});
