// The names the packagers refuse in www/ and webview2/: every one Windows would
// mishandle, at any depth, each refusal naming the file.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { walkShippedFolder } from '../../tools/package/lib/content-files.mjs';

// Files (a "/" makes folders), and the reason their walk gives, or null when it ships.
const CASES = [
  { files: ['index.html', 'aux-tiles.png', 'console.js', 'com10.js', 'lpt.txt', '.hidden'],
    reason: null },
  { files: ['aux.js'], reason: /opens the device AUX/u },
  { files: ['Con'], reason: /opens the device CON/u },
  { files: ['nul.tar.gz'], reason: /opens the device NUL/u },
  { files: ['com1.json'], reason: /opens the device COM1/u },
  { files: ['LPT9.bin'], reason: /opens the device LPT9/u },
  { files: ['com\u00b2.txt'], reason: /opens the device COM\u00b2/u },
  { files: ['prn .txt'], reason: /opens the device PRN/u },
  { files: ['aux/page.html'], reason: /"aux" opens the device AUX/u },
  { files: ['a:b'], reason: /holds ":"/u },
  { files: ['save*.json'], reason: /holds "\*"/u },
  { files: ['what?.png'], reason: /holds "\?"/u },
  { files: ['<b>.txt'], reason: /holds "<"/u },
  { files: ['a>b'], reason: /holds ">"/u },
  { files: ['say"hi"'], reason: /holds """/u },
  { files: ['a|b'], reason: /holds "\|"/u },
  { files: ['a\\b.txt'], reason: /holds "\\", which Windows and zip readers take/u },
  { files: ['tab\there'], reason: /a control character \(U\+0009\)/u },
  { files: ['bell\u0007'], reason: /a control character \(U\+0007\)/u },
  { files: ['name.'], reason: /ends in a dot/u },
  { files: ['name '], reason: /ends in a space/u },
  { files: ['levels/deep./map.json'], reason: /ends in a dot/u },
  { files: ['Index.html', 'index.html'], reason: /differs from "Index\.html" beside it only in case/u },
  { files: ['Data/a.json', 'data/b.json'], reason: /differs from "Data"/u },
  { files: ['\u00c9t\u00e9.txt', '\u00e9T\u00c9.txt'], reason: /differs from/u },
  // Names ship composed (NFC): a decomposed twin of a name is the same file.
  { files: ['cafe\u0301.png', 'caf\u00e9.png'], reason: /beside it only in case or Unicode form/u },
  // Only within one folder, and full case mappings ("SS") are not Windows'.
  { files: ['a/index.html', 'b/Index.html', 'stra\u00dfe.txt', 'STRASSE.txt'], reason: null },
];

test('names Windows mishandles are refused, naming the file; the rest ship', (t) => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-names-'));
  t.after(() => fs.rmSync(work, { recursive: true, force: true }));
  for (const [index, row] of CASES.entries()) {
    const folder = path.join(work, String(index), 'www');
    for (const file of row.files) {
      fs.mkdirSync(path.dirname(path.join(folder, file)), { recursive: true });
      fs.writeFileSync(path.join(folder, file), 'x');
    }
    const { entries, problems } = walkShippedFolder(folder);
    const label = row.files.join(', ');
    if (row.reason === null) {
      assert.deepEqual(problems, [], label);
      continue;
    }
    assert.equal(problems.length, 1, `${label}: ${JSON.stringify(problems)}`);
    assert.match(problems[0].reason, row.reason, label);
    const refused = problems[0].file.slice(folder.length + 1);
    assert.ok(row.files.some((file) => file.normalize('NFC') === refused || file.startsWith(`${refused}/`)),
      `${label}: names ${refused}`);
    assert.ok(!entries.some((entry) => entry.source === path.join(fs.realpathSync(folder), refused)),
      `${label}: not shipped`);
  }
});

test('a decomposed name ships composed and is reported', (t) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-nfd-'));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  fs.mkdirSync(path.join(folder, 'images'));
  fs.writeFileSync(path.join(folder, 'images', '\u0442\u0430\u0438\u0306\u043b.png'), 'x');
  const { entries, problems, decomposed } = walkShippedFolder(folder);
  assert.deepEqual(problems, []);
  assert.deepEqual(entries.map((entry) => entry.relative), ['images', 'images/\u0442\u0430\u0439\u043b.png']);
  assert.deepEqual(decomposed.map((file) => path.relative(folder, file)),
    [path.join('images', '\u0442\u0430\u0438\u0306\u043b.png')], 'named as it lies');
});
