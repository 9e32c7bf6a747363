// Page script asking for write access where the program lives, in a real engine.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { appsOfThisFile } from './lib/app.mjs';

const start = appsOfThisFile();

test('a page asking to write the program folder is refused; its saves folder needs no asking', async () => {
  const app = await start('hello');
  await app.page.waitForSelector('body[data-ready="true"]');
  const outcome = await app.page.evaluate(() => new Promise((resolve) => {
    window.chrome.webview.addEventListener('message', async (event) => {
      if (event.data.type !== 'directory-handles') return;
      const [program, , saves] = event.additionalObjects;
      const writing = await program.getFileHandle('package.json')
        .then((file) => file.createWritable()).catch((error) => error.name);
      resolve({ asked: await program.requestPermission({ mode: 'readwrite' }), writing,
        query: await program.queryPermission({ mode: 'readwrite' }),
        saves: await saves.requestPermission({ mode: 'readwrite' }) });
    });
    window.chrome.webview.postMessage(JSON.stringify({ type: 'wrapper-init' }));
  }));
  assert.deepEqual(outcome, { asked: 'denied', writing: 'NotAllowedError', query: 'prompt', saves: 'granted' });
});
