// A 400 MB media file in Quorrin.exe with the browser agent: the time until it
// can play, then ten seeks across it (each from setting currentTime to the
// engine's "seeked"), and the host's memory meanwhile. The file is made here, in
// the application folder of this run only.
import fs from 'node:fs';
import path from 'node:path';

import { RunningApp } from '../e2e/lib/app.mjs';
import { linuxProcessOf, peakResidentAnonymousBytes, residentAnonymousBytes } from '../scenarios/lib/wine_process.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): every measurement once, at a size of seconds.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const BYTES = (SMALL ? 4 : 400) * 1000 * 1000;
const RATE = 22050; // 16-bit mono
const SEEKS = [0.37, 0.91, 0.05, 0.62, 0.18, 0.77, 0.49, 0.99, 0.26, 0.84].slice(0, SMALL ? 2 : undefined);

// A WAV of a 441 Hz tone, written a block at a time.
function writeWav(file) {
  const samples = (BYTES - 44) / 2;
  const header = Buffer.alloc(44);
  header.write('RIFF', 0); header.writeUInt32LE(36 + samples * 2, 4); header.write('WAVE', 8);
  header.write('fmt ', 12); header.writeUInt32LE(16, 16); header.writeUInt16LE(1, 20); header.writeUInt16LE(1, 22);
  header.writeUInt32LE(RATE, 24); header.writeUInt32LE(RATE * 2, 28); header.writeUInt16LE(2, 32);
  header.writeUInt16LE(16, 34); header.write('data', 36); header.writeUInt32LE(samples * 2, 40);
  const block = Buffer.alloc(RATE * 2 * 10);
  for (let i = 0; i < block.length / 2; i++) block.writeInt16LE(Math.round(Math.sin(2 * Math.PI * 441 * i / RATE) * 8000), i * 2);
  const fd = fs.openSync(file, 'w');
  fs.writeSync(fd, header);
  for (let left = samples * 2; left > 0; left -= block.length) fs.writeSync(fd, block, 0, Math.min(left, block.length));
  fs.closeSync(fd);
}

const mib = (bytes) => (bytes / 1048576).toFixed(1);
const app = await RunningApp.start('media');
await app.ready();
writeWav(path.join(app.folder, 'www/long.wav'));
// The host's heap under Wine: the anonymous resident memory of its Linux process.
const pid = linuxProcessOf(app.executable, app.process.pid);
const before = residentAnonymousBytes(pid);

const started = await app.page.evaluate(() => new Promise((resolve, reject) => {
  const media = document.createElement('audio');
  window.long = media;
  const start = performance.now();
  media.addEventListener('canplay', () => resolve(performance.now() - start), { once: true });
  media.addEventListener('error', () => reject(new Error(`media error ${media.error?.code}`)));
  media.src = 'long.wav';
  document.body.append(media);
}));
await app.page.evaluate(() => window.long.play());

const rows = [];
for (const fraction of SEEKS) {
  const { peak, value: milliseconds } = await peakResidentAnonymousBytes(pid, app.page.evaluate((at) =>
    new Promise((resolve) => {
      const media = window.long;
      const start = performance.now();
      media.addEventListener('seeked', () => resolve(performance.now() - start), { once: true });
      media.currentTime = media.duration * at;
    }), fraction));
  rows.push({ fraction, milliseconds, peak, after: residentAnonymousBytes(pid) });
}
const playing = await app.page.evaluate(() => !window.long.paused && window.long.currentTime > 0);
const after = residentAnonymousBytes(pid);
const answers = app.session.answers.filter((answer) => answer.uri.endsWith('/long.wav'));
const handler = answers.map((answer) => answer.handlerMicroseconds).sort((a, b) => a - b);
await app.dispose();

console.log('');
console.log(`| ${BYTES / 1e6} MB WAV through the browser agent (${answers.length} range answers; handler median ` +
  `${(handler[handler.length >> 1] / 1000).toFixed(2)} ms, max ${(handler.at(-1) / 1000).toFixed(2)} ms) | ms | host anonymous resident MiB: peak during | after |`);
console.log('|---|---:|---:|---:|');
console.log(`| before the file | | | ${mib(before)} |`);
console.log(`| ready to play (canplay) | ${started.toFixed(0)} | | |`);
for (const row of rows)
  console.log(`| seek to ${(row.fraction * 100).toFixed(0)}% | ${row.milliseconds.toFixed(0)} | ${mib(row.peak)} | ${mib(row.after)} |`);
console.log(`| after (still playing: ${playing}) | | | ${mib(after)} |`);
console.log(`| bytes sent in all | ${mib(answers.reduce((sum, answer) => sum + answer.bodyLength, 0))} MiB | | |`);
