// The content server's answers to the table the preview server of "quorrin dev"
// is held to as well (lib/content_cases.mjs).
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { cases, files, ISOLATION_HEADERS } from './lib/content_cases.mjs';
import { APP_ORIGIN, Host } from './lib/host.mjs';

let host;
before(async () => {
  host = await Host.start({ manifest: { name: 'content-cases',
    settings: { 'cross-origin-isolation': true } }, files });
  await host.ready();
});
after(() => host.dispose());

test('the shared table of requests, answered with the isolation headers last', async () => {
  for (const [relative, range, expected] of cases) {
    const headers = range === undefined ? {} : { Range: range };
    const result = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + relative,
      method: 'GET', headers });
    const { status, headers: block, body } = result.response;
    const lines = block.split('\n');
    const label = `${relative} ${range ?? ''}`;
    assert.equal(status, expected.status, label);
    if (expected.page) {
      assert.deepEqual(lines.slice(0, 3), expected.headers, label);
      continue;
    }
    assert.deepEqual(lines, [...expected.headers, ...ISOLATION_HEADERS], label);
    assert.deepEqual(Buffer.from(body ?? '', 'base64'), Buffer.from(expected.body), label);
  }
});
