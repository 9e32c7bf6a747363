// Engine exports in miniature, made at test time with Node's zlib: the files a
// Unity build and a Godot threads build ask a web server for, without the
// engines. The scenarios check the host's answers; the end-to-end test runs
// them in the engine (tests/e2e/apps/engines holds their pages).
import crypto from 'node:crypto';
import zlib from 'node:zlib';

// A WebAssembly module whose export answer() returns 42.
export const WASM = Buffer.from([0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,
  0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7f, 0x03, 0x02, 0x01, 0x00,
  0x07, 0x0a, 0x01, 0x06, 0x61, 0x6e, 0x73, 0x77, 0x65, 0x72, 0x00, 0x00,
  0x0a, 0x06, 0x01, 0x04, 0x00, 0x41, 0x2a, 0x0b]);
export const FRAMEWORK = 'var unityFramework = function (module) { return module.answer(); };\n';
// Data past the first piece the host decodes before answering, so its length is
// learnt only once the whole file has been read.
export const DATA = Buffer.from(Array.from({ length: 300_000 }, (_, i) => (i * 2654435761 >>> 24) & 0xff));
export const OLD_DATA = Buffer.from('level data from an older build '.repeat(100));
export const SPACED_NAME = 'My Files/Carte d\u2019\u00e9t\u00e9.txt';

// gzip with the comment Unity writes into its builds' headers.
export function unityGzip(bytes) {
  const plain = zlib.gzipSync(bytes);
  const header = Buffer.from(plain.subarray(0, 10));
  header[3] |= 0x10; // FCOMMENT
  return Buffer.concat([header, Buffer.from('UnityWeb Compressed Content (gzip)\0'), plain.subarray(10)]);
}

export const sha256 = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');
export const escapePath = (name) => name.split('/').map(encodeURIComponent).join('/');

// The files of both builds, under www/: what a test writes beside its pages.
export function engineFiles() {
  const raw = zlib.gzipSync(Buffer.from('kept compressed'));
  const files = {
    'www/Build/game.wasm.br': zlib.brotliCompressSync(WASM),
    'www/Build/game.framework.js.br': zlib.brotliCompressSync(Buffer.from(FRAMEWORK)),
    'www/Build/game.data.br': zlib.brotliCompressSync(DATA),
    'www/Build/old.data.gz': unityGzip(OLD_DATA),
    'www/Build/raw.bin.gz': raw,
    [`www/${SPACED_NAME}`]: 'a name with spaces and accents',
  };
  files['www/expected.json'] = JSON.stringify({ data: sha256(DATA), oldData: sha256(OLD_DATA),
    raw: sha256(raw), spaced: escapePath(SPACED_NAME) });
  return files;
}
