// What packaging needs to know about an application folder, checked first:
// each refusal names the file at fault and why.
import fs from 'node:fs';
import path from 'node:path';

import { engineFindings } from './engines.mjs';
import { SHIPPED_FOLDERS, walkShippedFolder } from './content-files.mjs';
import { authorName, parseVersion, safeFileName, windowsNameProblem } from './names.mjs';
import { checkManifestBytes, manifestDetails } from './rules.mjs';

const PNG_SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

export class PackagingError extends Error {
  constructor(file, reason) {
    super(`${file}: ${reason}`);
  }
}

// The manifest as Quorrin.exe reads it, by the executable's own parser built
// to WebAssembly; its refusal is the executable's. A file that cannot be read
// is refused as the executable refuses an empty one.
function readWithExecutableRules(manifestPath) {
  let bytes;
  try {
    bytes = fs.readFileSync(manifestPath);
  } catch {
    bytes = Buffer.alloc(0);
  }
  const result = checkManifestBytes(bytes);
  if (!result.ok) throw new PackagingError(manifestPath, result.message);
  return result.settings;
}

// The start page as the content server finds it: below www/, without the
// query or fragment, percent escapes decoded, no "." or ".." segment, no ":".
function checkStartPage(appFolder, manifestPath, main) {
  const page = main.split(/[?#]/u)[0];
  let decoded;
  try {
    decoded = decodeURIComponent(page);
  } catch {
    decoded = null;
  }
  const segments = decoded === null ? [] : decoded.split(/[/\\]/u);
  const servable =
    decoded !== null && !decoded.includes(':') && !decoded.includes('\0') &&
    !segments.some((segment) => segment === '.' || segment === '..');
  const file = path.join(appFolder, 'www', decoded ?? page);
  if (!servable || !fs.statSync(file, { throwIfNoEntry: false })?.isFile()) {
    throw new PackagingError(manifestPath,
      `"main" is "${main}", but www/${page} is not a file the program can serve`);
  }
}

// The window icon: a PNG inside the application folder (the executable looks
// for it relative to its own folder).
function checkIcon(appFolder, manifestPath, icon) {
  const file = path.join(appFolder, icon);
  const inside = !path.isAbsolute(icon) && !icon.split(/[/\\]/u).includes('..');
  if (!inside) {
    throw new PackagingError(manifestPath,
      `the window icon "${icon}" must be a path inside the application folder`);
  }
  // Copied into the program folder at the same path, so held to the same names.
  const problem = icon.split(/[/\\]/u).filter((part) => part !== '' && part !== '.')
    .map(windowsNameProblem).find(Boolean);
  if (problem) throw new PackagingError(manifestPath, `the window icon "${icon}": ${problem}`);
  if (!fs.statSync(file, { throwIfNoEntry: false })?.isFile()) {
    throw new PackagingError(file, 'the window icon named in package.json does not exist');
  }
  const head = Buffer.alloc(PNG_SIGNATURE.length);
  const descriptor = fs.openSync(file, 'r');
  const length = fs.readSync(descriptor, head, 0, head.length, 0);
  fs.closeSync(descriptor);
  if (length < head.length || !head.equals(PNG_SIGNATURE)) {
    throw new PackagingError(file, 'the window icon named in package.json is not a PNG image');
  }
  return file;
}

function checkVersion(manifestPath, version) {
  if (version === undefined) return { text: '', numbers: [0, 0, 0, 0] };
  const parsed = typeof version === 'string' ? parseVersion(version) : null;
  if (!parsed) {
    throw new PackagingError(manifestPath,
      `"version" must be text like "1.2.3" (up to four numbers of at most 65535), not ${JSON.stringify(version)}`);
  }
  return parsed;
}

// Pages and scripts larger than this are not read for the engine checks.
const LARGEST_TEXT_READ = 32 * 1024 * 1024;

// The files under a folder, "a/b.js" relative to it, and a reader of their text.
export function folderContents(folder) {
  const files = fs.existsSync(folder) ? fs.readdirSync(folder, { recursive: true })
    .map((name) => String(name).split(path.sep).join('/'))
    .filter((name) => fs.statSync(path.join(folder, name), { throwIfNoEntry: false })?.isFile()) : [];
  const read = (name) => {
    const file = path.join(folder, name);
    return fs.statSync(file).size <= LARGEST_TEXT_READ ? fs.readFileSync(file, 'utf8') : null;
  };
  return { files, read };
}

// The engine that made www/, if known, and what it needs of the manifest; in
// remote mode www/ is not served. "precompressed" is read as written until the
// program's parser reports it.
function checkEngine(appFolder, manifestPath, settings, extra, problems) {
  if (settings.contentMode !== 'bundle') return { engine: null, warnings: [] };
  const written = settings.precompressed ?? extra.settings?.precompressed;
  const { files, read } = folderContents(path.join(appFolder, 'www'));
  const findings = engineFindings(files, read, {
    precompressed: typeof written === 'string' ? written : 'auto',
    crossOriginIsolation: manifestDetails(fs.readFileSync(manifestPath)).crossOriginIsolation === true,
  });
  for (const { key, reason } of findings.problems) {
    problems.push(new PackagingError(manifestPath, `${reason} [key "settings.${key}"]`));
  }
  return findings;
}

// Runs check() and keeps its refusal in problems; returns its result or fallback.
function collecting(problems, check, fallback = null) {
  try {
    return check();
  } catch (error) {
    if (!(error instanceof PackagingError)) throw error;
    problems.push(error);
    return fallback;
  }
}

// Checks the whole folder: { app, problems }, app null when the manifest
// itself is refused (nothing else can be read then).
export function inspectApplication(appFolder) {
  const manifestPath = path.join(appFolder, 'package.json');
  const problems = [];
  const settings = collecting(problems, () => readWithExecutableRules(manifestPath));
  if (!settings) return { app: null, problems };
  // The rest of package.json, read as the program reads it: up to a NUL, no byte-order mark.
  const text = fs.readFileSync(manifestPath, 'utf8').split('\0')[0].replace(/^\uFEFF/u, '');
  let extra;
  try {
    extra = JSON.parse(text);
  } catch {
    extra = {}; // accepted by the program's parser, not by JavaScript's: its defaults
  }
  if (settings.contentMode === 'bundle') {
    collecting(problems, () => checkStartPage(appFolder, manifestPath, settings.main));
  }
  const iconFile = settings.icon
    ? collecting(problems, () => checkIcon(appFolder, manifestPath, settings.icon)) : null;
  const version = collecting(problems, () => checkVersion(manifestPath, extra.version),
    { text: '', numbers: [0, 0, 0, 0] });
  const decomposedNames = [];
  for (const folder of SHIPPED_FOLDERS) {
    const walk = walkShippedFolder(path.join(appFolder, folder));
    for (const { file, reason } of walk.problems) problems.push(new PackagingError(file, reason));
    decomposedNames.push(...walk.decomposed.map((file) => path.relative(appFolder, file)));
  }
  const { engine, warnings: engineWarnings } = checkEngine(appFolder, manifestPath, settings,
    extra, problems);
  const app = {
    folder: appFolder,
    settings,
    fileName: safeFileName(settings.name),
    productName: settings.title,
    description: typeof extra.description === 'string' && extra.description
      ? extra.description : settings.title,
    publisher: authorName(extra.author),
    // The signature's "more information" link.
    homepage: typeof extra.homepage === 'string' ? extra.homepage : '',
    version,
    iconFile,
    engine,
    engineWarnings,
    decomposedNames,
    // Without the key the program offers page script every directory handle.
    directoryHandlesListed: extra.settings?.['directory-handles'] !== undefined,
  };
  return { app, problems };
}

// Checks the folder and returns what the package is made of; refuses with the first problem.
export function readApplication(appFolder) {
  const { app, problems } = inspectApplication(appFolder);
  if (problems.length > 0) throw problems[0];
  return app;
}
