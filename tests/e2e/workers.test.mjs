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

// What the runtime on a player's machine reports, read where engines read it.
test('the page, a dedicated worker and the service worker see Edge WebView2 on 64-bit Windows', () =>
  withOwnProfile(async (startWorkers) => {
    const app = await startWorkers();
    await app.page.waitForSelector('body[data-ready]');
    const seen = await app.page.evaluate(async () => {
      const ask = (target, answers) => new Promise((resolve) => {
        answers.addEventListener('message', ({ data }) => resolve(data), { once: true });
        target.postMessage('identity');
      });
      const worker = new Worker('identity.js');
      const { active } = await navigator.serviceWorker.ready;
      return { page: await readIdentity(), worker: await ask(worker, worker),
        serviceWorker: await ask(active, navigator.serviceWorker) };
    });
    const major = app.page.context().browser().version().split('.')[0];
    for (const [where, { userAgent, platform, data }] of Object.entries(seen)) {
      assert.equal(userAgent, 'Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) ' +
        `Chrome/${major}.0.0.0 Safari/537.36 Edg/${major}.0.0.0`, where);
      if (where !== 'worker') assert.equal(platform, 'Win32', where); // a dedicated worker's comes late (README)
      const { brands, ...rest } = data;
      assert.deepEqual(rest, { platform: 'Windows', platformVersion: '10.0.0', architecture: 'x86', bitness: '64',
        mobile: false }, where);
      assert.deepEqual(brands.filter(({ brand }) => !brand.startsWith('Not')),
        ['Microsoft Edge', 'Chromium', 'Microsoft Edge WebView2'].map((brand) => ({ brand, version: major })), where);
    }
  }));
