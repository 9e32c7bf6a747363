// The engine recognition of quorrin check and init --from, over small exports
// laid out as each engine writes them.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { initCommand } from '../../tools/package/cli/init.mjs';
import { readApplication } from '../../tools/package/lib/checks.mjs';
import { engineFindings, settingsFor } from '../../tools/package/lib/engines.mjs';
import { releaseWarnings } from '../../tools/package/lib/warnings.mjs';

const godotPage = (threads) => '<script src="game.js"></script><script>const GODOT_CONFIG = {};' +
  (threads === undefined ? '' : `const GODOT_THREADS_ENABLED = ${threads};`) + '</script>';
const BUNDLE = { precompressed: 'auto', crossOriginIsolation: false };

// files: name -> text; expected engine, problem keys and the addresses warned about.
const CASES = [
  { label: 'plain page', files: { 'index.html': '<p>hi</p>' }, engine: null },
  { label: 'Unity, Brotli build', files: { 'index.html': '', 'Build/w.loader.js': '',
    'Build/w.wasm.br': '', 'Build/w.data.br': '' }, engine: 'Unity' },
  { label: 'Unity build, "none"', settings: { precompressed: 'none' }, files: { 'Build/w.loader.js': '',
    'Build/w.wasm.gz': '' }, engine: 'Unity', problems: ['precompressed'] },
  { label: 'Unity build uncompressed, "none"', settings: { precompressed: 'none' },
    files: { 'Build/w.loader.js': '', 'Build/w.wasm': '' }, engine: 'Unity' },
  { label: 'a .br outside Unity\'s build folder', settings: { precompressed: 'none' },
    files: { 'Build/w.loader.js': '', 'media/song.ogg.br': '' }, engine: 'Unity' },
  { label: 'a loader not in Build/', files: { 'w.loader.js': '' }, engine: null },
  { label: 'Godot 4 threads', files: { 'game.html': godotPage(true), 'game.js': '' },
    engine: 'Godot', problems: ['cross-origin-isolation'], needs: { 'cross-origin-isolation': true } },
  { label: 'Godot 4 threads, isolated', settings: { crossOriginIsolation: true },
    files: { 'game.html': godotPage(true), 'game.js': '' }, engine: 'Godot',
    needs: { 'cross-origin-isolation': true } },
  { label: 'Godot 4 single-threaded', files: { 'game.html': godotPage(false), 'game.js': '',
    'game.worker.js': '' }, engine: 'Godot' },
  { label: 'older Godot with its worker', files: { 'index.html': godotPage(), 'game.js': '',
    'game.worker.js': '' }, engine: 'Godot', problems: ['cross-origin-isolation'],
  needs: { 'cross-origin-isolation': true } },
  { label: 'GODOT_CONFIG without its engine script', files: { 'index.html': godotPage(true) },
    engine: null },
  { label: 'Unity 2018, its build JSON naming .unityweb files', files: { 'Build/UnityLoader.js': '',
    'Build/game.json': '{"dataUrl":"game.data.unityweb","wasmCodeUrl":"game.wasm.code.unityweb"}',
    'Build/game.data.unityweb': '', 'Build/game.wasm.code.unityweb': '' }, engine: 'Unity' },
  { label: 'Unity 2018 missing a build file', files: { 'Build/UnityLoader.js': '',
    'Build/game.json': '{"dataUrl":"game.data.unityweb","companyName":"x.unityweb"}' },
  engine: 'Unity', problems: ['main'] },
  { label: 'Godot 3', files: { 'index.html': '<script>new Engine(CONFIG).startGame()</script>',
    'game.pck': '', 'game.wasm': '' }, engine: 'Godot' },
  { label: 'Godot 3 threads', files: { 'index.html': 'var engine = new Engine();', 'game.pck': '',
    'game.worker.js': '' }, engine: 'Godot', problems: ['cross-origin-isolation'],
  needs: { 'cross-origin-isolation': true } },
  { label: 'Emscripten page', files: { 'index.html': '<script>var Module = { canvas: c };</script>',
    'game.js': '', 'game.wasm': '', 'game.data': '' }, engine: 'Emscripten' },
  { label: 'Emscripten pthreads', files: { 'index.html': '<script>var Module = {};</script>',
    'game.js': 'if (ENVIRONMENT_IS_PTHREAD) {}', 'game.wasm': '' }, engine: 'Emscripten',
  problems: ['cross-origin-isolation'], needs: { 'cross-origin-isolation': true } },
  { label: 'a .wasm without Module', files: { 'index.html': '', 'lib.wasm': '' }, engine: null },
  { label: 'Construct 3', files: { 'scripts/c3runtime.js': '' }, engine: 'Construct' },
  { label: 'GameMaker', files: { 'html5game/Game.js': '' }, engine: 'GameMaker' },
  { label: 'Defold', files: { 'dmloader.js': '' }, engine: 'Defold' },
  { label: 'Phaser shipped', files: { 'lib/phaser.min.js': '' }, engine: 'Phaser' },
  { label: 'Phaser from a CDN', files: { 'index.html':
    '<script src="https://cdn.jsdelivr.net/npm/phaser@3/dist/phaser.min.js"></script>' },
  engine: 'Phaser', remote: ['https://cdn.jsdelivr.net/npm/phaser@3/dist/phaser.min.js'] },
  { label: 'scripts and decoders from elsewhere', files: {
    'index.html': '<script src=//cdn.example/a.js></script><script src="local.js"></script>' +
      '<a href="https://example.com/">site</a>',
    'local.js': 'importScripts("https://cdn.example/w.wasm?v=2"); d.setDecoderPath(\'https://g.example/draco/decoders/\');' +
      ' fetch("https://api.example/scores"); import("./b.js");' },
  engine: null, remote: ['//cdn.example/a.js', 'https://cdn.example/w.wasm?v=2', 'https://g.example/draco/decoders/'] },
];

test('engines, the problems they raise and the remote loads warned about', () => {
  for (const row of CASES) {
    const read = (name) => row.files[name] ?? null;
    const findings = engineFindings(Object.keys(row.files), read, { ...BUNDLE, ...row.settings });
    assert.equal(findings.engine?.name ?? null, row.engine, row.label);
    assert.deepEqual(findings.problems.map((problem) => problem.key), row.problems ?? [], row.label);
    const addresses = findings.warnings.map((warning) => / loads (\S+) /u.exec(warning)[1]);
    assert.deepEqual(addresses, row.remote ?? [], row.label);
    assert.deepEqual(settingsFor(findings.engine), row.needs ?? {}, row.label);
  }
});

test('init --from wraps an export: www/, name, title and the keys its engine needs', async (t) => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-init-'));
  t.after(() => fs.rmSync(work, { recursive: true, force: true }));
  const exported = path.join(work, 'Space Game');
  fs.mkdirSync(exported);
  fs.writeFileSync(path.join(exported, 'game.html'),
    `<title> Space &amp; Time &#x2605;</title>${godotPage(true)}`);
  fs.writeFileSync(path.join(exported, 'game.js'), '');
  t.mock.method(console, 'log', () => {});
  const app = path.join(work, 'app');
  assert.equal(await initCommand(app, { from: exported }), 0);
  assert.deepEqual(JSON.parse(fs.readFileSync(path.join(app, 'package.json'), 'utf8')), {
    name: 'space-game', version: '0.1.0', main: 'game.html',
    window: { title: 'Space & Time \u2605', width: 1024, height: 768 },
    settings: { 'enable-devtools': false, 'directory-handles': ['user-data'],
      'cross-origin-isolation': true } });
  const checked = readApplication(app);
  assert.deepEqual([checked.engine.name, releaseWarnings(checked), checked.directoryHandlesListed],
    ['Godot', [], true], 'a fresh manifest passes check with no warning');
  assert.deepEqual(fs.readdirSync(path.join(app, 'www')).sort(), ['game.html', 'game.js']);
  // Never over an application, nor into the export itself.
  await assert.rejects(initCommand(app, { from: exported }), /exists/u);
  await assert.rejects(initCommand(path.join(exported, 'sub'), { from: exported }), /inside it/u);
});
