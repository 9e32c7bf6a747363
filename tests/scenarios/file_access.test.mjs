// Write access through directory handles: never above the program or Startup
// folder unless the author says so, never by asking, and inherited the way the
// runtime documents it. Saves that a kill of the host never tears.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { APP_ORIGIN, DEADLINE_MS, authorLogOf, hostsOfThisFile, savesFolderOf, standinUserFolder, waitFor }
  from './lib/host.mjs';

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

// A save of `size` bytes of one character, as the page writes it and as the file must hold it.
const saveOf = (character, size) => ({ text: character.repeat(size), bytes: Buffer.alloc(size, character) });
const writeMessage = (name, text, id) => JSON.stringify({ type: 'save-write', id, name, text });
const answerTo = (host, id) => host.posts().map((post) => JSON.parse(post.json))
  .find((message) => message.type === 'save-result' && message.id === id);

// Polled without pause: the moment between the last byte and the rename is short.
async function soonest(condition, what) {
  const started = Date.now();
  for (;;) {
    const value = condition();
    if (value) return value;
    if (Date.now() - started > DEADLINE_MS) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setImmediate(resolve));
  }
}

function fullPartial(folder, size) {
  for (const name of fs.readdirSync(folder)) {
    if (!name.endsWith('.quorrin-partial')) continue;
    try {
      if (fs.statSync(path.join(folder, name)).size === size) return path.join(folder, name);
    } catch { /* renamed meanwhile */ }
  }
  return undefined;
}

async function killed(host) {
  process.kill(host.linuxPid(), 'SIGKILL');
  await host.exited;
}

test('a kill after the new save is written but before it replaces the old leaves the old; the next start tidies up', async () => {
  const folder = savesFolderOf('saves-torn');
  fs.rmSync(folder, { recursive: true, force: true });
  const file = path.join(folder, 'slot.sav');
  const size = 48 << 20;
  const next = saveOf('n', size);
  for (let attempt = 1; ; ++attempt) {
    const host = await ready({ manifest: { name: 'saves-torn' } });
    await host.postString(writeMessage('slot.sav', 'old', 'old'));
    assert.equal(answerTo(host, 'old').ok, true);
    host.postString(writeMessage('slot.sav', next.text, 'new')).catch(() => {});
    const partial = await soonest(() => fullPartial(folder, size), 'the whole new save in its temporary file');
    // Stopped, then looked at: still only in the temporary file, the kill lands between write and rename.
    process.kill(host.linuxPid(), 'SIGSTOP');
    const between = fs.existsSync(partial);
    await killed(host);
    if (!between) {
      assert.ok(fs.readFileSync(file).equals(next.bytes), 'renamed before the kill: the new save whole');
      assert.ok(attempt < 5, 'the kill never landed between write and rename');
      continue;
    }
    assert.equal(fs.readFileSync(file, 'utf8'), 'old');
    assert.ok(fs.existsSync(partial));
    await ready({ manifest: { name: 'saves-torn' } });
    assert.deepEqual(fs.readdirSync(folder), ['slot.sav'], 'the unfinished write is removed at start');
    return;
  }
});

// What the folder holds, as names, sizes and times: it changes once a write begins.
const folderState = (folder) => JSON.stringify(fs.readdirSync(folder).map((name) => {
  try {
    const { size, mtimeMs } = fs.statSync(path.join(folder, name));
    return [name, size, mtimeMs];
  } catch {
    return [name]; // renamed meanwhile
  }
}));

test('kills at random moments of large writes always leave a whole old or new save', async () => {
  const folder = savesFolderOf('saves-kills');
  fs.rmSync(folder, { recursive: true, force: true });
  const file = path.join(folder, 'slot.sav');
  const size = 16 << 20;
  const post = async (host, character, id) => {
    const before = folderState(folder);
    host.postString(writeMessage('slot.sav', saveOf(character, size).text, id)).catch(() => {});
    await soonest(() => folderState(folder) !== before, 'the write to begin');
    return Date.now();
  };
  // One write to its end: how long the files take, from the first change in the folder to the answer.
  let host = await ready({ manifest: { name: 'saves-kills' } });
  const began = await post(host, 'a', 'first');
  await waitFor(() => answerTo(host, 'first'), 'the first write');
  const writeMs = Date.now() - began;
  let kept = saveOf('a', size).bytes;
  const outcomes = { old: 0, new: 0 };
  for (let round = 1; round <= 10; ++round) {
    const next = saveOf(String.fromCharCode(97 + round), size);
    await post(host, next.text[0], round);
    // Squared: more of the kills land early, while the bytes are written, fewer while they are flushed.
    await new Promise((resolve) => setTimeout(resolve, Math.random() ** 2 * writeMs));
    await killed(host);
    const now = fs.readFileSync(file);
    const isNew = now.equals(next.bytes);
    assert.ok(isNew || now.equals(kept), `round ${round}: neither the old save nor the new (${now.length} bytes)`);
    outcomes[isNew ? 'new' : 'old'] += 1;
    kept = now;
    host = await ready({ manifest: { name: 'saves-kills' } });
    assert.deepEqual(fs.readdirSync(folder), ['slot.sav'], `round ${round}: nothing left but the save`);
  }
  console.log(`kills within ${writeMs} ms of writing: ${JSON.stringify(outcomes)}`);
});
