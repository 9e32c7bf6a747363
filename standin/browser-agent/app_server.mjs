// The app origin as the engine reaches it: Chromium resolves app.localhost to
// this HTTPS endpoint on loopback and trusts its certificate (made at start with
// openssl). Each request goes to the stand-in as WebResourceRequested with its
// source kind, and the host's body streams back in bounded pieces as the engine
// reads it, so memory and time follow what the page reads.
import { execFileSync } from 'node:child_process';
import crypto from 'node:crypto';
import { once } from 'node:events';
import fs from 'node:fs';
import http2 from 'node:http2';
import os from 'node:os';
import path from 'node:path';

export const APP_HOST = 'app.localhost';
// A name of the agent's own on the same endpoint, answered 204 by the agent and
// never raised to the host: the engine makes its first secure connection there
// (Agent.launch) before the host navigates, so that the certificate checker's
// start, which the runtime's in-process answers never pay, stays out of the
// page's first request (seen here: 200-550 ms of it).
export const WARM_UP_HOST = 'agent-warm-up.localhost';
// Set by the agent on requests it sees a service worker make; never reaches the host.
export const SOURCE_KIND_HEADER = 'x-quorrin-source-kind';
// The stand-in hands out at most 1 MiB a read (body_streams.cpp): the fewest
// round trips over the link for a large file, and still bounded.
const READ_BYTES = 1024 * 1024;
// What an answer keeps of its body for tests: its start, and how much went out.
const KEPT_BODY_BYTES = 1024 * 1024;
// Hop-by-hop header lines that HTTP/2 forbids; the engine never sees them from the runtime either.
const CONNECTION_HEADERS = new Set(['connection', 'keep-alive', 'proxy-connection', 'transfer-encoding', 'upgrade']);
// The runtime hands a custom response's body to the page as it is, whatever its
// Content-Encoding says (WebView2Feedback 3629); over HTTP the engine would
// decode it, so the line does not reach it and the bytes arrive undecoded.
const UNDECODED_HEADERS = new Set(['content-encoding']);

// "Name: value" lines joined by line feeds, as the host builds them.
export function parseHeaderBlock(block) {
  const headers = {};
  for (const line of (block || '').split('\n')) {
    const colon = line.indexOf(': ');
    if (colon > 0) headers[line.slice(0, colon)] = line.slice(colon + 2);
  }
  return headers;
}

// A key and a self-signed certificate for app.localhost, and the hash of its
// public key that Chromium is told to trust.
function makeCertificate() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-agent-certificate-'));
  try {
    execFileSync('openssl', ['req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
      '-nodes', '-subj', `/CN=${APP_HOST}`, '-addext', `subjectAltName=DNS:${APP_HOST},DNS:${WARM_UP_HOST}`, '-days', '7',
      '-keyout', path.join(folder, 'key.pem'), '-out', path.join(folder, 'certificate.pem')], { stdio: 'ignore' });
    const key = fs.readFileSync(path.join(folder, 'key.pem'));
    const cert = fs.readFileSync(path.join(folder, 'certificate.pem'));
    const spki = crypto.createPublicKey(key).export({ type: 'spki', format: 'der' });
    return { key, cert, spkiHash: crypto.createHash('sha256').update(spki).digest('base64') };
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// The request's source as the runtime's filters tell them apart: service-worker
// requests are tagged on their way out; a shared worker's script says what it is
// by its destination, and its own requests name it as their referrer. Everything
// else, dedicated workers and frames included, counts as the document's.
class SourceKinds {
  constructor() { this.sharedWorkerScripts = new Set(); }

  of(uri, headers) {
    const destination = headers['sec-fetch-dest'];
    if (headers[SOURCE_KIND_HEADER] === 'serviceWorker' || destination === 'serviceworker') return 'serviceWorker';
    if (destination === 'sharedworker') this.sharedWorkerScripts.add(uri);
    if (destination === 'sharedworker' || this.sharedWorkerScripts.has(headers.referer)) return 'sharedWorker';
    return 'document';
  }
}

export class AppServer {
  // session: raise(event, args), request(message) and answers, the agent's.
  static async start(session) {
    const server = new AppServer(session);
    await server.listen();
    return server;
  }

  constructor(session) {
    this.session = session;
    this.kinds = new SourceKinds();
    this.connections = new Set();
    const { key, cert, spkiHash } = makeCertificate();
    this.spkiHash = spkiHash;
    this.server = http2.createSecureServer({ key, cert, allowHTTP1: true }, (request, response) =>
      this.answer(request, response).catch((error) => {
        console.error('browser agent: answering', request.url, error.message);
        fail(response);
      }));
    this.server.on('secureConnection', (socket) => {
      this.connections.add(socket);
      socket.on('close', () => this.connections.delete(socket));
    });
    this.server.on('sessionError', () => {});
  }

  async listen() {
    this.server.listen(0, '127.0.0.1');
    await once(this.server, 'listening');
    this.port = this.server.address().port;
  }

  // The engine's flags: app.localhost is this endpoint, with a certificate it trusts.
  chromiumFlags() {
    return [`--host-resolver-rules=MAP ${APP_HOST} 127.0.0.1:${this.port},MAP ${WARM_UP_HOST} 127.0.0.1:${this.port}`,
      `--ignore-certificate-errors-spki-list=${this.spkiHash}`];
  }

  async answer(request, response) {
    response.on('error', () => {}); // the engine went away; 'close' says so
    if ((request.authority ?? request.headers.host)?.split(':')[0] === WARM_UP_HOST)
      return response.writeHead(204).end();
    const uri = `https://${APP_HOST}${request.url}`;
    const headers = {};
    for (const [name, value] of Object.entries(request.headers))
      if (!name.startsWith(':') && name !== SOURCE_KIND_HEADER) headers[name] = [value].flat().join(', ');
    const sourceKind = this.kinds.of(uri, request.headers);
    const result = await this.session.raise('WebResourceRequested',
      { uri, method: request.method, headers, sourceKind, body: 'stream' });
    // Unanswered, the request goes to the network, where nothing serves app.localhost.
    if (!result.response) return fail(response);
    const { status, reason, headers: block, stream } = result.response;
    const answer = { uri, range: request.headers.range, sourceKind, status, headers: parseHeaderBlock(block),
      body: Buffer.alloc(0), bodyLength: 0, complete: false, handlerMicroseconds: result.handlerMicroseconds };
    this.session.answers.push(answer);
    const lines = Object.entries(answer.headers).filter(([name]) =>
      !CONNECTION_HEADERS.has(name.toLowerCase()) && !UNDECODED_HEADERS.has(name.toLowerCase()));
    if (request.httpVersionMajor === 1 && reason) response.statusMessage = reason;
    response.writeHead(status, Object.fromEntries(lines));
    if (stream === undefined || request.method === 'HEAD') {
      if (stream !== undefined) await this.session.request({ type: 'close-body', stream });
      answer.complete = true;
      return response.end();
    }
    await this.stream(stream, response, answer);
  }

  // Reads the host's stream a piece at a time, each once the engine has taken the last.
  async stream(stream, response, answer) {
    for (;;) {
      if (response.destroyed || response.writableEnded) {
        await this.session.request({ type: 'close-body', stream });
        return;
      }
      const piece = await this.session.request({ type: 'read-body', stream, bytes: READ_BYTES });
      if (piece.error || typeof piece.data !== 'string') {
        console.error('browser agent: the body of', answer.uri, 'failed:', piece.error);
        return fail(response);
      }
      const data = Buffer.from(piece.data, 'base64');
      answer.bodyLength += data.length;
      if (answer.body.length < KEPT_BODY_BYTES)
        answer.body = Buffer.concat([answer.body, data.subarray(0, KEPT_BODY_BYTES - answer.body.length)]);
      if (piece.end) {
        answer.complete = true;
        return response.end(data);
      }
      if (!response.write(data)) await drainedOrClosed(response);
    }
  }

  async close() {
    for (const socket of this.connections) socket.destroy();
    await new Promise((resolve) => this.server.close(resolve));
  }
}

// Waits until the engine has taken what was written, or went away; the
// listeners go with it, however many pieces a large body takes.
function drainedOrClosed(response) {
  return new Promise((resolve) => {
    const done = () => {
      response.off('drain', done);
      response.off('close', done);
      resolve();
    };
    response.on('drain', done);
    response.on('close', done);
  });
}

// What the engine sees when nothing answers: the request fails.
function fail(response) {
  if (response.stream) response.stream.close(http2.constants.NGHTTP2_INTERNAL_ERROR);
  else response.socket?.destroy();
}
