// The page inside Quorrin's window: frames per second of a CSS animation at
// 1024x768 (96 and 144 dpi), click-to-frame latency seen from the Windows side,
// and the CPU time of the agent, the engine and the host while a page is idle,
// and of the engine while a game's animation-frame loop runs, shown and minimised.
import fs from 'node:fs';

import { RunningApp } from '../e2e/lib/app.mjs';
import { drive } from '../e2e/lib/window_driver.mjs';
import { deadline, setScreenDpi, SLOWER, waitFor } from '../scenarios/lib/host.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): every measurement once, briefly.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const ANIMATION_SECONDS = SMALL ? 1 : 5;
const CLICKS = SMALL ? 3 : 30;
const IDLE_SECONDS = SMALL ? 1 : 10;
const TICKS_PER_SECOND = 100; // USER_HZ of /proc/PID/stat
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const percentile = (values, p) => [...values].sort((a, b) => a - b)[Math.min(values.length - 1,
  Math.floor(values.length * p))];

// Runs measure(app) on the surface application, which is disposed of whatever happens.
async function withSurface(manifest, measure) {
  const started = [];
  try {
    const app = await RunningApp.start('surface', { testApp: true, manifest }, (one) => started.push(one) && one);
    await app.ready();
    await waitFor(() => app.session.screen.painted.length > 0, 'the first frame painted',
      deadline(SLOWER.browserStart));
    return await measure(app);
  } finally {
    for (const app of started) await app.dispose();
  }
}

async function animationFps(dpi) {
  setScreenDpi(dpi);
  try {
    return await withSurface((manifest) => ({ ...manifest, main: 'animation.html',
      window: { ...manifest.window, width: 1024, height: 768 } }), async (app) => {
      await sleep(1000); // past start-up
      const before = app.session.screen.painted.length;
      await sleep(ANIMATION_SECONDS * 1000);
      return (app.session.screen.painted.length - before) / ANIMATION_SECONDS;
    });
  } finally {
    setScreenDpi(96);
  }
}

// Milliseconds from each click on the page's button until the window's pixel
// inside the block (which the click recolours) changes.
function clickLatencies() {
  return withSurface(undefined, async (app) => {
    const { main } = await app.windows();
    const output = await drive(main.handle, `latency 380 90 140 110 ${CLICKS}`);
    return output.trim().split('\n').map(Number);
  });
}

// Every process now running: pid, parent, command line and CPU ticks.
function processes() {
  const all = [];
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      all.push({ pid: Number(pid), parent: Number(fields[1]), command,
        ticks: Number(fields[11]) + Number(fields[12]) });
    } catch { /* the process has gone */ }
  }
  return all;
}

// CPU seconds (user + system) of this benchmark's Chromium processes (other
// programs on the machine may run their own) and of the Quorrin.exe in `folder`.
function cpuSeconds(folder) {
  const all = processes();
  const ours = new Set([process.pid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const { pid, parent } of all)
      if (ours.has(parent) && !ours.has(pid)) grown = ours.add(pid);
  }
  const seconds = (keep) => all.filter(keep).reduce((sum, { ticks }) => sum + ticks, 0) / TICKS_PER_SECOND;
  return { engine: seconds(({ pid, command }) => ours.has(pid) && command.includes('chromium')),
    host: seconds(({ command }) => command.includes(folder) && command.includes('Quorrin.exe')) };
}

async function idleCpu() {
  const { before, after } = await withSurface(undefined, async (app) => {
    await sleep(2000); // past start-up
    const measure = () => ({ agent: process.cpuUsage(), ...cpuSeconds(app.folder),
      frames: app.session.screen.painted.length });
    const first = measure();
    await sleep(IDLE_SECONDS * 1000);
    return { before: first, after: measure() };
  });
  const agentSeconds = (after.agent.user + after.agent.system - before.agent.user - before.agent.system) / 1e6;
  return { agent: agentSeconds, engine: after.engine - before.engine, host: after.host - before.host,
    frames: after.frames - before.frames };
}

// A game's loop: a canvas redrawn on every animation frame, for the same time
// shown and then minimised (where the page is hidden and its frames stop).
async function gameLoopCpu() {
  return withSurface(undefined, async (app) => {
    const { main } = await app.windows();
    await app.page.evaluate(() => {
      const canvas = document.body.appendChild(document.createElement('canvas'));
      Object.assign(canvas, { width: 400, height: 300 });
      const context = canvas.getContext('2d');
      (function draw(time) {
        context.fillStyle = `hsl(${Math.floor(time / 10) % 360} 80% 50%)`;
        context.fillRect(0, 0, 400, 300);
        requestAnimationFrame(draw);
      })(0);
    });
    const engineSeconds = async () => {
      const before = cpuSeconds(app.folder).engine;
      await sleep(IDLE_SECONDS * 1000);
      return cpuSeconds(app.folder).engine - before;
    };
    await sleep(1000);
    const shown = await engineSeconds();
    await drive(main.handle, 'minimize');
    await waitFor(() => app.page.evaluate(() => document.hidden), 'the page hidden', 30000);
    return { shown, minimised: await engineSeconds() };
  });
}

const fps96 = await animationFps(96);
const fps144 = await animationFps(144);
const latencies = (await clickLatencies()).filter((value) => value >= 0);
const idle = await idleCpu();
const game = await gameLoopCpu();
console.log('');
console.log('| the page in the window | value |');
console.log('|---|---:|');
console.log(`| CSS animation at 1024x768, 96 dpi: frames painted per second | ${fps96.toFixed(1)} |`);
console.log(`| CSS animation at 1024x768, 144 dpi: frames painted per second | ${fps144.toFixed(1)} |`);
console.log(`| click to changed pixel (${latencies.length} of ${CLICKS} seen): median ms | ${percentile(latencies, 0.5).toFixed(1)} |`);
console.log(`| click to changed pixel: 95th percentile ms | ${percentile(latencies, 0.95).toFixed(1)} |`);
console.log(`| idle page, ${IDLE_SECONDS} s: frames sent | ${idle.frames} |`);
console.log(`| idle page, ${IDLE_SECONDS} s: CPU seconds of the agent (node) | ${idle.agent.toFixed(2)} |`);
console.log(`| idle page, ${IDLE_SECONDS} s: CPU seconds of the engine (all Chromium processes) | ${idle.engine.toFixed(2)} |`);
console.log(`| idle page, ${IDLE_SECONDS} s: CPU seconds of Quorrin.exe | ${idle.host.toFixed(2)} |`);
console.log(`| game loop, ${IDLE_SECONDS} s: CPU seconds of the engine, window shown | ${game.shown.toFixed(2)} |`);
console.log(`| game loop, ${IDLE_SECONDS} s: CPU seconds of the engine, window minimised | ${game.minimised.toFixed(2)} |`);
