// Start-up of examples/hello: from starting Quorrin.exe to its window being
// shown (the host makes the browser control visible), next to the same page
// reaching DOMContentLoaded in the engine alone (browser start included).
import fs from 'node:fs';
import path from 'node:path';

import { CHROMIUM_FLAGS, chromium } from '../../standin/browser-agent/agent.mjs';
import { RunningApp } from '../e2e/lib/app.mjs';
import { waitFor } from '../scenarios/lib/host.mjs';

const RUNS = 5;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function hostStartup() {
  const started = Date.now();
  const app = await RunningApp.start('hello');
  await waitFor(() => app.session.shownAt, 'the window to be shown', 30000);
  const elapsed = app.session.shownAt - started;
  await app.dispose();
  return elapsed;
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

const host = [], engine = [];
for (let i = 0; i < RUNS; i++) {
  host.push(await hostStartup());
  engine.push(await engineAlone());
}
console.log('');
console.log(`| start-up of examples/hello (median of ${RUNS}) | ms |`);
console.log('|---|---:|');
console.log(`| Quorrin.exe under Wine: process start to window shown | ${median(host)} |`);
console.log(`| engine alone: browser start to DOMContentLoaded | ${median(engine)} |`);
console.log(`| the host's own share (difference) | ${median(host) - median(engine)} |`);
