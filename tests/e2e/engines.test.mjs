// Engine exports in the real engine (tests/e2e/apps/engines, with the build files
// of tests/scenarios/lib/engine_builds.mjs): a Unity-like compressed build starts,
// and a Godot-like threads build gets isolation, a worker and an audio worklet.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { engineFiles } from '../scenarios/lib/engine_builds.mjs';
import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();

async function resultOf(page) {
  await page.waitForSelector('body[data-ready="true"]');
  const text = await page.textContent('#result');
  assert.doesNotMatch(text, /^failed/);
  return JSON.parse(text);
}

test('a Unity-like compressed build and a Godot-like threads build run unmodified', async () => {
  const app = await start('engines', { testApp: true, files: engineFiles() });
  assert.deepEqual(await resultOf(app.page),
    { framework: 42, data: true, oldData: true, raw: true, spaced: 200 });
  const wasm = app.session.answers.find((answer) => answer.uri.endsWith('/Build/game.wasm.br'));
  assert.equal(wasm.status, 200);
  assert.equal(wasm.headers['Content-Type'], 'application/wasm');
  assert.equal(wasm.headers['Content-Encoding'], undefined, 'decoded by the host, not the engine');

  await app.page.goto('https://app.localhost/godot.html');
  assert.deepEqual(await resultOf(app.page),
    { isolated: true, shared: true, worker: 7, worklet: 'registered' });
});
