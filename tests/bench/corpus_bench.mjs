// The corpus of real engines (tests/e2e/corpus) loading through Quorrin against
// the same engine, the browser agent's Chromium, reading the same files from a
// plain local static server (no Quorrin, no stand-in): the seconds from the
// navigation to the engine's "started" (median of 5; each start a new browser
// with a new profile), their ratio, and where the difference goes: the host's
// handler time, the largest file's wait and transfer on each side, and Quorrin
// again with the window left unpainted: the browser agent's screencast, which
// the stand-in needs to paint the engine's frames into the window and the
// runtime does not, costs the engine CPU on the same two cores.
// Goal: Quorrin within 1.10x the plain server for every game.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

import { CHROMIUM_FLAGS, chromium } from '../../standin/browser-agent/agent.mjs';
import { corpusGames, startedIn } from '../e2e/corpus/prepare.mjs';
import { RunningApp } from '../e2e/lib/app.mjs';

// QUORRIN_BENCH_SIZE=small (scripts/test): one game once on each side, to show
// the part runs (the corpus test starts every game already).
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
const RUNS = SMALL ? 1 : 5;
const GOAL = 1.1;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const seconds = (ms) => (ms / 1000).toFixed(2);

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.json': 'application/json', '.png': 'image/png', '.wav': 'audio/wav', '.txt': 'text/plain' };

// A static server as an author would run one: files as they are, a .br file with
// "Content-Encoding: br" and its plain name's type, the isolation headers when
// the game asks for them.
async function plainServer(www, isolated) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(www, name);
    if (!file.startsWith(www + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    const brotli = name.endsWith('.br');
    const plainName = brotli ? name.slice(0, -3) : name;
    const headers = { 'Content-Type': TYPES[path.extname(plainName)] ?? 'application/octet-stream',
      'Content-Length': fs.statSync(file).size };
    if (brotli) headers['Content-Encoding'] = 'br';
    if (isolated) Object.assign(headers, { 'Cross-Origin-Opener-Policy': 'same-origin',
      'Cross-Origin-Embedder-Policy': 'require-corp', 'Cross-Origin-Resource-Policy': 'same-origin' });
    response.writeHead(200, headers);
    fs.createReadStream(file).pipe(response);
  });
  server.listen(0, '127.0.0.1');
  await new Promise((resolve) => server.once('listening', resolve));
  return server;
}

async function throughPlainServer(game) {
  const server = await plainServer(path.join(game.folder, 'www'), game.isolated);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-corpus-plain-'));
  const context = await chromium.launchPersistentContext(profile, { executablePath: '/usr/bin/chromium',
    headless: true, viewport: { width: 800, height: 600 }, args: CHROMIUM_FLAGS });
  try {
    const page = context.pages()[0] ?? await context.newPage();
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
    return await startedIn(page);
  } finally {
    await context.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

async function throughQuorrin(game, agent) {
  const app = await RunningApp.start(game.folder, { agent });
  try {
    const result = await startedIn(app.page);
    result.handlerMs = app.session.answers.reduce((sum, answer) => sum + (answer.handlerMicroseconds ?? 0), 0) / 1000;
    result.requests = app.session.answers.length;
    return result;
  } finally {
    await app.dispose();
  }
}

const rows = [];
const games = SMALL ? corpusGames().filter((game) => game.name === 'emscripten-sdl') : corpusGames();
for (const game of games) {
  const quorrin = [], plain = [], unpainted = [];
  for (let run = 0; run < RUNS; run++) {
    plain.push(await throughPlainServer(game));
    quorrin.push(await throughQuorrin(game));
    unpainted.push(await throughQuorrin(game, { paints: false }));
  }
  for (const result of [...quorrin, ...plain, ...unpainted])
    if (result.errors.length) throw new Error(`${game.name}: the page logged ${result.errors.join('; ')}`);
  const pick = (results, key) => median(results.map(key));
  rows.push({ game, quorrin: pick(quorrin, (r) => r.started), plain: pick(plain, (r) => r.started),
    unpainted: pick(unpainted, (r) => r.started),
    handler: pick(quorrin, (r) => r.handlerMs), requests: quorrin[0].requests, largest: quorrin[0].largest.name,
    quorrinWait: pick(quorrin, (r) => r.largest.wait), quorrinTransfer: pick(quorrin, (r) => r.largest.transfer),
    plainWait: pick(plain, (r) => r.largest.wait), plainTransfer: pick(plain, (r) => r.largest.transfer) });
}

console.log('');
console.log(`| game (navigation to the engine's "started", median of ${RUNS}) | Quorrin (s) | plain server (s) | ratio (goal: at most ${GOAL}x) | Quorrin, the window not painted (s) | its ratio | host handler time, all requests (ms) | largest file: wait + transfer, Quorrin (ms) | the same, plain server (ms) |`);
console.log('|---|---:|---:|---:|---:|---:|---:|---:|---:|');
for (const row of rows) {
  const ratio = row.quorrin / row.plain;
  console.log(`| ${row.game.name}: ${row.game.engine} | ${seconds(row.quorrin)} | ${seconds(row.plain)} | ` +
    `${ratio.toFixed(2)}x${SMALL || ratio <= GOAL ? '' : ', missed'} | ${seconds(row.unpainted)} | ` +
    `${(row.unpainted / row.plain).toFixed(2)}x | ${row.handler.toFixed(1)} (${row.requests} requests) | ` +
    `${row.largest}: ${row.quorrinWait.toFixed(0)} + ${row.quorrinTransfer.toFixed(0)} | ${row.plainWait.toFixed(0)} + ${row.plainTransfer.toFixed(0)} |`);
}
const godot = rows.find((row) => row.game.name === 'godot'), brotli = rows.find((row) => row.game.name === 'godot-brotli');
if (godot && brotli)
  console.log(`Godot through Quorrin, Brotli copy / plain files: ${(brotli.quorrin / godot.quorrin).toFixed(2)}x (goal: at most 1.3x)`);
