// Pads read by the host ("gamepads": "host"): how long after a pad changes the
// host reads it (the page gets it in the same poll), and how often it polls a
// connected pad, with our stand-in xinput1_4.dll timing each change on the
// test's own clock. The goal: within two frames at 60 Hz, polled once a frame.
import { Host, waitFor } from '../scenarios/lib/host.mjs';
import { env, padsFile, placeXInputStandin, polls, restoreWinesXInput, setPads, xinputLog }
  from '../scenarios/lib/xinput_standin.mjs';

const PRESSES = process.env.QUORRIN_BENCH_SIZE === 'small' ? 5 : 60;
const FRAME_MS = 1000 / 60;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

placeXInputStandin();
let host;
try {
  host = await Host.start({ manifest: { name: 'pads-bench', settings: { gamepads: 'host' } }, env,
    files: { 'xinput-standin.pads': padsFile(0, [[0, 0, 0, 0, 0, 0, 0, 0]]) } });
  await host.ready();
  await host.raise('DOMContentLoaded'); // the window shows, active
  await waitFor(() => polls(host).slot0 > 0, 'the first poll');
  const ages = [];
  const started = { at: performance.now(), slot0: polls(host).slot0 };
  for (let seq = 1; seq <= PRESSES; seq += 1) {
    setPads(host, seq, [[0, seq % 2 ? 0x1000 : 0, 0, 0, 0, 0, 0, 0]]);
    const read = await waitFor(() => xinputLog(host).find((entry) => entry.served === seq), `change ${seq} read`);
    ages.push(read.ageMs);
    await sleep(37); // changes fall anywhere in the poll period
  }
  const period = (performance.now() - started.at) / (polls(host).slot0 - started.slot0);
  console.log('');
  console.log('| pads read by the host | value | goal |');
  console.log('|---|---:|---:|');
  console.log(`| change to read, median (ms) | ${median(ages).toFixed(1)} | ≤ ${(2 * FRAME_MS).toFixed(1)} |`);
  console.log(`| change to read, slowest of ${PRESSES} (ms) | ${Math.max(...ages).toFixed(1)} | |`);
  console.log(`| polls of a connected pad, period (ms) | ${period.toFixed(1)} | ≤ ${FRAME_MS.toFixed(1)} |`);
} finally {
  await host?.dispose();
  restoreWinesXInput();
}
