// The harness's memory measure: the anonymous resident memory of the Linux
// process that runs Quorrin.exe follows the heap of the Windows program. A
// test extension library leaks 1 MiB of touched heap in Quorrin.exe per
// extension message.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { hostsOfThisFile } from '../scenarios/lib/host.mjs';

const { ready } = hostsOfThisFile();
const MiB = 1024 * 1024;
const LEAKS = 32;

test('anonymous resident memory sees a leak on the host\'s heap', async () => {
  const host = await ready({ extension: 'leaking' });
  const privateBytes = async () => (await host.request({ type: 'query', what: 'memory' })).memory.privateBytes;
  const message = '{"type":"extension-message","text":"leak"}';
  await host.postString(message); // the first allocation's own growth of the heap
  const [before, privateBefore] = [host.residentAnonymousBytes(), await privateBytes()];
  for (let i = 0; i < LEAKS; i++) await host.postString(message);
  const [after, privateAfter] = [host.residentAnonymousBytes(), await privateBytes()];
  console.log(`${LEAKS} MiB leaked: anonymous resident memory ${before} to ${after}; ` +
    `the stand-in's private bytes ${privateBefore} to ${privateAfter}`);
  assert.ok(after - before >= (LEAKS - 2) * MiB, `grew by ${after - before} bytes only`);
  assert.ok(after - before <= (LEAKS + 8) * MiB, `grew by ${after - before} bytes`);
});
