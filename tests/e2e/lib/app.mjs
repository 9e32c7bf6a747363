// Runs an example application in Quorrin.exe under Wine with the browser agent
// (Debian's Chromium behind the stand-in runtime), and gives tests the engine's
// page and the agent's session.
import { spawn, spawnSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { startBrowserAgent } from '../../../standin/browser-agent/agent.mjs';
import { disposalOfThisFile } from '../../scenarios/lib/disposal.mjs';
import { binFolder, deadline, DEADLINE_MS, setEvergreenRuntimeInstalled, removeUserData, SLOWER, waitFor,
  wineExec, withDeadline } from '../../scenarios/lib/host.mjs';
import { endProcess, endWithThisProcess } from '../../scenarios/lib/wine_process.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');

// Some examples generate files they do not commit (examples/NAME/prepare.mjs).
export function prepareExample(example) {
  const prepare = path.join(root, 'examples', example, 'prepare.mjs');
  if (!fs.existsSync(prepare)) return;
  const { status } = spawnSync(process.execPath, [prepare], { stdio: 'inherit' });
  if (status !== 0) throw new Error(`examples/${example}/prepare.mjs failed`);
}

function readIfThere(file) {
  try {
    return fs.readFileSync(file, 'utf8');
  } catch {
    return '';
  }
}

export class RunningApp {
  // example: a folder of examples/, of tests/e2e/apps/ with `testApp`, or any
  // folder by its absolute path (the corpus's games in build/corpus);
  // extension: a test library of tests/extensions; manifest: a function that
  // changes the application's package.json for this run; files: {path: content}
  // written into the application's folder made for this run; keepUserData: start with
  // what an earlier run of the same name saved (its profile too), where every
  // other start is a player's first. agent: the browser agent's options
  // (startBrowserAgent). track: the harness's disposal, given the app before
  // anything can fail.
  static async start(example, { extension, testApp = false, manifest, files = {}, keepUserData = false,
    agent } = {}, track = (app) => app) {
    const app = track(new RunningApp());
    setEvergreenRuntimeInstalled(true);
    app.folder = fs.mkdtempSync(path.join(os.tmpdir(), `quorrin-${path.basename(example)}-`));
    const source = path.isAbsolute(example) ? example
      : path.join(root, testApp ? 'tests/e2e/apps' : 'examples', example);
    if (!testApp && !path.isAbsolute(example)) prepareExample(example);
    fs.cpSync(source, app.folder, { recursive: true });
    for (const [name, content] of Object.entries(files)) {
      fs.mkdirSync(path.dirname(path.join(app.folder, name)), { recursive: true });
      fs.writeFileSync(path.join(app.folder, name), content);
    }
    if (manifest) {
      const file = path.join(app.folder, 'package.json');
      fs.writeFileSync(file, JSON.stringify(manifest(JSON.parse(fs.readFileSync(file, 'utf8')))));
    }
    if (!keepUserData) {
      const { name } = JSON.parse(fs.readFileSync(path.join(app.folder, 'package.json'), 'utf8'));
      if (typeof name === 'string' && name && !/[\\/]|^\.\.?$/.test(name))
        removeUserData(name);
    }
    for (const file of ['Quorrin.exe', 'WebView2Loader.dll'])
      fs.copyFileSync(path.join(binFolder, file), path.join(app.folder, file));
    if (extension)
      fs.copyFileSync(path.join(binFolder, 'extensions', extension, 'Brenmoor.dll'),
        path.join(app.folder, 'Brenmoor.dll'));
    app.agent = await startBrowserAgent(agent);
    app.executable = path.join(app.folder, 'Quorrin.exe');
    app.session = await app.#launch();
    app.page = await waitFor(() => app.session.ready, 'the browser to start', deadline(SLOWER.browserStart));
    app.page.setDefaultTimeout(DEADLINE_MS); // Playwright's own waits, under the same deadline
    return app;
  }

  // Starts Quorrin.exe and waits for its runtime to connect. What Wine and its
  // launcher print goes to a file (a pipe would be held open by Wine's services,
  // which outlive the program) and into the error. A refusal by Wine's launcher
  // ("Application could not be started": the program never ran) is tried once more.
  async #launch(attempt = 1) {
    const errorFile = path.join(this.folder, 'wine-errors.txt');
    const errors = fs.openSync(errorFile, 'w');
    this.process = endWithThisProcess(spawn(wineExec, [this.executable], { stdio: ['ignore', errors, errors],
      env: { ...process.env, WEBVIEW2_STANDIN_AGENT: `127.0.0.1:${this.agent.port}` } }));
    fs.closeSync(errors);
    this.exited = once(this.process, 'exit').then(([code]) => code);
    // Also settles after a normal end, when the folder may be gone.
    const endedEarly = this.exited.then((code) => ({ code, wrote: readIfThere(errorFile).trim() }));
    const outcome = await withDeadline(Promise.race([this.agent.connected, endedEarly]), DEADLINE_MS,
      'the stand-in runtime in Quorrin.exe to connect to the browser agent');
    if (!('wrote' in outcome)) return outcome;
    if (attempt === 1 && outcome.wrote.includes('Application could not be started')) {
      const said = outcome.wrote.replaceAll('\n', ' ');
      console.log(`# Wine's launcher refused ${this.executable}; starting it once more (${said})`);
      return this.#launch(2);
    }
    throw new Error(`Quorrin.exe ended with ${outcome.code} before its runtime connected` +
      (outcome.wrote ? `; it wrote:\n${outcome.wrote.slice(-2000)}` : ''));
  }

  // The example's own signal that its start-up is complete.
  async ready() {
    await this.page.waitForSelector('body[data-ready="true"]', { timeout: deadline(SLOWER.pageReady) });
    return this;
  }

  windows() {
    return withDeadline(this.session.windows(), DEADLINE_MS, 'the stand-in to describe the windows');
  }

  // A request to the stand-in runtime, answered within the deadline.
  request(message) {
    return withDeadline(this.session.request(message), DEADLINE_MS,
      `an answer to ${JSON.stringify(message).slice(0, 300)}`);
  }

  // Ends Quorrin.exe by its own process id, then the engine. Safe to call more than once.
  async dispose() {
    if (this.process) await endProcess(this.process, this.executable);
    if (this.agent) {
      this.agent.abandon();
      await withDeadline(this.agent.finished, deadline(SLOWER.browserStart),
        'the browser agent to close the engine after Quorrin.exe ended');
    }
    if (this.folder) fs.rmSync(this.folder, { recursive: true, force: true });
  }
}

// Starting applications from a test file: `const start = appsOfThisFile()` at the
// top, then `const app = await start('hello')` in a test. The harness disposes of
// the application (Quorrin.exe and the engine) when that test ends, pass or fail;
// one started in a `before` hook when the file's tests end.
export function appsOfThisFile() {
  const track = disposalOfThisFile();
  return async (example, options) => (await RunningApp.start(example, options, track)).ready();
}
