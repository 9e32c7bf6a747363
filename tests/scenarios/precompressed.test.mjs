// Engine builds as the host serves them (tests/scenarios/lib/engine_builds.mjs):
// compressed files decoded, typed by their inner name, ranges from the decoded
// bytes, and a file that does not decode never presented as a success.
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import zlib from 'node:zlib';
import { after, before, test } from 'node:test';

import { DATA, FRAMEWORK, OLD_DATA, SPACED_NAME, WASM, engineFiles, escapePath } from './lib/engine_builds.mjs';
import { APP_ORIGIN, Host, authorLogOf, removeUserData } from './lib/host.mjs';

const NAME = 'precompressed';
const cutShort = zlib.brotliCompressSync(crypto.randomBytes(1 << 20));
const files = {
  ...engineFiles(),
  'www/Build/broken.wasm.br': zlib.brotliCompressSync(WASM).subarray(0, 20),
  'www/Build/cut.data.br': cutShort.subarray(0, cutShort.length - 1000),
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
  return { status, headers: block.split('\n'), body: Buffer.from(base64 ?? '', 'base64'), stream };
}
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
