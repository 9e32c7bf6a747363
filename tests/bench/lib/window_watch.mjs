// Windows seen from outside the programs that show them (window_driver
// watch-shown), the same way for Quorrin.exe and a bare Win32 window, so that
// start-up times compare.
import { spawn } from 'node:child_process';
import path from 'node:path';

import { binFolder, deadline, endWithThisProcess, SLOWER, waitFor, wineExec, withDeadline } from '../../scenarios/lib/host.mjs';

// Watches for a visible window of `className`; `shown` settles with the moment
// the watcher saw it, on the system clock Date.now() reads (not when the line
// arrives: this process may be busy starting the engine).
export async function watchFor(className) {
  const watcher = endWithThisProcess(spawn(wineExec, [path.join(binFolder, 'window_driver.exe'), 'watch-shown',
    className], { stdio: ['pipe', 'pipe', 'ignore'] }));
  let output = '';
  let shownAt = null;
  watcher.stdout.on('data', (chunk) => {
    output += chunk;
    const seen = /shown (\d+(?:\.\d+)?)\s/.exec(output);
    if (seen) shownAt = Number(seen[1]);
  });
  const ended = new Promise((resolve) => watcher.once('exit', resolve));
  await waitFor(() => output.includes('watching'), 'the window watcher to start', deadline(SLOWER.browserStart));
  return {
    shown: () => waitFor(() => shownAt, `a ${className} window to be shown`, deadline(SLOWER.browserStart)),
    end: async () => {
      watcher.stdin.end();
      await withDeadline(ended, deadline(), 'the window watcher to end');
    },
  };
}

// The floor: a minimal Win32 program under Wine, process start to its window shown.
export async function bareWindowStartup() {
  const watcher = await watchFor('MinimalWindow');
  const started = Date.now();
  const child = endWithThisProcess(spawn(wineExec, [path.join(binFolder, 'minimal_window.exe'), 'stay'],
    { stdio: ['pipe', 'ignore', 'ignore'] }));
  const ended = new Promise((resolve) => child.once('exit', resolve));
  try {
    return (await watcher.shown()) - started;
  } finally {
    child.stdin.end();
    await withDeadline(ended, deadline(), 'minimal_window.exe to end');
    await watcher.end();
  }
}
