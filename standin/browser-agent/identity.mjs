// Who the engine says it is. On a player's machine the runtime is Edge
// WebView2 on 64-bit Windows, and engines pick their code paths (input, audio,
// file dialogs, fonts) by what pages and workers read: the user agent,
// navigator.platform and navigator.userAgentData. The engine here is Chromium
// on Linux, so the agent presents the runtime's identity instead.

// Windows 10 as Wine reports it to the host (userAgentData's platformVersion
// is the Windows API contract: "10.0.0" for Windows 10 2004 to 22H2).
const WINDOWS_PLATFORM_VERSION = '10.0.0';

// The engine's own made-up brand for the major version (Chromium's GREASE),
// so that pages never match brand lists exactly.
function greaseBrand(major) {
  const characters = [' ', '(', ':', '-', '.', '/', ')', ';', '=', '?', '_'];
  const versions = ['8', '99', '24'];
  return { brand: `Not${characters[major % 11]}A${characters[(major + 1) % 11]}Brand`,
    version: versions[major % 3] };
}

// The user agent a "--user-agent=..." browser argument names (quoted when it
// holds spaces), as the runtime's engine takes it; null without one or for an
// empty one (the engine's own would show through).
export function userAgentSwitch(additionalBrowserArguments) {
  const found = /(?:^|\s)--user-agent=(?:"([^"]*)"|(\S+))/.exec(String(additionalBrowserArguments ?? ''));
  return (found && (found[1] ?? found[2])) || null;
}

// The override for Emulation.setUserAgentOverride: Edge WebView2's reduced
// user agent with the engine's major version, or the one the host's browser
// arguments name (which changes the string only, as the engine's switch does).
export function runtimeIdentity(engineVersion, additionalBrowserArguments) {
  const major = Number.parseInt(engineVersion, 10);
  const reduced = `${major}.0.0.0`;
  const userAgent = userAgentSwitch(additionalBrowserArguments) ?? 'Mozilla/5.0 (Windows NT 10.0; Win64; x64) ' +
    `AppleWebKit/537.36 (KHTML, like Gecko) Chrome/${reduced} Safari/537.36 Edg/${reduced}`;
  const grease = greaseBrand(major);
  const names = ['Microsoft Edge', 'Chromium', 'Microsoft Edge WebView2'];
  return { userAgent, platform: 'Win32', userAgentMetadata: {
    brands: [grease, ...names.map((brand) => ({ brand, version: String(major) }))],
    fullVersionList: [{ brand: grease.brand, version: `${grease.version}.0.0.0` },
      ...names.map((brand) => ({ brand, version: engineVersion }))],
    fullVersion: engineVersion, platform: 'Windows', platformVersion: WINDOWS_PLATFORM_VERSION,
    architecture: 'x86', bitness: '64', model: '', mobile: false, wow64: false } };
}

// A worker's navigator.platform follows no override of the engine's: its
// global scope is given the value as soon as it exists. The engine waits for
// the agent before a service worker's script runs; a dedicated worker is let
// go by Playwright's own session, so its first lines may still read Linux.
function workerPrelude({ userAgent, platform }) {
  const values = { userAgent, platform, appVersion: userAgent.replace(/^Mozilla\//, '') };
  return `for (const [name, value] of Object.entries(${JSON.stringify(values)}))
    Object.defineProperty(WorkerNavigator.prototype, name, { configurable: true, get: () => value });`;
}

const WORKER_TYPES = new Set(['worker', 'service_worker', 'shared_worker']);

// A target the engine attached to a session of ours, reached through that
// session's Target.sendMessageToTarget (Playwright's sessions carry no child
// session ids). Failures are the target's going away: nothing to present to.
class ChildTarget {
  constructor(parent, sessionId) {
    Object.assign(this, { parent, sessionId, nextId: 1, listeners: new Map(), answers: new Map() });
  }

  send(method, params = {}) {
    const id = this.nextId++;
    const answered = new Promise((resolve) => this.answers.set(id, resolve));
    const message = JSON.stringify({ id, method, params });
    this.parent.send('Target.sendMessageToTarget', { sessionId: this.sessionId, message })
      .catch(() => this.receive({ id }));
    return answered;
  }

  on(event, listener) { this.listeners.set(event, listener); }

  receive(message) {
    if (message.method) this.listeners.get(message.method)?.(message.params);
    else this.answers.get(message.id)?.(message.result);
    this.answers.delete(message.id);
  }

  // The existing global scope is reported before Runtime.enable is answered,
  // so the prelude goes out before the worker is let run.
  async presentToWorker(identity) {
    this.on('Runtime.executionContextCreated', ({ context }) => {
      this.send('Runtime.evaluate', { expression: workerPrelude(identity), contextId: context.id });
      this.send('Runtime.disable');
    });
    await this.send('Runtime.enable');
    presentToChildren(this, identity);
  }
}

// Every target that starts under this one (workers, their workers, service
// workers, out-of-process frames) waits until it has the identity.
function presentToChildren(session, identity) {
  const children = new Map();
  session.on('Target.receivedMessageFromTarget', ({ sessionId, message }) =>
    children.get(sessionId)?.receive(JSON.parse(message)));
  session.on('Target.detachedFromTarget', ({ sessionId }) => children.delete(sessionId));
  session.on('Target.attachedToTarget', async ({ sessionId, targetInfo }) => {
    const child = new ChildTarget(session, sessionId);
    children.set(sessionId, child);
    child.send('Emulation.setUserAgentOverride', identity);
    if (WORKER_TYPES.has(targetInfo.type)) await child.presentToWorker(identity);
    child.send('Runtime.runIfWaitingForDebugger');
  });
  return session.send('Target.setAutoAttach', { autoAttach: true, waitForDebuggerOnStart: true, flatten: false });
}

// The page's own session: the override reaches its documents and what they
// request, and dedicated workers take the user agent and userAgentData from it.
export async function presentIdentity(cdp, identity) {
  await Promise.all([cdp.send('Emulation.setUserAgentOverride', identity), presentToChildren(cdp, identity)]);
}
