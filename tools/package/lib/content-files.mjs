// The files of www/ as a package takes them: walked without following links
// out of it, so a link such as www/config.txt -> ../.env never ships the file
// it points to, and no name holds "\" (a folder separator on Windows and in a zip).
import fs from 'node:fs';
import path from 'node:path';

// Whether file (a real path) is folder or lies below it.
export function isInsideFolder(folder, file) {
  const relative = path.relative(folder, file);
  return relative === '' || (relative.split(path.sep)[0] !== '..' && !path.isAbsolute(relative));
}

const byName = (a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0);

// { entries, problems }: entries { relative ("/"-separated), source (real path), folder } in a
// stable order, folders before what they hold; problems { file, reason }. A link inside www/ is
// taken as what it points to; one that leaves www/, dangles or loops is a problem.
export function walkContentFolder(wwwFolder) {
  const entries = [];
  const problems = [];
  let root;
  try {
    root = fs.realpathSync(wwwFolder);
  } catch {
    return { entries, problems };
  }
  if (!fs.statSync(root).isDirectory()) return { entries, problems };
  const visit = (relative, real, ancestors) => {
    for (const item of fs.readdirSync(real, { withFileTypes: true }).sort(byName)) {
      const name = relative ? `${relative}/${item.name}` : item.name;
      const shown = path.join(wwwFolder, ...name.split('/'));
      if (item.name.includes('\\')) {
        problems.push({ file: shown, reason: 'the name holds "\\", which Windows and zip ' +
          'readers take for a folder separator: rename it' });
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
          problems.push({ file: shown, reason: `a link to ${target}, outside www/: only files ` +
            'inside www/ are packaged; copy the file in or remove the link' });
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
  return { entries, problems };
}
