// quorrin init: a minimal application folder; files that exist are left alone.
import fs from 'node:fs';
import path from 'node:path';

import { PackagingError, folderContents } from '../lib/checks.mjs';
import { recogniseEngine, settingsFor } from '../lib/engines.mjs';

// npm's package name rules: lower case, no spaces, URL-safe, at most 214 characters.
function safePackageName(folderName) {
  const name = folderName.toLowerCase().replace(/[^a-z0-9._~-]+/gu, '-')
    .replace(/^[._-]+|[-]+$/gu, '').slice(0, 214);
  return name || 'quorrin-app';
}

function titleOf(folderName) {
  const words = folderName.replace(/[-_.]+/gu, ' ').trim();
  return words ? words.replace(/\b\p{Ll}/gu, (letter) => letter.toUpperCase()) : 'Quorrin App';
}

function page(title) {
  const escaped = title.replace(/[&<>"]/gu, (c) => `&#${c.charCodeAt(0)};`);
  return `<!doctype html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>${escaped}</title>
</head>
<body>
  <h1>${escaped}</h1>
  <p>Edit www/index.html, then try it with <code>npx quorrin dev</code>.</p>
</body>
</html>
`;
}

// Writes the file only when nothing is there; says which it did.
function writeNew(file, text) {
  try {
    fs.writeFileSync(file, text, { flag: 'wx' });
    console.log(`Wrote ${file}`);
  } catch (error) {
    if (error.code !== 'EEXIST') throw error;
    console.log(`Kept ${file} (it exists)`);
  }
}

const ENTITIES = { amp: '&', lt: '<', gt: '>', quot: '"', apos: "'", nbsp: ' ' };

// The text of a page's <title>, or null.
function pageTitle(html) {
  const text = /<title[^>]*>([^<]*)<\/title>/iu.exec(html)?.[1]
    ?.replace(/&(?:#(\d+)|#x([0-9a-f]+)|(\w+));/giu, (entity, decimal, hex, name) => {
      if (name) return ENTITIES[name.toLowerCase()] ?? entity;
      const code = decimal ? Number(decimal) : parseInt(hex, 16);
      return code > 0 && code <= 0x10ffff ? String.fromCodePoint(code) : entity;
    }).replace(/\s+/gu, ' ').trim();
  return text || null;
}

// The export's start page: index.html, else its one page at the top.
function startPageOf(source, files) {
  if (files.includes('index.html')) return 'index.html';
  const pages = files.filter((name) => !name.includes('/') && /\.html?$/iu.test(name));
  if (pages.length === 1) return pages[0];
  throw new PackagingError(source, pages.length ? `several pages (${pages.join(', ')}) and no ` +
    'index.html: rename the start page index.html' : 'holds no index.html or other page at the top');
}

// Where the export goes must be new and outside it.
function checkTarget(source, root, www) {
  if (!fs.statSync(source, { throwIfNoEntry: false })?.isDirectory()) {
    throw new PackagingError(source, 'is not a folder');
  }
  const inside = path.relative(source, www);
  if (!inside.startsWith('..') && !path.isAbsolute(inside)) {
    throw new PackagingError(source, `cannot be copied into ${www}, which is inside it: give another folder`);
  }
  for (const existing of [www, path.join(root, 'package.json')]) {
    if (fs.existsSync(existing)) {
      throw new PackagingError(existing, 'exists: --from wraps an export in a new application folder');
    }
  }
}

// quorrin init --from EXPORT: the export copied into www/ and a package.json with what its engine needs.
function wrapExport(folder, from) {
  const root = path.resolve(folder);
  const source = path.resolve(from);
  const www = path.join(root, 'www');
  checkTarget(source, root, www);
  const { files, read } = folderContents(source);
  const main = startPageOf(source, files);
  const exportName = path.basename(source);
  const engine = recogniseEngine(files, read);
  const settings = settingsFor(engine);
  // As a release should be: no developer tools, and only the saves handle.
  const manifest = { name: safePackageName(exportName), version: '0.1.0', main,
    window: { title: pageTitle(read(main) ?? '') ?? titleOf(exportName), width: 1024, height: 768 },
    settings: { 'enable-devtools': false, 'directory-handles': ['user-data'], ...settings } };
  fs.mkdirSync(root, { recursive: true });
  fs.cpSync(source, www, { recursive: true });
  console.log(`Copied ${source} into ${www} (${files.length} files)`);
  if (engine) console.log(`Engine: ${engine.name}`);
  if (settings['cross-origin-isolation']) {
    console.log('Set "cross-origin-isolation": the export uses threads (SharedArrayBuffer)');
  }
  writeNew(path.join(root, 'package.json'), `${JSON.stringify(manifest, null, 2)}\n`);
  console.log(`Next: quorrin check ${folder === '.' ? '' : folder}`.trimEnd());
  return 0;
}

export async function initCommand(folder, values = {}) {
  if (values.from !== undefined) return wrapExport(folder, values.from);
  const root = path.resolve(folder);
  const folderName = path.basename(root);
  const title = titleOf(folderName);
  fs.mkdirSync(path.join(root, 'www'), { recursive: true });
  const manifest = { name: safePackageName(folderName), version: '0.1.0', main: 'index.html',
    window: { title, width: 1024, height: 768 } };
  writeNew(path.join(root, 'package.json'), `${JSON.stringify(manifest, null, 2)}\n`);
  writeNew(path.join(root, 'www', 'index.html'), page(title));
  const shown = /\s/u.test(folder) ? `"${folder}"` : folder;
  console.log(`Next: quorrin dev ${folder === '.' ? '' : shown}`.trimEnd());
  return 0;
}
