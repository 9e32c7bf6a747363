// The packed npm package (QUORRIN_NPM_TGZ) installed into an empty folder and
// run as an author would, with a PATH holding node, npm, makensis and
// osslsigncode only: check, the program's refusals with its own texts, package,
// and the packaged program started under Wine.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { helloCopy } from './hello_copy.mjs';
import { Host, layOutFixedRuntime } from '../scenarios/lib/host.mjs';

const root = path.resolve(fileURLToPath(import.meta.url), '../../..');
const tarball = process.env.QUORRIN_NPM_TGZ;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-npm-'));
const tools = path.join(work, 'path');
const project = path.join(work, 'project');
const env = { HOME: path.join(work, 'home'), PATH: tools, LANG: 'C.UTF-8' };
const hosts = [];

function quorrin(args, options = {}) {
  return spawnSync(path.join(project, 'node_modules/.bin/quorrin'), args,
    { cwd: project, env: { ...env, ...options.env }, encoding: 'utf8' });
}

const helloWith = (name, changes) => helloCopy(work, name, changes);

before(() => {
  assert.ok(tarball && fs.existsSync(tarball), 'QUORRIN_NPM_TGZ names the packed package');
  fs.mkdirSync(tools);
  fs.mkdirSync(project);
  fs.mkdirSync(env.HOME);
  for (const name of ['node', 'npm', 'makensis', 'osslsigncode']) {
    fs.symlinkSync(execFileSync('which', [name], { encoding: 'utf8' }).trim(), path.join(tools, name));
  }
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--loglevel=error',
    '--cache', path.join(work, 'npm-cache'), tarball], { cwd: project, env, stdio: 'pipe' });
});
after(async () => {
  for (const host of hosts) await host.dispose();
  fs.rmSync(work, { recursive: true, force: true });
});

test('installed without a compiler: nothing but the package and its two bundled libraries', () => {
  assert.deepEqual(fs.readdirSync(path.join(project, 'node_modules')).sort(),
    ['.bin', '.package-lock.json', 'quorrin']);
  assert.deepEqual(fs.readdirSync(path.join(project, 'node_modules/quorrin/node_modules')).sort(),
    ['pe-library', 'resedit']);
  for (const program of ['x86_64-w64-mingw32-g++', 'wine', 'cmake', 'gcc', 'cc', 'em++']) {
    assert.ok(!fs.existsSync(path.join(tools, program)), `${program} is not on PATH`);
  }
  assert.equal(quorrin(['help']).status, 0);
  const usage = quorrin(['frobnicate']);
  assert.equal(usage.status, 2);
  assert.match(usage.stderr, /unknown command "frobnicate"[\s\S]*Usage: quorrin/u);
  assert.equal(quorrin(['check', '--bogus']).status, 2);
});

test('check gives the program\'s own text for each refused manifest, one line each', () => {
  const table = JSON.parse(fs.readFileSync(path.join(root, 'tests/windows/process/bad_manifests.json')));
  const boxes = {
    load: 'Failed to load package.json. Check the file is in the same folder as the app.',
    parse: 'Failed to parse package.json. Check the file has valid JSON and that all parameters are correct.',
  };
  for (const [index, row] of table.cases.entries()) {
    const folder = path.join(work, `bad-${index}`);
    fs.mkdirSync(path.join(folder, 'www'), { recursive: true });
    fs.writeFileSync(path.join(folder, 'www/index.html'), '<!doctype html>');
    if (row.manifest !== null) {
      fs.writeFileSync(path.join(folder, 'package.json'),
        Buffer.from(row.manifest.repeat(row.repeat ?? 1), 'latin1'));
    }
    const result = quorrin(['check', folder]);
    assert.equal(result.status, 1, row.label);
    const lines = result.stderr.trim().split('\n');
    assert.equal(lines.length, 1, `${row.label}: one line: ${result.stderr}`);
    const expected = `${path.join(folder, 'package.json')}: ${boxes[row.box]}`;
    assert.ok(lines[0] === expected || lines[0].startsWith(`${expected} (`), `${row.label}: ${lines[0]}`);
  }
});

test('check lists every problem with its key; a good folder passes', () => {
  const folder = helloWith('problems', { main: 'start.html', version: 'one',
    window: { title: 't', icon: 'missing.png' } });
  const result = quorrin(['check', folder]);
  assert.equal(result.status, 1);
  const problems = result.stderr.split('\n').filter((line) => line && !line.startsWith('Warning:'));
  assert.equal(problems.length, 3, result.stderr);
  assert.match(problems[0], /"main" is "start\.html"/u);
  assert.match(problems[1], /missing\.png: the window icon/u);
  assert.match(problems[2], /"version" must be text/u);
  assert.equal(quorrin(['check', path.join(root, 'examples/hello')]).status, 0);
});

test('check names the key of each refused setting', () => {
  for (const [index, [changes, key]] of [
    [{ settings: { precompressed: 'zip' } }, 'settings.precompressed'],
    [{ settings: { permissions: ['teleport'] } }, 'settings.permissions'],
    [{ settings: { 'writable-directory-handles': ['attic'] } }, 'settings.writable-directory-handles'],
    [{ window: { 'close-handshake-ms': -1 } }, 'window.close-handshake-ms'],
    [{ steam: { 'app-id': 480, 'overlay-hosts': 'x' } }, 'steam.overlay-hosts']].entries()) {
    const result = quorrin(['check', helloWith(`keyed-${index}`, changes)]);
    assert.equal(result.status, 1);
    assert.ok(result.stderr.includes(`[key "${key}"]`), `${key}: ${result.stderr}`);
  }
});

test('check says which directory handles the page can write, and warns when all are offered', () => {
  const warning = 'no "directory-handles" in "settings"';
  for (const [index, [settings, writable, warned]] of [
    [undefined, '"user-data"', true],
    [{ 'directory-handles': ['content', 'user-data', 'saved-games', 'documents'],
      'writable-directory-handles': ['saved-games'] }, '"user-data", "saved-games"', false],
    [{ 'directory-handles': ['program', 'user-data'], 'writable-program-folder': true },
      '"program" (www/ inside it too), "user-data"', false],
    [{ 'directory-handles': ['content'] }, 'none', false]].entries()) {
    const result = quorrin(['check', helloWith(`handles-${index}`, settings ? { settings } : {})]);
    assert.equal(result.status, 0, result.stderr);
    assert.ok(result.stdout.includes(`Directory handles the page can write through: ${writable};`),
      `${writable}: ${result.stdout}`);
    assert.equal(result.stderr.includes(warning), warned, `${writable}: ${result.stderr}`);
  }
});

test('package makes the folder, zip and signed installer; the program starts under Wine', async () => {
  const certificate = path.join(work, 'test.pfx');
  execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1',
    '-subj', '/CN=Quorrin npm test', '-keyout', path.join(work, 'key.pem'),
    '-out', path.join(work, 'cert.pem')], { stdio: 'pipe' });
  execFileSync('openssl', ['pkcs12', '-export', '-inkey', path.join(work, 'key.pem'), '-in',
    path.join(work, 'cert.pem'), '-out', certificate, '-passout', 'pass:'], { stdio: 'pipe' });
  const app = helloWith('fixed', { name: 'npm-fixed', settings: { 'distribution-mode': 'fixed',
    'enable-devtools': false } });
  const dist = path.join(work, 'dist');
  const result = quorrin(['package', app, '--dist', dist, '--sign-pfx', certificate]);
  assert.equal(result.status, 0, result.stderr);
  const base = path.join(dist, 'npm-fixed-1.0.0');
  for (const file of [`${base}/npm-fixed.exe`, `${base}/WebView2Loader.dll`, `${base}/icon.png`,
    `${base}/www/index.html`, `${base}-win-x64.zip`, `${base}-setup.exe`]) {
    assert.ok(fs.existsSync(file), `${file} is made`);
  }
  for (const signed of [`${base}/npm-fixed.exe`, `${base}-setup.exe`]) {
    execFileSync('osslsigncode', ['verify', '-CAfile', path.join(work, 'cert.pem'), '-in', signed],
      { stdio: 'pipe' });
  }
  const listing = execFileSync('python3', ['-c', 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); ' +
    'assert z.testzip() is None; print("\\n".join(z.namelist()))', `${base}-win-x64.zip`],
  { encoding: 'utf8' }).split('\n');
  assert.ok(listing.includes('npm-fixed-1.0.0/npm-fixed.exe') &&
    listing.includes('npm-fixed-1.0.0/www/index.html'), listing.join(' '));

  const folder = path.join(work, 'started');
  fs.cpSync(base, folder, { recursive: true });
  layOutFixedRuntime(path.join(folder, 'webview2'));
  const host = await Host.start({ folder, laidOut: true, executable: 'npm-fixed.exe', manifest: null });
  hosts.push(host);
  await host.ready();
  assert.equal((await host.windows()).main.caption, 'Hello from Quorrin');
});
