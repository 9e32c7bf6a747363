// The engine's developer tools in a window of their own, for a person using
// scripts/run: the headless engine serves its bundled DevTools front end on a
// loopback port, and a second, headed Chromium shows it for the page.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

async function freeLoopbackPort() {
  const server = net.createServer().listen(0, '127.0.0.1');
  await new Promise((resolve) => server.once('listening', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

export class DevToolsWindow {
  static async create() {
    const window = new DevToolsWindow();
    window.port = await freeLoopbackPort();
    return window;
  }

  // What the engine needs to serve the front end.
  engineFlags() {
    return [`--remote-debugging-port=${this.port}`, '--remote-debugging-address=127.0.0.1'];
  }

  // Opens the window for the page of `cdp`, unless it is open already (F12
  // calls OpenDevToolsWindow on key down and again on key up).
  async open(cdp, flags) {
    if (this.closed || this.opening || (this.process && this.process.exitCode === null)) return;
    this.opening = true;
    try {
      const { targetInfo } = await cdp.send('Target.getTargetInfo');
      if (this.closed) return; // the host went while we asked
      const socket = `127.0.0.1:${this.port}/devtools/page/${targetInfo.targetId}`;
      this.profile ||= fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-devtools-'));
      this.process = spawn('/usr/bin/chromium', [...flags, `--user-data-dir=${this.profile}`,
        `--app=http://127.0.0.1:${this.port}/devtools/inspector.html?ws=${socket}`], { stdio: 'ignore' });
    } finally {
      this.opening = false;
    }
  }

  // Ends the window's browser, then removes its profile.
  async close() {
    this.closed = true;
    if (this.process && this.process.exitCode === null) {
      const exited = once(this.process, 'exit');
      this.process.kill();
      await exited;
    }
    // Its helper processes may still be writing there for a moment.
    if (this.profile) {
      try {
        fs.rmSync(this.profile, { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
      } catch (error) {
        console.error('browser agent: the developer tools profile stays:', error.message);
      }
    }
  }
}
