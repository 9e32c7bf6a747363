// Workers in the real engine (tests/e2e/apps/workers): a worker that starts a
// worker, a shared worker, and an offline service worker that the engine's
// profile keeps from one start to the next.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();
const FILES = ['index.html', 'app.js', 'outer_worker.js', 'inner_worker.js', 'inner.txt'];

// Runs the test with an application name of its own, so that its profile starts
// empty, and removes that profile (the user data folder) afterwards.
async function withOwnProfile(run) {
  const name = `quorrin-workers-${process.pid}-${Date.now()}`;
  const started = [];
  const startWorkers = async () => {
    const app = await start('workers', { testApp: true, keepUserData: started.length > 0,
      manifest: (manifest) => ({ ...manifest, name }) });
    started.push(app);
    return app;
  };
  try {
    await run(startWorkers);
  } finally {
    for (const app of started) await app.dispose();
    const profile = started[0]?.session.profileFolder;
    if (profile?.includes(name)) fs.rmSync(path.dirname(profile), { recursive: true, force: true });
  }
}

const answerFor = (app, name) => app.session.answers.find((answer) => answer.uri === `https://app.localhost/${name}`);

test('a worker that starts a worker loads both, and a shared worker is served as one', () =>
  withOwnProfile(async (startWorkers) => {
    const app = await startWorkers();
    assert.equal(await app.page.textContent('#nested'), 'inner worker read "from the content folder"');
    assert.equal(await app.page.textContent('#shared'), 'read "shared data"');
    for (const name of ['outer_worker.js', 'inner_worker.js', 'inner.txt'])
      assert.equal(answerFor(app, name)?.sourceKind, 'document', name);
    for (const name of ['shared_worker.js', 'shared.txt'])
      assert.equal(answerFor(app, name)?.sourceKind, 'sharedWorker', name);
  }));

test('a service worker keeps the files at the first start and serves them at the second', () =>
  withOwnProfile(async (startWorkers) => {
    const first = await startWorkers();
    assert.equal(await first.page.textContent('#offline'), 'active');
    assert.equal(answerFor(first, 'service_worker.js')?.sourceKind, 'serviceWorker');
    const kept = first.session.answers.filter((answer) => answer.sourceKind === 'serviceWorker' && answer.status === 200);
    for (const name of FILES)
      assert.ok(kept.some((answer) => answer.uri === `https://app.localhost/${name}`), `${name} fetched by the worker`);
    await first.dispose();

    const second = await startWorkers();
    assert.equal(await second.page.textContent('#nested'), 'inner worker read "from the content folder"');
    const served = await second.page.evaluate(() => new Promise((resolve) => {
      navigator.serviceWorker.onmessage = ({ data }) => resolve(data);
      navigator.serviceWorker.controller.postMessage('served');
    }));
    assert.deepEqual(served, [...FILES].sort(), 'every file from the worker\'s cache');
    // What the worker kept is the content folder's file, byte for byte.
    const script = await second.page.evaluate(() => fetch('app.js').then((response) => response.text()));
    assert.equal(script, fs.readFileSync(path.join(second.folder, 'www/app.js'), 'utf8'));
  }));
