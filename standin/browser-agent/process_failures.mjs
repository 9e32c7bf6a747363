// The engine's process failures, raised as the runtime's ProcessFailed: a
// renderer that crashed (CDP's Page.crash, an out-of-memory tab) is "render
// process exited", a browser that went away (Chromium killed) is "browser
// process exited". The host's answers act on the engine: Reload reloads the
// page, and a second environment starts a new engine in place of the dead one.
import fs from 'node:fs';

export const BROWSER_PROCESS_EXITED = 0;
export const RENDER_PROCESS_EXITED = 1;

// Called once the engine and its page exist. The engine's persistent context
// closes when its browser process goes, whatever ended it.
export function watchProcessFailures(session, context, page) {
  page.on('crash', () => {
    session.crashedPage = page;
    session.raise('ProcessFailed', { kind: RENDER_PROCESS_EXITED });
  });
  if (session.watchedContext === context) return;
  session.watchedContext = context;
  context.on('close', () => {
    // Our own closing of an engine is no failure.
    if (session.context === context && !session.closing)
      session.raise('ProcessFailed', { kind: BROWSER_PROCESS_EXITED });
  });
}

// Reload after a crash gives the page a new renderer in the runtime. The engine
// would too, but its crashed page cannot be driven any more: a new page of the
// same context (same storage) takes its place at the same address and size.
export async function reloadPage(session) {
  const crashed = session.crashedPage;
  if (crashed !== session.page) {
    await session.page.reload({ waitUntil: 'commit' }).catch(() => {});
    return;
  }
  session.crashedPage = null;
  const address = crashed.url();
  await session.screen.stop().catch(() => {});
  const { width, height } = session.viewport;
  await session.openPage(width * session.scale, height * session.scale);
  await crashed.close().catch(() => {});
  await session.page.goto(address, { waitUntil: 'commit' }).catch(() => {});
}

// Before a second environment: the first engine is let go (it may be gone
// already), with what the host set up on it; its profile stays for the next.
export async function retireEngine(session, previous) {
  await previous.catch(() => {});
  const { context, appServer } = session;
  session.context = null;
  session.page = null;
  session.filters = [];
  session.navigating = false;
  await session.screen?.stop().catch(() => {});
  await context?.close().catch(() => {});
  await appServer?.close();
}

// The engine's browser process (not its helpers), for a test that kills it.
export function enginePid(session) {
  const profile = session.profileFolder ?? session.temporaryProfile;
  for (const name of fs.readdirSync('/proc').filter((entry) => /^\d+$/.test(entry))) {
    let args;
    try {
      args = fs.readFileSync(`/proc/${name}/cmdline`, 'utf8').split('\0');
    } catch { continue; }
    if (args.includes(`--user-data-dir=${profile}`) && !args.some((arg) => arg.startsWith('--type=')))
      return Number(name);
  }
  return undefined;
}
