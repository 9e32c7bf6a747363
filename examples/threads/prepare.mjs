// Builds src/sum.c with Debian's Emscripten (-pthread) into www/threads.js,
// threads.wasm and threads.worker.js. Built rather than committed; scripts/run
// and the tests run this before they lay the example out. Rebuilds only when
// the source or this script is newer than the build.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const folder = path.dirname(fileURLToPath(import.meta.url));
const source = path.join(folder, 'src/sum.c');
const output = path.join(folder, 'www/threads.js');
const built = ['threads.js', 'threads.wasm', 'threads.worker.js']
  .map((name) => path.join(folder, 'www', name));

const inputs = [source, fileURLToPath(import.meta.url)];
const newestInput = Math.max(...inputs.map((file) => fs.statSync(file).mtimeMs));
const upToDate = built.every((file) => fs.existsSync(file) && fs.statSync(file).mtimeMs >= newestInput);
if (!upToDate) {
  // Four workers are started with the page, so threads start without waiting
  // for a worker script to load while the page's thread blocks in a join.
  const flags = ['-O2', '-pthread', '-sPTHREAD_POOL_SIZE=4', '-sINITIAL_MEMORY=256MB',
    '-sABORTING_MALLOC=0',
    '-sENVIRONMENT=web,worker'];
  // Debian's Emscripten finds its Node.js modules (acorn) there.
  const env = { ...process.env, NODE_PATH: '/usr/share/nodejs' };
  const result = spawnSync('emcc', [...flags, source, '-o', output], { env, stdio: 'inherit' });
  if (result.status !== 0) {
    for (const file of built) fs.rmSync(file, { force: true });
    console.error(`examples/threads: emcc failed (${result.error?.message ?? result.status})`);
    process.exit(1);
  }
}
