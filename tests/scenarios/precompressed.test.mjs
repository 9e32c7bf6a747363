// Engine builds as the host serves them (tests/scenarios/lib/engine_builds.mjs):
// compressed files decoded, typed by their inner name, ranges from the decoded
// bytes, and a file that does not decode never presented as a success.
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { after, before, test } from 'node:test';

import { DATA, FRAMEWORK, OLD_DATA, SPACED_NAME, WASM, engineFiles, escapePath } from './lib/engine_builds.mjs';
import { APP_ORIGIN, Host, authorLogOf, removeUserData, waitFor } from './lib/host.mjs';

const NAME = 'precompressed';
const cutShort = zlib.brotliCompressSync(crypto.randomBytes(1 << 20));

// gzip of `bytes` padded to `length` bytes with a stored file name.
function gzipOfLength(bytes, length) {
  const plain = zlib.gzipSync(bytes);
  const header = Buffer.from(plain.subarray(0, 10));
  header[3] |= 0x08; // FNAME
  return Buffer.concat([header, Buffer.alloc(length - plain.length - 1, 'n'), Buffer.from([0]), plain.subarray(10)]);
}

// gzip that decodes to more than 2 GiB of zeros (136 blocks of 65,025 copies of
// 258 bytes in deflate's fixed code, each closed by an empty stored block so all
// are the same bytes) and then ends with a wrong checksum: only a decoder that
// reads it to its end finds it broken.
function zerosPastTwoGiB() {
  const bytes = [];
  let bits = 0, count = 0;
  const put = (value, length) => {
    for (let i = 0; i < length; i++, count++) {
      bits |= ((value >> i) & 1) << count;
      if (count === 7) { bytes.push(bits); bits = 0; count = -1; }
    }
  };
  const code = (value, length) => { for (let i = length - 1; i >= 0; i--) put((value >> i) & 1, 1); };
  const block = (literal) => {
    put(0, 1); put(1, 2); // not the last; fixed codes
    if (literal) code(0x30, 8); // one zero for the copies to start from
    for (let i = 0; i < 65025; i++) { code(0xc5, 8); code(0, 5); } // 258 bytes from 1 back
    code(0, 7); // end of block
    put(0, 3); // an empty stored block aligns the next to a byte
    if (count !== 0) put(0, 8 - count);
    bytes.push(0, 0, 0xff, 0xff);
    return Buffer.from(bytes.splice(0));
  };
  const first = block(true), next = block(false);
  put(1, 1); put(0, 2); if (count !== 0) put(0, 8 - count); // the last block: empty, stored
  bytes.push(0, 0, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0, 0); // and a checksum that does not match
  return Buffer.concat([Buffer.from([0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3]), first,
    ...Array(135).fill(next), Buffer.from(bytes)]);
}

const SWAP_LENGTH = 200;
const files = {
  ...engineFiles(),
  'www/Build/broken.wasm.br': zlib.brotliCompressSync(WASM).subarray(0, 20),
  'www/Build/cut.data.br': cutShort.subarray(0, cutShort.length - 1000),
  'www/Build/swap.data': gzipOfLength(Buffer.alloc(3000, 'A'), SWAP_LENGTH),
  'www/Build/huge.data': zerosPastTwoGiB(),
  'www/godot.worker.js': 'postMessage("ready");',
};

let host;
before(async () => {
  removeUserData(NAME);
  host = await Host.start({ manifest: { name: NAME, settings: { 'cross-origin-isolation': true } }, files });
  await host.ready();
});
after(() => host.dispose());

async function get(relative, headers = {}, body = 'read') {
  const result = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + relative, method: 'GET',
    headers, body });
  const { status, headers: block, body: base64, stream } = result.response;
  return { status, headers: block.split('\n'), body: Buffer.from(base64 ?? '', 'base64'), stream,
    deferred: result.deferred === true };
}
const logLines = (text) => fs.readFileSync(authorLogOf(NAME), 'utf8')
  .split('\n').filter((line) => line.includes(text));
const header = (answer, name) => answer.headers.find((line) => line.startsWith(`${name}: `))?.slice(name.length + 2);

test('a Unity build is served decoded, typed by its inner name, with no Content-Encoding', async () => {
  const wasm = await get('Build/game.wasm.br');
  assert.equal(wasm.status, 200, 'a plain GET is 200');
  assert.equal(header(wasm, 'Content-Type'), 'application/wasm');
  assert.equal(header(wasm, 'Content-Length'), String(WASM.length), 'a small file is decoded whole first');
  assert.deepEqual(wasm.body, WASM);
  const framework = await get('Build/game.framework.js.br');
  assert.match(header(framework, 'Content-Type'), /^application\/javascript/);
  assert.equal(framework.body.toString(), FRAMEWORK);
  const data = await get('Build/game.data.br');
  assert.equal(header(data, 'Content-Length'), undefined, 'the decoded size is not known yet');
  assert.ok(data.body.equals(DATA));
  assert.equal(header(await get('Build/game.data.br'), 'Content-Length'), String(DATA.length),
    'known once the file was decoded whole');
  assert.ok((await get('Build/old.data.gz')).body.equals(OLD_DATA), 'gzip with Unity\'s marker');
  assert.deepEqual((await get('Build/raw.bin.gz')).body, files['www/Build/raw.bin.gz'],
    'gzip without the marker is served as it is');
  for (const answer of [wasm, framework, data]) {
    assert.equal(header(answer, 'Content-Encoding'), undefined);
    assert.equal(header(answer, 'Cross-Origin-Embedder-Policy'), 'require-corp');
  }
  assert.equal(header(await get('godot.worker.js'), 'Cross-Origin-Resource-Policy'), 'same-origin');
});

test('a range of a decoded file comes from the decoded bytes, its end clamped as HTTP means it', async () => {
  const tail = await get('Build/game.data.br', { Range: 'bytes=299000-400000' });
  assert.equal(tail.status, 206);
  assert.equal(header(tail, 'Content-Range'), `bytes 299000-299999/${DATA.length}`);
  assert.ok(tail.body.equals(DATA.subarray(299000)));
  const suffix = await get(escapePath(SPACED_NAME), { Range: 'bytes=-5000' });
  assert.equal(suffix.status, 206);
  assert.equal(header(suffix, 'Content-Range'), 'bytes 0-29/30');
  assert.equal((await get('Build/game.wasm.br', { Range: 'bytes=39-' })).status, 416);
});

test('a file that does not decode is 500, and one that breaks while read fails its stream', async () => {
  const broken = await get('Build/broken.wasm.br');
  assert.equal(broken.status, 500);
  assert.equal(broken.body.toString(), 'File cannot be read');
  const cut = await get('Build/cut.data.br', {}, 'stream');
  assert.equal(cut.status, 200, 'its first piece decodes');
  let piece;
  do piece = await host.request({ type: 'read-body', stream: cut.stream, bytes: 1 << 20 });
  while (!piece.end);
  assert.match(piece.error ?? '', /failed to read/, 'the read fails rather than ending');
  const log = fs.readFileSync(authorLogOf(NAME), 'utf8');
  for (const name of ['Build/broken.wasm.br', 'Build/cut.data.br'])
    assert.equal(log.split('\n').filter((line) => line.includes(`the file ${name} cannot be decoded`)).length, 1, name);
});

test('a name with spaces and accents is found percent-encoded', async () => {
  const answer = await get(escapePath(SPACED_NAME));
  assert.equal(answer.status, 200);
  assert.equal(answer.body.toString(), 'a name with spaces and accents');
});

test('a range of a file whose decoded size is not known waits for a worker, and the size is kept for every spelling of its name', async () => {
  const file = path.join(host.folder, 'www/Build/swap.data');
  const written = new Date('2024-05-01T12:00:00Z');
  fs.utimesSync(file, written, written);
  const first = await get('Build/swap.data', { Range: 'bytes=0-9' });
  assert.equal(first.status, 206);
  assert.ok(first.deferred, 'answered through the deferral, once decoded');
  assert.equal(header(first, 'Content-Range'), 'bytes 0-9/3000');
  // Rewritten in place to decode longer, with the same size and time: only the
  // decoded size kept for this very file can say 3000.
  fs.writeFileSync(file, gzipOfLength(Buffer.alloc(5000, 'B'), SWAP_LENGTH));
  fs.utimesSync(file, written, written);
  const again = await get('build/SWAP.DATA', { Range: 'bytes=0-9' });
  assert.equal(again.status, 206);
  assert.equal(header(again, 'Content-Range'), 'bytes 0-9/3000', 'the size learnt under the other spelling');
  assert.equal(again.body.toString(), 'BBBBBBBBBB');
});

test('a request still waiting for a worker when its browser ends is completed without an answer', async () => {
  await host.raise('DOMContentLoaded');
  const waiting = host.raise('WebResourceRequested', { uri: APP_ORIGIN + 'Build/huge.data', method: 'GET',
    headers: { Range: 'bytes=3000000000-' } });
  await host.raise('ProcessFailed', { kind: 0 }); // the browser process exited: a new browser
  const result = await waiting;
  assert.ok(result.deferred);
  assert.equal(result.response, null, 'completed as the session ended, not once decoded');
  await waitFor(() => host.callsTo('Navigate').length === 2, 'the new browser');
});

test('a range far past the end of a file that decodes past 2 GiB is 416, without decoding it to its end', async () => {
  const start = performance.now();
  const huge = get('Build/huge.data', { Range: 'bytes=3000000000-' });
  const plain = await get('godot.worker.js');
  const plainMs = performance.now() - start;
  const answer = await huge;
  const hugeMs = performance.now() - start;
  assert.equal(plain.status, 200);
  assert.ok(plainMs * 4 < hugeMs, `the UI thread answers while a worker decodes (${plainMs} ms, then ${hugeMs} ms)`);
  assert.ok(answer.deferred);
  assert.equal(answer.status, 416, 'decoded to its broken end it would have been 500');
  assert.equal(header(answer, 'Content-Range'), undefined, 'too large to serve: no size to ask within');
  assert.equal((await get('Build/HUGE.data', { Range: 'bytes=0-' })).deferred, false, 'known now: answered at once');
});

test('beyond 32 files decoded at once a request is 503 with Retry-After, and the log says so once', async () => {
  const open = [];
  for (let i = 0; i < 32; i++) {
    const answer = await get('Build/game.data.br', {}, 'stream');
    assert.equal(answer.status, 200, `stream ${i + 1}`);
    open.push(answer.stream);
  }
  for (let i = 0; i < 2; i++) {
    const refused = await get(i ? 'Build/game.wasm.br' : 'Build/game.data.br', { Range: 'bytes=0-9' });
    assert.equal(refused.status, 503);
    assert.equal(header(refused, 'Retry-After'), '1');
  }
  assert.equal(logLines('files are being decoded at once').length, 1);
  await host.request({ type: 'close-body', stream: open.pop() });
  const after = await get('Build/game.data.br', {}, 'stream');
  assert.equal(after.status, 200, 'a stream let go frees its place');
  open.push(after.stream);
  for (const stream of open) await host.request({ type: 'close-body', stream });
  assert.deepEqual((await get('Build/game.wasm.br')).body, WASM);
});
