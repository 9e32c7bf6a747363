// quorrin init: a minimal application folder; files that exist are left alone.
import fs from 'node:fs';
import path from 'node:path';

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

export async function initCommand(folder) {
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
