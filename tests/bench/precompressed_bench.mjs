// A WebAssembly module stored as .wasm.br against the same module stored plain,
// in one run of Quorrin.exe with the browser agent: the time from the request to
// WebAssembly.instantiateStreaming resolved (median of several, alternating), and
// the host's anonymous resident memory before and at its peak while each loads.
// Goal: the decoded file takes at most 1.3 times the plain one.
// Then 200 ranged fetches past the end of a .data.br that decodes to 1 GiB, each
// spelling its name in another case, while the page measures the round trip of
// a message to the host every 20 ms. Goals: no round trip over 100 ms (nothing
// decodes on the UI thread, and the size is learnt once), the host under 256 MiB.
import zlib from 'node:zlib';

import { RunningApp } from '../e2e/lib/app.mjs';
import { linuxProcessOf, peakResidentAnonymousBytes, residentAnonymousBytes } from '../scenarios/lib/wine_process.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): once, with a module of a few MiB.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const RUNS = SMALL ? 1 : 5;
const MODULE_BYTES = (SMALL ? 4 : 40) << 20;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const mib = (bytes) => (bytes / (1 << 20)).toFixed(1);

// A valid module of the given size: a function and a custom section of
// code-like bytes (runs of 4,096 six-byte words), which Brotli shrinks about
// as much as a real build's code.
function moduleOf(size) {
  const head = Buffer.from([0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,
    0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7f, 0x03, 0x02, 0x01, 0x00,
    0x07, 0x0a, 0x01, 0x06, 0x61, 0x6e, 0x73, 0x77, 0x65, 0x72, 0x00, 0x00,
    0x0a, 0x06, 0x01, 0x04, 0x00, 0x41, 0x2a, 0x0b]);
  const name = Buffer.from([4, ...Buffer.from('data')]);
  const payloadSize = size - head.length - name.length - 6;
  let seed = 12345;
  const next = () => (seed = (Math.imul(seed, 1103515245) + 12345) >>> 0) >>> 8;
  const words = Buffer.from(Array.from({ length: 4096 * 6 }, () => next() & 0xff));
  const payload = Buffer.alloc(payloadSize);
  for (let at = 0; at < payloadSize; at += 6) {
    const word = (next() % 4096) * 6;
    words.copy(payload, at, word, word + 6);
  }
  const sectionSize = name.length + payloadSize;
  const leb = [];
  for (let value = sectionSize, more = true; more;) {
    const byte = value & 0x7f;
    value >>>= 7;
    more = value !== 0 || leb.length < 4; // a fixed five bytes keeps the size exact
    leb.push(more ? byte | 0x80 : byte);
  }
  return Buffer.concat([head, Buffer.from([0x00, ...leb]), name, payload]);
}

// Data of the given size, a few MiB of code-like words repeated: as a build's
// data decodes, a piece at a time.
function dataOf(size) {
  let seed = 777;
  const next = () => (seed = (Math.imul(seed, 1103515245) + 12345) >>> 0) >>> 8;
  const words = Buffer.from(Array.from({ length: 256 * 6 }, () => next() & 0xff));
  const block = Buffer.alloc(4 << 20);
  for (let at = 0; at < block.length; at += 6) {
    const word = (next() % 256) * 6;
    words.copy(block, at, word, word + 6);
  }
  const data = Buffer.alloc(size);
  for (let at = 0; at < size; at += block.length) block.copy(data, at);
  return data;
}

const module = moduleOf(MODULE_BYTES);
const compressed = zlib.brotliCompressSync(module, { params: {
  [zlib.constants.BROTLI_PARAM_QUALITY]: 5, [zlib.constants.BROTLI_PARAM_SIZE_HINT]: module.length } });
const FETCHES = SMALL ? 20 : 200;
const DATA_BYTES = (SMALL ? 64 : 1024) << 20;
const bigData = zlib.brotliCompressSync(dataOf(DATA_BYTES), { params: {
  [zlib.constants.BROTLI_PARAM_QUALITY]: 1, [zlib.constants.BROTLI_PARAM_LGWIN]: 24,
  [zlib.constants.BROTLI_PARAM_SIZE_HINT]: DATA_BYTES } });
const page = `<!doctype html><title>Bench</title><body data-ready="true"><p>Loading modules</p><script>
const roundTrip = () => new Promise((resolve) => {
  const start = performance.now();
  const answered = (event) => {
    if (event.data.type !== 'wrapper-init-response') return;
    window.chrome.webview.removeEventListener('message', answered);
    resolve(performance.now() - start);
  };
  window.chrome.webview.addEventListener('message', answered);
  window.chrome.webview.postMessage(JSON.stringify({ type: 'wrapper-init' }));
});
// The slowest round trip while nothing else happens, to compare with.
window.idleTrips = async (count) => {
  await roundTrip(); // the first makes the page's folder handles: once, whatever follows
  let worst = 0;
  for (let i = 0; i < count; i++) {
    worst = Math.max(worst, await roundTrip());
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  return worst;
};
window.rangedFetches = async (count) => {
  const trips = [];
  let fetching = true;
  const measuring = (async () => {
    while (fetching) {
      trips.push(await roundTrip());
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
  })();
  const start = performance.now();
  const statuses = new Set();
  for (let i = 0; i < count; i++) {
    const name = [...'Build/big.data.br'].map((c, at) => (i >> (at % 12)) & 1 ? c.toUpperCase() : c).join('');
    statuses.add((await fetch(name, { headers: { Range: 'bytes=2000000000-' } })).status);
  }
  const milliseconds = performance.now() - start;
  fetching = false;
  await measuring;
  return { statuses: [...statuses], milliseconds, trips: trips.length, worst: Math.max(...trips),
    over100: trips.filter((trip) => trip > 100).length };
};
window.load = async (name) => {
  const start = performance.now();
  const { instance } = await WebAssembly.instantiateStreaming(fetch(name + '?' + Math.random()));
  if (instance.exports.answer() !== 42) throw new Error('wrong module');
  return performance.now() - start;
};
</script>`;
const app = await RunningApp.start('engines', { testApp: true,
  manifest: (manifest) => ({ ...manifest, main: 'bench.html' }),
  files: { 'www/bench.html': page, 'www/big.wasm': module, 'www/big.wasm.br': compressed,
    'www/Build/big.data.br': bigData } });
await app.ready();
const pid = linuxProcessOf(app.executable, app.process.pid);
const times = { 'big.wasm': [], 'big.wasm.br': [] };
const peaks = { 'big.wasm': 0, 'big.wasm.br': 0 };
const before = residentAnonymousBytes(pid);
for (let run = 0; run < RUNS; run++) {
  for (const name of Object.keys(times)) {
    const { peak, value } = await peakResidentAnonymousBytes(pid, app.page.evaluate((n) => window.load(n), name));
    times[name].push(value);
    peaks[name] = Math.max(peaks[name], peak);
  }
}
const after = residentAnonymousBytes(pid);
const idleWorst = await app.page.evaluate((n) => window.idleTrips(n), SMALL ? 10 : 100);
const ranged = await peakResidentAnonymousBytes(pid, app.page.evaluate((n) => window.rangedFetches(n), FETCHES));
// Again, the size known: nothing is decoded, the same requests and messages.
const known = await app.page.evaluate((n) => window.rangedFetches(n), FETCHES);
await app.dispose();
if (ranged.value.statuses.join() !== '416') throw new Error(`ranged fetches answered ${ranged.value.statuses}`);

const plain = median(times['big.wasm']);
const decoded = median(times['big.wasm.br']);
console.log('');
console.log(`| ${mib(module.length)} MiB WebAssembly module (brotli: ${mib(compressed.length)} MiB), request to instantiateStreaming resolved (median of ${RUNS}) | ms | host anonymous memory peak (before: ${mib(before)} MiB) |`);
console.log('|---|---:|---:|');
console.log(`| big.wasm, plain | ${plain.toFixed(0)} | ${mib(peaks['big.wasm'])} MiB |`);
console.log(`| big.wasm.br, decoded by the host | ${decoded.toFixed(0)} | ${mib(peaks['big.wasm.br'])} MiB |`);
console.log(`| ratio (goal: at most 1.3x) | ${(decoded / plain).toFixed(2)}x | after: ${mib(after)} MiB |`);

console.log('');
console.log(`| ${FETCHES} ranged fetches past the end of a .data.br decoding to ${mib(DATA_BYTES)} MiB (brotli: ${mib(bigData.length)} MiB), each name in another case | figure | goal |`);
console.log('|---|---:|---:|');
console.log(`| all ${FETCHES} answered 416 | ${ranged.value.milliseconds.toFixed(0)} ms | |`);
console.log(`| slowest of ${ranged.value.trips} page message round trips meanwhile (over 100 ms: ${ranged.value.over100}) | ${ranged.value.worst.toFixed(1)} ms | under 100 ms |`);
console.log(`| the same ${FETCHES} fetches again, the size known (nothing decoded): ${known.milliseconds.toFixed(0)} ms, slowest of ${known.trips} round trips (over 100 ms: ${known.over100}) | ${known.worst.toFixed(1)} ms | |`);
console.log(`| slowest of ${SMALL ? 10 : 100} round trips before, with nothing else to do | ${idleWorst.toFixed(1)} ms | |`);
console.log(`| host anonymous memory peak | ${mib(ranged.peak)} MiB | under 256 MiB |`);
