// The Linux side of a Windows program the harness started under Wine:
// scripts/wine-exec execs Wine's loader, so the process it spawned becomes the
// Windows program itself. Its memory and its end are read and done from here.
import fs from 'node:fs';

import { DEADLINE_MS, withDeadline } from './deadline.mjs';

function commandLine(pid) {
  try {
    return fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0');
  } catch {
    return null; // gone
  }
}

// The Linux process id running `executable` (its full Unix path, in a folder of
// the test's own), or undefined once it has ended.
export function linuxProcessOf(executable, startedPid) {
  if (startedPid && commandLine(startedPid)?.[0] === executable) return startedPid;
  for (const name of fs.readdirSync('/proc')) {
    if (/^\d+$/.test(name) && commandLine(name)?.[0] === executable) return Number(name);
  }
  return undefined;
}

// The process's anonymous resident memory (RssAnon of /proc/PID/status): the
// heap and private pages a Windows program touches under Wine, without the
// file-backed pages of its images and mapped files. Wine's own figures for
// private bytes do not follow the program's heap; this does.
export function residentAnonymousBytes(pid) {
  const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  const line = status.split('\n').find((entry) => entry.startsWith('RssAnon:'));
  if (!line) throw new Error(`no RssAnon for process ${pid}`);
  return Number(line.split(/\s+/)[1]) * 1024;
}

// The highest anonymous resident memory of process `pid` while `work` (a
// promise) runs, sampled every few milliseconds, with work's value. Wine's
// peak figures do not follow the heap, and a copy freed once the work is done
// leaves no trace in a figure read afterwards.
export async function peakResidentAnonymousBytes(pid, work) {
  let peak = residentAnonymousBytes(pid);
  let done = false;
  const sampler = (async () => {
    while (!done) {
      try {
        peak = Math.max(peak, residentAnonymousBytes(pid));
      } catch { return; } // the process has ended
      await new Promise((resolve) => setTimeout(resolve, 2));
    }
  })();
  try {
    const value = await work;
    return { peak, value };
  } finally {
    done = true;
    await sampler;
  }
}

// Programs started under Wine that must not outlive this Node.js process,
// whatever ends it (a failed test, an error, a deadline).
const mustEnd = new Set();
process.on('exit', () => {
  for (const child of mustEnd) {
    try {
      process.kill(child.pid, 'SIGKILL');
    } catch { /* already gone */ }
  }
});

export function endWithThisProcess(child) {
  mustEnd.add(child);
  child.once('exit', () => mustEnd.delete(child));
  return child;
}

// Ends a program the harness started (child: its ChildProcess, running
// `executable`) by its own process id and waits, up to the deadline, for its end.
export async function endProcess(child, executable) {
  if (child.exitCode !== null || child.signalCode !== null) return;
  const exited = new Promise((resolve) => child.once('exit', resolve));
  for (const pid of new Set([child.pid, linuxProcessOf(executable)])) {
    try {
      if (pid) process.kill(pid, 'SIGKILL');
    } catch { /* already gone */ }
  }
  await withDeadline(exited, DEADLINE_MS, `${executable} (process ${child.pid}) did not end after SIGKILL`);
}
