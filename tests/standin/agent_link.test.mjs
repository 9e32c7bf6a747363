// The stand-in runtime's link to its agent: a malformed message gets an error
// result naming the fault, never reaches the host, and the host runs on.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

import { APP_ORIGIN, waitFor, hostsOfThisFile } from '../scenarios/lib/host.mjs';

const { ready } = hostsOfThisFile();
const NO_COMPONENTS = '{"registeredComponentIds":[],"type":"wrapper-init-response"}';
const raise = (event, args) => ({ type: 'raise', event, args });

const MALFORMED = [
  [raise('WebMessageReceived', { source: APP_ORIGIN, json: { type: 'wrapper-init' } }),
    /^WebMessageReceived: "json" must be a string, not object$/],
  [raise('WebMessageReceived', { json: '"x"' }), /^WebMessageReceived: missing "source"$/],
  [raise('WebMessageReceived', { source: APP_ORIGIN }), /missing "string" or "json"/],
  [raise('WebMessageReceived', { source: APP_ORIGIN, string: 42 }), /"string" must be a string, not number/],
  [{ type: 'raise', args: {} }, /^missing "event"$/],
  [{ type: 'raise', event: 7 }, /^"event" must be a string, not number$/],
  [raise('Teleported', {}), /^Teleported: unknown event$/],
  [raise('DOMContentLoaded', [1]), /^"args" must be an object, not array$/],
  [raise('NavigationStarting', {}), /^NavigationStarting: missing "uri"$/],
  [raise('WebResourceRequested', { uri: APP_ORIGIN, headers: { Range: 5 } }),
    /header "Range" must be a string, not number/],
  [raise('WebResourceRequested', { uri: APP_ORIGIN, headers: 'Range: bytes=0-' }),
    /"headers" must be an object, not string/],
  [raise('WebResourceRequested', { uri: APP_ORIGIN, body: 'all' }), /unknown body mode "all"/],
  [raise('WebResourceRequested', { uri: APP_ORIGIN, sourceKind: 'worker' }), /unknown sourceKind "worker"/],
  [raise('WebResourceRequested', { uri: APP_ORIGIN, resourceContext: 0 }),
    /resourceContext 0 is not a request's context/],
  [raise('AcceleratorKeyPressed', {}), /missing "key"/],
  [raise('AcceleratorKeyPressed', { key: -1 }), /"key" must be an integer from 0 to 4294967295/],
  [raise('AcceleratorKeyPressed', { key: 0x7b, kind: 'keysideways' }), /unknown key event kind "keysideways"/],
  [raise('PermissionRequested', { uri: APP_ORIGIN, kind: 'camera' }), /"kind" must be an integer/],
  [raise('ContainsFullScreenElementChanged', { value: 'yes' }), /"value" must be a boolean, not string/],
  [raise('DocumentTitleChanged', { title: null }), /"title" must be a string, not null/],
  [{ type: 'query', what: 'everything' }, /^unknown query "everything"$/],
  [{ type: 'set-window-pos', x: 1.5 }, /"x" must be an integer/],
  [{ type: 'set-window-pos', width: 2 ** 40 }, /"width" must be an integer from -2147483648 to 2147483647/],
  [{ type: 'press', button: ['OK'] }, /"button" must be a string, not array/],
  [{ type: 'read-body', stream: 999 }, /^no body stream 999$/],
  [{ type: 'read-body', stream: '1' }, /"stream" must be an integer/],
  [{ type: 'close-body' }, /^no body stream 0$/],
  [{ type: 'script-dialog', kind: 5 }, /"kind" must be a string, not number/],
  [{ type: 'teleport' }, /^unknown request "teleport"$/],
  [{ type: null }, /^"type" must be a string, not null$/],
  [{}, /^missing "type"$/],
];

test('malformed requests get an error naming the fault and change nothing in the host', async () => {
  const host = await ready();
  for (const [message, fault] of MALFORMED) {
    const reply = await host.request(message);
    assert.match(String(reply.error), fault, JSON.stringify(message));
  }
  assert.deepEqual(host.posts(), [], 'no malformed message reached the bridge');
  assert.equal(host.callsTo('put_Response').length, 0, 'no malformed request was answered');
  const windows = await host.windows();
  assert.equal(windows.main.visible, false, 'no event reached the host');
  // The host still hears its page and still ends as it should.
  await host.postString('{"type":"wrapper-init"}');
  assert.equal(host.posts().at(-1).json, NO_COMPONENTS);
  host.close();
  assert.equal(await host.waitForExit(), 0);
});

test('lines that are not JSON objects are reported without an id and the link reads on', async () => {
  const host = await ready();
  for (const line of ['this is not json', '[1,2,3]', '{"type":"raise",', '"wrapper-init"'])
    await host.sendRawLine(line);
  const errors = await waitFor(() => host.linkErrors.length >= 4 && host.linkErrors, 'four errors');
  assert.deepEqual(errors, ['not JSON: this is not json', 'not a JSON object: [1,2,3]',
    'not JSON: {"type":"raise",', 'not a JSON object: "wrapper-init"']);
  await host.postString('{"type":"wrapper-init"}');
  assert.equal(host.posts().at(-1).json, NO_COMPONENTS);
  host.close();
  assert.equal(await host.waitForExit(), 0);
});

test('a malformed config is reported; what it got right counts, the rest keeps defaults', async () => {
  const host = await ready({ config: { webview2_23: false, reportCalls: 'no' } });
  assert.deepEqual(host.linkErrors.map((error) => error.replace(/: \{.*/, '')),
    ['config: "reportCalls" must be a boolean, not string']);
  await host.postString('{"type":"wrapper-init"}');
  assert.deepEqual(host.posts().map((post) => post.json), [NO_COMPONENTS],
    'no directory handles: webview2_23 false was read before the fault');
  host.close();
  assert.equal(await host.waitForExit(), 0);
});

test('a body stream is read in the pieces the agent asks for, and let go at its end or when closed', async () => {
  const bytes = Buffer.from(Array.from({ length: 300000 }, (_, i) => (i * 7) % 251));
  const host = await ready({ files: { 'www/data.bin': bytes } });
  const streamOf = async () => (await host.raise('WebResourceRequested',
    { uri: `${APP_ORIGIN}data.bin`, body: 'stream' })).response.stream;
  const read = (stream, size) => host.request({ type: 'read-body', stream, bytes: size });

  const first = await streamOf();
  assert.match((await read(first, 0)).error, /^"bytes" must be from 1 to 1048576$/);
  assert.match((await read(first, 2 ** 20 + 1)).error, /^"bytes" must be from 1 to 1048576$/);
  const pieces = [];
  for (let piece = { end: false }; !piece.end;) {
    piece = await read(first, 65536);
    pieces.push(Buffer.from(piece.data, 'base64'));
  }
  assert.deepEqual(pieces.map((piece) => piece.length), [65536, 65536, 65536, 65536, 37856]);
  assert.ok(Buffer.concat(pieces).equals(bytes), 'every byte, in order');
  assert.equal((await read(first, 1)).error, `no body stream ${first}`, 'let go at its end');

  const second = await streamOf();
  assert.notEqual(second, first);
  assert.equal(Buffer.from((await read(second, 10)).data, 'base64').toString('hex'), bytes.subarray(0, 10).toString('hex'));
  assert.deepEqual((await host.request({ type: 'close-body', stream: second })).closed, true);
  assert.equal((await read(second, 1)).error, `no body stream ${second}`, 'let go when closed');
  // A 404's text is a body like any other.
  assert.equal(typeof (await host.raise('WebResourceRequested', { uri: `${APP_ORIGIN}nothing`, body: 'stream' }))
    .response.stream, 'number');
  host.close();
  assert.equal(await host.waitForExit(), 0);
});

test('the engine\'s profile is named before environment creation: "EBWebView" in the user data folder', async () => {
  const host = await ready({ manifest: { name: 'profile-scenario' } });
  const profile = host.messages.find((message) => message.type === 'profile');
  const creation = host.messages.findIndex((message) => message.method === 'CreateCoreWebView2EnvironmentWithOptions');
  assert.ok(host.messages.indexOf(profile) < creation, 'before the call');
  assert.match(profile.folder, /\/AppData\/Local\/profile-scenario\/EBWebView$/);
  assert.ok(fs.statSync(profile.folder).isDirectory(), 'made, where the agent reaches it');
  host.close();
  assert.equal(await host.waitForExit(), 0);
});
