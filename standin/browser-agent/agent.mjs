// The browser agent: speaks the stand-in WebView2 runtime's agent link and
// drives Debian's Chromium through playwright-core, so that Quorrin.exe under
// Wine runs real web applications. It maps the browser control onto the engine:
// navigations, resource requests answered by the host, the page's
// window.chrome.webview, DOMContentLoaded, title, full screen, window.close(),
// new windows and the viewport.
import net from 'node:net';
import { once } from 'node:events';

import { chromium } from 'playwright-core';

import { configMessage, onJsonLines, sendLine } from './agent_link.mjs';

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

// "Name: value" lines joined by line feeds, as the host builds them.
function parseHeaderBlock(block) {
  const headers = {};
  for (const line of (block || '').split('\n')) {
    const colon = line.indexOf(': ');
    if (colon > 0) headers[line.slice(0, colon)] = line.slice(colon + 2);
  }
  return headers;
}

// A WebView2 filter: "*" matches any run of characters.
function filterMatches(filter, uri) {
  const pattern = filter.split('*').map((part) => part.replace(/[.+?^${}()|[\]\\]/g, '\\$&')).join('.*');
  return new RegExp(`^${pattern}$`).test(uri);
}

class BrowserSession {
  constructor(socket, { headless }) {
    this.socket = socket;
    this.headless = headless;
    this.nextId = 1;
    this.pending = new Map();
    this.filters = [];
    this.ready = null;
    this.answers = []; // every answer the host gave: {uri, range, status, headers, body}
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
      this.send(configMessage());
    } else if (message.type === 'result' && this.pending.has(message.id)) {
      this.pending.get(message.id)(message);
      this.pending.delete(message.id);
    } else if (message.type === 'call') {
      await this.onCall(message);
    }
  }

  async onCall({ method, args }) {
    if (method === 'put_IsVisible' && args[0] === true && !this.shownAt) this.shownAt = Date.now();
    if (method === 'CreateCoreWebView2EnvironmentWithOptions') this.ready = this.launch();
    if (!this.ready) return;
    const page = await this.ready;
    switch (method) {
    case 'AddWebResourceRequestedFilter': this.filters.push(args[0]); break;
    case 'Navigate': await this.navigate(args[0]); break;
    case 'put_Bounds': {
      const [{ left, top, right, bottom }] = args;
      if (right > left && bottom > top) await page.setViewportSize({ width: right - left, height: bottom - top });
      break;
    }
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
    this.browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: this.headless,
      args: CHROMIUM_FLAGS });
    const context = await this.browser.newContext({ viewport: { width: 800, height: 600 } });
    await context.exposeBinding('__quorrinEvent', ({ frame }, event, args) =>
      this.raise(event, event === 'WebMessageReceived' ? { source: frame.url(), ...args } : args));
    await context.addInitScript(PAGE_BRIDGE);
    this.page = await context.newPage();
    this.page.on('domcontentloaded', () => {
      this.domContentLoadedAt ??= Date.now();
      return this.raise('DOMContentLoaded');
    });
    await this.page.route('**/*', (route) => this.onRoute(route));
    return this.page;
  }

  // Main-frame navigations ask the host first; requests under a filter are the host's to answer.
  async onRoute(route) {
    const request = route.request();
    const uri = request.url();
    if (request.isNavigationRequest() && request.frame() === this.page.mainFrame() && !this.navigating) {
      const decision = await this.raise('NavigationStarting', { uri });
      this.navigations.push({ uri, cancelled: decision.cancel });
      // ERR_ABORTED stops a navigation without an error page: the page stays.
      if (decision.cancel) return route.abort('aborted');
    }
    this.navigating = false;
    if (!this.filters.some((filter) => filterMatches(filter, uri))) return route.continue();
    const result = await this.raise('WebResourceRequested', { uri, method: request.method(),
      headers: await request.allHeaders() });
    const response = result.response;
    if (!response) return route.abort('failed');
    const headers = parseHeaderBlock(response.headers);
    const body = Buffer.from(response.body || '', 'base64');
    this.answers.push({ uri, range: request.headers().range, status: response.status, headers, body });
    return route.fulfill({ status: response.status, headers, body });
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
    if (this.browser) await this.browser.close().catch(() => {});
  }
}

// Listens on 127.0.0.1 for one stand-in runtime. Resolves with the port, the
// session once the runtime has connected (its page once the environment exists),
// and a promise that settles once that runtime has gone and the browser is closed.
export async function startBrowserAgent({ headless = true } = {}) {
  let finish, connect;
  const finished = new Promise((resolve) => { finish = resolve; });
  const connected = new Promise((resolve) => { connect = resolve; });
  // No Nagle delay: every request to the stand-in is a small line, each awaited.
  const server = net.createServer({ noDelay: true }, async (socket) => {
    const session = new BrowserSession(socket, { headless });
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
  const headless = !process.argv.includes('--headed');
  const agent = await startBrowserAgent({ headless });
  console.log(agent.port);
  await agent.finished;
}
