// The browser agent: speaks the stand-in WebView2 runtime's agent link and
// drives Debian's Chromium through playwright-core, so that Quorrin.exe under
// Wine runs real web applications. It maps the browser control onto the engine:
// navigations, resource requests answered by the host, the page's
// window.chrome.webview, DOMContentLoaded, title, full screen, window.close(),
// new windows, the viewport and the device scale. The engine always runs
// headless: its frames are painted in the controller's window (screen.mjs), and
// what a person does there is replayed into it (input.mjs).
import { once } from 'node:events';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

import { chromium } from 'playwright-core';

import { configMessage, onJsonLines, sendLine } from './agent_link.mjs';
import { APP_HOST, AppServer, SOURCE_KIND_HEADER, parseHeaderBlock } from './app_server.mjs';
import { DevToolsWindow } from './devtools_window.mjs';
import { INPUT_MESSAGES, replayInput } from './input.mjs';
import { Screen } from './screen.mjs';

// For benchmarks that start the engine on its own.
export { chromium };

export const CHROMIUM_FLAGS = ['--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--no-first-run', '--no-sandbox', '--disable-gpu',
  '--autoplay-policy=no-user-gesture-required'];

// Runs in every document before its own scripts: the page's side of the bridge.
const PAGE_BRIDGE = () => {
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
    Object.defineProperty(event, 'additionalObjects', { value: additionalObjects || [] });
    target.dispatchEvent(event);
  };
  window.close = () => window.__quorrinEvent('WindowCloseRequested', {});
  window.open = (url) => {
    window.__quorrinEvent('NewWindowRequested', { uri: new URL(url, location.href).href });
    return null;
  };
  document.addEventListener('click', (event) => {
    const link = event.target.closest && event.target.closest('a[target="_blank"]');
    if (link) {
      event.preventDefault();
      window.__quorrinEvent('NewWindowRequested', { uri: link.href });
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
};

// A WebView2 filter: "*" matches any run of characters.
function filterMatches(filter, uri) {
  const pattern = filter.split('*').map((part) => part.replace(/[.+?^${}()|[\]\\]/g, '\\$&')).join('.*');
  return new RegExp(`^${pattern}$`).test(uri);
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
  constructor(socket, { devToolsWindow }) {
    this.socket = socket;
    this.wantsDevToolsWindow = devToolsWindow;
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
      this.send(configMessage());
    } else if (INPUT_MESSAGES.has(message.type)) {
      // In arrival order: each waits only for the engine, never for a previous event.
      if (this.cdp) replayInput(this.cdp, message, this.scale);
    } else if (message.type === 'profile') {
      this.profileFolder = message.folder;
    } else if (message.type === 'frame-painted') {
      this.screen?.onPainted(message);
    } else if (message.type === 'result' && this.pending.has(message.id)) {
      this.pending.get(message.id)(message);
      this.pending.delete(message.id);
    } else if (message.type === 'call') {
      await this.onCall(message);
    }
  }

  async onCall({ method, args }) {
    this.callCounts[method] = (this.callCounts[method] || 0) + 1;
    if (method === 'put_IsVisible' && args[0] === true && !this.shownAt) this.shownAt = Date.now();
    if (method === 'CreateCoreWebView2EnvironmentWithOptions') this.ready = this.launch();
    if (!this.ready) return;
    const page = await this.ready;
    switch (method) {
    case 'AddWebResourceRequestedFilter': this.filters.push(args[0]); break;
    case 'Navigate': await this.navigate(args[0]); break;
    case 'put_Bounds': {
      const [{ left, top, right, bottom }] = args;
      if (right > left && bottom > top) await this.setViewport(right - left, bottom - top);
      break;
    }
    case 'put_IsVisible':
      // A hidden controller renders nothing, as the runtime throttles hidden views.
      await (args[0] ? this.screen.start() : this.screen.stop());
      break;
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
    if (this.wantsDevToolsWindow) this.devToolsWindow = await DevToolsWindow.create();
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
      executablePath: '/usr/bin/chromium', headless: true, viewport: null,
      args: [...CHROMIUM_FLAGS, `--force-device-scale-factor=${this.scale}`, ...this.appServer.chromiumFlags(),
        ...(this.devToolsWindow?.engineFlags() || [])] });
    const context = this.context;
    await context.exposeBinding('__quorrinEvent', ({ frame }, event, args) =>
      this.raise(event, event === 'WebMessageReceived' ? { source: frame.url(), ...args } : args));
    await context.exposeBinding('__quorrinCursor', (source, cursor) => this.send({ type: 'cursor', cursor }));
    await context.addInitScript(PAGE_BRIDGE);
    this.page = context.pages()[0] ?? await context.newPage();
    this.page.on('domcontentloaded', () => {
      this.domContentLoadedAt ??= Date.now();
      return this.raise('DOMContentLoaded');
    });
    // The context's routes also see what service workers ask for.
    await context.route('**/*', (route) => this.onRoute(route));
    this.cdp = await context.newCDPSession(this.page);
    await this.setViewport(800 * this.scale, 600 * this.scale);
    this.screen = new Screen(this.cdp, this.socket);
    await this.screen.start();
    this.page.on('framenavigated', (frame) => {
      if (frame === this.page.mainFrame()) this.screen.restart();
    });
    return this.page;
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
    await this.page.goto(uri, { waitUntil: 'commit' }).catch(() => {});
  }

  async close() {
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
// and a promise that settles once that runtime has gone and the browser is closed.
// devToolsWindow: OpenDevToolsWindow opens the engine's developer tools in a
// window on the display (for a person; tests leave it off).
export async function startBrowserAgent({ devToolsWindow = false } = {}) {
  let finish, connect;
  const finished = new Promise((resolve) => { finish = resolve; });
  const connected = new Promise((resolve) => { connect = resolve; });
  // No Nagle delay: every request to the stand-in is a small line, each awaited.
  const server = net.createServer({ noDelay: true }, async (socket) => {
    const session = new BrowserSession(socket, { devToolsWindow });
    connect(session);
    await session.closed;
    await session.close();
    server.close();
    finish();
  });
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  return { port: server.address().port, connected, finished };
}

// As a program: prints the port, then runs until the host has gone.
if (import.meta.url === `file://${process.argv[1]}`) {
  const agent = await startBrowserAgent({ devToolsWindow: process.argv.includes('--devtools-window') });
  console.log(agent.port);
  await agent.finished;
}
