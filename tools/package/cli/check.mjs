// quorrin check: every refusal packaging would make, each on its own line with
// the file and the key at fault, then the release warnings.
import path from 'node:path';

import { inspectApplication } from '../lib/checks.mjs';
import { releaseWarnings } from '../lib/warnings.mjs';

// The key behind each of the parser's reasons; a reason not listed names no key.
const REASON_KEYS = {
  'invalid name': 'name',
  'invalid distribution mode': 'settings.distribution-mode',
  'invalid content mode': 'settings.content-mode',
  'invalid cross-origin isolation': 'settings.cross-origin-isolation',
  'invalid background color': 'window.background-color',
  'invalid context menu': 'settings.context-menu',
  'invalid precompressed': 'settings.precompressed',
  'invalid directory handles': 'settings.directory-handles',
  'invalid writable directory handles': 'settings.writable-directory-handles',
  'invalid permissions': 'settings.permissions',
  'invalid dpi awareness': 'window.dpi-awareness',
  'invalid show': 'window.show',
  'invalid close handshake': 'window.close-handshake-ms',
  'invalid steam app id': 'steam.app-id',
  'invalid steam overlay hosts': 'steam.overlay-hosts',
};

function withKey(message) {
  const reason = /\(([^()]*)\)$/u.exec(message)?.[1];
  const key = REASON_KEYS[reason];
  return key ? `${message} [key "${key}"]` : message;
}

// The position the program always lets page script write, for the player's saves.
const USER_DATA_HANDLE = 'user-data';

// Which directory handles page script may write through: "user-data" and the
// positions named writable, of those offered. The content folder lies inside the
// program folder, and a handle under a writable one writes too. { line, warning }.
function directoryHandleReport(app) {
  const writable = app.settings.directoryHandles.filter((name) => name === USER_DATA_HANDLE ||
    app.settings.namedWritableHandles.includes(name));
  const shown = writable.map((name) => (name === 'program' && !writable.includes('content')
    ? '"program" (www/ inside it too)' : `"${name}"`));
  const line = `Directory handles the page can write through: ${
    shown.length > 0 ? shown.join(', ') : 'none'}; the others offered are read-only.`;
  const warning = app.directoryHandlesListed ? null : 'package.json has no "directory-handles" ' +
    'in "settings": the page gets a handle on every folder the program offers. List only ' +
    'those it needs. [key "settings.directory-handles"]';
  return { line, warning };
}

// Prints the problems and warnings; returns the application when it would start and package.
export function reportCheck(folder) {
  const { app, problems } = inspectApplication(path.resolve(folder));
  if (app?.engine) {
    console.log(`Engine: ${app.engine.name} (${app.engine.evidence.map((file) => `www/${file}`).join(', ')})`);
  }
  for (const problem of problems) console.error(withKey(problem.message));
  // Warnings are for a folder that packages, as scripts/package gives them.
  if (app && problems.length === 0) {
    const handles = directoryHandleReport(app);
    console.log(handles.line);
    for (const warning of [handles.warning, ...releaseWarnings(app)].filter(Boolean)) {
      console.error(`Warning: ${warning}`);
    }
  }
  return problems.length === 0 ? app : null;
}

export async function checkCommand(folder) {
  const app = reportCheck(folder);
  if (!app) return 1;
  console.log(`${path.resolve(folder)}: "${app.settings.name}" would start and package.`);
  return 0;
}
