// Start-up of examples/hello: from starting Quorrin.exe to its window being
// shown (the host makes the browser control visible), against two references
// started the same way: the floor, a minimal Win32 program that only shows a
// window under Wine (both windows seen appear by one watcher outside them), and
// the engine alone reaching DOMContentLoaded for the same page (browser start
// included). What remains is the host's own share.
import fs from 'node:fs';
import path from 'node:path';

import { CHROMIUM_FLAGS, chromium } from '../../standin/browser-agent/agent.mjs';
import { RunningApp } from '../e2e/lib/app.mjs';
import { binFolder } from '../scenarios/lib/host.mjs';
import { bareWindowStartup, watchFor } from './lib/window_watch.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): every measurement once, at a size of seconds.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const RUNS = SMALL ? 1 : 7;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Process start to window shown, with the moments the agent saw on the way.
async function hostStartup() {
  const watcher = await watchFor('Quorrin');
  const app = await RunningApp.start('hello').catch(async (error) => { await watcher.end(); throw error; });
  const session = app.session;
  const { shownAt, startedAt: started } = await watcher.shown().finally(async () => {
    await app.dispose();
    await watcher.end();
  });
  const seen = (key) => session.firstSeen[key] - started;
  return {
    total: Math.round(shownAt - started),
    toLink: seen('hello'),
    toEnvironment: seen('CreateCoreWebView2EnvironmentWithOptions'),
    toNavigate: seen('Navigate'),
    toDomContentLoaded: session.domContentLoadedAt - started,
  };
}

async function engineAlone() {
  const www = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../../examples/hello/www');
  const started = Date.now();
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: CHROMIUM_FLAGS });
  const page = await browser.newPage();
  await page.route('**/*', (route) => {
    const file = path.join(www, new URL(route.request().url()).pathname);
    return fs.existsSync(file) ? route.fulfill({ path: file }) : route.fulfill({ status: 404 });
  });
  await page.goto('https://app.localhost/index.html', { waitUntil: 'domcontentloaded' });
  const elapsed = Date.now() - started;
  await browser.close();
  return elapsed;
}

// The floors first: a run right after a browser has closed would time its exit too.
const floors = [], hosts = [], engines = [];
for (let i = 0; i < RUNS; i++) floors.push(await bareWindowStartup());
for (let i = 0; i < RUNS; i++) {
  hosts.push(await hostStartup());
  engines.push(await engineAlone());
}
const phase = (key) => Math.round(median(hosts.map((run) => run[key])));
const [F, Q, E] = [median(floors), phase('total'), median(engines)].map(Math.round);
const share = Q - F - E;
console.log('');
console.log(`| start-up of examples/hello (median of ${RUNS}) | ms |`);
console.log('|---|---:|');
console.log(`| floor: minimal Win32 window under Wine, start to shown | ${F} |`);
console.log(`| Quorrin.exe under Wine: process start to window shown | ${Q} |`);
console.log(`| Quorrin.exe minus the floor | ${Q - F} |`);
console.log(`| engine alone: browser start to DOMContentLoaded | ${E} |`);
console.log(`| the host's own share (Quorrin − floor − engine) | ${share} (${Math.round(100 * share / E)}% of the engine) |`);
// What the host adds on the path itself: its start beyond the floor until it
// asks for the engine, and from DOMContentLoaded to its window shown.
const serial = Math.round(phase('toEnvironment') - F + median(hosts.map((run) => run.total - run.toDomContentLoaded)));
console.log(`| of which on the host's own path (environment requested − floor, DOMContentLoaded to shown) | ${serial} (${Math.round(100 * serial / E)}% of the engine) |`);
console.log('');
console.log('| Quorrin.exe: moments seen by the agent (median) | ms after start |');
console.log('|---|---:|');
console.log(`| agent link up (the loader's first call: manifest and user data read, runtime check begun) | ${phase('toLink')} |`);
console.log(`| environment requested (runtime check, extension, window created) | ${phase('toEnvironment')} |`);
console.log(`| first navigation issued (controller, settings, handlers) | ${phase('toNavigate')} |`);
console.log(`| DOMContentLoaded in the engine | ${phase('toDomContentLoaded')} |`);
console.log(`| window shown | ${Q} |`);

// The release program's size against its budget of 1 MiB.
const PROGRAM_BUDGET = 1024 * 1024;
const programBytes = fs.statSync(path.join(binFolder, 'Quorrin.exe')).size;
console.log('');
console.log('| Quorrin.exe | bytes |');
console.log('|---|---:|');
console.log(`| size (budget ${PROGRAM_BUDGET}) | ${programBytes} (${Math.round(100 * programBytes / PROGRAM_BUDGET)}%) |`);
if (!SMALL && programBytes > PROGRAM_BUDGET) {
  console.error('Quorrin.exe is over its 1 MiB budget');
  process.exitCode = 1;
}
