// examples/hello copied into a test's folder, with some keys of its package.json changed.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(fileURLToPath(import.meta.url), '../../..');

export function helloCopy(work, name, changes) {
  const folder = path.join(work, name);
  fs.cpSync(path.join(root, 'examples/hello'), folder, { recursive: true });
  const manifest = JSON.parse(fs.readFileSync(path.join(folder, 'package.json'), 'utf8'));
  fs.writeFileSync(path.join(folder, 'package.json'), JSON.stringify({ ...manifest, ...changes }));
  return folder;
}
