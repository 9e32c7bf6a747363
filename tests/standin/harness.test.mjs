// The harness itself: what a test starts is gone before the next test begins,
// so a failed test cannot leave a program that breaks the next one.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

import { hostsOfThisFile } from '../scenarios/lib/host.mjs';
import { linuxProcessOf } from '../scenarios/lib/wine_process.mjs';

const { ready } = hostsOfThisFile();
let earlier;

test('a host started in a test runs during it', async () => {
  earlier = await ready();
  assert.ok(earlier.linuxPid(), 'the Linux process of Quorrin.exe');
});

test('and is gone, with its folder, when the next test begins', () => {
  assert.equal(linuxProcessOf(earlier.executable), undefined, 'Quorrin.exe still runs');
  assert.equal(earlier.exitCode === undefined, false, 'its exit was seen');
  assert.equal(fs.existsSync(earlier.folder), false, 'its application folder remains');
});
