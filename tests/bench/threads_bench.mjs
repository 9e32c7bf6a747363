// examples/threads in Quorrin.exe: the time the threaded sum takes with one and
// with four threads (median of several runs), to show that the threads run in
// parallel where there are cores for them.
import os from 'node:os';

import { RunningApp } from '../e2e/lib/app.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): every measurement once, at a size of seconds.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const RUNS = SMALL ? 1 : 7;
const COUNT = SMALL ? 1_000_000 : 32_000_000;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const app = await RunningApp.start('threads');
await app.ready();
const times = {};
for (const threads of [1, 4]) {
  const runs = [];
  for (let i = 0; i < RUNS; i++) {
    const result = await app.page.evaluate(([t, n]) => window.sumInThreads(t, n), [threads, COUNT]);
    if (result.sum < 0) throw new Error(`the sum with ${threads} threads failed`);
    runs.push(result.milliseconds);
  }
  times[threads] = median(runs);
}
await app.dispose();

console.log('');
console.log(`| examples/threads: sum of ${COUNT.toLocaleString('en')} values (median of ${RUNS}, ${os.cpus().length} cores) | ms |`);
console.log('|---|---:|');
console.log(`| 1 thread | ${times[1].toFixed(1)} |`);
console.log(`| 4 threads | ${times[4].toFixed(1)} |`);
console.log(`| speed-up | ${(times[1] / times[4]).toFixed(2)}x |`);
