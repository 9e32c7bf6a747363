// quorrin run: on Windows, the program laid out beside the application in a
// temporary folder and started; its exit code is passed on.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { PACKAGED_PROGRAM } from '../package.mjs';
import { reportCheck } from './check.mjs';

// What the program reads beside itself; steam_appid.txt lets a Steam game start outside Steam.
const BESIDE_PROGRAM = ['package.json', 'www', 'Brenmoor.dll', 'webview2',
  'MicrosoftEdgeWebView2RuntimeInstallerX64.exe', 'steam_api64.dll', 'steam_appid.txt'];

function layOut(app, folder) {
  fs.copyFileSync(PACKAGED_PROGRAM.exe, path.join(folder, 'Quorrin.exe'));
  fs.copyFileSync(PACKAGED_PROGRAM.loader, path.join(folder, 'WebView2Loader.dll'));
  for (const item of BESIDE_PROGRAM) {
    const source = path.join(app.folder, item);
    if (fs.existsSync(source)) fs.cpSync(source, path.join(folder, item), { recursive: true });
  }
  if (app.iconFile) {
    fs.mkdirSync(path.dirname(path.join(folder, app.settings.icon)), { recursive: true });
    fs.copyFileSync(app.iconFile, path.join(folder, app.settings.icon));
  }
}

// The browser's processes can hold a shipped runtime's files a moment after the
// program ends; a folder that stays is said, and the program's exit code still passed on.
function removeLayout(temporary) {
  try {
    fs.rmSync(temporary, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
  } catch (error) {
    console.error(`quorrin run: the program's temporary folder ${temporary} stays (${error.code ?? error.message})`);
  }
}

export async function runCommand(folder) {
  if (process.platform !== 'win32') {
    console.error('quorrin run: Quorrin is a Windows program. Here, try the application in a ' +
      'browser with "quorrin dev", or make the Windows program with "quorrin package".');
    return 1;
  }
  const app = reportCheck(folder);
  if (!app) return 1;
  const temporary = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-run-'));
  try {
    layOut(app, temporary);
    const child = spawn(path.join(temporary, 'Quorrin.exe'), [], { stdio: 'inherit' });
    return await new Promise((resolve) => {
      child.on('error', (error) => {
        console.error(`quorrin run: cannot start Quorrin.exe (${error.message})`);
        resolve(1);
      });
      child.on('exit', (code) => resolve(code ?? 1));
    });
  } finally {
    removeLayout(temporary);
  }
}
