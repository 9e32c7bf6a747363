// examples/threads: a threaded Emscripten build in the real engine, with and
// without cross-origin isolation.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();
const ISOLATION_HEADERS = ['Cross-Origin-Opener-Policy', 'Cross-Origin-Embedder-Policy',
  'Cross-Origin-Resource-Policy'];

test('with cross-origin isolation the workers start and the threads sum right', async () => {
  const app = await start('threads');
  assert.equal(await app.page.evaluate(() => window.crossOriginIsolated), true);
  assert.equal(await app.page.getAttribute('body', 'data-result'), 'correct');
  assert.match(await app.page.textContent('#status'), /^4 threads summed 4,000,000 values: \d+, correct\.$/);
  // Each thread really ran on a worker of its own.
  const again = await app.page.evaluate(() => window.sumInThreads(4));
  assert.equal(again.workers, 4);
  for (const name of ['index.html', 'threads.js', 'threads.worker.js', 'threads.wasm']) {
    const answer = app.session.answers.find((a) => a.uri === `https://app.localhost/${name}`);
    assert.ok(answer, `${name} was served`);
    assert.equal(answer.headers['Cross-Origin-Embedder-Policy'], 'require-corp', name);
  }
});

test('without the key the page says shared memory is unavailable, and nothing else changes',
  async () => {
    const app = await start('threads', { manifest: (manifest) => {
      delete manifest.settings['cross-origin-isolation'];
      return manifest;
    } });
    assert.equal(await app.page.evaluate(() => window.crossOriginIsolated), false);
    assert.equal(await app.page.getAttribute('body', 'data-result'), 'no-shared-memory');
    assert.match(await app.page.textContent('#status'), /^SharedArrayBuffer is unavailable/);
    const page = app.session.answers.find((a) => a.uri === 'https://app.localhost/index.html');
    assert.equal(page.status, 200);
    for (const header of ISOLATION_HEADERS) assert.equal(page.headers[header], undefined, header);
    assert.equal(page.headers['Content-Type'], 'text/html; charset=utf-8');
  });
