// "quorrin dev": its answers to the content server's table of requests, and
// its bridge in headless Chromium as a page uses the program's.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { cases, files, ISOLATION_HEADERS } from '../scenarios/lib/content_cases.mjs';
import { waitFor } from '../scenarios/lib/deadline.mjs';

const root = path.resolve(fileURLToPath(import.meta.url), '../../..');
const { startDevServer } = await import(path.join(root, 'tools/package/lib/dev-server.mjs'));
const { chromium } = createRequire(path.join(root, 'standin/browser-agent/'))('playwright-core');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-dev-'));
const servers = [];
let browser;

function layOut(name, manifest, extra = {}) {
  const folder = path.join(work, name);
  for (const [file, content] of Object.entries({ ...files, ...extra })) {
    fs.mkdirSync(path.dirname(path.join(folder, file)), { recursive: true });
    fs.writeFileSync(path.join(folder, file), content);
  }
  fs.writeFileSync(path.join(folder, 'package.json'), JSON.stringify(manifest));
  return folder;
}

async function serve(folder, reload = false) {
  const server = await startDevServer({ appFolder: folder, port: 0, reload });
  servers.push(server);
  return server;
}

function get(server, relative, range, host) {
  return new Promise((resolve, reject) => {
    const request = http.get({ host: '127.0.0.1', port: server.port, path: `/${relative}`,
      headers: { ...(range === undefined ? {} : { Range: range }), ...(host ? { Host: host } : {}) },
    }, (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => resolve({ status: response.statusCode, headers: response.headers,
        body: Buffer.concat(chunks) }));
    });
    request.on('error', reject);
  });
}

// The plan's header lines must all be there, and no other of the names the plan decides.
const PLANNED = /^(cache-control|content-type|accept-ranges|content-range|cross-origin-.*)$/u;
function assertHeaders(actual, expected, label) {
  for (const line of expected) {
    const colon = line.indexOf(':');
    const name = line.slice(0, colon).toLowerCase();
    if (name === 'content-length' && label.page) continue;
    assert.equal(actual[name], line.slice(colon + 1).trim(), `${label.text}: ${line}`);
  }
  const planned = expected.map((line) => line.slice(0, line.indexOf(':')).toLowerCase())
    .filter((name) => PLANNED.test(name));
  assert.deepEqual(Object.keys(actual).filter((name) => PLANNED.test(name)).sort(), planned.sort(),
    `${label.text}: header names`);
}

before(async () => {
  browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true });
});
after(async () => {
  await browser?.close();
  for (const server of servers) await server.close();
  fs.rmSync(work, { recursive: true, force: true });
});

test('the content server\'s table of requests, with and without isolation', async () => {
  for (const isolation of [false, true]) {
    const server = await serve(layOut(`table-${isolation}`, { name: 'table',
      settings: { 'cross-origin-isolation': isolation } }));
    for (const [relative, range, expected] of cases) {
      const answer = await get(server, relative, range);
      const label = { text: `${relative} ${range ?? ''}`, page: expected.page };
      assert.equal(answer.status, expected.status, label.text);
      assertHeaders(answer.headers, [...expected.headers, ...(isolation ? ISOLATION_HEADERS : [])],
        label);
      if (!expected.page) assert.deepEqual(answer.body, Buffer.from(expected.body), label.text);
    }
  }
});

test('only this computer\'s names for the server are answered, and nothing outside www/', async () => {
  const folder = layOut('guarded', { name: 'guarded' }, { 'secret.env': 'TOKEN' });
  fs.symlinkSync('../secret.env', path.join(folder, 'www/config.txt'));
  fs.symlinkSync('index.html', path.join(folder, 'www/alias.html'));
  const server = await serve(folder);
  for (const name of ['localhost', '127.0.0.1', '[::1]', 'LOCALHOST']) {
    assert.equal((await get(server, 'alias.html', undefined, `${name}:${server.port}`)).status, 200,
      name);
  }
  for (const host of ['evil.example', `evil.example:${server.port}`, 'localhost',
    'localhost:1', `127.0.0.2:${server.port}`]) {
    const answer = await get(server, 'index.html', undefined, host);
    assert.equal(answer.status, 403, host);
    assert.doesNotMatch(answer.body.toString(), /guarded|<html/u, host);
  }
  assert.equal((await get(server, '__quorrin/bridge.js', undefined, 'evil.example')).status, 403);
  const leaked = await get(server, 'config.txt');
  assert.equal(leaked.status, 404, 'a link out of www/ is not followed');
  assert.doesNotMatch(leaked.body.toString(), /TOKEN/u);
});

const bridgePage = `<!doctype html><html><head><title>page's own</title>
<script>
  window.received = [];
  chrome.webview.addEventListener('message', (event) => {
    received.push({ data: event.data, objects: event.additionalObjects.map((o) => o && o.kind) });
    if (event.data.type === 'directory-handles') window.userData = event.additionalObjects[2];
  });
  chrome.webview.postMessage(JSON.stringify({ type: 'wrapper-init' }));
</script></head><body><button id="full" onclick="chrome.webview.postMessage(
  JSON.stringify({ type: 'set-fullscreen', fullscreen: true }))">full</button></body></html>`;

test('the bridge: wrapper-init answers, full screen, a file kept in the user data folder', async () => {
  const server = await serve(layOut('bridge', { name: 'bridge', window: { title: 'Bridge Title' } },
    { 'www/index.html': bridgePage }));
  const page = await browser.newPage();
  try {
    await page.goto(server.url);
    await waitFor(async () => (await page.evaluate(() => window.received.length)) === 2,
      'the two answers to wrapper-init');
    const received = await page.evaluate(() => window.received);
    assert.deepEqual(received[0].data, { type: 'directory-handles' });
    assert.deepEqual(received[0].objects, [null, null, 'directory', ...Array(11).fill(null)]);
    assert.deepEqual(received[1].data, { type: 'wrapper-init-response', registeredComponentIds: [] });
    assert.equal(await page.title(), 'Bridge Title');

    const readBack = await page.evaluate(async () => {
      const file = await window.userData.getFileHandle('save.txt', { create: true });
      const writable = await file.createWritable();
      await writable.write('level 3');
      await writable.close();
      const again = await (await navigator.storage.getDirectory()).getFileHandle('save.txt');
      return (await again.getFile()).text();
    });
    assert.equal(readBack, 'level 3');

    await page.click('#full');
    await waitFor(() => page.evaluate(() => document.fullscreenElement !== null), 'full screen');
  } finally {
    await page.close();
  }
});

test('a manifest the program would refuse is said in the page; a changed file reloads it', async () => {
  const folder = layOut('refused', { name: '' });
  const server = await serve(folder, true);
  const page = await browser.newPage();
  try {
    await page.goto(server.url);
    const text = await page.textContent('#quorrin-dev-problems');
    assert.match(text, /Quorrin would not start this application:\n.*package\.json: Failed to parse package\.json\. .*\(invalid name\)/u);
    await page.evaluate(() => { window.marker = 1; });
    fs.writeFileSync(path.join(folder, 'package.json'), JSON.stringify({ name: 'fixed' }));
    await waitFor(async () => (await page.evaluate(() => window.marker).catch(() => 1)) === undefined,
      'the page to reload');
    await page.waitForLoadState();
    assert.equal(await page.locator('#quorrin-dev-problems').count(), 0);
  } finally {
    await page.close();
  }
});
