// Write access through directory handles: never above the program or Startup
// folder unless the author says so, never by asking, and inherited the way the
// runtime documents it.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { APP_ORIGIN, authorLogOf, hostsOfThisFile, standinUserFolder } from './lib/host.mjs';

const { ready } = hostsOfThisFile();
const WINE_USER = path.dirname(path.dirname(path.dirname(standinUserFolder))); // drive_c/users/NAME
const logFile = authorLogOf;
const logOf = (name) => fs.readFileSync(logFile(name), 'utf8');

async function postedHandles(host) {
  await host.postString('{"type":"wrapper-init"}');
  return host.posts()[0].objects;
}

test('the log says why a folder holding the Startup folder is read-only', async () => {
  fs.rmSync(logFile('guarded'), { force: true });
  const host = await ready({ manifest: { name: 'guarded' } });
  await postedHandles(host);
  const log = logOf('guarded');
  for (const [name, folder] of [['roaming-app-data', 'AppData\\Roaming'], ['profile', '']])
    assert.ok(log.includes(`directory handle "${name}" (%USERPROFILE%${folder && '\\' + folder}) is read-only: ` +
      'it contains the Startup folder'), `${name} in ${log}`);
  assert.equal(log.match(/directory handle/g).length, 2, 'no line for the handles as they were');
});

test('a program under Documents makes Documents read-only unless the author names it', async () => {
  const where = path.join(WINE_USER, 'Documents');
  fs.mkdirSync(where, { recursive: true });
  fs.rmSync(logFile('in-documents'), { force: true });
  const host = await ready({ manifest: { name: 'in-documents' },
    folder: fs.mkdtempSync(path.join(where, 'game-')) });
  assert.equal((await postedHandles(host))[6].permission, 0);
  assert.match(logOf('in-documents'),
    /directory handle "documents" \(%USERPROFILE%\\Documents\) is read-only: it contains the program folder/);

  const named = await ready({ manifest: { name: 'in-documents-named',
    settings: { 'writable-directory-handles': ['documents', 'profile'] } },
  folder: fs.mkdtempSync(path.join(where, 'game-')) });
  const handles = await postedHandles(named);
  assert.deepEqual([6, 9, 4].map((position) => handles[position].permission), [1, 1, 0]);
});

test('a handle under a read-write one on the page writes too; asking raises PermissionRequested, denied', async () => {
  const host = await ready({ manifest: { name: 'inherit', settings: { 'writable-program-folder': true } } });
  assert.deepEqual((await postedHandles(host)).slice(0, 3).map((handle) => [handle.permission, handle.writable]),
    [[1, true], [0, true], [1, true]], 'www\\ under the writable program folder');
  const plain = await ready({ manifest: { name: 'asking', settings: { permissions: ['camera'] } } });
  const handles = await postedHandles(plain);
  assert.equal(handles[1].writable, false);
  const ask = (folder, extra = {}) => plain.raise('FileWriteAccess', { path: folder, uri: APP_ORIGIN, ...extra });
  const saves = await ask(handles[2].path + '\\saves');
  assert.deepEqual([saves.invoked, saves.access], [0, 'granted'], 'under a read-write handle, no question');
  assert.equal((await ask(handles[0].path, { ask: false })).access, 'prompt');
  const program = await ask(handles[0].path);
  assert.deepEqual([program.invoked, program.state, program.access], [1, 2, 'denied']);
  await plain.raise('NavigationStarting', { uri: APP_ORIGIN + 'next.html' });
  assert.equal((await ask(handles[2].path)).access, 'denied', 'a new document has nothing granted');
});
