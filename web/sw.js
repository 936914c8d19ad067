'use strict';
// Keeps the page's few files so that it works offline once loaded. Each
// request goes to the network first, so a new build is seen at once while
// online; the stored copy answers when the network does not.
const CACHE = 'harf-v3';
const FILES = [
  './',
  'index.html',
  'harf.css',
  'harf.js',
  'core_bridge.js',
  'key_building.js',
  'painting.js',
  'clipboard.js',
  'handlers.js',
  'words.js',
  'harf_core.js',
  'harf_core.wasm',
  'HarfStandIn.woff2',
];

self.addEventListener('install', (event) => {
  event.waitUntil(
    caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches.keys()
      .then((names) => Promise.all(names.filter((n) => n !== CACHE).map((n) => caches.delete(n))))
      .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    fetch(event.request)
      .then((response) => {
        if (response.ok && new URL(event.request.url).origin === location.origin) {
          const copy = response.clone();
          caches.open(CACHE).then((cache) => cache.put(event.request, copy));
        }
        return response;
      })
      .catch(() =>
        caches.match(event.request, { ignoreSearch: true }).then((hit) => hit || Response.error())));
});
