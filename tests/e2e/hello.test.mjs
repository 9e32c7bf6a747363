// examples/hello in a real browser engine, end to end.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { recordShellOpens, waitFor } from '../scenarios/lib/host.mjs';
import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();

test('the start-up exchange without an extension library, shown under the page title', async () => {
  const app = await start('hello');
  assert.equal(await app.page.textContent('#components'), 'none');
  // Fourteen positions; Wine cannot resolve the Screenshots folder.
  assert.equal(await app.page.textContent('#folders'), '13');
  const { main, browser } = await app.windows();
  assert.equal(main.caption, 'Hello, Quorrin (ready)');
  assert.equal(main.visible, true);
  assert.equal(browser.visible, true);
  const styles = app.session.answers.find((answer) => answer.uri.endsWith('/style.css'));
  assert.equal(styles.headers['Content-Type'], 'text/css; charset=utf-8');
});

test('an extension library answers through the page', async () => {
  const app = await start('hello', { extension: 'posting' });
  assert.equal(await app.page.textContent('#components'), 'poster');
  await app.page.click('#extension');
  await app.page.waitForFunction(() => document.querySelector('#reply').textContent !== '–');
  assert.equal(await app.page.textContent('#reply'), '{"type":"from-message","reply":[1,2]}');
});

test('window commands from the page, and the fullscreen API', async () => {
  const app = await start('hello');
  await app.page.click('#size');
  await waitFor(async () => (await app.windows()).main.client.right === 640, 'the new size');
  assert.deepEqual(await app.page.evaluate(() => [innerWidth, innerHeight]), [640, 480], 'the viewport follows');
  await app.page.click('#position');
  await waitFor(async () => (await app.windows()).main.window.left === 40, 'the new position');
  const windowed = (await app.windows()).main;

  await app.page.evaluate(() => document.documentElement.requestFullscreen());
  const full = await waitFor(async () => {
    const { main } = await app.windows();
    return (main.style & 0x00c40000) === 0 && main;
  }, 'full screen');
  assert.deepEqual(full.window, full.monitor);
  await app.page.evaluate(() => document.exitFullscreen());
  await waitFor(async () => (await app.windows()).main.style === windowed.style, 'windowed again');
  assert.deepEqual((await app.windows()).main.window, windowed.window);
});

test('a missing file is 404 in the page, and a link to another site is cancelled', async () => {
  const app = await start('hello');
  const status = await app.page.evaluate(async () => (await fetch('missing.txt')).status);
  assert.equal(status, 404);
  await app.page.evaluate(() => { location.href = 'https://example.com/elsewhere'; });
  await waitFor(() => app.session.navigations.find((n) => n.uri === 'https://example.com/elsewhere'),
    'the host to be asked');
  assert.deepEqual(app.session.navigations.at(-1), { uri: 'https://example.com/elsewhere', cancelled: true });
  assert.equal(app.page.url(), 'https://app.localhost/index.html', 'the page stays');
  assert.equal(await app.page.textContent('#status'), 'Ready');
});

test('window.open and new-window links reach the shell, and window.close() ends with 0', async () => {
  const shellOpens = recordShellOpens({ schemes: ['https'] });
  const app = await start('hello');
  const opened = [];
  const sawAll = () => {
    opened.push(...shellOpens());
    return ['https://example.com/news', 'https://example.com/about'].every((uri) => opened.includes(uri));
  };
  await app.page.evaluate(() => window.open('https://example.com/news'));
  await app.page.click('#about');
  await waitFor(sawAll, 'the shell to open both');
  assert.equal(app.page.context().pages().length, 1, 'no window opened in the engine');
  await app.page.evaluate(() => { window.close(); });
  assert.equal(await app.exited, 0);
});
