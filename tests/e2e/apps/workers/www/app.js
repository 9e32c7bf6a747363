// A worker that starts a worker, a shared worker, and an offline service worker
// that keeps the application's files (as an exported PWA does).
const show = (id, text) => { document.getElementById(id).textContent = text; };
const settled = [];

settled.push(new Promise((resolve) => {
  const outer = new Worker('outer_worker.js');
  outer.onmessage = ({ data }) => { show('nested', data); resolve(); };
}));

settled.push(new Promise((resolve) => {
  const shared = new SharedWorker('shared_worker.js');
  shared.port.onmessage = ({ data }) => { show('shared', data); resolve(); };
}));

settled.push((async () => {
  // Served by the service worker: which of this page's files came from its cache.
  window.servedByWorker = navigator.serviceWorker.controller
    ? await new Promise((resolve) => {
      navigator.serviceWorker.onmessage = ({ data }) => resolve(data);
      navigator.serviceWorker.controller.postMessage('served');
    })
    : [];
  const registration = await navigator.serviceWorker.register('service_worker.js');
  await navigator.serviceWorker.ready;
  show('offline', registration.active ? 'active' : 'not active');
})().catch((error) => show('offline', `failed: ${error.message}`)));

Promise.all(settled).then(() => { document.body.dataset.ready = 'true'; });
