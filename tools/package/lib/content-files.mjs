// The files of a shipped folder (www/, webview2/) as a package takes them:
// walked without following links out of it, so a link such as
// www/config.txt -> ../.env never ships the file it points to, and with no name
// Windows would mishandle (a device name, a stream, a wildcard, a dropped
// ending, two names one file).
import fs from 'node:fs';
import path from 'node:path';

import { windowsFoldedName, windowsNameProblem } from './names.mjs';

// Whether file (a real path) is folder or lies below it.
export function isInsideFolder(folder, file) {
  const relative = path.relative(folder, file);
  return relative === '' || (relative.split(path.sep)[0] !== '..' && !path.isAbsolute(relative));
}

// The application's folders copied file by file: its content, and a fixed-version
// runtime when it has one.
export const SHIPPED_FOLDERS = ['www', 'webview2'];

const byName = (a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0);

// Why a name in a folder would not survive Windows: its own problem, or one
// already taken by a name beside it that differs only in case, or in Unicode
// form (names are shipped composed, NFC, as pages ask for them).
function nameProblem(name, taken) {
  const problem = windowsNameProblem(name);
  if (problem) return `${problem}: rename it`;
  const folded = windowsFoldedName(name.normalize('NFC'));
  if (taken.has(folded)) {
    return `the name differs from "${taken.get(folded)}" beside it only in case or Unicode ` +
      'form, so Windows takes them for one file and one would overwrite the other: rename one';
  }
  taken.set(folded, name);
  return null;
}

// { entries, problems, decomposed }: entries { relative ("/"-separated, each name composed
// as NFC), source (real path), folder } in a stable order, folders before what they hold;
// problems { file, reason }; decomposed, the files whose names are not NFC as they lie. A
// link inside the folder is taken as what it points to; one that leaves it, dangles or loops
// is a problem.
export function walkShippedFolder(shippedFolder) {
  const entries = [];
  const problems = [];
  const decomposed = [];
  const label = `${path.basename(shippedFolder)}/`;
  let root;
  try {
    root = fs.realpathSync(shippedFolder);
  } catch {
    return { entries, problems, decomposed };
  }
  if (!fs.statSync(root).isDirectory()) return { entries, problems, decomposed };
  const visit = (relative, real, ancestors) => {
    const taken = new Map();
    for (const item of fs.readdirSync(real, { withFileTypes: true }).sort(byName)) {
      const composed = item.name.normalize('NFC');
      const name = relative ? `${relative}/${composed}` : composed;
      const shown = path.join(shippedFolder, ...(relative ? relative.split('/') : []), item.name);
      if (composed !== item.name) decomposed.push(shown);
      const problem = nameProblem(item.name, taken);
      if (problem) {
        problems.push({ file: shown, reason: problem });
        continue;
      }
      let source = path.join(real, item.name);
      if (item.isSymbolicLink()) {
        let target = null;
        try {
          target = fs.realpathSync(source);
        } catch {
          problems.push({ file: shown, reason: 'a link to something that does not exist' });
          continue;
        }
        if (!isInsideFolder(root, target)) {
          problems.push({ file: shown, reason: `a link to ${target}, outside ${label}: only ` +
            `files inside ${label} are packaged; copy the file in or remove the link` });
          continue;
        }
        source = target;
      }
      const stat = fs.statSync(source);
      if (stat.isDirectory()) {
        if (ancestors.includes(source)) {
          problems.push({ file: shown, reason: 'a link to a folder that holds it' });
          continue;
        }
        entries.push({ relative: name, source, folder: true });
        visit(name, source, [...ancestors, source]);
      } else if (stat.isFile()) {
        entries.push({ relative: name, source, folder: false });
      }
    }
  };
  visit('', root, [root]);
  return { entries, problems, decomposed };
}
