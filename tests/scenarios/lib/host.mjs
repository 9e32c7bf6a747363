// Runs Quorrin.exe under Wine in a temporary application folder, as the agent of
// its stand-in WebView2 runtime: sees every call the host makes on the browser
// control, raises events, queries windows and reads the exit code.
import { spawn, spawnSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { configMessage, onJsonLines, sendLine } from '../../../standin/browser-agent/agent_link.mjs';
import { disposalOfThisFile } from './disposal.mjs';
import { DEADLINE_MS, SLOWER, deadline, waitFor, withDeadline } from './deadline.mjs';
import { endProcess, endWithThisProcess, linuxProcessOf, peakResidentAnonymousBytes,
  residentAnonymousBytes } from './wine_process.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
export const binFolder = process.env.QUORRIN_BIN || path.join(root, 'build/windows/bin');
export const wineExec = path.join(root, 'scripts/wine-exec');
export { DEADLINE_MS, deadline, SLOWER, waitFor, withDeadline } from './deadline.mjs';
export { endWithThisProcess, peakResidentAnonymousBytes, residentAnonymousBytes } from './wine_process.mjs';

export const APP_ORIGIN = 'https://app.localhost/';

// The stand-in runtime's per-user folder in the test prefix: its presence marker
// (an installed evergreen runtime) and the stand-in bootstrapper's record of runs.
const prefix = process.env.WINEPREFIX || path.join(root, 'build/wine/prefix');
export const standinUserFolder = path.join(prefix, 'drive_c/users', os.userInfo().username,
  'AppData/Local/WebView2Standin');
export const RUNTIME_MARKER = 'webview2-standin.marker';

// An application's folders in the test prefix's %LOCALAPPDATA%: its user data
// folder, named after it, and the author's log in the folder beside it.
const localAppData = path.dirname(standinUserFolder);
export const userDataFolderOf = (name) => path.join(localAppData, name);
// The application's saves in the Wine user's Saved Games folder, per Steam player when given.
export const savesFolderOf = (name, steamId = '') =>
  path.join(path.dirname(path.dirname(localAppData)), 'Saved Games', name, steamId);
export const authorLogOf = (name) => path.join(localAppData, `${name}-logs`, 'quorrin.log');
// Both gone: the next start has no saves and a log of its own.
export function removeUserData(name) {
  fs.rmSync(userDataFolderOf(name), { recursive: true, force: true });
  fs.rmSync(path.dirname(authorLogOf(name)), { recursive: true, force: true });
}

// Lays the stand-in runtime out as a fixed-version runtime the vendor's loader
// accepts: the folder's EBWebView\x64\EmbeddedBrowserWebView.dll.
export function layOutFixedRuntime(folder) {
  const target = path.join(folder, 'EBWebView/x64');
  fs.mkdirSync(target, { recursive: true });
  fs.copyFileSync(path.join(binFolder, 'standin-fixed-runtime/EmbeddedBrowserWebView.dll'),
    path.join(target, 'EmbeddedBrowserWebView.dll'));
}

export function setEvergreenRuntimeInstalled(installed) {
  fs.mkdirSync(standinUserFolder, { recursive: true });
  const marker = path.join(standinUserFolder, RUNTIME_MARKER);
  if (installed) fs.writeFileSync(marker, 'installed for the tests\n');
  else fs.rmSync(marker, { force: true });
}

// Runs a Windows program of the build to its end (for example reg.exe).
export function runWine(args) {
  const run = spawnSync(wineExec, args, { encoding: 'utf8', timeout: deadline(), killSignal: 'SIGKILL' });
  if (run.error) throw new Error(`${args.join(' ')} under Wine: ${run.error.message}`);
  return run;
}

// Sets the screen dpi for hosts started from now on.
export function setScreenDpi(dpi) {
  runWine(['reg', 'add', 'HKCU\\Control Panel\\Desktop', '/v', 'LogPixels', '/t', 'REG_DWORD',
    '/d', String(dpi), '/f']);
}

// The Windows form of a path on this machine (Wine's Z: drive).
export function windowsPath(unixPath) {
  return 'Z:' + path.resolve(unixPath).replaceAll('/', '\\');
}

// Makes url_recorder the shell's handler for these URL schemes and file
// extensions; returns a function that gives what it recorded since it was last called.
export function recordShellOpens({ schemes = [], extensions = [] }) {
  const recorder = path.join(binFolder, 'url_recorder.exe');
  const log = path.join(binFolder, 'url-recorder.log');
  const command = `"${windowsPath(recorder)}" "%1"`.replaceAll('\\', '\\\\').replaceAll('"', '\\"');
  const lines = ['Windows Registry Editor Version 5.00', ''];
  const openWith = (key) => lines.push(`[HKEY_CLASSES_ROOT\\${key}\\shell\\open\\command]`,
    `@="${command}"`, '');
  for (const scheme of schemes) {
    lines.push(`[HKEY_CLASSES_ROOT\\${scheme}]`, '"URL Protocol"=""', '');
    openWith(scheme);
  }
  for (const extension of extensions) {
    lines.push(`[HKEY_CLASSES_ROOT\\${extension}]`, '@="QuorrinTestFile"', '');
  }
  if (extensions.length) openWith('QuorrinTestFile');
  const regFile = path.join(os.tmpdir(), `quorrin-shell-${process.pid}.reg`);
  fs.writeFileSync(regFile, lines.join('\r\n'));
  runWine(['regedit', '/S', windowsPath(regFile)]);
  fs.rmSync(regFile);
  fs.rmSync(log, { force: true });
  // Each call gives the whole lines added since the last. The log is never
  // removed while a recorder may be writing to it: a line written into a file
  // already unlinked would be lost.
  let taken = 0;
  return () => {
    const text = fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : '';
    const end = text.lastIndexOf('\n') + 1;
    const recorded = text.slice(taken, end).split('\n').filter(Boolean);
    taken = Math.max(taken, end);
    return recorded;
  };
}

export class Host {
  constructor() {
    this.calls = [];
    this.progress = []; // every position given to a progress bar of the UI thread
    this.messages = [];
    this.linkErrors = []; // error results for lines the stand-in could not take as requests
    // The runtime's callback rules the host broke, as the stand-in saw it: every
    // one fails the test when the host is disposed of, unless taken by the test.
    this.violations = [];
    this.pending = new Map();
    this.nextId = 1;
    this.exitCode = undefined;
    this.live = undefined;
    // Settles once the stand-in has said hello and has its config.
    this.linkUp = new Promise((resolve) => { this.announceLinkUp = resolve; });
  }

  // Starts Quorrin.exe. options: manifest (object or raw text), files ({path: content}),
  // config (the agent's config), currentDirectory (default: the application folder).
  // track: the harness's disposal, given the host before anything can fail.
  static async start(options = {}, track = (host) => host) {
    const host = track(new Host());
    await host.#launch(options);
    return host;
  }

  // runtimeInstalled: whether an evergreen runtime is installed (default yes);
  // executable and args: another build of the host and its arguments; loader:
  // 'vendor' for the vendor's WebView2Loader.dll in place of the stand-in's;
  // fixedRuntime: the stand-in laid out as a fixed-version runtime in "webview2";
  // laidOut: the folder already holds the executable and its loader (a packaged program);
  // output: a file descriptor for the program's standard output and error (else stderr is read);
  // keepCrashReports: what an earlier test's run left for the next start is kept (else removed);
  // env: more environment variables for the program.
  async #launch({ manifest = { name: 'scenario' }, files = {}, config = {}, currentDirectory,
    folder, extension, runtimeInstalled = true, executable = 'Quorrin.exe', args = [],
    loader = 'standin', fixedRuntime = false, laidOut = false, output, keepCrashReports = false, env: moreEnv = {} } = {}) {
    setEvergreenRuntimeInstalled(runtimeInstalled);
    // (A name too long for a folder has none to clear.)
    if (!keepCrashReports && typeof manifest?.name === 'string' && manifest.name.length < 200)
      fs.rmSync(path.join(userDataFolderOf(manifest.name), 'crash-reports'), { recursive: true, force: true });
    this.folder = folder || fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-'));
    // In the folder of a copy still running (folder), its program files stay as they are.
    const copy = (from, name) => (folder && fs.existsSync(path.join(folder, name))) ||
      fs.copyFileSync(from, path.join(this.folder, name));
    if (!laidOut) {
      copy(path.join(binFolder, executable), executable);
      copy(path.join(binFolder, loader === 'vendor' ? 'vendor-loader' : '', 'WebView2Loader.dll'), 'WebView2Loader.dll');
    }
    if (fixedRuntime) layOutFixedRuntime(path.join(this.folder, 'webview2'));
    // A test extension library (tests/extensions), as Brenmoor.dll.
    if (extension)
      fs.copyFileSync(path.join(binFolder, 'extensions', extension, 'Brenmoor.dll'),
        path.join(this.folder, 'Brenmoor.dll'));
    if (manifest !== null)
      this.writeFile('package.json', typeof manifest === 'string' ? manifest : JSON.stringify(manifest));
    for (const [name, content] of Object.entries(files)) this.writeFile(name, content);

    this.config = configMessage(config);
    // No Nagle delay: requests and answers are small lines, each awaited.
    this.server = net.createServer({ noDelay: true }, (socket) => this.#attach(socket));
    this.server.listen(0, '127.0.0.1');
    await once(this.server, 'listening');
    const env = { ...process.env, ...moreEnv,
      WEBVIEW2_STANDIN_AGENT: `127.0.0.1:${this.server.address().port}` };
    this.executable = path.resolve(this.folder, executable);
    const stdio = output === undefined ? ['ignore', 'ignore', 'pipe'] : ['ignore', output, output];
    this.process = endWithThisProcess(spawn(wineExec, [this.executable, ...args],
      { cwd: currentDirectory || this.folder, env, stdio }));
    this.stderr = '';
    this.process.stderr?.on('data', (chunk) => { this.stderr += chunk; });
    // Settled once the process has ended and everything it sent has been read.
    // Wine's server can hold an ended program's socket open: the link is then ended here.
    this.exited = once(this.process, 'exit').then(async ([code]) => {
      if (this.socket && !this.socket.destroyed) {
        await withDeadline(once(this.socket, 'close'), deadline(SLOWER.processExit),
          'the agent link to close').catch(() => this.socket.destroy());
      }
      this.exitCode = code;
      return code;
    });
  }

  writeFile(name, content) {
    const target = path.join(this.folder, name);
    fs.mkdirSync(path.dirname(target), { recursive: true });
    fs.writeFileSync(target, content);
  }

  #attach(socket) {
    this.socket = socket;
    onJsonLines(socket, (message) => this.#receive(message));
    // Requests still open when the process ends are never answered.
    socket.on('close', () => {
      for (const [id, settle] of this.pending) settle({ ended: true, id });
      this.pending.clear();
    });
  }

  #receive(message) {
    this.messages.push(message);
    if (message.type === 'hello') {
      sendLine(this.socket, this.config);
      this.announceLinkUp();
    }
    else if (message.type === 'call') this.calls.push(message);
    else if (message.type === 'exit') this.live = message.live;
    else if (message.type === 'violation') this.violations.push(`${message.rule}: ${message.detail}`);
    else if (message.type === 'progress') this.progress.push(message.position);
    else if (message.type === 'result' && message.id === null) this.linkErrors.push(message.error);
    else if (message.type === 'result' && this.pending.has(message.id)) {
      this.pending.get(message.id)(message);
      this.pending.delete(message.id);
    }
  }

  request(message) { return this.#request(message); }

  // Sends one raw line on the agent link, as a faulty agent might.
  async sendRawLine(text) {
    await withDeadline(this.linkUp, DEADLINE_MS, 'the stand-in runtime did not connect');
    this.socket.write(text + '\n');
  }

  async #request(message) {
    await withDeadline(this.linkUp, DEADLINE_MS, 'the stand-in runtime did not connect');
    const id = this.nextId++;
    if (!this.socket || this.socket.destroyed) throw new Error('Quorrin.exe has ended');
    const answered = new Promise((resolve, reject) => this.pending.set(id, (reply) =>
      reply.ended ? reject(new Error('Quorrin.exe has ended')) : resolve(reply)));
    sendLine(this.socket, { ...message, id });
    return withDeadline(answered, DEADLINE_MS, `no answer to ${JSON.stringify(message).slice(0, 300)}`);
  }

  // Calls made so far that match: method name, or a predicate on the call.
  callsTo(match) {
    const test = typeof match === 'function' ? match : (call) => call.method === match;
    return this.calls.filter(test);
  }

  waitForCall(match, what = String(match)) {
    return waitFor(() => this.callsTo(match)[0], `a call to ${what}`);
  }

  // Once the first Navigate has been issued the creation chain is complete.
  async ready() {
    try {
      await this.waitForCall('Navigate');
    } catch (error) {
      error.message += `\n${this.#startProgress()}`;
      throw error;
    }
    return this;
  }

  // How far a start got, for a start that did not complete.
  #startProgress() {
    const running = this.exitCode === undefined ? 'still running' : `exited with ${this.exitCode}`;
    const calls = this.calls.slice(-8).map((call) => call.method).join(', ') || 'none';
    return `Quorrin.exe ${running}; the stand-in ${this.socket ? 'connected' : 'never connected'};` +
      ` ${this.calls.length} calls, the last: ${calls}; stderr: ${this.stderr.slice(-2000) || 'empty'}`;
  }

  raise(event, args = {}) { return this.#request({ type: 'raise', event, args }); }

  // Page script posting text as a string message, from a document at source.
  postString(text, source = APP_ORIGIN + 'index.html') {
    return this.raise('WebMessageReceived', { source, string: text });
  }

  // What the host posted to the page so far: {json, objects} in order.
  posts() {
    return this.calls.filter((call) => call.method.startsWith('PostWebMessageAsJson'))
      .map((call) => ({ json: call.args[0], objects: call.args[1] }));
  }

  // The test extension library's record of its calls (hex strings decoded).
  extensionLog() {
    const log = path.join(this.folder, 'brenmoor.log');
    if (!fs.existsSync(log)) return [];
    return fs.readFileSync(log, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line));
  }

  async windows() { return this.#request({ type: 'query', what: 'window' }); }

  async liveObjects() { return (await this.#request({ type: 'query', what: 'objects' })).live; }

  // Waits for a message box and returns its description.
  async dialog() {
    return waitFor(async () => (await this.windows()).dialogs[0], 'a message box');
  }

  press(button = 'OK') { return this.#request({ type: 'press', button }); }

  // Moves ({x, y}) and/or sizes ({width, height}) the main window as a user would.
  setWindowPos(position) { return this.#request({ type: 'set-window-pos', ...position }); }

  // 'minimize', 'restore' or 'maximize' the main window, or 'focus' it (the window itself).
  showWindow(command) { return this.#request({ type: 'show-window', command }); }

  // WM_DPICHANGED as Windows sends it: the new dpi and a suggested window rectangle.
  dpiChanged(dpi, { left, top, right, bottom }) {
    return this.#request({ type: 'dpi-changed', dpi, left, top, right, bottom });
  }

  // With config.holdEnvironment, lets environment creation complete now.
  completeEnvironment() { return this.#request({ type: 'complete-environment' }); }

  close() { this.request({ type: 'close' }).catch(() => {}); }

  waitForExit(timeoutMs = DEADLINE_MS) {
    return withDeadline(this.exited, timeoutMs, 'Quorrin.exe did not exit');
  }

  // The Linux process running Quorrin.exe under Wine, while it runs.
  linuxPid() { return linuxProcessOf(this.executable, this.process.pid); }

  // Its anonymous resident memory: what grows when the host's heap does.
  residentAnonymousBytes() {
    const pid = this.linuxPid();
    if (!pid) throw new Error('Quorrin.exe has ended');
    return residentAnonymousBytes(pid);
  }

  // {peak, value}: the highest anonymous resident memory while `work` runs, and its value.
  peakResidentAnonymousBytes(work) {
    const pid = this.linuxPid();
    if (!pid) throw new Error('Quorrin.exe has ended');
    return peakResidentAnonymousBytes(pid, work);
  }

  // The violations so far, which then no longer fail the test.
  takeViolations() { return this.violations.splice(0); }

  // Ends the process if it still runs (closed as a user would, else killed by
  // its id) and removes the application folder. Safe to call more than once.
  // Fails when the host broke one of the runtime's callback rules.
  async dispose() {
    if (this.process && this.exitCode === undefined) {
      if (this.socket) this.close();
      await this.waitForExit(deadline(SLOWER.processExit)).catch(() => endProcess(this.process, this.executable));
      await withDeadline(this.exited, DEADLINE_MS, 'the agent link to close after Quorrin.exe ended');
    }
    this.server?.close();
    this.#removeFolder();
    const broken = this.takeViolations();
    if (broken.length) throw new Error(`the host broke the runtime's rules:\n${broken.join('\n')}`);
  }

  #removeFolder() {
    if (this.folder) fs.rmSync(this.folder, { recursive: true, force: true });
  }
}

// Starting hosts from a test file: a host started in a test is disposed of when
// that test ends, one started in a `before` hook when the file's tests end.
// ready() also waits until the creation chain has issued the first navigation.
export function hostsOfThisFile() {
  const track = disposalOfThisFile();
  const start = (options) => Host.start(options, track);
  return { start, ready: async (options) => (await start(options)).ready() };
}
