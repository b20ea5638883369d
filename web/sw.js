// sw.js - the page's service worker: after the first visit the game opens without a network.
//
// Install: every file of the page (FILES) is put in a cache named after VERSION, which scripts/web
// writes in place of its placeholder: a digest of those files' contents, so a new build is a new
// worker with a new cache. Activate: the caches of other versions are deleted and the open pages
// are taken over. Fetch: the page's own files come from the cache (the network when not cached);
// anything else goes to the network untouched. Does not cache the player's saves (IndexedDB).
'use strict';
const VERSION = '@TARVELOK_PAGE_VERSION@';
const CACHE = 'tarvelok-' + VERSION;
const FILES = ['./', 'index.html', 'page.js', 'tarvelok.js', 'tarvelok.wasm', 'tarvelok.data',
               'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((f) => new Request(f, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith('tarvelok-') && n !== CACHE)
                                      .map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(caches.open(CACHE)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((hit) => hit || fetch(event.request)));
});
