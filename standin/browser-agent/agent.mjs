// The browser agent: speaks the stand-in WebView2 runtime's agent link and
// drives Debian's Chromium through playwright-core, so that Quorrin.exe under
// Wine runs real web applications. It maps the browser control onto the engine:
// navigations, resource requests answered by the host, the page's
// window.chrome.webview, DOMContentLoaded, title, full screen, window.close(),
// new windows, the viewport, the device scale and the runtime's identity
// (identity.mjs). The engine always runs
// headless: its frames are painted in the controller's window (screen.mjs), and
// what a person does there is replayed into it (input.mjs).
import { once } from 'node:events';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

import { chromium } from 'playwright-core';

import { configMessage, onJsonLines, sendLine } from './agent_link.mjs';
import { APP_HOST, AppServer, SOURCE_KIND_HEADER, WARM_UP_HOST, parseHeaderBlock } from './app_server.mjs';
import { DevToolsWindow } from './devtools_window.mjs';
import { directoryHandleModel } from './directory_handles.mjs';
import { presentIdentity, runtimeIdentity } from './identity.mjs';
import { INPUT_MESSAGES, replayInput } from './input.mjs';
import { reloadPage, retireEngine, watchProcessFailures } from './process_failures.mjs';
import { Screen } from './screen.mjs';

// For benchmarks that start the engine on its own.
export { chromium };

export const CHROMIUM_FLAGS = ['--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--no-first-run', '--no-sandbox', '--disable-gpu'];

// The host's browser arguments the engine is started with, as the runtime
// would: media autoplay and background throttling. Others are the runtime's own
// business, or would unsettle the headless engine the agent drives.
const HONOURED_SWITCHES = /^--(autoplay-policy=[a-z-]+|disable-background-timer-throttling|disable-backgrounding-occluded-windows|disable-renderer-backgrounding)$/;

// Playwright would add the background switches to every engine: the runtime
// throttles unless the host asks otherwise.
const BACKGROUND_SWITCHES = ['--disable-background-timer-throttling',
  '--disable-backgrounding-occluded-windows', '--disable-renderer-backgrounding'];

export function honouredSwitches(additionalBrowserArguments) {
  return String(additionalBrowserArguments ?? '').split(/\s+/).filter((word) => HONOURED_SWITCHES.test(word));
}

// Runs in every document before its own scripts: the page's side of the bridge.
const PAGE_BRIDGE = () => {
  const makeDirectoryHandle = window.__quorrinDirectoryHandle;
  const target = new EventTarget();
  const webview = {
    postMessage(message) {
      if (typeof message === 'string') window.__quorrinEvent('WebMessageReceived', { string: message });
      else window.__quorrinEvent('WebMessageReceived', { json: JSON.stringify(message) ?? 'null' });
    },
    addEventListener: (type, listener) => target.addEventListener(type, listener),
    removeEventListener: (type, listener) => target.removeEventListener(type, listener),
  };
  window.chrome = window.chrome || {};
  window.chrome.webview = webview;
  window.__quorrinDeliver = (data, additionalObjects) => {
    const event = new MessageEvent('message', { data });
    const handles = (additionalObjects || []).map((described) =>
      (described && described.kind === 'directory' ? makeDirectoryHandle(described.path) : null));
    Object.defineProperty(event, 'additionalObjects', { value: handles });
    target.dispatchEvent(event);
  };
  window.close = () => window.__quorrinEvent('WindowCloseRequested', {});
  window.open = (url) => {
    // As the runtime tells it: a click or key just before, not script alone.
    window.__quorrinEvent('NewWindowRequested', { uri: new URL(url, location.href).href,
      userInitiated: !!(navigator.userActivation && navigator.userActivation.isActive) });
    return null;
  };
  document.addEventListener('click', (event) => {
    const link = event.target.closest && event.target.closest('a[target="_blank"]');
    if (link) {
      event.preventDefault();
      window.__quorrinEvent('NewWindowRequested', { uri: link.href, userInitiated: event.isTrusted });
    }
  }, true);
  // The cursor the page shows where the mouse is: its CSS cursor, with "auto"
  // as the engine resolves it for editable text and everything else.
  let cursor = 'default';
  document.addEventListener('mousemove', (event) => {
    const element = event.target instanceof Element ? event.target : null;
    let shown = element ? getComputedStyle(element).cursor : 'auto';
    if (shown === 'auto') {
      const editable = element && (element.isContentEditable || element.matches(
        'textarea, input:not([type=button], [type=submit], [type=reset], [type=checkbox], [type=radio], ' +
        '[type=range], [type=color], [type=file], [type=image])'));
      shown = editable ? 'text' : 'default';
    }
    if (shown !== cursor) window.__quorrinCursor(cursor = shown);
  }, true);
  document.addEventListener('fullscreenchange', () =>
    window.__quorrinEvent('ContainsFullScreenElementChanged', { value: !!document.fullscreenElement }));
  let title = null;
  const reportTitle = () => {
    if (document.title !== title) {
      title = document.title;
      window.__quorrinEvent('DocumentTitleChanged', { title });
    }
  };
  new MutationObserver(reportTitle).observe(document, { subtree: true, childList: true, characterData: true });
  document.addEventListener('DOMContentLoaded', reportTitle);
  // A hidden controller makes the document hidden, as the runtime does; a
  // headless engine never hides a page, so the page's view of it is modelled:
  // visibilityState, visibilitychange, and animation frames held until shown.
  let hidden = false;
  const held = new Map(); // animation frame id → callback, while hidden
  const requestFrame = window.requestAnimationFrame.bind(window);
  const cancelFrame = window.cancelAnimationFrame.bind(window);
  for (const [name, value] of [['visibilityState', () => (hidden ? 'hidden' : 'visible')], ['hidden', () => hidden]])
    Object.defineProperty(Document.prototype, name, { configurable: true, get: value });
  window.requestAnimationFrame = (callback) => {
    const id = requestFrame((time) => (hidden ? held.set(id, callback) : callback(time)));
    return id;
  };
  window.cancelAnimationFrame = (id) => { held.delete(id); cancelFrame(id); };
  window.__quorrinSetHidden = (value) => {
    if (value === hidden) return;
    hidden = value;
    document.dispatchEvent(new Event('visibilitychange'));
    if (!hidden) for (const [id, callback] of held) { held.delete(id); requestFrame(callback); }
  };
};

// A WebView2 filter: "*" matches any run of characters.
function filterMatches(filter, uri) {
  const pattern = filter.split('*').map((part) => part.replace(/[.+?^${}()|[\]\\]/g, '\\$&')).join('.*');
  return new RegExp(`^${pattern}$`).test(uri);
}

// The runtime saves a download in the user's Downloads folder under its own
// name, "name (1).ext" when that is taken; the automation library would keep it
// in a temporary folder it deletes.
async function saveDownload(download, folder) {
  if (!folder) return download.cancel();
  const { name, ext } = path.parse(download.suggestedFilename() || 'download');
  let target = path.join(folder, name + ext);
  for (let n = 1; fs.existsSync(target); n++) target = path.join(folder, `${name} (${n})${ext}`);
  await download.saveAs(target);
}

// Chromium's lock on a profile: a link to "HOST-PID" while that process lives.
function profileInUse(folder) {
  let owner;
  try {
    owner = fs.readlinkSync(path.join(folder, 'SingletonLock'));
  } catch {
    return false;
  }
  const [host, pid] = [owner.slice(0, owner.lastIndexOf('-')), Number(owner.slice(owner.lastIndexOf('-') + 1))];
  if (host !== os.hostname() || !(pid > 0)) return true;
  try {
    process.kill(pid, 0);
    return true;
  } catch (error) {
    return error.code === 'EPERM';
  }
}

class BrowserSession {
  constructor(socket, { devToolsWindow, paints }) {
    this.socket = socket;
    this.wantsDevToolsWindow = devToolsWindow;
    this.paints = paints;
    this.scale = 1; // device pixels per CSS pixel: the host's dpi / 96
    this.callCounts = {}; // method → how often the host called it
    this.nextId = 1;
    this.pending = new Map();
    this.filters = [];
    this.ready = null;
    // Every answer the host gave: {uri, range, sourceKind, status, headers, body (its
    // first MiB), bodyLength (what went out), complete}.
    this.answers = [];
    this.navigations = []; // every main-frame navigation asked about: {uri, cancelled}
    this.firstSeen = {}; // when each message type and called method first arrived (ms since 1970)
    onJsonLines(socket, (message) =>
      this.receive(message).catch((error) => console.error('browser agent:', error.message)));
    this.closed = new Promise((resolve) => socket.on('close', resolve));
  }

  send(message) { sendLine(this.socket, message); }

  request(message) {
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.pending.set(id, resolve);
      this.send({ ...message, id });
    });
  }

  raise(event, args = {}) { return this.request({ type: 'raise', event, args }); }

  // The host's windows, as the stand-in describes them.
  async windows() { return this.request({ type: 'query', what: 'window' }); }

  async receive(message) {
    this.firstSeen[message.type === 'call' ? message.method : message.type] ??= Date.now();
    if (message.type === 'hello') {
      this.scale = (message.dpi || 96) / 96;
      // The engine's processes end when the host closes its last controller.
      this.send(configMessage({ browserExitFromAgent: true }));
    } else if (INPUT_MESSAGES.has(message.type)) {
      // In arrival order: each waits only for the engine, never for a previous event.
      if (this.cdp) replayInput(this.cdp, message, this.scale);
    } else if (message.type === 'profile') {
      this.profileFolder = message.folder;
      this.downloadsFolder = message.downloads;
    } else if (message.type === 'frame-painted') {
      this.screen?.onPainted(message);
    } else if (message.type === 'violation') {
      // A runtime rule the host broke (the stand-in's callback rules).
      (this.violations ??= []).push(`${message.rule}: ${message.detail}`);
      console.error(`the host broke the runtime's rules: ${message.rule}: ${message.detail}`);
    } else if (message.type === 'result' && this.pending.has(message.id)) {
      this.pending.get(message.id)(message);
      this.pending.delete(message.id);
    } else if (message.type === 'browser-closing') {
      await this.endEngine();
    } else if (message.type === 'call') {
      await this.onCall(message);
    }
  }

  // The host closed its last controller: the engine writes out its profile and
  // ends, as the runtime's processes do, and only then is BrowserProcessExited
  // raised. A later environment starts a new engine on the same profile.
  async endEngine() {
    if (this.ready) {
      this.ready = retireEngine(this, this.ready);
      await this.ready;
      this.appServer = null;
    }
    await this.request({ type: 'browser-exited' });
  }

  async onCall({ method, args }) {
    this.callCounts[method] = (this.callCounts[method] || 0) + 1;
    if (method === 'put_IsVisible' && args[0] === true && !this.shownAt) this.shownAt = Date.now();
    if (method === 'CreateCoreWebView2EnvironmentWithOptions') {
      this.browserArguments = args[2]?.additionalBrowserArguments;
      this.browserSwitches = honouredSwitches(this.browserArguments);
      // A second environment follows a browser process failure: a new engine.
      const previous = this.ready;
      this.ready = previous ? retireEngine(this, previous).then(() => this.launch()) : this.launch();
    }
    if (!this.ready) return;
    await this.ready;
    const { page } = this; // a crashed renderer's page is replaced (process_failures.mjs)
    switch (method) {
    case 'AddWebResourceRequestedFilter':
    case 'AddWebResourceRequestedFilterWithRequestSourceKinds': this.filters.push(args[0]); break;
    case 'AddScriptToExecuteOnDocumentCreated':
      // In the order added, before any later navigation.
      this.scriptsAdded = Promise.all([this.scriptsAdded, this.context.addInitScript(args[0])]);
      await this.scriptsAdded;
      break;
    case 'Navigate': await this.scriptsAdded; await this.navigate(args[0]); break;
    case 'Reload': await reloadPage(this); break;
    case 'put_Bounds': {
      const [{ left, top, right, bottom }] = args;
      if (right > left && bottom > top) await this.setViewport(right - left, bottom - top);
      break;
    }
    case 'put_IsVisible':
      // A hidden controller renders nothing, as the runtime throttles hidden views.
      this.hidden = !args[0];
      await (args[0] ? this.startScreen() : this.screen.stop());
      await this.applyVisibility();
      break;
    case 'put_DefaultBackgroundColor': {
      // Shown where the page paints no background of its own.
      const [{ r, g, b, a }] = args;
      this.backgroundColor = { r, g, b, a: a / 255 };
      await this.applyBackgroundColor();
      break;
    }
    case 'OpenDevToolsWindow':
      if (this.devToolsWindow) await this.devToolsWindow.open(this.cdp, CHROMIUM_FLAGS);
      else console.error('browser agent: the host opened the developer tools (no window for them)');
      break;
    case 'PostWebMessageAsJson':
      await page.evaluate(([json]) => window.__quorrinDeliver(JSON.parse(json)), args).catch(() => {});
      break;
    case 'PostWebMessageAsJsonWithAdditionalObjects':
      await page.evaluate(([json, objects]) => window.__quorrinDeliver(JSON.parse(json), objects), args)
        .catch(() => {});
      break;
    default: break;
    }
  }

  async launch() {
    if (this.wantsDevToolsWindow) this.devToolsWindow ??= await DevToolsWindow.create();
    this.appServer = await AppServer.start(this);
    // The profile lives where the runtime keeps it, from one start to the next;
    // without a folder from the stand-in, or while another engine holds it, for
    // this run only (the runtime would share that engine; two cannot share here).
    if (this.profileFolder && profileInUse(this.profileFolder)) {
      console.error('browser agent: another engine holds', this.profileFolder, '- this run gets a fresh profile');
      this.profileFolder = null;
    }
    if (!this.profileFolder) this.temporaryProfile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-profile-'));
    // The engine's screen has the host's scale, so that frames come in device pixels;
    // the viewport is ours to set (setViewport), with the device scale.
    this.context = await chromium.launchPersistentContext(this.profileFolder ?? this.temporaryProfile, {
      executablePath: '/usr/bin/chromium', headless: true, viewport: null, ignoreDefaultArgs: BACKGROUND_SWITCHES,
      args: [...CHROMIUM_FLAGS, ...(this.browserSwitches || []), `--force-device-scale-factor=${this.scale}`,
        ...this.appServer.chromiumFlags(),
        ...(this.devToolsWindow?.engineFlags() || [])] });
    const context = this.context;
    this.identity = runtimeIdentity(context.browser().version(), this.browserArguments);
    await context.exposeBinding('__quorrinEvent', ({ frame }, event, args) =>
      this.raise(event, event === 'WebMessageReceived' ? { source: frame.url(), ...args }
        : event === 'FileWriteAccess' ? { ...args, uri: frame.url() } : args));
    await context.exposeBinding('__quorrinCursor', (source, cursor) => this.send({ type: 'cursor', cursor }));
    await context.addInitScript(directoryHandleModel);
    await context.addInitScript(PAGE_BRIDGE);
    // The context's routes also see what service workers ask for.
    await context.route('**/*', (route) => this.onRoute(route));
    const page = await this.openPage(800 * this.scale, 600 * this.scale);
    // Not awaited: it runs while the host makes its controller (WARM_UP_HOST).
    page.evaluate((uri) => fetch(uri, { mode: 'no-cors' }).catch(() => {}), `https://${WARM_UP_HOST}/`)
      .catch(() => {});
    return page;
  }

  // The engine's page with everything the agent watches on it; again after a
  // crashed renderer (a crashed page cannot be driven any more). A new engine's
  // persistent context comes with a page of its own: that one is the first.
  async openPage(width, height) {
    this.page = (!this.page && this.context.pages()[0]) || await this.context.newPage();
    this.page.on('domcontentloaded', async () => {
      this.domContentLoadedAt ??= Date.now();
      if (this.hidden) await this.applyVisibility(); // a new document starts as the controller is
      return this.raise('DOMContentLoaded');
    });
    this.cdp = await this.context.newCDPSession(this.page);
    await Promise.all([presentIdentity(this.cdp, this.identity), this.setViewport(width, height)]);
    await this.applyBackgroundColor(); // a page opened after a crash keeps the colour
    this.screen = new Screen(this.cdp, this.socket);
    await this.startScreen();
    // Events of a page let go (a retired engine closing) are not this session's.
    const page = this.page;
    page.on('framenavigated', (frame) => {
      if (this.page === page && frame === page.mainFrame()) this.screen.restart();
    });
    watchProcessFailures(this, this.context, this.page);
    this.page.on('dialog', (dialog) => this.showDialog(dialog)
      .catch((error) => console.error('browser agent: a script dialog failed:', error.message)));
    this.page.on('download', (download) => saveDownload(download, this.downloadsFolder)
      .catch((error) => console.error('browser agent: a download failed:', error.message)));
    return this.page;
  }

  // The runtime shows a page's alert, confirm and prompt as modal windows over
  // the host's (default script dialogs on): the stand-in shows them, and a
  // person's answer goes back to the page.
  async showDialog(dialog) {
    const kind = dialog.type() === 'beforeunload' ? 'confirm' : dialog.type();
    const answer = await this.request({ type: 'script-dialog', kind, message: dialog.message(),
      defaultText: dialog.defaultValue(), origin: new URL(this.page.url()).host });
    await (answer.accepted ? dialog.accept(answer.text) : dialog.dismiss());
  }

  // Before the first navigation the runtime shows only the default background
  // colour, whenever the host sets it: the engine's blank page is never shown.
  async startScreen() {
    if (this.navigated && this.paints) await this.screen.start();
  }

  async applyBackgroundColor() {
    if (this.backgroundColor)
      await this.cdp.send('Emulation.setDefaultBackgroundColorOverride', { color: this.backgroundColor }).catch(() => {});
  }

  async applyVisibility() {
    await this.page?.evaluate((hidden) => window.__quorrinSetHidden?.(hidden), !!this.hidden).catch(() => {});
  }

  // Main-frame navigations ask the host first. The app origin is served by the
  // app server, which hands each request to the host; elsewhere, requests under a
  // filter are the host's to answer.
  async onRoute(route) {
    const request = route.request();
    const uri = request.url();
    const fromServiceWorker = !!request.serviceWorker();
    if (!fromServiceWorker && request.isNavigationRequest() && request.frame() === this.page.mainFrame() &&
        !this.navigating) {
      const decision = await this.raise('NavigationStarting', { uri });
      this.navigations.push({ uri, cancelled: decision.cancel });
      // ERR_ABORTED stops a navigation without an error page: the page stays.
      if (decision.cancel) return route.abort('aborted');
    }
    this.navigating = false;
    if (new URL(uri).hostname === APP_HOST) {
      const headers = request.headers();
      if (!fromServiceWorker && !(SOURCE_KIND_HEADER in headers)) return route.continue();
      delete headers[SOURCE_KIND_HEADER]; // a page cannot pass for a worker
      return route.continue({ headers: fromServiceWorker ? { ...headers, [SOURCE_KIND_HEADER]: 'serviceWorker' } : headers });
    }
    if (!this.filters.some((filter) => filterMatches(filter, uri))) return route.continue();
    const result = await this.raise('WebResourceRequested', { uri, method: request.method(),
      headers: await request.allHeaders(), sourceKind: fromServiceWorker ? 'serviceWorker' : 'document' });
    // The runtime's own filters decide last: what none of them reaches goes to the network.
    if (result.filtered === false) return route.continue();
    const response = result.response;
    if (!response) return route.abort('failed');
    const headers = parseHeaderBlock(response.headers);
    const body = Buffer.from(response.body || '', 'base64');
    this.answers.push({ uri, range: request.headers().range, status: response.status, headers, body,
      bodyLength: body.length, complete: true });
    return route.fulfill({ status: response.status, headers, body });
  }

  // The controller's size in the window's pixels: the engine lays the page out in
  // CSS pixels at the host's device scale, and renders frames of that many pixels.
  async setViewport(width, height) {
    this.viewport = { width: Math.round(width / this.scale), height: Math.round(height / this.scale) };
    await this.cdp.send('Emulation.setDeviceMetricsOverride', { ...this.viewport,
      deviceScaleFactor: this.scale, mobile: false }).catch(() => {});
  }

  async navigate(uri) {
    const decision = await this.raise('NavigationStarting', { uri });
    this.navigations.push({ uri, cancelled: decision.cancel });
    if (decision.cancel) return;
    this.navigating = true; // already asked
    this.navigated = true;
    if (!this.hidden && this.paints) await this.screen.start();
    await this.page.goto(uri, { waitUntil: 'commit' }).catch(() => {});
  }

  async close() {
    this.closing = true;
    if (this.ready) await this.ready.catch(() => {});
    await this.devToolsWindow?.close();
    if (this.context) await this.context.close().catch(() => {});
    await this.appServer?.close();
    // The engine's helper processes may still be writing there for a moment.
    if (this.temporaryProfile)
      fs.rmSync(this.temporaryProfile, { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
  }
}

// Listens on 127.0.0.1 for one stand-in runtime. Resolves with the port, the
// session once the runtime has connected (its page once the environment exists),
// a promise that settles once that runtime has gone and the browser is closed,
// and `abandon`, for when the runtime's program has ended: it ends the link.
// devToolsWindow: OpenDevToolsWindow opens the engine's developer tools in a
// window on the display (for a person; tests leave it off). paints: false leaves
// the window unpainted (no screencast), so that a benchmark can tell what the
// agent's painting costs the engine from what the host costs it.
export async function startBrowserAgent({ devToolsWindow = false, paints = true } = {}) {
  let finish, connect;
  const finished = new Promise((resolve) => { finish = resolve; });
  const connected = new Promise((resolve) => { connect = resolve; });
  // No Nagle delay: every request to the stand-in is a small line, each awaited.
  let linkSocket = null;
  const server = net.createServer({ noDelay: true }, async (socket) => {
    linkSocket = socket;
    const session = new BrowserSession(socket, { devToolsWindow, paints });
    connect(session);
    await session.closed;
    await session.close();
    server.close();
    finish();
  });
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  // Once the runtime's program has ended: stop listening, and end a link that
  // is still open (Wine's server can hold a dead program's socket open), which
  // closes the browser as the link's own end would.
  const abandon = () => {
    server.close();
    if (linkSocket) linkSocket.destroy();
    else finish();
  };
  return { port: server.address().port, connected, finished, abandon };
}

// As a program: prints the port, then runs until the host has gone.
if (import.meta.url === `file://${process.argv[1]}`) {
  const agent = await startBrowserAgent({ devToolsWindow: process.argv.includes('--devtools-window') });
  console.log(agent.port);
  await agent.finished;
}
