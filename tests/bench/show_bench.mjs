// "show" in package.json: from starting Quorrin.exe to its window on screen,
// "when-ready" (at the page's DOMContentLoaded) against "at-once" (right after
// the window is created), with examples/hello and the browser agent. The
// window is watched through the stand-in runtime, which answers from the host's
// message loop: a moment is when the host could first be seen shown.
import { spawn } from 'node:child_process';
import path from 'node:path';

import { RunningApp } from '../e2e/lib/app.mjs';
import { binFolder, deadline, endWithThisProcess, SLOWER, waitFor, wineExec } from '../scenarios/lib/host.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): one run each way.
const RUNS = process.env.QUORRIN_BENCH_SIZE === 'small' ? 1 : 5;
const GOAL_MS = 150;
const FLOOR_RATIO_GOAL = 1.15;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Milliseconds from process start to the window seen visible, and to the page's first frame.
async function startToVisible(show) {
  let app = null;
  const started = Date.now();
  const starting = RunningApp.start('hello', { manifest: (manifest) => ({ ...manifest,
    window: { ...manifest.window, show } }) }, (one) => (app = one));
  try {
    const session = await waitFor(async () => app?.agent && await app.agent.connected, 'the stand-in to connect',
      deadline(SLOWER.browserStart));
    const visibleAt = await waitFor(async () => (await session.windows()).main?.visible && Date.now(),
      'the window to be visible', deadline(SLOWER.browserStart));
    await starting;
    await waitFor(() => session.screen?.painted.length > 0, 'the first frame', deadline(SLOWER.browserStart));
    return { visible: visibleAt - started, firstFrame: session.screen.painted[0].paintedAt - started };
  } finally {
    await starting.catch(() => {});
    await app?.dispose();
  }
}

// The floor: a minimal Win32 program under Wine, process start to its window shown.
async function floor() {
  const started = Date.now();
  const child = endWithThisProcess(spawn(wineExec, [path.join(binFolder, 'minimal_window.exe')],
    { stdio: ['ignore', 'pipe', 'ignore'] }));
  let output = '';
  child.stdout.on('data', (chunk) => { output += chunk; });
  const shownAt = await waitFor(() => output.includes('shown') && Date.now(), 'the minimal window');
  await new Promise((resolve) => (child.exitCode === null ? child.on('exit', resolve) : resolve()));
  return shownAt - started;
}

const runs = { 'when-ready': [], 'at-once': [] };
const floors = [];
for (let i = 0; i < RUNS; i++) {
  floors.push(await floor());
  for (const show of Object.keys(runs)) runs[show].push(await startToVisible(show));
}
console.log('');
console.log(`| "show" with examples/hello (median of ${RUNS}) | start to window visible, ms | start to first frame, ms |`);
console.log('|---|---:|---:|');
for (const [show, results] of Object.entries(runs))
  console.log(`| "${show}" | ${median(results.map((r) => r.visible))} | ${median(results.map((r) => r.firstFrame))} |`);
console.log(`| floor: minimal Win32 window under Wine | ${median(floors)} | |`);
const atOnce = median(runs['at-once'].map((r) => r.visible));
console.log(`\n"at-once" goal: under ${GOAL_MS} ms: ${atOnce < GOAL_MS ? 'met' : 'not met'} (${atOnce} ms)`);
const ratio = atOnce / median(floors);
console.log(`"at-once" goal: within ${FLOOR_RATIO_GOAL}x the minimal window: ${ratio <= FLOOR_RATIO_GOAL ? 'met' : 'not met'} (${ratio.toFixed(2)}x)`);
