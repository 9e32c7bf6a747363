// The agent's screencast against a scripted engine that refuses its first starts.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { Screen } from '../../standin/browser-agent/screen.mjs';

const SWITCHING = 'Protocol error (Page.startScreencast): Not attached to an active page';

async function started(refusals, between = async () => {}) {
  let starts = 0;
  const screen = new Screen({ on() {}, async send(method) {
    if (method !== 'Page.startScreencast') return;
    starts++;
    if (refusals.length) throw new Error(refusals.shift());
  } }, null);
  const starting = screen.start();
  await between(screen);
  await starting;
  return [starts, screen.streaming];
}

test('a start refused while a new renderer takes over is tried again; closing or a stop ends it', async () => {
  assert.deepEqual(await started([SWITCHING, SWITCHING]), [3, true]);
  assert.deepEqual(await started(['Protocol error (Page.startScreencast): Target closed']), [1, false]);
  assert.deepEqual(await started([SWITCHING, SWITCHING], (screen) => screen.stop()), [1, false]);
});
