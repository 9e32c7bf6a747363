// "cross-origin-isolation": every local answer gains the isolation headers,
// after its own lines; without the key nothing changes.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { APP_ORIGIN, hostsOfThisFile } from './lib/host.mjs';

const { ready } = hostsOfThisFile();
const ISOLATION = ['Cross-Origin-Opener-Policy: same-origin',
  'Cross-Origin-Embedder-Policy: require-corp', 'Cross-Origin-Resource-Policy: same-origin'];
const files = { 'www/index.html': '<p>threads</p>', 'www/app.wasm': 'wasm-bytes' };

async function headersOf(host, relative, range) {
  const { response } = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + relative,
    method: 'GET', headers: range === undefined ? {} : { Range: range } });
  return { status: response.status, lines: response.headers.split('\n'),
    body: Buffer.from(response.body, 'base64').toString() };
}

const requests = [['index.html', undefined, 200], ['app.wasm', 'bytes=0-3', 206],
  ['missing.js', undefined, 404], ['app.wasm', 'bytes=99-', 416]];

test('with the key every answer ends with the three isolation headers', async () => {
  const isolated = await ready({ manifest: { name: 'isolated',
    settings: { 'cross-origin-isolation': true } }, files });
  const plain = await ready({ manifest: { name: 'plain' }, files });
  for (const [relative, range, status] of requests) {
    const withKey = await headersOf(isolated, relative, range);
    const without = await headersOf(plain, relative, range);
    assert.equal(withKey.status, status, relative);
    assert.equal(without.status, status, relative);
    assert.deepEqual(withKey.lines, [...without.lines, ...ISOLATION], relative);
    assert.equal(withKey.body, without.body, relative);
    assert.equal(without.lines.some((line) => line.startsWith('Cross-Origin')), false);
  }
});

test('remote mode serves nothing locally, with or without the key', async () => {
  const host = await ready({ manifest: { name: 'remote-isolated', main: 'https://example.com/',
    settings: { 'content-mode': 'remote', 'cross-origin-isolation': true } } });
  assert.deepEqual(host.callsTo('AddWebResourceRequestedFilter'), []);
  assert.equal(host.callsTo('Navigate')[0].args[0], 'https://example.com/');
});
