// The NSIS installer of a program folder, made with Debian's makensis.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { PackagingError } from './checks.mjs';
import { safeFileName } from './names.mjs';
import { findOnPath, howToGet } from './tools.mjs';

const SCRIPT = fileURLToPath(new URL('../installer.nsi', import.meta.url));
const SIGN_FILE = fileURLToPath(new URL('../sign-file.mjs', import.meta.url));
const UTF8_BOM = '\uFEFF';

// Text inside an NSIS string: "$" and quotes escaped, line breaks written as $\n and a
// carriage return left alone as $\r (a raw one ends makensis's line).
export function nsisEscape(text) {
  return text.replace(/\$/gu, '$$$$').replace(/"/gu, '$\\"').replace(/\r?\n/gu, '$\\n')
    .replace(/\r/gu, '$\\r');
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
  // The fixed file version as GetDLLVersion reads it: two 32-bit halves.
  const [major, minor, patch, build] = app.version.numbers;
  const high = (major * 65536 + minor) >>> 0;
  const low = (patch * 65536 + build) >>> 0;
  return [...lines, `!define SIZE_KB ${sizeKb}`, `!define VERSION_HIGH ${high}`,
    `!define VERSION_LOW ${low}`].join('\n');
}

// makensis runs this through the shell once it has written the uninstaller (%1).
function uninstallerSigning() {
  const word = (text) => `"${text.replace(/\$/gu, '$$$$')}"`;
  return `!define SIGN_UNINSTALLER \`${word(process.execPath)} ${word(SIGN_FILE)} "%1"\``;
}

// makensis on PATH, or null; installerTool.howToGet() says how to install it.
export function installerTool() {
  return findOnPath('makensis');
}
installerTool.howToGet = () => howToGet('makensis');

// Writes outFile. workFolder receives the script's generated parts. With a
// signer the uninstaller is signed as makensis writes it into the installer.
export function makeInstaller({ app, programFolder, exeName, iconFile, outFile, workFolder,
  signer }) {
  const entries = walk(programFolder);
  const sizeKb = Math.ceil(entries.reduce((sum, entry) => sum + (entry.size ?? 0), 0) / 1024);
  fs.copyFileSync(SCRIPT, path.join(workFolder, 'installer.nsi'));
  // makensis reads UTF-8 when the file starts with a byte-order mark.
  const signing = signer ? `\n${uninstallerSigning()}` : '';
  fs.writeFileSync(path.join(workFolder, 'app.nsh'),
    UTF8_BOM + defines(app, programFolder, exeName, iconFile, outFile, sizeKb) + signing + '\n');
  fs.writeFileSync(path.join(workFolder, 'uninstall-files.nsh'),
    UTF8_BOM + uninstallList(entries) + '\n');
  const env = { ...process.env, QUORRIN_SIGN_SETTINGS: JSON.stringify(signer ?? {}) };
  try {
    execFileSync(installerTool() ?? 'makensis', ['-V2', '-INPUTCHARSET', 'UTF8', 'installer.nsi'],
      { cwd: workFolder, env, stdio: ['ignore', 'pipe', 'inherit'] });
  } catch (error) {
    throw new PackagingError(outFile, `makensis could not make the installer (${
      error.stdout?.toString().trim().split('\n').slice(-3).join('; ') || error.message})`);
  }
}
