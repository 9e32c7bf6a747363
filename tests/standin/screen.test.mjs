// The agent's screencast against a scripted engine: a start the engine refuses
// while a new document's renderer takes over is tried again; any other refusal,
// or a stop meanwhile, ends it.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { Screen } from '../../standin/browser-agent/screen.mjs';

const SWITCHING = 'Protocol error (Page.startScreencast): Not attached to an active page';

// An engine that refuses its first starts with the given messages.
function engine(refusals) {
  const calls = [];
  return {
    calls,
    on() {},
    async send(method) {
      calls.push(method);
      if (method === 'Page.startScreencast' && refusals.length) throw new Error(refusals.shift());
    },
  };
}

const starts = (cdp) => cdp.calls.filter((method) => method === 'Page.startScreencast').length;

test('a start refused while the renderer switches is tried until the engine takes it', async () => {
  const cdp = engine([SWITCHING, SWITCHING]);
  const screen = new Screen(cdp, null);
  await screen.start();
  assert.equal(starts(cdp), 3);
  assert.equal(screen.streaming, true);
});

test('a page that is closing refuses for good, and a stop ends the retries', async () => {
  const closing = engine(['Protocol error (Page.startScreencast): Target closed']);
  const closed = new Screen(closing, null);
  await closed.start();
  assert.deepEqual([starts(closing), closed.streaming], [1, false]);

  const cdp = engine([SWITCHING, SWITCHING, SWITCHING]);
  const screen = new Screen(cdp, null);
  const started = screen.start();
  await screen.stop();
  await started;
  assert.deepEqual([starts(cdp), screen.streaming], [1, false]);
  await screen.start(); // shown again: a start of its own
  assert.equal(screen.streaming, true);
});
