// Failures of the browser's processes at run time, the context menu, and the
// author's log that records what happened.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { APP_ORIGIN, authorLogOf, binFolder, removeUserData, standinUserFolder, waitFor, hostsOfThisFile, windowsPath,
  userDataFolderOf, wineExec } from './lib/host.mjs';

const { start, ready } = hostsOfThisFile();

const BROWSER_EXITED = 0, RENDER_EXITED = 1, UNRESPONSIVE = 2, GPU_EXITED = 6;
const CRASHED = 'The application stopped unexpectedly and could not be restarted.';

// The user data folder of an application in the test prefix, and its log.
const logOf = authorLogOf;
const readLog = (name) => fs.existsSync(logOf(name)) ? fs.readFileSync(logOf(name), 'utf8') : '';
const freshLog = removeUserData;
const LINE = /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z .*$/;

// The "lastRun" a new start tells the page, and the files of the report it names.
async function lastRunOf(name) {
  const host = await ready({ manifest: { name }, keepCrashReports: true });
  await host.postString('{"type":"wrapper-init"}');
  const { lastRun } = JSON.parse(host.posts().at(-1).json);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const files = lastRun?.report ? readZip(path.join(userDataFolderOf(name), lastRun.report)) : {};
  return { lastRun, files };
}

// A zip's stored entries, by name.
function readZip(file) {
  const zip = fs.readFileSync(file);
  const end = zip.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  const files = {};
  for (let at = zip.readUInt32LE(end + 16), count = zip.readUInt16LE(end + 10); count > 0; --count) {
    const [size, nameLength, offset] = [zip.readUInt32LE(at + 24), zip.readUInt16LE(at + 28), zip.readUInt32LE(at + 42)];
    const name = zip.toString('utf8', at + 46, at + 46 + nameLength);
    const data = offset + 30 + zip.readUInt16LE(offset + 26);
    files[name] = zip.subarray(data, data + size);
    at += 46 + nameLength;
  }
  return files;
}

async function expectCrashedBox(host, text = CRASHED, caption = 'Quorrin') {
  const dialog = await host.dialog();
  assert.deepEqual({ caption: dialog.caption, text: dialog.text, icon: dialog.icon, buttons: dialog.buttons },
    { caption, text, icon: 'error', buttons: ['OK'] });
  await host.press('OK');
  assert.equal(await host.waitForExit(), 1);
}

test('a renderer that exits is reloaded, three times a minute; the fourth time ends with the message', async () => {
  freshLog('renderer');
  const host = await ready({ manifest: { name: 'renderer' } });
  await host.raise('DOMContentLoaded');
  for (let reloads = 1; reloads <= 3; ++reloads) {
    assert.equal((await host.raise('ProcessFailed', { kind: RENDER_EXITED })).invoked, 1);
    // After the handler has returned, from the message loop.
    await waitFor(() => host.callsTo('Reload').length === reloads, `reload ${reloads}`);
    assert.equal((await host.windows()).main.visible, true, 'the window stays');
  }
  host.raise('ProcessFailed', { kind: RENDER_EXITED }).catch(() => {});
  const main = (await host.windows()).main.handle;
  assert.equal((await host.dialog()).owner, main, 'the last message is owned by the window');
  // Failures while the message is up change nothing: still one box.
  assert.equal((await host.raise('ProcessFailed', { kind: RENDER_EXITED })).invoked, 1);
  assert.equal((await host.windows()).dialogs.length, 1);
  await expectCrashedBox(host);
  assert.equal(host.callsTo('Reload').length, 3);
  const log = readLog('renderer');
  assert.equal(log.split('\n').filter((line) => line.includes('render process exited: reloading')).length, 4);
  assert.match(log, /the page could not be restarted: ending\n.*message box: The application stopped/);
  assert.match(log, /exit code 1\n$/);

  // The next start zips what the runtime reported, and tells the page.
  const { lastRun, files } = await lastRunOf('renderer');
  assert.deepEqual({ ...lastRun, report: undefined }, { crashed: true, kind: 'renderer', report: undefined });
  assert.match(lastRun.report, /^crash-reports\/\d{8}-\d{6}\.zip$/);
  const reports = Object.keys(files).filter((name) => name.startsWith('runtime-reports/standin-'));
  assert.equal(reports.length, 5, 'one report per renderer that exited');
  assert.match(files['about.txt'].toString(), /^application: renderer\n[^]*crashed: renderer\n/);
  assert.match(files['quorrin.log'].toString(), /render process exited: reloading[^]*exit code 1\n$/);
  assert.match(readLog('renderer'), /the last run crashed \(renderer\): its report is crash-reports\/\d{8}-\d{6}\.zip\n/);
});

test('the manifest\'s own "crashed" text', async () => {
  const host = await ready({ manifest: { name: 'own-text', window: { title: 'Spiel' },
    messages: { crashed: 'Kaputt.' } } });
  for (let i = 0; i < 3; ++i) await host.raise('ProcessFailed', { kind: RENDER_EXITED });
  host.raise('ProcessFailed', { kind: RENDER_EXITED }).catch(() => {});
  await expectCrashedBox(host, 'Kaputt.', 'Spiel');
});

// The page counts as responding again once it posts a message or loads a document.
test('a hung renderer: one question per hang, owned by the window; Yes creates the browser again', async () => {
  freshLog('hung');
  const host = await ready({ manifest: { name: 'hung', messages: { unresponsive: 'Hung. Restart?' } } });
  const main = (await host.windows()).main.handle;
  await host.raise('ProcessFailed', { kind: UNRESPONSIVE });
  const dialog = await host.dialog();
  assert.deepEqual({ text: dialog.text, icon: dialog.icon, buttons: dialog.buttons, owner: dialog.owner },
    { text: 'Hung. Restart?', icon: 'question', buttons: ['&Yes', '&No'], owner: main });
  // The runtime repeats the event while the page hangs: no second box, before or after No.
  assert.equal((await host.raise('ProcessFailed', { kind: UNRESPONSIVE })).invoked, 1);
  assert.equal((await host.windows()).dialogs.length, 1);
  await host.press('&No');
  await waitFor(async () => (await host.windows()).dialogs.length === 0, 'the box to close');
  for (let repeat = 0; repeat < 3; ++repeat)
    await host.raise('ProcessFailed', { kind: UNRESPONSIVE });
  assert.equal((await host.windows()).dialogs.length, 0, 'not asked again for the same hang');

  // The page responded, then hung again: a new hang, a new question.
  await host.postString('{"type":"ignored"}');
  await host.raise('ProcessFailed', { kind: UNRESPONSIVE });
  await host.dialog();
  await host.press('&Yes');
  await waitFor(() => host.callsTo('Navigate').length === 2, 'the new browser\'s navigation');
  assert.equal(host.callsTo('Reload').length, 0, 'a hung renderer is not trusted to reload');
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 2);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const log = readLog('hung');
  assert.equal(log.split('\n').filter((line) => line.includes('question box: Hung.')).length, 2);
  assert.match(log, /render process unresponsive: the player is already asked about this hang/);
});

test('a browser exit while the hang question is open: one new browser, whatever the answer', async () => {
  const host = await ready({ manifest: { name: 'hung-then-exit' } });
  await host.raise('ProcessFailed', { kind: UNRESPONSIVE });
  await host.dialog();
  await host.raise('ProcessFailed', { kind: BROWSER_EXITED });
  await host.windows();
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 1, 'not inside the box');
  await host.press('&Yes');
  await waitFor(() => host.callsTo('Navigate').length === 2, 'the new browser');
  await host.windows();
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 2, 'one restart for one failure');
});

test('Yes to a hung page counts against the restarts of a minute', async () => {
  const host = await ready({ manifest: { name: 'hung-budget' } });
  for (let starts = 2; starts <= 4; ++starts) {
    await host.raise('ProcessFailed', { kind: BROWSER_EXITED });
    await waitFor(() => host.callsTo('Navigate').length === starts, `navigation ${starts}`);
  }
  await host.raise('ProcessFailed', { kind: UNRESPONSIVE });
  await host.dialog();
  await host.press('&Yes');
  await waitFor(async () => (await host.windows()).dialogs[0]?.text === CRASHED, 'the last message');
  await expectCrashedBox(host);
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 4);
});

test('a browser created again while the window is minimised starts hidden at the window\'s size', async () => {
  const host = await ready({ manifest: { name: 'minimised' } });
  await host.raise('DOMContentLoaded');
  const { client } = (await host.windows()).main;
  await host.showWindow('minimize');
  await host.raise('ProcessFailed', { kind: BROWSER_EXITED });
  await waitFor(() => host.callsTo('Navigate').length === 2, 'the second navigation');
  const second = host.calls.indexOf(host.callsTo('CreateCoreWebView2Controller')[1]);
  const placing = host.calls.slice(second).filter((call) => ['put_IsVisible', 'put_Bounds'].includes(call.method))
    .map((call) => [call.method, call.args[0]]);
  assert.deepEqual(placing.slice(0, 2), [['put_IsVisible', false], ['put_Bounds', client]]);
  await host.raise('DOMContentLoaded');
  assert.equal((await host.windows()).browser.visible, false, 'a loaded page stays hidden while minimised');
  await host.showWindow('restore');
  await waitFor(async () => (await host.windows()).browser.visible, 'the control shown on restore');
  assert.deepEqual((await host.windows()).browser.client, client);
});

test('a browser process that exits is created again in the same window and navigated again', async () => {
  const host = await ready({ manifest: { name: 'browser-exit' } });
  await host.raise('DOMContentLoaded');
  const before = await host.windows();
  await host.raise('ProcessFailed', { kind: BROWSER_EXITED });
  await waitFor(() => host.callsTo('Navigate').length === 2, 'the second navigation');
  for (const method of ['CreateCoreWebView2EnvironmentWithOptions', 'CreateCoreWebView2Controller',
    'put_IsScriptEnabled', 'add_WebResourceRequested', 'add_ProcessFailed'])
    assert.equal(host.callsTo(method).length, 2, method);
  assert.equal(host.callsTo('Close').length, 1, 'the dead controller is closed');
  assert.deepEqual(host.callsTo('Navigate')[1].args, [APP_ORIGIN + 'index.html']);
  const after = await host.windows();
  assert.equal(after.main.handle, before.main.handle);
  assert.equal(host.callsTo('CreateCoreWebView2Controller')[1].args[0], before.main.handle);
  // The new browser answers requests, and the window shows its page.
  const answer = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + 'missing.html' });
  assert.equal(answer.response.status, 404);
  await host.raise('DOMContentLoaded');
  assert.equal((await host.windows()).main.visible, true);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(host.live, {}, 'every browser object, old and new, was released');
});

test('a browser that keeps exiting ends with the message after three new starts', async () => {
  const host = await ready({ manifest: { name: 'browser-loop' } });
  for (let starts = 2; starts <= 4; ++starts) {
    await host.raise('ProcessFailed', { kind: BROWSER_EXITED });
    await waitFor(() => host.callsTo('Navigate').length === starts, `navigation ${starts}`);
  }
  host.raise('ProcessFailed', { kind: BROWSER_EXITED }).catch(() => {});
  await expectCrashedBox(host);
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 4);
});

test('GPU and other helper processes are left to the runtime, and logged', async () => {
  freshLog('gpu');
  const host = await ready({ manifest: { name: 'gpu' } });
  for (const kind of [GPU_EXITED, 3, 4, 5, 9])
    assert.equal((await host.raise('ProcessFailed', { kind })).invoked, 1);
  assert.equal(host.callsTo('Reload').length, 0);
  assert.equal(host.callsTo('CreateCoreWebView2EnvironmentWithOptions').length, 1);
  const refused = await host.raise('ProcessFailed', { kind: 10 });
  assert.match(refused.error, /not a process failure kind/);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.match(readLog('gpu'), /GPU process exited: left to the runtime/);
  assert.match(readLog('gpu'), /frame render process exited: left to the runtime/);
});

test('context menus: the control\'s own, only the editing items, or none', async () => {
  const offered = ['back', 'reload', 'separator', 'cut', 'copy', 'paste', 'selectAll', 'separator',
    'spellCheck', 'print', 'separator', 'inspectElement'];
  const menuOf = async (settings, config = {}) => {
    const host = await ready({ manifest: { name: 'menu', settings }, config });
    const result = await host.raise('ContextMenuRequested', { items: offered });
    host.close();
    await host.waitForExit();
    return { items: result.items, enabled: host.callsTo('put_AreDefaultContextMenusEnabled')[0].args[0],
      registered: host.callsTo('add_ContextMenuRequested').length };
  };
  assert.deepEqual(await menuOf({}), { items: offered, enabled: true, registered: 0 });
  assert.deepEqual(await menuOf({ 'context-menu': 'default' }), { items: offered, enabled: true, registered: 0 });
  assert.deepEqual(await menuOf({ 'context-menu': 'edit' }), { enabled: true, registered: 1,
    items: ['cut', 'copy', 'paste', 'selectAll', 'separator', 'spellCheck', 'separator', 'inspectElement'] });
  assert.deepEqual(await menuOf({ 'context-menu': 'edit', 'enable-devtools': false }), { enabled: true,
    registered: 1, items: ['cut', 'copy', 'paste', 'selectAll', 'separator', 'spellCheck'] });
  assert.deepEqual(await menuOf({ 'context-menu': 'none' }), { items: [], enabled: false, registered: 0 });
  // A runtime without ContextMenuRequested: no menu rather than one with Reload.
  assert.deepEqual(await menuOf({ 'context-menu': 'edit' }, { webview2_2: false, webview2_23: false }),
    { items: [], enabled: false, registered: 0 });
});

test('the log of a normal run: versions, modes, folder and exit code, one stamped line each', async () => {
  // "at-once" opens the log after its window: the same lines.
  for (const window of [{}, { show: 'at-once' }]) {
    const name = `log-run${window.show ? '-at-once' : ''}`;
    freshLog(name);
    const host = await ready({ manifest: { name, window, settings: { 'context-menu': 'none' } } });
    await host.postString('{"type":"extension-message","secret":"a player\'s chat"}');
    host.close();
    assert.equal(await host.waitForExit(), 0);
    const lines = readLog(name).split('\n').filter(Boolean);
    for (const line of lines) assert.match(line, LINE);
    const texts = lines.map((line) => line.slice(25));
    assert.match(texts[0], /^Quorrin \d+\.\d+\.\d+ starting on Windows \d+\.\d+\.\d+$/);
    assert.deepEqual(texts.slice(1), [
      'modes: distribution evergreen, content bundle, context menu none, devtools on',
      `program folder: Z:${host.folder.replaceAll('/', '\\')}\\`,
      'WebView2 runtime 127.0.2651.64 stand-in',
      'exit code 0']);
    assert.doesNotMatch(readLog(name), /chat/, 'no page message reaches the log');
  }
});

test('the log writes a program folder under the player\'s profile without the account name', async () => {
  freshLog('log-profile');
  const users = standinUserFolder.indexOf('/drive_c/users/') + '/drive_c/users/'.length;
  const profile = standinUserFolder.slice(0, standinUserFolder.indexOf('/', users));
  const folder = path.join(profile, 'Games', `log-profile-${process.pid}`);
  fs.mkdirSync(folder, { recursive: true });
  const host = await ready({ manifest: { name: 'log-profile' }, folder });
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const log = readLog('log-profile');
  fs.rmSync(folder, { recursive: true, force: true });
  assert.match(log, new RegExp(`program folder: %USERPROFILE%\\\\Games\\\\log-profile-${process.pid}\\\\\n`));
  assert.doesNotMatch(log, new RegExp(`users\\\\${path.basename(profile)}`, 'i'));
});

test('the log of a failed start names the failing call and its result', async () => {
  freshLog('log-fail');
  const host = await start({ manifest: { name: 'log-fail' }, config: { controllerResult: -2147467259 } });
  await host.dialog();
  await host.press('OK');
  assert.equal(await host.waitForExit(), 1);
  const log = readLog('log-fail');
  assert.match(log, /controller creation failed: 0x80004005\n.*message box: Failed to start the Microsoft Edge WebView2 runtime/);
  assert.match(log, /exit code 1\n$/);
});

test('a log past 1 MiB becomes quorrin.log.1; a log that cannot be written still starts', async () => {
  freshLog('log-big');
  fs.mkdirSync(path.dirname(logOf('log-big')), { recursive: true });
  fs.writeFileSync(logOf('log-big'), 'x'.repeat(1024 * 1024 + 1));
  const host = await ready({ manifest: { name: 'log-big' } });
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.equal(fs.statSync(logOf('log-big') + '.1').size, 1024 * 1024 + 1);
  assert.match(readLog('log-big'), /^\S+ Quorrin .*exit code 0\n$/s);

  // Tests run as root here, which file modes do not stop: a folder in the log's
  // place makes it as unwritable as a read-only folder would.
  freshLog('log-locked');
  fs.mkdirSync(logOf('log-locked'), { recursive: true });
  const locked = await ready({ manifest: { name: 'log-locked' } });
  locked.close();
  assert.equal(await locked.waitForExit(), 0);
  assert.equal(fs.statSync(logOf('log-locked')).isDirectory(), true);
});

test('a full log another program holds open without delete sharing: one notice, then nothing more', async (t) => {
  const LIMIT = 1024 * 1024;
  freshLog('log-held');
  fs.mkdirSync(path.dirname(logOf('log-held')), { recursive: true });
  fs.writeFileSync(logOf('log-held'), 'x'.repeat(LIMIT - 40) + '\n');
  const holder = spawn(wineExec, [path.join(binFolder, 'hold_file.exe'), windowsPath(logOf('log-held'))],
    { stdio: ['pipe', 'pipe', 'inherit'] });
  t.after(async () => { holder.stdin.end(); if (holder.exitCode === null) await once(holder, 'exit'); });
  assert.match(String((await once(holder.stdout, 'data'))[0]), /held/);
  const host = await ready({ manifest: { name: 'log-held' } });
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const log = readLog('log-held');
  assert.equal(fs.existsSync(logOf('log-held') + '.1'), false, 'the rename was refused');
  const lines = log.slice(LIMIT - 39).split('\n').filter(Boolean);
  assert.equal(lines.length, 1, lines.join('\n'));
  assert.match(lines[0], /Z the log cannot be rotated \(another program holds it open\); later lines of this run are dropped$/);
  assert.ok(log.length <= LIMIT + 256);
});

test('a crash of the host itself leaves a minidump, and the next start makes it a report', async () => {
  freshLog('host-crash');
  const host = await ready({ manifest: { name: 'host-crash', version: '2.1.0' }, extension: 'faulting' });
  await host.postString('{"type":"extension-message"}');
  assert.notEqual(await host.waitForExit(), 0);
  // Wine's own crash dialog would be its debugger's process.
  const debuggers = spawnSync('pgrep', ['-f', 'winedbg'], { encoding: 'utf8' }).stdout.trim();
  assert.equal(debuggers, '', 'no debugger and no crash box');
  const dump = fs.readFileSync(path.join(userDataFolderOf('host-crash'), 'crash-reports/last-run/host.dmp'));
  assert.equal(dump.toString('latin1', 0, 4), 'MDMP');
  // The exception stream (type 6) names the fault: an access violation.
  const streams = Array.from({ length: dump.readUInt32LE(8) }, (_, i) => dump.readUInt32LE(dump.readUInt32LE(12) + i * 12));
  const exception = dump.readUInt32LE(12) + streams.indexOf(6) * 12;
  assert.ok(streams.includes(6), 'an exception stream');
  assert.equal(dump.readUInt32LE(dump.readUInt32LE(exception + 8) + 8), 0xC0000005);

  const { lastRun, files } = await lastRunOf('host-crash');
  assert.equal(lastRun.kind, 'host');
  assert.deepEqual(files['host.dmp'], dump);
  assert.match(files['about.txt'].toString(), /^application: host-crash 2\.1\.0\nwindows: \d+\.\d+\.\d+\nruntime: 127\.0\.2651\.64 stand-in\n/);
  assert.match(files['quorrin.log'].toString(), /^\S+ Quorrin [^]*WebView2 runtime/);
  assert.doesNotMatch(files['quorrin.log'].toString(), /the last run crashed/, 'only the crashed run\'s lines');
  assert.equal((await lastRunOf('host-crash')).lastRun, undefined, 'told once');
});

test('a crash soon after each of three starts: the player is told where the reports are', async () => {
  const name = 'crash-loop';
  freshLog(name);
  const lastRunFolder = path.join(userDataFolderOf(name), 'crash-reports/last-run');
  fs.mkdirSync(lastRunFolder, { recursive: true });
  // Two quick crashes before, and a third: a run that crashed two seconds after its start.
  const started = Math.floor(Date.now() / 1000) - 2;
  fs.writeFileSync(path.join(lastRunFolder, 'run.json'), JSON.stringify({ started, quickCrashes: 2, name }));
  fs.writeFileSync(path.join(lastRunFolder, 'host.dmp'), 'MDMP');
  const host = await start({ manifest: { name, window: { title: 'Loop' } }, keepCrashReports: true });
  const dialog = await host.dialog();
  assert.equal(dialog.caption, 'Loop');
  assert.match(dialog.text, /soon after each of its last three starts[^]*\\AppData\\Local\\crash-loop\\crash-reports\n/);
  assert.deepEqual(dialog.buttons, ['&Yes', '&No']);
  await host.press('&No');
  await host.ready();
  host.close();
  assert.equal(await host.waitForExit(), 0);
  const record = JSON.parse(fs.readFileSync(path.join(lastRunFolder, 'run.json'), 'utf8'));
  assert.equal(record.quickCrashes, 0, 'the next box waits for three more');
});
