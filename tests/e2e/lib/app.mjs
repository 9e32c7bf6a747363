// Runs an example application in Quorrin.exe under Wine with the browser agent
// (Debian's Chromium behind the stand-in runtime), and gives tests the engine's
// page and the agent's session.
import { spawn, spawnSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { fileURLToPath } from 'node:url';

import { startBrowserAgent } from '../../../standin/browser-agent/agent.mjs';
import { DEADLINE_MS, binFolder, setEvergreenRuntimeInstalled, waitFor, wineExec } from '../../scenarios/lib/host.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');

// Some examples generate files they do not commit (examples/NAME/prepare.mjs).
export function prepareExample(example) {
  const prepare = path.join(root, 'examples', example, 'prepare.mjs');
  if (!fs.existsSync(prepare)) return;
  const { status } = spawnSync(process.execPath, [prepare], { stdio: 'inherit' });
  if (status !== 0) throw new Error(`examples/${example}/prepare.mjs failed`);
}

export class RunningApp {
  // example: a folder of examples/, or of tests/e2e/apps/ with `testApp`;
  // extension: a test library of tests/extensions; manifest: a function that
  // changes the application's package.json for this run.
  static async start(example, { extension, testApp = false, manifest } = {}) {
    const app = new RunningApp();
    setEvergreenRuntimeInstalled(true);
    app.folder = fs.mkdtempSync(path.join(os.tmpdir(), `quorrin-${example}-`));
    if (!testApp) prepareExample(example);
    fs.cpSync(path.join(root, testApp ? 'tests/e2e/apps' : 'examples', example), app.folder,
      { recursive: true });
    if (manifest) {
      const file = path.join(app.folder, 'package.json');
      fs.writeFileSync(file, JSON.stringify(manifest(JSON.parse(fs.readFileSync(file, 'utf8')))));
    }
    for (const file of ['Quorrin.exe', 'WebView2Loader.dll'])
      fs.copyFileSync(path.join(binFolder, file), path.join(app.folder, file));
    if (extension)
      fs.copyFileSync(path.join(binFolder, 'extensions', extension, 'Brenmoor.dll'),
        path.join(app.folder, 'Brenmoor.dll'));
    app.agent = await startBrowserAgent();
    app.process = spawn(wineExec, [path.join(app.folder, 'Quorrin.exe')], { stdio: 'ignore',
      env: { ...process.env, WEBVIEW2_STANDIN_AGENT: `127.0.0.1:${app.agent.port}` } });
    app.exited = once(app.process, 'exit').then(([code]) => code);
    app.session = await app.agent.connected;
    app.page = await waitFor(() => app.session.ready, 'the browser to start');
    return app;
  }

  // The example's own signal that its start-up is complete.
  async ready() {
    await this.page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
    return this;
  }

  windows() { return this.session.windows(); }

  async dispose() {
    if (this.process.exitCode === null) {
      this.process.kill('SIGKILL');
      await this.exited;
    }
    // The link to a killed program can stay open (seen after a full-screen test):
    // past the deadline the agent ends it itself, and with it the engine.
    const gone = await Promise.race([this.agent.finished.then(() => true),
      sleep(DEADLINE_MS, false, { ref: false })]);
    if (!gone) this.session.socket.destroy();
    await this.agent.finished;
    fs.rmSync(this.folder, { recursive: true, force: true });
  }
}

// Each start ends the file's earlier applications first: one program at a time
// holds its engine's profile, as it does for a player.
export function appsOfThisFile() {
  const apps = [];
  const disposeAll = () => Promise.all(apps.splice(0).map((app) => app.dispose()));
  after(disposeAll);
  return async (example, options) => {
    await disposeAll();
    const app = await RunningApp.start(example, options);
    apps.push(app);
    return app.ready();
  };
}
