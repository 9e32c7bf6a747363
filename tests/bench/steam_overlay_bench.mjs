// Steam's overlay surface: the page's frame rate (a CSS animation at 1024x768)
// in a Steam game whose overlay is enabled (the surface made and hidden) against
// one whose overlay is disabled (no surface), and, with the overlay open, the
// surface's presents per second and the page's frame rate behind it.
import fs from 'node:fs';
import path from 'node:path';

import { RunningApp } from '../e2e/lib/app.mjs';
import { binFolder, deadline, SLOWER, waitFor } from '../scenarios/lib/host.mjs';

const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const SECONDS = SMALL ? 1 : 5;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const presents = (app) => {
  const file = path.join(app.folder, 'steam-standin.presents');
  return fs.existsSync(file) ? Number(fs.readFileSync(file, 'utf8')) : 0;
};

async function withSteamGame(overlay, measure) {
  const started = [];
  try {
    const app = await RunningApp.start('surface', { testApp: true,
      manifest: (manifest) => ({ ...manifest, main: 'animation.html', steam: { 'app-id': 480 },
        window: { ...manifest.window, width: 1024, height: 768 } }),
      files: { 'steam_api64.dll': fs.readFileSync(path.join(binFolder, 'standin-steam/newest/steam_api64.dll')),
        'steam-standin.json': JSON.stringify({ overlay }) } }, (one) => started.push(one) && one);
    await app.ready();
    await waitFor(() => app.session.screen.painted.length > 0, 'the first frame painted',
      deadline(SLOWER.browserStart));
    await sleep(1000); // past start-up
    return await measure(app);
  } finally {
    for (const app of started) await app.dispose();
  }
}

// Frames the page painted, and presents the surface made, per second.
async function rates(app) {
  const [frames, presented] = [app.session.screen.painted.length, presents(app)];
  await sleep(SECONDS * 1000);
  return { fps: (app.session.screen.painted.length - frames) / SECONDS,
    presentsPerSecond: (presents(app) - presented) / SECONDS };
}

const withoutSurface = await withSteamGame(false, rates);
const { closed, open } = await withSteamGame(true, async (app) => {
  const closedRates = await rates(app);
  await app.page.evaluate(() => window.chrome.webview.postMessage('{"type":"overlay-key"}'));
  await waitFor(() => presents(app) > 1, 'the surface to present', deadline(SLOWER.browserStart));
  return { closed: closedRates, open: await rates(app) };
});
console.log('');
console.log('| Steam\'s overlay surface | value |');
console.log('|---|---:|');
console.log(`| page frames per second, overlay disabled (no surface) | ${withoutSurface.fps.toFixed(1)} |`);
console.log(`| page frames per second, overlay enabled and closed | ${closed.fps.toFixed(1)} |`);
console.log(`| surface presents per second, overlay closed | ${closed.presentsPerSecond.toFixed(1)} |`);
console.log(`| surface presents per second, overlay open | ${open.presentsPerSecond.toFixed(1)} |`);
console.log(`| page frames per second behind the open overlay | ${open.fps.toFixed(1)} |`);
