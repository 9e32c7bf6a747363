// The end of the program: the browser's processes end (its profile written)
// before the host does, and "close-handshake-ms" gives the page a moment to save.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { hostsOfThisFile, standinUserFolder, waitFor, withDeadline } from './lib/host.mjs';

const { ready } = hostsOfThisFile();

const uniqueName = (label) => `${label}-${process.pid}-${Date.now()}`;
const readLog = (name) => fs.readFileSync(path.join(path.dirname(standinUserFolder), name, 'quorrin.log'), 'utf8');
const NOT_ENDED = 'the browser had not ended 5 s after closing';
const NO_ANSWER = 'the page did not answer "closing" in time';
const CLOSING = '{"type":"closing"}';

// The engine is the test's: it ends when the test says "browser-exited".
async function readyWithEngine(name) {
  const host = await ready({ manifest: { name }, config: { browserExitFromAgent: true } });
  await host.raise('DOMContentLoaded');
  host.close();
  await waitFor(() => host.messages.some((message) => message.type === 'browser-closing'),
    'the stand-in to say the last controller closed');
  return host;
}

// Whether the process has ended within ms.
const endsWithin = (host, ms) => withDeadline(host.exited, ms, 'exit').then(() => true, () => false);

test('at exit the host waits until the browser has ended, then ends', async () => {
  const host = await readyWithEngine(uniqueName('shutdown'));
  assert.equal(host.callsTo('add_BrowserProcessExited').length, 1);
  assert.equal(await endsWithin(host, 1000), false, 'still running while the browser ends');
  const answer = await host.request({ type: 'browser-exited' });
  assert.equal(answer.raised, 1);
  assert.equal(await host.waitForExit(), 0);
  assert.equal(host.callsTo('remove_BrowserProcessExited').length, 1, 'the watch ends with the host');
});

test('a browser that never ends holds the host 5 s at most, and the log says so once', async () => {
  const name = uniqueName('never-ends');
  const host = await readyWithEngine(name);
  const closedAt = Date.now();
  assert.equal(await host.waitForExit(), 0);
  const waited = Date.now() - closedAt;
  assert.ok(waited >= 4500 && waited < 15000, `waited ${waited} ms`);
  assert.equal(readLog(name).split(NOT_ENDED).length - 1, 1);
});

// A page that saves when asked: close-handshake-ms as given.
async function readyWithHandshake(name, ms) {
  const host = await ready({ manifest: { name, window: ms === undefined ? {} : { 'close-handshake-ms': ms } } });
  await host.raise('DOMContentLoaded');
  return host;
}

const closingPosts = (host) => host.posts().filter((post) => post.json === CLOSING).length;

test('a player\'s close asks the page, and its "close-ready" closes the window', async () => {
  const host = await readyWithHandshake(uniqueName('handshake'), 10000);
  host.close();
  await waitFor(() => closingPosts(host) === 1, 'the page to hear "closing"');
  assert.ok((await host.windows()).main.visible, 'the window stays while the page saves');
  await host.postString('{"type":"close-ready"}');
  assert.equal(await host.waitForExit(), 0);
});

test('a page that does not answer is closed when the time is up', async () => {
  const name = uniqueName('handshake-timeout');
  const host = await readyWithHandshake(name, 300);
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.equal(closingPosts(host), 1);
  assert.match(readLog(name), new RegExp(NO_ANSWER));
});

test('a second close while the page saves closes at once', async () => {
  const name = uniqueName('handshake-twice');
  const host = await readyWithHandshake(name, 10000);
  host.close();
  await waitFor(() => closingPosts(host) === 1, 'the page to hear "closing"');
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.doesNotMatch(readLog(name), new RegExp(NO_ANSWER));
});

test('window.close() is not held, and without the key nothing is asked', async () => {
  const held = await readyWithHandshake(uniqueName('handshake-page'), 10000);
  await held.raise('WindowCloseRequested');
  assert.equal(await held.waitForExit(), 0);
  assert.equal(closingPosts(held), 0);

  const plain = await readyWithHandshake(uniqueName('no-handshake'));
  plain.close();
  assert.equal(await plain.waitForExit(), 0);
  assert.equal(closingPosts(plain), 0);
  // A "close-ready" nobody asked for changes nothing.
  const unasked = await readyWithHandshake(uniqueName('unasked'), 10000);
  await unasked.postString('{"type":"close-ready"}');
  assert.ok((await unasked.windows()).main.visible);
  await unasked.raise('WindowCloseRequested');
  assert.equal(await unasked.waitForExit(), 0);
});
