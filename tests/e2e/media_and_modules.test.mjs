// examples/media and examples/modules in a real browser engine.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();

test('seeking in a media file is served with real range requests and it plays on', async () => {
  const app = await start('media');
  const tone = fs.readFileSync(path.join(app.folder, 'www/tone.wav'));
  await app.page.click('#seek');
  await app.page.waitForFunction(() => document.getElementById('tone').currentTime > 45.3);
  const ranged = app.session.answers.filter((answer) => answer.uri.endsWith('/tone.wav'));
  assert.ok(ranged.length >= 2, 'the seek asked for a later range');
  for (const answer of ranged) {
    assert.equal(answer.status, 206);
    const [, first, last, size] = answer.headers['Content-Range'].match(/^bytes (\d+)-(\d+)\/(\d+)$/);
    assert.equal(Number(size), tone.length);
    assert.equal(answer.range, `bytes=${first}-`);
    // The engine reads as far as it needs: what went out is the file from the first byte on.
    assert.ok(answer.bodyLength <= Number(last) + 1 - Number(first));
    if (answer.complete) assert.equal(answer.bodyLength, Number(last) + 1 - Number(first));
    assert.deepEqual(answer.body, tone.subarray(Number(first), Number(first) + answer.body.length));
  }
  assert.ok(ranged.some((answer) => !answer.range.startsWith('bytes=0-')), 'a seek past the start');
});

test('a module graph, streaming WebAssembly, JSON and CSS load with their types', async () => {
  const app = await start('modules');
  assert.equal(await app.page.textContent('#greeting'), 'Hello, Quorrin!');
  assert.equal(await app.page.textContent('#sum'), '42');
  assert.equal(await app.page.textContent('#levels'), 'meadow, forest, castle');
  assert.equal(await app.page.$eval('#sum', (element) => getComputedStyle(element).color), 'rgb(0, 128, 0)');
  const types = Object.fromEntries(app.session.answers.map((answer) =>
    [answer.uri.replace('https://app.localhost/', ''), answer.headers['Content-Type']]));
  assert.equal(types['main.mjs'], 'application/javascript; charset=utf-8');
  assert.equal(types['lib/text.mjs'], 'application/javascript; charset=utf-8');
  assert.equal(types['add.wasm'], 'application/wasm');
  assert.equal(types['data.json'], 'application/json; charset=utf-8');
});
