// Keeps the application's files at install and serves them from its cache,
// going to the host only for what it does not hold.
importScripts('identity.js');

const FILES = ['index.html', 'app.js', 'outer_worker.js', 'inner_worker.js', 'inner.txt'];
const served = new Set();

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open('app-v1').then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});
self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));
self.addEventListener('fetch', (event) => {
  event.respondWith(caches.match(event.request, { ignoreSearch: true }).then((cached) => {
    if (!cached) return fetch(event.request);
    served.add(new URL(event.request.url).pathname.slice(1));
    return cached;
  }));
});
self.addEventListener('message', (event) => {
  if (event.data === 'served') event.source.postMessage([...served].sort());
});
