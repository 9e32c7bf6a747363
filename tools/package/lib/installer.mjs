// The NSIS installer of a program folder, made with Debian's makensis.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { safeFileName } from './names.mjs';

const SCRIPT = fileURLToPath(new URL('../installer.nsi', import.meta.url));
const UTF8_BOM = '\uFEFF';

// Text inside an NSIS string: "$" and quotes escaped, line breaks written as $\n.
function nsisEscape(text) {
  return text.replace(/\$/gu, '$$$$').replace(/"/gu, '$\\"').replace(/\r?\n/gu, '$\\n');
}

function nsisString(text) {
  return `"${nsisEscape(text)}"`;
}

function walk(folder, relative = '') {
  const entries = fs.readdirSync(path.join(folder, relative), { withFileTypes: true });
  return entries.flatMap((entry) => {
    const name = relative ? `${relative}/${entry.name}` : entry.name;
    return entry.isDirectory() ? [...walk(folder, name), { name, folder: true }] : [{ name, size:
      fs.statSync(path.join(folder, name)).size }];
  });
}

// Files first, then folders deepest first: each RMDir only removes an empty folder.
function uninstallList(entries) {
  const windowsName = (name) => `"$INSTDIR\\${nsisEscape(name.replaceAll('/', '\\'))}"`;
  const files = entries.filter((entry) => !entry.folder);
  const folders = entries.filter((entry) => entry.folder);
  return [...files.map((entry) => `Delete ${windowsName(entry.name)}`),
    ...folders.map((entry) => `RMDir ${windowsName(entry.name)}`)].join('\n');
}

function defines(app, programFolder, exeName, iconFile, outFile, sizeKb) {
  const values = {
    APP_KEY: app.fileName,
    PRODUCT: app.productName,
    SHORTCUT: safeFileName(app.productName),
    EXE: exeName,
    VERSION: app.version.text || app.version.numbers.join('.'),
    VERSION_NUMBERS: app.version.numbers.join('.'),
    PROGRAM_FOLDER: programFolder,
    OUT_FILE: outFile,
  };
  if (app.publisher) values.PUBLISHER = app.publisher;
  if (iconFile) values.ICON_FILE = iconFile;
  const lines = Object.entries(values).map(([key, value]) => `!define ${key} ${nsisString(value)}`);
  return [...lines, `!define SIZE_KB ${sizeKb}`].join('\n');
}

// Writes outFile. workFolder receives the script's generated parts.
export function makeInstaller({ app, programFolder, exeName, iconFile, outFile, workFolder }) {
  const entries = walk(programFolder);
  const sizeKb = Math.ceil(entries.reduce((sum, entry) => sum + (entry.size ?? 0), 0) / 1024);
  fs.copyFileSync(SCRIPT, path.join(workFolder, 'installer.nsi'));
  // makensis reads UTF-8 when the file starts with a byte-order mark.
  fs.writeFileSync(path.join(workFolder, 'app.nsh'),
    UTF8_BOM + defines(app, programFolder, exeName, iconFile, outFile, sizeKb) + '\n');
  fs.writeFileSync(path.join(workFolder, 'uninstall-files.nsh'),
    UTF8_BOM + uninstallList(entries) + '\n');
  execFileSync('makensis', ['-V2', '-INPUTCHARSET', 'UTF8', 'installer.nsi'],
    { cwd: workFolder, stdio: ['ignore', 'pipe', 'inherit'] });
}
