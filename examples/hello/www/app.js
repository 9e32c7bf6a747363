// The page's side of the Quorrin bridge: the start-up exchange, window
// commands and a round trip through an extension library.
const bridge = window.chrome && window.chrome.webview;
const $ = (id) => document.getElementById(id);
let fullScreen = false;

function send(message) { bridge.postMessage(JSON.stringify(message)); }

bridge.addEventListener('message', (event) => {
  const message = event.data;
  if (message.type === 'directory-handles') {
    $('folders').textContent = String(event.additionalObjects.filter(Boolean).length);
  } else if (message.type === 'wrapper-init-response') {
    $('components').textContent = message.registeredComponentIds.join(', ') || 'none';
    $('status').textContent = 'Ready';
    document.title = 'Hello, Quorrin (ready)';
    document.body.dataset.ready = 'true';
  } else {
    $('reply').textContent = JSON.stringify(message);
  }
});

$('fullscreen').onclick = () => { fullScreen = !fullScreen; send({ type: 'set-fullscreen', fullscreen: fullScreen }); };
$('size').onclick = () => send({ type: 'set-window-size', windowWidth: 640, windowHeight: 480 });
$('position').onclick = () => send({ type: 'set-window-position', windowX: 40, windowY: 40 });
$('extension').onclick = () => send({ type: 'extension-message', question: 'hello?' });

send({ type: 'wrapper-init' });
