// Benchmark of the local content server, through the stand-in runtime in one
// run: handler time per request and the host's memory, for a small file, a
// 256 MiB file without a range, and random 64 KiB ranges of it against a
// baseline that maps the file anew for every range, a bare copy of 64 KiB and
// that copy with one file-attribute query of the same path (what every request
// does before its answer);
// then open-ended seeks into a 1 GiB file against a 64 KiB closed range.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { APP_ORIGIN, Host, binFolder, deadline, waitFor, windowsPath, wineExec } from '../scenarios/lib/host.mjs';

const MiB = 1024 * 1024;
const GiB = 1024 * MiB;
// QUORRIN_BENCH_SIZE=small (scripts/test): every measurement once, at a size of seconds.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const BIG = (SMALL ? 4 : 256) * MiB;
const RANGE = 64 * 1024;
const RANGES = SMALL ? 20 : 1000;

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

function writeBigFile(target) {
  const chunk = Buffer.alloc(MiB);
  for (let i = 0; i < chunk.length; i++) chunk[i] = (i * 31) & 0xff;
  fs.mkdirSync(path.dirname(target), { recursive: true });
  const fd = fs.openSync(target, 'w');
  for (let written = 0; written < BIG; written += MiB) fs.writeSync(fd, chunk);
  fs.closeSync(fd);
}

// One request into the 1 GiB file: the handler's time and the most anonymous memory
// it added at any moment (sampled while the request is out).
async function seek(host, label, range, length, body) {
  const before = host.residentAnonymousBytes();
  const { peak, value: result } = await host.peakResidentAnonymousBytes(host.raise('WebResourceRequested',
    { uri: APP_ORIGIN + 'seek.bin', headers: { Range: range }, body }));
  const added = Math.max(peak, host.residentAnonymousBytes()) - before;
  const { status, bodyLength } = result.response;
  if (status !== 206 || (body === 'count' && bodyLength !== length))
    throw new Error(`${label}: status ${status}, ${bodyLength} bytes`);
  return { label, micros: result.handlerMicroseconds, addedKiB: added / 1024 };
}

async function seeksIntoOneGiB(host) {
  const target = path.join(host.folder, 'www/seek.bin');
  fs.closeSync(fs.openSync(target, 'w'));
  fs.truncateSync(target, GiB); // sparse: its pages read as zeros, never from disk
  const startOf = (fraction) => Math.floor(GiB * fraction);
  const rows = [await seek(host, 'first 64 KiB closed range (maps the file)',
    `bytes=${startOf(0.5)}-${startOf(0.5) + RANGE - 1}`, RANGE, 'count')];
  for (let round = 1; round <= 2; round++) {
    for (const fraction of [0.1, 0.5, 0.9])
      rows.push(await seek(host, `round ${round}: bytes=${startOf(fraction)}- (${fraction * 100}%), body skipped`,
        `bytes=${startOf(fraction)}-`, GiB - startOf(fraction), 'skip'));
    rows.push(await seek(host, `round ${round}: 64 KiB closed range at 50%, body read`,
      `bytes=${startOf(0.5)}-${startOf(0.5) + RANGE - 1}`, RANGE, 'count'));
  }
  return rows;
}

async function memory(host) {
  return (await host.request({ type: 'query', what: 'memory' })).memory;
}

// The runtime reads each body to its end ("count"), as the browser would.
async function timeRequests(host, relative, count, { range, length, body = 'count' } = {}) {
  const times = [];
  for (let i = 0; i < count; i++) {
    const headers = range ? { Range: range(i) } : {};
    const result = await host.raise('WebResourceRequested', { uri: APP_ORIGIN + relative, headers, body });
    const { status, bodyLength } = result.response;
    if (![200, 206].includes(status) || (body === 'count' && bodyLength !== length))
      throw new Error(`${relative}: status ${status}, ${bodyLength} bytes`);
    times.push(result.handlerMicroseconds);
  }
  return times;
}

// Calls are not reported, so the handler times are the host's own work.
const host = await Host.start({ manifest: { name: 'bench' }, config: { reportCalls: false },
  files: { 'www/small.bin': Buffer.alloc(1024, 7) } });
try {
  writeBigFile(path.join(host.folder, 'www/big.bin'));
  await waitFor(async () => (await host.windows()).browser, 'the browser control');
  const rows = [];
  const measure = async (label, run) => {
    const before = await memory(host);
    const anonymousBefore = host.residentAnonymousBytes();
    const { peak, value: times } = await host.peakResidentAnonymousBytes(run());
    const after = await memory(host);
    rows.push({ label, median: median(times), privateBeforeMiB: before.privateBytes / MiB,
      peakPrivateMiB: after.peakPrivateBytes / MiB, workingSetMiB: after.workingSet / MiB,
      anonymousBeforeMiB: anonymousBefore / MiB, anonymousPeakMiB: peak / MiB,
      anonymousAfterMiB: host.residentAnonymousBytes() / MiB });
  };
  await measure('1 KiB file, no range', () => timeRequests(host, 'small.bin', SMALL ? 20 : 300, { length: 1024 }));
  await measure(`${BIG / MiB} MiB file, no range (body streamed)`,
    () => timeRequests(host, 'big.bin', SMALL ? 2 : 20, { length: BIG }));
  await timeRequests(host, 'big.bin', 1, { range: () => 'bytes=0-65535', body: 'skip' }); // warms the cache
  let seed = 7;
  const randomRange = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    const first = seed % (BIG - RANGE);
    return `bytes=${first}-${first + RANGE - 1}`;
  };
  await measure(`${RANGES.toLocaleString('en')} random 64 KiB ranges, warm cache`, () =>
    timeRequests(host, 'big.bin', RANGES, { range: randomRange, length: RANGE }));

  const baseline = spawnSync(wineExec, [path.join(binFolder, 'range_baseline.exe'),
    windowsPath(path.join(host.folder, 'www/big.bin')), String(RANGES)],
    { encoding: 'utf8', timeout: deadline(3), killSignal: 'SIGKILL' });
  if (baseline.error || baseline.status !== 0)
    throw new Error(`range_baseline.exe: ${baseline.error?.message ?? `exit code ${baseline.status}`}`);
  const { warmMicroseconds, freshMicroseconds, memcpyMicroseconds, memcpyAndAttributesMicroseconds } =
    JSON.parse(baseline.stdout);
  const seekRows = await seeksIntoOneGiB(host);

  const small = rows[0].median, whole = rows[1].median, ranged = rows[2].median;
  console.log('| measure | median handler time (µs) | private bytes before (MiB) | peak private bytes after (MiB) | working set after (MiB) | anonymous resident before (MiB) | peak anonymous resident during (MiB) | anonymous resident after (MiB) |');
  console.log('|---|---:|---:|---:|---:|---:|---:|---:|');
  for (const row of rows)
    console.log(`| ${row.label} | ${row.median.toFixed(1)} | ${row.privateBeforeMiB.toFixed(1)} | ${row.peakPrivateMiB.toFixed(1)} | ${row.workingSetMiB.toFixed(1)} | ${row.anonymousBeforeMiB.toFixed(1)} | ${row.anonymousPeakMiB.toFixed(1)} | ${row.anonymousAfterMiB.toFixed(1)} |`);
  console.log(`| baseline outside the host: warm cache, per 64 KiB range | ${warmMicroseconds.toFixed(1)} | | | | | | |`);
  console.log(`| baseline outside the host: open and map anew, per 64 KiB range | ${freshMicroseconds.toFixed(1)} | | | | | | |`);
  console.log(`| floor: bare memcpy of 64 KiB from the mapped view | ${memcpyMicroseconds.toFixed(1)} | | | | | | |`);
  console.log(`| floor of a request: that memcpy and one file-attribute query of the same warm path | ${memcpyAndAttributesMicroseconds.toFixed(1)} | | | | | | |`);
  console.log('');
  console.log('| 1 GiB file, one request each | handler time (µs) | peak anonymous resident memory added (KiB) |');
  console.log('|---|---:|---:|');
  for (const row of seekRows)
    console.log(`| ${row.label} | ${row.micros.toFixed(1)} | ${row.addedKiB.toFixed(0)} |`);
  console.log('');
  console.log(`${BIG / MiB} MiB whole file / 1 KiB file handler time: ${(whole / small).toFixed(2)}x (for a file ${(BIG / 1024).toLocaleString('en')} times larger: the body is streamed, never read into memory)`);
  console.log(`open-and-map-anew / warm cache per range: ${(freshMicroseconds / warmMicroseconds).toFixed(1)}x`);
  console.log(`host handler per warm range / 1 KiB file: ${(ranged / small).toFixed(2)}x`);
  // Each against the floor of the same run, with its goal.
  const seekMedian = median(seekRows.filter((row) => row.label.includes('body skipped')).map((row) => row.micros));
  const goals = [['warm 64 KiB range', ranged, 2], ['1 KiB file', small, 10],
    ['open-ended seek in 1 GiB (median)', seekMedian, 5]];
  for (const [label, micros, goal] of goals) {
    const ratio = micros / memcpyMicroseconds;
    console.log(`host handler, ${label} / bare memcpy of 64 KiB: ${ratio.toFixed(2)}x (goal: at most ${goal}x${SMALL || ratio <= goal ? '' : ', missed'})`);
  }
  for (const [label, micros] of goals)
    console.log(`host handler, ${label} / memcpy and one attribute query: ${(micros / memcpyAndAttributesMicroseconds).toFixed(2)}x`);
} finally {
  await host.dispose();
}
