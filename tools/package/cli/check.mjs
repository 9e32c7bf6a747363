// quorrin check: every refusal packaging would make, each on its own line with
// the file and the key at fault, then the release warnings.
import path from 'node:path';

import { inspectApplication } from '../lib/checks.mjs';
import { releaseWarnings } from '../lib/warnings.mjs';

// Prints the problems and warnings; returns true when the folder would start and package.
export function reportCheck(folder) {
  const { app, problems } = inspectApplication(path.resolve(folder));
  for (const problem of problems) console.error(problem.message);
  if (app) for (const warning of releaseWarnings(app)) console.error(`Warning: ${warning}`);
  return problems.length === 0 ? app : null;
}

export async function checkCommand(folder) {
  const app = reportCheck(folder);
  if (!app) return 1;
  console.log(`${path.resolve(folder)}: "${app.settings.name}" would start and package.`);
  return 0;
}
