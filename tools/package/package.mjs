// Packages an application folder for its users (scripts/package, quorrin package):
//   node package.mjs check APP_FOLDER
//   node package.mjs make APP_FOLDER [--exe Quorrin.exe] [--loader WebView2Loader.dll] --dist DIR
//     [--sign-pfx FILE [--timestamp-url URL] | --sign-command "CMD {file}"] [--sign-extension]
// Everything is made in a staging folder first; only complete outputs reach DIR.
// --exe and --loader default to the program carried by the npm package.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

import { PackagingError, readApplication } from './lib/checks.mjs';
import { SHIPPED_FOLDERS, walkShippedFolder } from './lib/content-files.mjs';
import { installerTool, makeInstaller } from './lib/installer.mjs';
import { brandExecutable, makeIconFile } from './lib/resources.mjs';
import { signFile, signingFrom } from './lib/signing.mjs';
import { releaseWarnings } from './lib/warnings.mjs';
import { zipFolder } from './lib/zip.mjs';

const EXTENSION_LIBRARY = 'Brenmoor.dll';
// Valve's Steam client library, as the author's Steamworks SDK gives it: signed by Valve, never re-signed.
const STEAM_LIBRARY = 'steam_api64.dll';
// The vendor's standalone runtime installer, run by the program for players without internet.
const OFFLINE_RUNTIME_INSTALLER = 'MicrosoftEdgeWebView2RuntimeInstallerX64.exe';

function copyIntoProgram(app, programFolder, relative) {
  const source = path.join(app.folder, relative);
  if (!fs.existsSync(source)) return;
  fs.cpSync(source, path.join(programFolder, relative), { recursive: true });
}

// www/ and webview2/ walked again as they are copied: what reaches the program
// folder is what was checked.
function copyShippedFolder(app, programFolder, folderName) {
  const source = path.join(app.folder, folderName);
  const { entries, problems } = walkShippedFolder(source);
  if (problems.length > 0) throw new PackagingError(problems[0].file, problems[0].reason);
  if (!fs.existsSync(source)) return;
  fs.mkdirSync(path.join(programFolder, folderName));
  for (const entry of entries) {
    const target = path.join(programFolder, folderName, ...entry.relative.split('/'));
    if (entry.folder) fs.mkdirSync(target);
    else fs.copyFileSync(entry.source, target);
  }
}

function assembleProgram(app, options, programFolder) {
  const exeName = `${app.fileName}.exe`;
  fs.mkdirSync(programFolder, { recursive: true });
  fs.copyFileSync(options.exe, path.join(programFolder, exeName));
  fs.copyFileSync(options.loader, path.join(programFolder, 'WebView2Loader.dll'));
  for (const folder of SHIPPED_FOLDERS) copyShippedFolder(app, programFolder, folder);
  for (const item of ['package.json', EXTENSION_LIBRARY, OFFLINE_RUNTIME_INSTALLER,
    STEAM_LIBRARY]) {
    copyIntoProgram(app, programFolder, item);
  }
  // The window icon is read at start-up from beside the executable.
  if (app.iconFile) copyIntoProgram(app, programFolder, app.settings.icon);
  return exeName;
}

// The release program the npm package carries, beside this script.
export const PACKAGED_PROGRAM = {
  exe: fileURLToPath(new URL('program/Quorrin.exe', import.meta.url)),
  loader: fileURLToPath(new URL('program/WebView2Loader.dll', import.meta.url)),
};

// installer is null when makensis is not on PATH: the folder and zip are still made.
function outputNames(app, withInstaller) {
  const base = app.version.text ? `${app.fileName}-${app.version.text}` : app.fileName;
  return { folder: base, zip: `${base}-win-x64.zip`,
    installer: withInstaller ? `${base}-setup.exe` : null };
}

function outputsOf(names) {
  return [names.folder, names.zip, names.installer].filter(Boolean);
}

// Outputs of the same name are replaced only once all of them are made.
function publish(staging, names, dist) {
  fs.mkdirSync(dist, { recursive: true });
  for (const name of outputsOf(names)) {
    fs.rmSync(path.join(dist, name), { recursive: true, force: true });
    fs.renameSync(path.join(staging, name), path.join(dist, name));
  }
}

// Only what packaging itself produces: the vendor's files keep the vendor's signature.
function signProgram(signer, programFolder, exeName) {
  if (!signer) return;
  const folder = path.basename(programFolder);
  signFile(signer, path.join(programFolder, exeName), `${folder}/${exeName}`);
  const extension = path.join(programFolder, EXTENSION_LIBRARY);
  if (signer.extension && fs.existsSync(extension)) {
    signFile(signer, extension, `${folder}/${EXTENSION_LIBRARY}`);
  }
}

function make(app, options, signer) {
  const names = outputNames(app, installerTool() !== null);
  const staging = fs.mkdtempSync(path.join(path.resolve(options.dist), '.staging-'));
  try {
    const programFolder = path.join(staging, names.folder);
    const exeName = assembleProgram(app, options, programFolder);
    const work = fs.mkdtempSync(path.join(staging, 'work-'));
    let icoFile = null;
    if (app.iconFile) {
      icoFile = path.join(work, 'app.ico');
      makeIconFile(app.iconFile, icoFile);
    }
    // Resources first: signing is the last change to each file.
    brandExecutable(path.join(programFolder, exeName), app, icoFile);
    signProgram(signer, programFolder, exeName);
    zipFolder(staging, names.folder, path.join(staging, names.zip));
    if (names.installer) {
      const installer = path.join(staging, names.installer);
      makeInstaller({ app, programFolder, exeName, iconFile: icoFile, outFile: installer,
        workFolder: work, signer });
      if (signer) signFile(signer, installer, names.installer);
    }
    publish(staging, names, options.dist);
    return names;
  } finally {
    fs.rmSync(staging, { recursive: true, force: true });
  }
}

function signingSummary(signer, withInstaller) {
  if (!signer) {
    return 'Unsigned: Windows SmartScreen will warn players about an unknown publisher ' +
      '(see "Signing" in docs/GUIDE.md).';
  }
  const how = signer.command ? 'with the signing command' : `with ${signer.pfx} (valid until ` +
    `${signer.validUntil}${signer.timestamp ? `, timestamped by ${signer.timestamp}` : ', no timestamp'})`;
  const extension = signer.extension ? `, ${EXTENSION_LIBRARY}` : '';
  return `Signed ${how}: the program${extension}${withInstaller ? ', the installer and its uninstaller' : ''}.`;
}

function report(dist, names, signer) {
  for (const name of outputsOf(names)) {
    const file = path.join(dist, name);
    const stat = fs.statSync(file);
    const size = stat.isDirectory() ? '' : ` ${stat.size.toLocaleString('en')} bytes`;
    console.log(`${file}${stat.isDirectory() ? '/' : ''}${size}`);
  }
  console.log(signingSummary(signer, names.installer !== null));
  if (!names.installer) console.log(`No installer: makensis is not on PATH (${installerTool.howToGet()}).`);
}

function printWarnings(warnings) {
  for (const warning of warnings) console.error(`Warning: ${warning}`);
}

// The packager's command line; args without the command's own name.
export function runPackager(args) {
  const { values, positionals } = parseArgs({
    args,
    allowPositionals: true,
    options: { exe: { type: 'string' }, loader: { type: 'string' }, dist: { type: 'string' },
      'sign-pfx': { type: 'string' },
      'timestamp-url': { type: 'string' }, 'sign-command': { type: 'string' },
      'sign-extension': { type: 'boolean' } },
  });
  const [command, appFolder] = positionals;
  const app = readApplication(appFolder);
  const signer = signingFrom(values, app);
  const warnings = releaseWarnings(app);
  // Said before the build, and again after the output, where they are not missed.
  if (command === 'check') printWarnings(warnings);
  if (command === 'make') {
    const options = { ...values, exe: values.exe ?? PACKAGED_PROGRAM.exe,
      loader: values.loader ?? PACKAGED_PROGRAM.loader };
    for (const file of [options.exe, options.loader]) {
      if (!fs.existsSync(file)) throw new PackagingError(file, 'the program to package is missing');
    }
    fs.mkdirSync(options.dist, { recursive: true });
    report(options.dist, make(app, options, signer), signer);
    printWarnings(warnings);
  }
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  try {
    runPackager(process.argv.slice(2));
  } catch (error) {
    if (!(error instanceof PackagingError)) throw error;
    console.error(`Cannot package: ${error.message}`);
    process.exit(1);
  }
}
