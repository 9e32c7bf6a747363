// Requests and the answers the content server gives them, shared by the
// program's scenario (content_cases.test.mjs) and the preview server of
// "quorrin dev" (tests/npm/dev_server.test.mjs): both must answer alike.
export const song = Buffer.from(Array.from({ length: 1000 }, (_, i) => (i * 7) % 251));

export const files = {
  'www/index.html': '<!doctype html><title>Hello</title>',
  'www/media/My Song.mp3': song,
  'www/price\u20ac.txt': 'euro',
  'www/sub/index.html': '<p>sub index</p>',
  'www/sub/page.html': '<p>sub</p>',
  'www/app.mjs': 'export {};',
  'www/data.scon': '{}',
  'www/empty.txt': '',
  'www/one.bin': 'A',
  'secret.txt': 'outside the content folder',
};

const base = (type) => ['Cache-Control: no-store', `Content-Type: ${type}`, 'Accept-Ranges: bytes'];
const notFound = { status: 404, headers: ['Cache-Control: no-store'], body: 'File not found' };
const mp3 = base('audio/mpeg');
const html = base('text/html; charset=utf-8');

// [path after the origin, Range value or undefined, expected answer]. Pages
// (text/html) are compared without their length and body: the preview injects its bridge.
export const cases = [
  ['app.mjs', undefined, { status: 200, headers: [...base('application/javascript; charset=utf-8'),
    'Content-Length: 10'], body: 'export {};' }],
  ['app.mjs?v=2', undefined, { status: 200, headers: [...base('application/javascript; charset=utf-8'),
    'Content-Length: 10'], body: 'export {};' }],
  ['data.scon', undefined, { status: 200, headers: [...base('application/json'), 'Content-Length: 2'],
    body: '{}' }],
  ['price%E2%82%AC.txt', undefined, { status: 200,
    headers: [...base('text/plain; charset=utf-8'), 'Content-Length: 4'], body: 'euro' }],
  ['media/My%20Song.mp3', 'bytes=0-1', { status: 206, headers: [...mp3,
    'Content-Range: bytes 0-1/1000', 'Content-Length: 2'], body: song.subarray(0, 2) }],
  ['media/My%20Song.mp3', 'bytes=990-', { status: 206, headers: [...mp3,
    'Content-Range: bytes 990-999/1000', 'Content-Length: 10'], body: song.subarray(990) }],
  ['media/My%20Song.mp3', 'bytes=-3', { status: 206, headers: [...mp3,
    'Content-Range: bytes 997-999/1000', 'Content-Length: 3'], body: song.subarray(997) }],
  ['media/My%20Song.mp3', 'bytes=0-', { status: 206, headers: [...mp3,
    'Content-Range: bytes 0-999/1000', 'Content-Length: 1000'], body: song }],
  ['media/My%20Song.mp3', 'bytes=1000-', { status: 416, headers: [...mp3,
    'Content-Range: bytes */1000'], body: '' }],
  ['media/My%20Song.mp3', 'bytes=5-2', { status: 416, headers: [...mp3,
    'Content-Range: bytes */1000'], body: '' }],
  ['media/My%20Song.mp3', 'items=0-1', { status: 416, headers: [...mp3,
    'Content-Range: bytes */1000'], body: '' }],
  ['one.bin', 'bytes=0-0', { status: 206, headers: [...base('application/octet-stream'),
    'Content-Range: bytes 0-0/1', 'Content-Length: 1'], body: 'A' }],
  ['empty.txt', undefined, { status: 200, headers: [...base('text/plain; charset=utf-8'),
    'Content-Length: 0'], body: '' }],
  ['empty.txt', 'bytes=0-0', { status: 416, headers: [...base('text/plain; charset=utf-8'),
    'Content-Range: bytes */0'], body: '' }],
  ['', undefined, { status: 200, headers: html, page: true }],
  ['sub/', undefined, { status: 200, headers: html, page: true }],
  ['sub%5Cpage.html', undefined, { status: 200, headers: html, page: true }],
  ['sub', undefined, notFound],
  ['index.html%3Fv=2', undefined, notFound],
  ['%2E%2E/secret.txt', undefined, notFound],
  ['sub/%2e/page.html', undefined, notFound],
  ['c:/secret.txt', undefined, notFound],
  ['missing.png', undefined, notFound],
  ['missing.png', 'bytes=0-1', notFound],
];

// With "cross-origin-isolation": true every answer carries these after its own.
export const ISOLATION_HEADERS = ['Cross-Origin-Opener-Policy: same-origin',
  'Cross-Origin-Embedder-Policy: require-corp', 'Cross-Origin-Resource-Policy: same-origin'];
