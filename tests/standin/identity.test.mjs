// The user agent the host's browser arguments name, as the runtime's engine takes it.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { runtimeIdentity } from '../../standin/browser-agent/identity.mjs';

const EDGE = 'Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) ' +
  'Chrome/156.0.0.0 Safari/537.36 Edg/156.0.0.0';

test('a --user-agent argument replaces the string only; none, or an empty one, leaves Edge\'s', () => {
  for (const [argumentsGiven, userAgent] of [
    [undefined, EDGE], ['', EDGE], ['--mute-audio', EDGE], ['--user-agent=', EDGE], ['--user-agent=""', EDGE],
    ['--xuser-agent=Other', EDGE], ['--mute-audio --user-agent=Game/1.0', 'Game/1.0'],
    ['--user-agent="Game/1.0 (Windows NT 10.0)" --mute-audio', 'Game/1.0 (Windows NT 10.0)'],
  ]) {
    const identity = runtimeIdentity('156.0.8078.129', argumentsGiven);
    assert.equal(identity.userAgent, userAgent, String(argumentsGiven));
    assert.equal(identity.platform, 'Win32');
    assert.equal(identity.userAgentMetadata.platform, 'Windows');
  }
});
