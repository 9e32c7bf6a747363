// The end of the program: the browser's processes end (its profile written)
// before the host does, and "close-handshake-ms" gives the page a moment to save.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

import { authorLogOf, hostsOfThisFile, waitFor, withDeadline } from './lib/host.mjs';

const { ready } = hostsOfThisFile();
const uniqueName = (label) => `${label}-${process.pid}-${Date.now()}`;
const readLog = (name) => fs.readFileSync(authorLogOf(name), 'utf8');
const NO_ANSWER = /the page did not answer "closing" in time/;

// Closed by the player; the engine is the test's: it ends on "browser-exited".
async function closedWithEngine(name) {
  const host = await ready({ manifest: { name }, config: { browserExitFromAgent: true } });
  host.close();
  await waitFor(() => host.messages.some((message) => message.type === 'browser-closing'),
    'the stand-in to say the last controller closed');
  return host;
}

test('at exit the host waits until the browser has ended, then ends', async () => {
  const host = await closedWithEngine(uniqueName('shutdown'));
  const ended = await withDeadline(host.exited, 1000, 'exit').then(() => true, () => false);
  assert.equal(ended, false, 'still running while the browser ends');
  assert.equal((await host.request({ type: 'browser-exited' })).raised, 1);
  assert.equal(await host.waitForExit(), 0);
  assert.equal(host.callsTo('remove_BrowserProcessExited').length, 1);
});

test('a browser that never ends holds the host 5 s at most, and the log says so once', async () => {
  const name = uniqueName('never-ends');
  const host = await closedWithEngine(name);
  const closedAt = Date.now();
  assert.equal(await host.waitForExit(), 0);
  const waited = Date.now() - closedAt;
  assert.ok(waited >= 4500 && waited < 15000, `waited ${waited} ms`);
  assert.equal(readLog(name).split('the browser had not ended 5 s after closing').length, 2);
});

// A shown page; close-handshake-ms as given.
async function shown(ms) {
  const name = uniqueName('handshake');
  const host = await ready({ manifest: { name, window: ms === undefined ? {} : { 'close-handshake-ms': ms } } });
  await host.raise('DOMContentLoaded');
  host.log = () => readLog(name);
  host.closings = () => host.posts().filter((post) => post.json === '{"type":"closing"}').length;
  return host;
}

test('a player\'s close asks the page, and its "close-ready" closes the window', async () => {
  const host = await shown(10000);
  host.close();
  await waitFor(() => host.closings() === 1, 'the page to hear "closing"');
  assert.ok((await host.windows()).main.visible, 'the window stays while the page saves');
  await host.postString('{"type":"close-ready"}');
  assert.equal(await host.waitForExit(), 0);
  assert.doesNotMatch(host.log(), /had not ended/, 'the stand-in raised BrowserProcessExited');
});

test('a page that does not answer is closed when the time is up', async () => {
  const host = await shown(300);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.equal(host.closings(), 1);
  assert.match(host.log(), NO_ANSWER);
});

test('a second close while the page saves closes at once', async () => {
  const host = await shown(10000);
  host.close();
  await waitFor(() => host.closings() === 1, 'the page to hear "closing"');
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.doesNotMatch(host.log(), NO_ANSWER);
});

test('window.close() is not held, an unasked "close-ready" does nothing, no key asks nothing', async () => {
  const held = await shown(10000);
  await held.postString('{"type":"close-ready"}');
  assert.ok((await held.windows()).main.visible);
  await held.raise('WindowCloseRequested');
  assert.equal(await held.waitForExit(), 0);
  assert.equal(held.closings(), 0);

  const plain = await shown();
  plain.close();
  assert.equal(await plain.waitForExit(), 0);
  assert.equal(plain.closings(), 0);
});
