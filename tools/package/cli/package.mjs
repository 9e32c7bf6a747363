// quorrin package: the checks, then the packager scripts/package uses, with
// the program this npm package carries.
import path from 'node:path';

import { runPackager } from '../package.mjs';
import { reportCheck } from './check.mjs';

const SIGNING_OPTIONS = ['sign-pfx', 'timestamp-url', 'sign-command'];

export async function packageCommand(folder, values) {
  if (!reportCheck(folder)) return 1;
  const dist = path.resolve(values.dist ?? path.join(folder, 'dist'));
  const args = ['make', path.resolve(folder), '--dist', dist];
  for (const option of SIGNING_OPTIONS) {
    if (values[option] !== undefined) args.push(`--${option}`, values[option]);
  }
  if (values['sign-extension']) args.push('--sign-extension');
  runPackager(args);
  return 0;
}
