// Injected by "quorrin dev" before the page's own scripts: window.chrome.webview
// speaking the program's message formats, backed by what a browser has.
(() => {
  const config = JSON.parse(document.currentScript.dataset.config);
  const note = (...args) => console.info('[quorrin dev]', ...args);
  // Positions 0 to 13 as the program sends them; only the user data folder (2) exists here.
  const FOLDERS = ['application', 'content', 'user data', 'local app data', 'roaming app data',
    'desktop', 'documents', 'downloads', 'pictures', 'profile', 'saved games', 'screenshots',
    'videos', 'saves'];

  class WebView extends EventTarget {
    postMessage(message) {
      // The program reads string messages only; anything else is dropped.
      if (typeof message !== 'string') {
        note('dropped a message that is not a string (the program reads JSON text):', message);
        return;
      }
      let parsed;
      try {
        parsed = JSON.parse(message);
      } catch {
        return;
      }
      if (parsed && typeof parsed === 'object') handle(parsed);
    }
  }
  const webview = new WebView();

  // Answers arrive later, as the runtime's do.
  function post(data, additionalObjects = []) {
    setTimeout(() => {
      const event = new MessageEvent('message', { data });
      Object.defineProperty(event, 'additionalObjects', { value: additionalObjects });
      webview.dispatchEvent(event);
    });
  }

  async function directoryHandles() {
    const handles = FOLDERS.map(() => null);
    try {
      handles[2] = await navigator.storage.getDirectory();
    } catch (error) {
      note('the origin-private file system is not available here:', error);
    }
    note(`directory handles: the user data folder is this origin's private file system; ${
      FOLDERS.filter((_, i) => i !== 2).join(', ')} are null here`);
    return handles;
  }

  function setFullScreen(on) {
    const action = on
      ? document.documentElement.requestFullscreen?.()
      : document.fullscreenElement && document.exitFullscreen();
    Promise.resolve(action).catch((error) =>
      note('full screen refused by the browser (it needs a click or key press first):', error));
  }

  async function handle(message) {
    switch (message.type) {
      case 'wrapper-init':
        post({ type: 'directory-handles' }, await directoryHandles());
        post({ type: 'wrapper-init-response', registeredComponentIds: [] });
        break;
      case 'set-fullscreen':
        setFullScreen(message.fullscreen === true);
        break;
      case 'set-window-size':
      case 'set-window-position':
      case 'extension-message':
        note(`${message.type} (the program would carry it out):`, message);
        break;
      default:
        break;
    }
  }

  window.chrome = window.chrome || {};
  window.chrome.webview = webview;

  function showProblems() {
    const box = document.createElement('div');
    box.id = 'quorrin-dev-problems';
    box.style.cssText = 'position:fixed;left:0;right:0;top:0;z-index:2147483647;padding:12px;' +
      'background:#fde8e8;color:#611;font:14px/1.4 system-ui,sans-serif;white-space:pre-wrap;' +
      'border-bottom:2px solid #c33';
    box.textContent = `Quorrin would not start this application:\n${config.problems.join('\n')}`;
    document.body.append(box);
  }

  document.addEventListener('DOMContentLoaded', () => {
    // The window's caption is the manifest's title.
    if (config.title) document.title = config.title;
    if (config.problems.length > 0) showProblems();
  });

  if (config.reload) {
    const events = new EventSource('/__quorrin/events');
    events.addEventListener('reload', () => location.reload());
  }
})();
