// "run-in-background": the engine's CPU while a game's animation-frame loop
// runs, with the window shown and minimised, without the key (the page is
// hidden and its frames stop) and with it (frames and timers go on). The same
// game loop as the surface benchmark, in the surface test application.
import fs from 'node:fs';

import { RunningApp } from '../e2e/lib/app.mjs';
import { drive } from '../e2e/lib/window_driver.mjs';
import { deadline, SLOWER, waitFor } from '../scenarios/lib/host.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): a second each way.
const SECONDS = process.env.QUORRIN_BENCH_SIZE === 'small' ? 1 : 10;
const TICKS_PER_SECOND = 100; // USER_HZ of /proc/PID/stat
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// CPU seconds (user + system) of the Chromium processes this benchmark started.
function engineSeconds() {
  const all = [];
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      all.push({ pid: Number(pid), parent: Number(fields[1]), command, ticks: Number(fields[11]) + Number(fields[12]) });
    } catch { /* the process has gone */ }
  }
  const ours = new Set([process.pid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const { pid, parent } of all) if (ours.has(parent) && !ours.has(pid)) grown = ours.add(pid);
  }
  return all.filter(({ pid, command }) => ours.has(pid) && command.includes('chromium'))
    .reduce((sum, { ticks }) => sum + ticks, 0) / TICKS_PER_SECOND;
}

async function gameLoop(runInBackground) {
  const app = await RunningApp.start('surface', { testApp: true, manifest: (manifest) => ({ ...manifest,
    settings: { ...manifest.settings, 'run-in-background': runInBackground } }) });
  try {
    await app.ready();
    await waitFor(() => app.session.screen.painted.length > 0, 'the first frame', deadline(SLOWER.browserStart));
    const { main } = await app.windows();
    await app.page.evaluate(() => {
      const canvas = document.body.appendChild(document.createElement('canvas'));
      Object.assign(canvas, { width: 400, height: 300 });
      const context = canvas.getContext('2d');
      window.gameFrames = 0;
      (function draw(time) {
        window.gameFrames++;
        context.fillStyle = `hsl(${Math.floor(time / 10) % 360} 80% 50%)`;
        context.fillRect(0, 0, 400, 300);
        requestAnimationFrame(draw);
      })(0);
    });
    const measure = async () => {
      const [cpu, frames] = [engineSeconds(), await app.page.evaluate(() => window.gameFrames)];
      await sleep(SECONDS * 1000);
      return { cpu: engineSeconds() - cpu, frames: (await app.page.evaluate(() => window.gameFrames)) - frames };
    };
    await sleep(1000);
    const shown = await measure();
    await drive(main.handle, 'minimize');
    await sleep(1000);
    const minimised = await measure();
    return { shown, minimised, hidden: await app.page.evaluate(() => document.hidden) };
  } finally {
    await app.dispose();
  }
}

const without = await gameLoop(false);
const withKey = await gameLoop(true);
console.log('');
console.log(`| game loop, ${SECONDS} s, engine (all Chromium processes) | CPU s shown | CPU s minimised | frames shown | frames minimised | hidden when minimised |`);
console.log('|---|---:|---:|---:|---:|---|');
for (const [name, run] of [['without "run-in-background"', without], ['with "run-in-background"', withKey]])
  console.log(`| ${name} | ${run.shown.cpu.toFixed(2)} | ${run.minimised.cpu.toFixed(2)} | ${run.shown.frames} | ${run.minimised.frames} | ${run.hidden} |`);
