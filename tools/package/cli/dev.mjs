// quorrin dev: the application in any desktop browser, served with the
// program's content rules and a stand-in for its message bridge.
import path from 'node:path';

import { startDevServer } from '../lib/dev-server.mjs';
import { manifestDetails } from '../lib/rules.mjs';
import { reportCheck } from './check.mjs';
import fs from 'node:fs';

const DIFFERENCES = [
  'the origin is http://localhost:PORT, not https://app.localhost: storage kept by the browser ' +
    'is not the program\'s, and what needs a secure context follows the browser\'s rules',
  'the user data folder handle is this origin\'s private file system in the browser; the ' +
    'application, content and known folders are null',
  'window size and position commands and extension messages are logged to the console; no ' +
    'native extension (Brenmoor.dll) is loaded',
  '"chromium-args", "enable-devtools", "context-menu", the window\'s size, icon and placement ' +
    'keys and the runtime\'s installation have no effect in a browser',
  'file names may be case-sensitive here; on Windows they are not',
];

function parsePort(text) {
  if (text === undefined) return 8080;
  const port = /^\d{1,5}$/u.test(text) ? Number(text) : NaN;
  if (!(port >= 0 && port <= 65535)) {
    throw Object.assign(new Error(`--port must be a number from 0 to 65535, not "${text}"`),
      { usage: true });
  }
  return port;
}

export async function devCommand(folder, values) {
  const port = parsePort(values.port);
  const appFolder = path.resolve(folder);
  if (!fs.existsSync(path.join(appFolder, 'www'))) {
    console.error(`quorrin dev: ${appFolder} has no www folder. Run "quorrin init" there, or ` +
      'give the application folder: quorrin dev APP');
    return 1;
  }
  // Problems are shown, in the terminal and in the page, but the preview still runs.
  reportCheck(appFolder);
  let server;
  try {
    server = await startDevServer({ appFolder, port, reload: !values['no-reload'] });
  } catch (error) {
    console.error(`quorrin dev: cannot listen on port ${port} (${error.code ?? error.message}); ` +
      'choose another with --port N');
    return 1;
  }
  const details = manifestDetails(fs.existsSync(path.join(appFolder, 'package.json'))
    ? fs.readFileSync(path.join(appFolder, 'package.json')) : Buffer.alloc(0));
  const start = details.ok ? details.main : 'index.html';
  console.log(`Serving ${path.join(appFolder, 'www')} at ${server.url}${start}`);
  console.log(values['no-reload'] ? 'Pages do not reload when files change (--no-reload).'
    : 'Pages reload when files change (--no-reload to keep them).');
  console.log('What differs from the program:');
  for (const line of DIFFERENCES) console.log(`  - ${line.replace('PORT', server.port)}`);
  console.log('Ctrl+C stops the server.');
  await new Promise((resolve) => {
    const stop = () => resolve();
    process.once('SIGINT', stop);
    process.once('SIGTERM', stop);
  });
  await server.close();
  return 0;
}
