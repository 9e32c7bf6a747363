// The preview server of "quorrin dev": the application's www/ folder with the
// content server's own rules (from the WebAssembly build of its portable code),
// the bridge shim injected into HTML pages, and a reload event when files change.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

import { inspectApplication } from './checks.mjs';
import { isInsideFolder } from './content-files.mjs';
import { folderIndexPath, manifestDetails, planResponse, relativePathFromUri,
  staysInContentFolder } from './rules.mjs';

const SHIM_PATH = '/__quorrin/bridge.js';
const EVENTS_PATH = '/__quorrin/events';
const SHIM = fs.readFileSync(new URL('bridge-shim.js', import.meta.url));
// The request's path is read after an origin of this length, as the program does.
const ORIGIN = 'http://localhost/';
const WATCH_INTERVAL_MS = 1000;
const WATCHED_FILES_LIMIT = 20000;
// Names a page of this computer reaches the server by; a page of another site
// that makes its own name resolve here (DNS rebinding) sends its own.
const LOCAL_HOSTS = ['localhost', '127.0.0.1', '[::1]'];

export function isLocalHostHeader(host, port) {
  const text = typeof host === 'string' ? host.toLowerCase() : '';
  return LOCAL_HOSTS.some((name) => text === `${name}:${port}` || (port === 80 && text === name));
}

function attribute(text) {
  return text.replace(/&/gu, '&amp;').replace(/"/gu, '&quot;').replace(/</gu, '&lt;');
}

// The manifest as the program reads it now: re-read on every request, so edits show on reload.
function readDetails(appFolder) {
  let bytes = Buffer.alloc(0);
  try {
    bytes = fs.readFileSync(path.join(appFolder, 'package.json'));
  } catch {
    // refused, as the program refuses it
  }
  return manifestDetails(bytes);
}

// What a page is told: the title and every reason the program would not start.
function readState(appFolder) {
  const { problems } = inspectApplication(appFolder);
  return { details: readDetails(appFolder), problems: problems.map((problem) => problem.message) };
}

// The content folder's file for a relative path: "/" and "\" both separate.
function fileFor(wwwFolder, relativePath) {
  return path.join(wwwFolder, ...relativePath.split(/[/\\]/u));
}

// Nothing whose real path leaves www/, whatever links lie on the way.
function staysInContentFolderOnDisk(wwwFolder, file) {
  try {
    return isInsideFolder(fs.realpathSync(wwwFolder), fs.realpathSync(file));
  } catch {
    return false;
  }
}

function statOf(file) {
  try {
    return fs.statSync(file);
  } catch {
    return null;
  }
}

// The same steps as the program's content server: path, containment, folder index.
export function resolveTarget(wwwFolder, requestUrl) {
  const relativePath = relativePathFromUri(ORIGIN.slice(0, -1) + requestUrl, ORIGIN.length);
  const target = { relativePath, file: fileFor(wwwFolder, relativePath), found: false, size: 0 };
  if (!staysInContentFolder(relativePath)) return target;
  let stat = statOf(target.file);
  if (stat?.isDirectory()) {
    const index = folderIndexPath(relativePath);
    if (!index) return target;
    target.relativePath = index;
    target.file = fileFor(wwwFolder, index);
    stat = statOf(target.file);
  }
  if (stat?.isFile() && staysInContentFolderOnDisk(wwwFolder, target.file)) {
    Object.assign(target, { found: true, size: stat.size });
  }
  return target;
}

function headersOf(plan) {
  const headers = {};
  for (const line of plan.headers) {
    const colon = line.indexOf(':');
    headers[line.slice(0, colon)] = line.slice(colon + 1).trim();
  }
  return headers;
}

function injectShim(html, state, reload) {
  const config = JSON.stringify({ title: state.details.ok ? state.details.title : '',
    problems: state.problems, reload });
  const tag = `<script src="${SHIM_PATH}" data-config="${attribute(config)}"></script>`;
  const text = html.toString('utf8');
  // First thing in <head> (or the document), before any script of the page.
  const head = /<head\b[^>]*>/iu.exec(text);
  if (head) return Buffer.from(text.slice(0, head.index + head[0].length) + tag +
    text.slice(head.index + head[0].length));
  const doctype = /^\s*<!doctype[^>]*>/iu.exec(text);
  const at = doctype ? doctype[0].length : 0;
  return Buffer.from(text.slice(0, at) + tag + text.slice(at));
}

function send(request, response, plan, target, options) {
  const headers = headersOf(plan);
  const bodyless = request.method === 'HEAD';
  const isPage = plan.status === 200 && /^text\/html/u.test(headers['Content-Type'] ?? '');
  if (isPage) {
    const page = injectShim(fs.readFileSync(target.file), readState(options.appFolder), options.reload);
    headers['Content-Length'] = String(page.length);
    response.writeHead(plan.status, plan.reason, headers);
    response.end(bodyless ? undefined : page);
    return;
  }
  response.writeHead(plan.status, plan.reason, headers);
  if (bodyless || plan.body === 'none') {
    response.end();
  } else if (plan.body === 'text') {
    response.end(plan.text);
  } else {
    const range = plan.body === 'file-range'
      ? { start: plan.first, end: plan.first + plan.length - 1 } : {};
    const stream = fs.createReadStream(target.file, range);
    stream.on('error', () => response.destroy());
    stream.pipe(response);
  }
}

// Signatures of every file below the watched paths; a change reloads the pages.
function snapshot(paths) {
  const parts = [];
  const visit = (file) => {
    if (parts.length > WATCHED_FILES_LIMIT) return;
    const stat = statOf(file);
    if (!stat) return;
    parts.push(`${file}:${stat.size}:${stat.mtimeMs}`);
    if (stat.isDirectory()) for (const name of fs.readdirSync(file)) visit(path.join(file, name));
  };
  paths.forEach(visit);
  return parts.join('\n');
}

function startWatching(appFolder, clients) {
  const watched = [path.join(appFolder, 'package.json'), path.join(appFolder, 'www')];
  let last = snapshot(watched);
  const timer = setInterval(() => {
    const now = snapshot(watched);
    if (now === last) return;
    last = now;
    for (const client of clients) client.write('event: reload\ndata: {}\n\n');
  }, WATCH_INTERVAL_MS);
  timer.unref();
  return timer;
}

// Starts the server; resolves to { url, port, close }.
export async function startDevServer({ appFolder, port = 8080, host = '127.0.0.1', reload = true }) {
  const wwwFolder = path.join(appFolder, 'www');
  const clients = new Set();
  const options = { appFolder, reload };
  const server = http.createServer((request, response) => {
    try {
      if (!isLocalHostHeader(request.headers.host, server.address().port)) {
        response.writeHead(403, { 'Content-Type': 'text/plain; charset=utf-8' });
        response.end('quorrin dev answers only http://localhost, 127.0.0.1 and [::1] on its port\n');
        return;
      }
      const pathOnly = request.url.split('?')[0];
      if (pathOnly === SHIM_PATH) {
        response.writeHead(200, { 'Content-Type': 'application/javascript; charset=utf-8',
          'Cache-Control': 'no-store', 'Cross-Origin-Resource-Policy': 'same-origin' });
        response.end(SHIM);
        return;
      }
      if (pathOnly === EVENTS_PATH) {
        response.writeHead(200, { 'Content-Type': 'text/event-stream', 'Cache-Control': 'no-store' });
        response.write(':\n\n');
        clients.add(response);
        request.on('close', () => clients.delete(response));
        return;
      }
      const target = resolveTarget(wwwFolder, request.url);
      const details = readDetails(appFolder);
      const plan = planResponse({ found: target.found, relativePath: target.relativePath,
        fileSize: target.found ? target.size : 0,
        range: target.found ? request.headers.range : undefined,
        isolation: details.ok && details.crossOriginIsolation });
      send(request, response, plan, target, options);
    } catch (error) {
      response.writeHead(500, { 'Content-Type': 'text/plain; charset=utf-8' });
      response.end(`quorrin dev: ${error.message}`);
    }
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, resolve);
  });
  const timer = reload ? startWatching(appFolder, clients) : null;
  const actualPort = server.address().port;
  return {
    port: actualPort,
    url: `http://localhost:${actualPort}/`,
    close: () => new Promise((resolve) => {
      if (timer) clearInterval(timer);
      for (const client of clients) client.end();
      server.close(resolve);
      server.closeAllConnections?.();
    }),
  };
}
