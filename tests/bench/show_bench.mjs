// "show" in package.json: from starting Quorrin.exe to its window on screen,
// "when-ready" (at the page's DOMContentLoaded) against "at-once" (right after
// the manifest is read), with examples/hello and the browser agent, and a bare
// Win32 window as the floor, each seen appear by a watcher outside the programs.
import { RunningApp } from '../e2e/lib/app.mjs';
import { deadline, SLOWER, waitFor } from '../scenarios/lib/host.mjs';
import { bareWindowStartup, watchFor } from './lib/window_watch.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): one run each way.
const RUNS = process.env.QUORRIN_BENCH_SIZE === 'small' ? 1 : 9;
const GOAL_MS = 150;
const FLOOR_RATIO_GOAL = 1.15;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Milliseconds from the process's creation to the window seen visible, and to the page's first frame.
async function startToVisible(show) {
  const watcher = await watchFor('Quorrin');
  let app = null;
  const starting = RunningApp.start('hello', { manifest: (manifest) => ({ ...manifest,
    window: { ...manifest.window, show } }) }, (one) => (app = one));
  try {
    const { shownAt, startedAt } = await watcher.shown();
    await starting;
    const session = app.session;
    await waitFor(() => session.screen?.painted.length > 0, 'the first frame', deadline(SLOWER.browserStart));
    return { visible: shownAt - startedAt, firstFrame: session.screen.painted[0].paintedAt - startedAt };
  } finally {
    await starting.catch(() => {});
    await app?.dispose();
    await watcher.end();
  }
}

// "at-once" first: right after an engine has closed, its ending would be timed too.
const runs = { 'at-once': [], 'when-ready': [] };
const floors = [];
for (let i = 0; i < RUNS; i++) {
  floors.push(await bareWindowStartup());
  for (const show of Object.keys(runs)) runs[show].push(await startToVisible(show));
}
console.log('');
console.log(`| "show" with examples/hello (median of ${RUNS}) | start to window visible, ms | start to first frame, ms |`);
console.log('|---|---:|---:|');
for (const [show, results] of Object.entries(runs))
  console.log(`| "${show}" | ${Math.round(median(results.map((r) => r.visible)))} | ${Math.round(median(results.map((r) => r.firstFrame)))} |`);
console.log(`| floor: minimal Win32 window under Wine | ${Math.round(median(floors))} | |`);
console.log(`\nEach run, ms: "at-once" ${runs['at-once'].map((r) => Math.round(r.visible)).join(', ')}; ` +
  `floor ${floors.map(Math.round).join(', ')}`);
const atOnce = Math.round(median(runs['at-once'].map((r) => r.visible)));
console.log(`\n"at-once" goal: under ${GOAL_MS} ms: ${atOnce < GOAL_MS ? 'met' : 'not met'} (${atOnce} ms)`);
const ratio = median(runs['at-once'].map((r) => r.visible)) / median(floors);
console.log(`"at-once" goal: within ${FLOOR_RATIO_GOAL}x the minimal window: ${ratio <= FLOOR_RATIO_GOAL ? 'met' : 'not met'} (${ratio.toFixed(2)}x)`);
