// Windows seen from outside the programs that show them (window_driver
// watch-shown), the same way for Quorrin.exe and a bare Win32 window, so that
// start-up times compare.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { setTimeout as delay } from 'node:timers/promises';

import { binFolder, deadline, endWithThisProcess, SLOWER, waitFor, wineExec, withDeadline } from '../../scenarios/lib/host.mjs';

// Idle and total CPU time of the machine so far (/proc/stat, in clock ticks).
function cpuTimes() {
  const [, ...fields] = fs.readFileSync('/proc/stat', 'utf8').split('\n')[0].trim().split(/\s+/);
  const ticks = fields.map(Number);
  return { idle: ticks[3] + ticks[4], total: ticks.reduce((sum, value) => sum + value, 0) };
}

// Until the machine has been mostly idle for a moment (what the run before
// started, an engine closing above all, has ended), or for at most `deadlineMs`:
// a start timed while another ends measures both.
async function untilQuiet({ idleShare = 0.9, windowMs = 100, deadlineMs = 5000 } = {}) {
  const giveUpAt = Date.now() + deadlineMs;
  while (Date.now() < giveUpAt) {
    const before = cpuTimes();
    await delay(windowMs);
    const after = cpuTimes();
    const total = after.total - before.total;
    if (total > 0 && (after.idle - before.idle) / total >= idleShare) return;
  }
}

// Watches for a visible window of `className`; `shown` settles with
// {shownAt, startedAt}: when the watcher saw it and when its process was created,
// on the system clock Date.now() reads. Timing from the process's creation leaves
// out the launcher (scripts/wine-exec), whose time varies by tens of ms.
export async function watchFor(className) {
  const watcher = endWithThisProcess(spawn(wineExec, [path.join(binFolder, 'window_driver.exe'), 'watch-shown',
    className], { stdio: ['pipe', 'pipe', 'ignore'] }));
  let output = '';
  let shown = null;
  watcher.stdout.on('data', (chunk) => {
    output += chunk;
    const seen = /shown (\d+(?:\.\d+)?) started (\d+(?:\.\d+)?)\s/.exec(output);
    if (seen) shown = { shownAt: Number(seen[1]), startedAt: Number(seen[2]) };
  });
  const ended = new Promise((resolve) => watcher.once('exit', resolve));
  await waitFor(() => output.includes('watching'), 'the window watcher to start', deadline(SLOWER.browserStart));
  await untilQuiet();
  return {
    shown: () => waitFor(() => shown, `a ${className} window to be shown`, deadline(SLOWER.browserStart)),
    end: async () => {
      watcher.stdin.end();
      await withDeadline(ended, deadline(), 'the window watcher to end');
    },
  };
}

// The floor: a minimal Win32 program under Wine, milliseconds from its process's
// creation to its window seen.
export async function bareWindowStartup() {
  const watcher = await watchFor('MinimalWindow');
  const child = endWithThisProcess(spawn(wineExec, [path.join(binFolder, 'minimal_window.exe'), 'stay'],
    { stdio: ['pipe', 'pipe', 'pipe'] }));
  let output = '';
  for (const stream of [child.stdout, child.stderr]) stream.on('data', (chunk) => { output += chunk; });
  const ended = new Promise((resolve) => child.once('exit', resolve));
  const endedEarly = ended.then((code) => {
    throw new Error(`minimal_window.exe ended with ${code} before its window was seen: ${output.trim()}`);
  });
  try {
    const { shownAt, startedAt } = await Promise.race([watcher.shown(), endedEarly]);
    return shownAt - startedAt;
  } finally {
    endedEarly.catch(() => {});
    child.stdin.end();
    await withDeadline(ended, deadline(), 'minimal_window.exe to end');
    await watcher.end();
  }
}
