// A renderer that crashes in a real engine: the page comes back by itself.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { enginePid } from '../../standin/browser-agent/process_failures.mjs';
import { waitFor } from '../scenarios/lib/host.mjs';
import { appsOfThisFile } from './lib/app.mjs';
import { captureUntil, findColour } from './lib/window_driver.mjs';

const start = appsOfThisFile();
const TEAL = [0, 128, 128];

// Closes the window as the player would; the program's exit code.
async function closeAndWait(app) {
  let code;
  app.exited.then((exitCode) => { code = exitCode; });
  app.session.request({ type: 'close' });
  await waitFor(() => code !== undefined, 'the program to end');
  return code;
}

test('a crashed renderer: the page starts again in the same window, its saved count one higher', async () => {
  const app = await start('restarts', { testApp: true });
  assert.equal(await app.page.textContent('#starts'), '1');
  const { handle } = (await app.windows()).main;
  await captureUntil(handle, app.folder, (image) => findColour(image, TEAL, 8), 'the page in the window');

  const firstScreen = app.session.screen;
  const cdp = await app.page.context().newCDPSession(app.page);
  cdp.send('Page.crash').catch(() => {}); // answered by nothing: the renderer is gone
  await waitFor(() => app.session.callCounts.Reload === 1, 'the host to reload the page');
  // The engine's page after the crash is a new one (a crashed page cannot be driven).
  await waitFor(() => app.session.page !== app.page && app.session.page, 'a new renderer');
  await app.session.page.waitForFunction(() => document.querySelector('#starts')?.textContent === '2',
    null, { timeout: 30000 });
  const { main } = await app.windows();
  assert.equal(main.handle, handle, 'the same window');
  assert.equal(main.visible, true);
  assert.equal(app.process.exitCode, null, 'the program never ended');
  await waitFor(() => app.session.screen !== firstScreen && app.session.screen.painted.length > 0,
    'frames of the new page painted');
  await captureUntil(handle, app.folder, (image) => findColour(image, TEAL, 8), 'the page painted again');
  assert.equal(app.session.callCounts.CreateCoreWebView2EnvironmentWithOptions, 1);
  assert.equal(await closeAndWait(app), 0);
});

test('a browser that went away is started again behind the same window', async () => {
  const app = await start('restarts', { testApp: true });
  const { handle } = (await app.windows()).main;
  const engine = enginePid(app.session);
  assert.ok(engine, 'the engine\'s browser process');
  process.kill(engine, 'SIGKILL');
  await waitFor(() => app.session.callCounts.CreateCoreWebView2EnvironmentWithOptions === 2,
    'the host to create the browser again');
  await waitFor(() => app.session.callCounts.Navigate === 2, 'the second navigation');
  await waitFor(() => app.session.page !== app.page && app.session.page, 'the new engine\'s page');
  await app.session.page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
  const { main } = await app.windows();
  assert.equal(main.handle, handle, 'the same window');
  assert.equal(main.visible, true);
  assert.equal(app.process.exitCode, null, 'the program never ended');
  // Closed by the player as usual: the new browser's objects end with the program.
  assert.equal(await closeAndWait(app), 0);
});
