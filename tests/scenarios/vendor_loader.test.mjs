// The creation chain through the vendor's WebView2Loader.dll, as Quorrin.exe
// ships: given the stand-in runtime laid out as a fixed-version runtime
// ("webview2\EBWebView\x64\EmbeddedBrowserWebView.dll", whose product version
// the loader reads), the vendor's loader loads it and creates the environment
// through it, and the host goes on exactly as with the stand-in's own loader.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { APP_ORIGIN, waitFor, hostsOfThisFile } from './lib/host.mjs';

const { start } = hostsOfThisFile();

const fixedMode = (name, extra = {}) => ({ name, window: { title: 'Vendor Game' },
  settings: { 'distribution-mode': 'fixed' }, ...extra });
const startThroughVendorLoader = (options) =>
  start({ loader: 'vendor', fixedRuntime: true, ...options });

test('the vendor loader starts the fixed-version runtime; creation, page and shutdown follow', async () => {
  const host = await startThroughVendorLoader({ manifest: fixedMode('vendor-chain', { 'chromium-args': '--mute-audio' }) });
  await host.ready();
  const [internal] = host.callsTo('CreateWebViewEnvironmentWithOptionsInternal');
  const [checkRunningInstance, runtimeType, userDataFolder, options, hasHandler] = internal.args;
  assert.equal(checkRunningInstance, true);
  assert.equal(runtimeType, 1, 'a fixed-version runtime');
  assert.match(userDataFolder, /\\AppData\\Local\\vendor-chain$/);
  assert.deepEqual(options, { additionalBrowserArguments: '--mute-audio --disable-features=EnableWindowsGamingInputDataFetcher', language: null,
    targetCompatibleBrowserVersion: '127.0.2651.64', allowSingleSignOnUsingOSPrimaryAccount: false,
    isCustomCrashReportingEnabled: true });
  assert.equal(hasHandler, true);

  const methods = host.calls.map((call) => call.method)
    .filter((method) => !['AddRef', 'Release', 'QueryInterface'].includes(method));
  assert.deepEqual(methods.slice(0, 8), ['CreateWebViewEnvironmentWithOptionsInternal', 'add_BrowserProcessExited',
    'CreateCoreWebView2Controller', 'get_CoreWebView2', 'get_BrowserVersionString', 'get_FailureReportFolderPath',
    'put_DefaultBackgroundColor', 'get_Settings']);
  assert.equal(methods.at(-1), 'Navigate');
  assert.deepEqual(host.callsTo('Navigate')[0].args, [APP_ORIGIN + 'index.html']);

  await host.raise('DOMContentLoaded');
  await waitFor(async () => (await host.windows()).main.visible, 'the window to be shown');
  host.close();
  assert.equal(await host.waitForExit(), 0);
  assert.deepEqual(host.live, {}, 'nothing leaked');
});

test('the vendor loader looks for "webview2" beside the program, not in the current directory', async () => {
  const elsewhere = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-cwd-'));
  try {
    const host = await startThroughVendorLoader({ manifest: fixedMode('vendor-elsewhere'),
      currentDirectory: elsewhere });
    await host.ready();
    assert.equal(host.callsTo('CreateWebViewEnvironmentWithOptionsInternal').length, 1);
  } finally {
    fs.rmSync(elsewhere, { recursive: true, force: true });
  }
});

test('a null environment from the runtime reaches the host: message box and exit code 1', async () => {
  const host = await startThroughVendorLoader({ manifest: fixedMode('vendor-null'),
    config: { environmentResult: null } });
  const dialog = await host.dialog();
  assert.equal(dialog.caption, 'Vendor Game');
  assert.match(dialog.text, /WebView2/);
  assert.equal(dialog.icon, 'error');
  await host.press('OK');
  assert.equal(await host.waitForExit(), 1);
  assert.deepEqual(host.live, {});
});
