// The application's files as the browser control receives them under AppOrigin.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { APP_ORIGIN, Host, authorLogOf, binFolder, removeUserData, windowsPath, wineExec } from './lib/host.mjs';

const song = Buffer.from(Array.from({ length: 1000 }, (_, i) => (i * 7) % 251));
const page = Buffer.from('<!doctype html><title>Hello</title>' + 'x'.repeat(1199));
const files = {
  'www/index.html': page,
  'www/media/My Song.mp3': song,
  'www/price\u20ac.txt': 'euro',
  // As a Mac writes names (decomposed), and as Windows does (composed).
  'www/images/\u0442\u0430\u0438\u0306\u043b.png': 'decomposed',
  'www/na\u00efve.txt': 'composed',
  'www/sub/page.html': '<p>sub</p>',
  'www/sub/index.html': '<p>sub index</p>',
  'www/app.mjs': 'export {};',
  'www/media/.keep': '',
  'www/data.scon': '{}',
  'www/empty.txt': '',
  'www/one.bin': 'A',
  'secret.txt': 'outside the content folder',
};

let host;
before(async () => {
  removeUserData('content');
  host = await Host.start({ manifest: { name: 'content' }, files });
  await host.ready();
});
after(() => host.dispose());

async function get(relative, range) {
  const headers = range === undefined ? {} : { Range: range };
  const result = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + relative,
    method: 'GET', headers });
  assert.equal(result.invoked, 1);
  const { status, reason, headers: block, body } = result.response;
  return { status, reason, headers: block.split('\n'), body: Buffer.from(body, 'base64') };
}

const base = (type) => ['Cache-Control: no-store', `Content-Type: ${type}`, 'Accept-Ranges: bytes'];

test('whole files are answered 200 with the exact header block and every byte', async () => {
  const answer = await get('index.html');
  assert.equal(answer.status, 200);
  assert.equal(answer.reason, 'OK');
  assert.deepEqual(answer.headers, [...base('text/html; charset=utf-8'), 'Content-Length: 1234']);
  assert.deepEqual(answer.body, page);
  assert.equal((await get('data.scon')).headers[1], 'Content-Type: application/json');
  const shouted = await get('INDEX.HTML');
  assert.equal(shouted.status, 200, 'the file system ignores case, as on Windows');
  assert.equal(shouted.headers[1], 'Content-Type: text/html; charset=utf-8');
});

test('escapes are decoded as UTF-8 and a decoded backslash separates folders', async () => {
  assert.deepEqual((await get('media/My%20Song.mp3')).body, song);
  assert.equal((await get('price%E2%82%AC.txt')).body.toString(), 'euro');
  const sub = await get('sub%5Cpage.html');
  assert.equal(sub.status, 200);
  assert.equal(sub.headers[1], 'Content-Type: text/html; charset=utf-8');
});

test('a name asked for in another Unicode form is found, and logged once', async () => {
  const composed = encodeURI('images/\u0442\u0430\u0439\u043b.png');
  for (let i = 0; i < 2; i++) assert.equal((await get(composed)).body.toString(), 'decomposed');
  assert.equal((await get(encodeURI('nai\u0308ve.txt'))).body.toString(), 'composed');
  assert.equal((await get(encodeURI('images/\u0442\u0430\u0439\u043b.jpg'))).status, 404);
  const lines = fs.readFileSync(authorLogOf('content'), 'utf8').split('\n')
    .filter((line) => line.includes('in another Unicode form'));
  assert.equal(lines.length, 2, lines.join('\n'));
});

test('a query or fragment is not part of the name, an escaped "?" is', async () => {
  const busted = await get('index.html?v=2');
  assert.equal(busted.status, 200);
  assert.deepEqual(busted.headers, [...base('text/html; charset=utf-8'), 'Content-Length: 1234']);
  assert.deepEqual(busted.body, page);
  const script = await get('app.mjs?x#y');
  assert.equal(script.headers[1], 'Content-Type: application/javascript; charset=utf-8');
  assert.equal(script.body.toString(), 'export {};');
  assert.deepEqual((await get('media/My%20Song.mp3?t=3#x', 'bytes=0-1')).body, song.subarray(0, 2));
  assert.equal((await get('index.html%3Fv=2')).status, 404);
});

test('a folder asked for as a folder is its index page; any other folder is not found', async () => {
  for (const [folder, body] of [['', page], ['?start', page], ['sub/', '<p>sub index</p>']]) {
    const answer = await get(folder);
    assert.equal(answer.status, 200, folder);
    assert.equal(answer.headers[1], 'Content-Type: text/html; charset=utf-8');
    assert.deepEqual(answer.body, Buffer.from(body), folder);
  }
  const ranged = await get('sub/', 'bytes=3-5');
  assert.equal(ranged.status, 206);
  assert.equal(ranged.body.toString(), 'sub');
  for (const folder of ['sub', 'media', 'media/', 'sub%5C']) {
    const answer = await get(folder);
    assert.equal(answer.status, 404, folder);
    assert.equal(answer.body.toString(), 'File not found');
  }
  const empty = await get('empty.txt', 'bytes=0-');
  assert.equal(empty.status, 416);
  assert.equal(empty.headers.at(-1), 'Content-Range: bytes */0');
});

test('missing files are 404 "File not found", whatever the Range', async () => {
  const answer = await get('nothing.js', 'bytes=0-');
  assert.equal(answer.status, 404);
  assert.equal(answer.reason, 'Not Found');
  assert.deepEqual(answer.headers, ['Cache-Control: no-store']);
  assert.equal(answer.body.toString(), 'File not found');
});

test('every form of Range on a 1,000-byte file', async () => {
  const cases = [
    ['bytes=0-', 0, 999], ['bytes=0-0', 0, 0], ['bytes=100-199', 100, 199], ['bytes=-100', 900, 999],
    ['bytes=-1000', 0, 999], ['bytes=0-99,200-299', 0, 99],
    ['  bytes=10-20\t', 10, 20], ['bytes=-1001', 0, 999], ['bytes=500-2000', 500, 999],
    ['bytes=-0'], ['bytes=1000-'], ['bytes=1000-2000'],
    ['bytes=200-100'], ['Bytes=0-10'], ['bytes 0-10'], ['bytes=5'], ['bytes=x-5'], ['bytes=-'],
    ['bytes=99999999999-'],
  ];
  for (const [range, first, last] of cases) {
    const answer = await get('media/My%20Song.mp3', range);
    if (first === undefined) {
      assert.equal(answer.status, 416, range);
      assert.equal(answer.reason, 'Range Not Satisfiable');
      assert.deepEqual(answer.headers, [...base('audio/mpeg'), 'Content-Range: bytes */1000'], range);
      assert.equal(answer.body.length, 0);
      continue;
    }
    const length = last + 1 - first;
    assert.equal(answer.status, 206, range);
    assert.deepEqual(answer.headers, [...base('audio/mpeg'),
      `Content-Range: bytes ${first}-${last}/1000`, `Content-Length: ${length}`], range);
    assert.deepEqual(answer.body, song.subarray(first, last + 1), range);
  }
  const single = await get('one.bin', 'bytes=0-0');
  assert.deepEqual(single.headers.slice(3), ['Content-Range: bytes 0-0/1', 'Content-Length: 1']);
  assert.equal(single.body.toString(), 'A');
});

test('hostile paths are not found and nothing outside the content folder is served', async () => {
  const hostile = ['..%2Fpackage.json', '%2e%2e%2Fpackage.json', '..%5Cpackage.json',
    'sub/..%5C..%5Csecret.txt', 'sub/%2E%2E/%2E%2E/secret.txt', './index.html', 'index.html::$DATA',
    'index.html%3A%3A%24DATA', 'C%3A%5Cwindows%5Cwin.ini', 'index.html%00.png',
    'Z%3A%2Fetc%2Fpasswd', 'a/'.repeat(3000) + 'x'];
  for (const relative of hostile) {
    const answer = await get(relative);
    assert.equal(answer.status, 404, relative.slice(0, 60));
    assert.equal(answer.body.toString(), 'File not found');
  }
});

test('a link inside the content folder serves nothing outside it', async () => {
  const www = path.join(host.folder, 'www');
  fs.symlinkSync(path.join(host.folder, 'secret.txt'), path.join(www, 'out.txt'));
  fs.symlinkSync(host.folder, path.join(www, 'up'));
  fs.symlinkSync(path.join(www, 'sub', 'page.html'), path.join(www, 'in.html'));
  for (const relative of ['out.txt', 'up/secret.txt', 'up/package.json']) {
    const answer = await get(relative);
    assert.equal(answer.status, 404, relative);
  }
  const inside = await get('in.html');
  assert.equal(inside.status, 200, 'a link that stays inside is served');
  assert.equal(inside.body.toString(), '<p>sub</p>');
});

test('a file replaced by a link to outside while running is checked again', async () => {
  const swapped = path.join(host.folder, 'www', 'swap.txt');
  host.writeFile('www/swap.txt', 'inside the content folder!'); // as long as secret.txt
  assert.equal((await get('swap.txt')).status, 200);
  assert.equal((await get('swap.txt', 'bytes=0-5')).status, 206);
  fs.unlinkSync(swapped);
  fs.symlinkSync(path.join(host.folder, 'secret.txt'), swapped);
  for (const range of [undefined, 'bytes=0-5']) {
    const answer = await get('swap.txt', range);
    assert.equal(answer.status, 404, `${range}: ${answer.body}`);
  }
});

// Another program holds the file open, for writing or (exclusive) locked; until it lets go.
async function holdFile(relative, ...mode) {
  const target = path.join(host.folder, relative);
  const holder = spawn(wineExec, [path.join(binFolder, 'hold_file.exe'), windowsPath(target), ...mode],
    { stdio: ['pipe', 'pipe', 'inherit'] });
  const [held] = await once(holder.stdout, 'data');
  assert.match(String(held), /held/);
  return async () => { holder.stdin.end(); await once(holder, 'exit'); };
}

const unreadable = ['Cache-Control: no-store', 'Content-Type: text/plain; charset=utf-8',
  'Content-Length: 19'];

test('a file another program holds open for writing is answered 500, and served once free', async () => {
  host.writeFile('www/media/held.mp3', song);
  const release = await holdFile('www/media/held.mp3');
  const refused = await get('media/held.mp3', 'bytes=10-19');
  assert.equal(refused.status, 500);
  assert.equal(refused.reason, 'Internal Server Error');
  assert.deepEqual(refused.headers, unreadable);
  assert.equal(refused.body.toString(), 'File cannot be read');
  await release();
  const served = await get('media/held.mp3', 'bytes=10-19');
  assert.equal(served.status, 206);
  assert.deepEqual(served.body, song.subarray(10, 20));
});

test('a whole file that cannot be opened is answered 500 with a body, not 200 without one', async () => {
  host.writeFile('www/locked.html', page);
  const release = await holdFile('www/locked.html', 'exclusive');
  for (const range of [undefined, 'bytes=0-']) {
    const refused = await get('locked.html', range);
    assert.equal(refused.status, 500, range);
    assert.deepEqual(refused.headers, unreadable);
    assert.equal(refused.body.toString(), 'File cannot be read');
  }
  await release();
  assert.deepEqual((await get('locked.html')).body, page);
});
