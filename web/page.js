// page.js - the page around the game's canvas (index.html), run before the game's module: the
// loading progress, the messages when the game cannot start (opened as a file, a file of the game
// not downloaded, no WebGL 2), the game's message overlay and its keys, the screen after "Выйти",
// the touch controls, and the service worker that keeps the page for offline play.
//
// In: the page's DOM; the module's progress (Module.setStatus, Module.monitorRunDependencies);
// calls from the game (window.TarvelokPage: ready, ended, failed, showMessage). Out: tarvelok.js
// loaded (unless opened as a file), touch buttons as keys (Module._OE_PageTouchKey). Every text
// is Russian first, English beside it. Does not: draw the game, hold its saves (pre.js does).
(function () {
  'use strict';

  var TEXTS = {
    loading: ['Загрузка', 'Loading'],
    starting: ['Запуск игры…', 'Starting the game…'],
    fileTitle: ['Игру нужно открыть через веб-сервер, а не как файл.',
                'The game must be served over http, not opened as a file.'],
    fileHow: ['Запустите scripts/web в папке с исходниками и откройте http://127.0.0.1:8080/ или отдайте ' +
              'папку build-web/game любым веб-сервером (например: python3 -m http.server).',
              'Run scripts/web in the source folder and open http://127.0.0.1:8080/, or serve the folder ' +
              'build-web/game with any static web server (e.g. python3 -m http.server).'],
    downloadTitle: ['Не удалось загрузить файл игры', 'A file of the game could not be downloaded'],
    downloadHow: ['Проверьте соединение и обновите страницу.', 'Check the connection and reload the page.'],
    webglTitle: ['Этот браузер не может нарисовать игру: он не даёт странице WebGL 2.',
                 'This browser cannot draw the game: it gives the page no WebGL 2.'],
    webglHow: ['Обновите браузер или включите в нём аппаратное ускорение.',
               'Update the browser or turn on its hardware acceleration.'],
    stoppedTitle: ['Игра остановилась из-за ошибки.', 'The game stopped on an error.'],
    endedTitle: ['Игра окончена.', 'The game has ended.'],
    endedHow: ['Нажмите любую клавишу или щёлкните, чтобы вернуться в главное меню.',
               'Press any key or click to return to the main menu.'],
    endedButton: ['В главное меню', 'Main menu'],
    rotate: ['Поверните телефон горизонтально: так экран игры больше.',
             'Turn the phone sideways for a larger game screen.'],
  };
  var GAME_FILES = /tarvelok\.(data|wasm|js)/;  // the files a failed start can name
  var VK = { left: 37, right: 39, jump: 32, pause: 27 };  // the touch buttons' virtual keys

  var $ = function (id) { return document.getElementById(id); };
  var state = { ready: false, failed: false, ended: false };

  // Russian, then English beside it (smaller), as text, never markup.
  function bilingual(el, pair, extra) {
    el.textContent = '';
    var ru = document.createElement('span');
    ru.className = 'ru';
    ru.textContent = pair[0] + (extra ? ': ' + extra : '');
    var en = document.createElement('span');
    en.className = 'en';
    en.lang = 'en';
    en.textContent = pair[1] + (extra ? ': ' + extra : '');
    el.appendChild(ru);
    el.appendChild(en);
  }

  // ---- Loading ----------------------------------------------------------------------------------
  // The bar: the data's download is 0-90 %, the module compiled and the files in place 95 %, the
  // game's own loading (pictures, sounds) the rest; the note goes when the menu is drawn.
  var progress = { data: 0, runtime: false };
  function showProgress() {
    if (state.ready || state.failed) return;
    var percent = Math.floor(progress.runtime ? 95 : progress.data * 90);
    $('progress').value = percent;
    bilingual($('loading-text'), progress.runtime ? TEXTS.starting : TEXTS.loading, progress.runtime ? '' : percent + ' %');
  }

  window.Module = window.Module || {};
  Module.setStatus = function (text) {  // the data package reports "... (loaded/total)"
    var m = /\((\d+)\/(\d+)\)/.exec(text || '');
    if (m && +m[2] > 0) { progress.data = Math.min(1, +m[1] / +m[2]); showProgress(); }
  };
  Module.monitorRunDependencies = function (left) {
    if (left === 0) { progress.data = 1; progress.runtime = true; showProgress(); }
  };

  // A start that cannot go on: the loading note is replaced by what failed, Russian and English.
  function failed(kind, detail) {
    if (state.failed) return;
    state.failed = true;
    var titles = { file: [TEXTS.fileTitle, TEXTS.fileHow], download: [TEXTS.downloadTitle, TEXTS.downloadHow],
                   webgl2: [TEXTS.webglTitle, TEXTS.webglHow], stopped: [TEXTS.stoppedTitle, null] };
    var t = titles[kind] || titles.stopped;
    $('loading').hidden = true;
    bilingual($('failure-title'), t[0], kind === 'download' ? detail : '');
    if (t[1]) bilingual($('failure-how'), t[1]); else $('failure-how').textContent = '';
    $('failure-detail').textContent = kind === 'download' ? '' : detail || '';
    $('failure').hidden = false;
    $('canvas').hidden = true;
    hideTouch();
    console.error('Tarvelok: ' + t[0][1] + (detail ? ' ' + detail : ''));
  }

  // An error before the game is ready: a file that did not download names itself; anything else
  // is the game's stop.
  function startError(text) {
    if (state.ready || state.failed) return false;
    text = String(text || '');
    var file = GAME_FILES.exec(text);
    if (file) {
      var status = /^(?:Uncaught )?(?:Error: )?([^:]*?) : /.exec(text);  // "<status text> : <address>"
      failed('download', file[0] + (status && status[1] ? ' (' + status[1] + ')' : ''));
    } else {
      failed('stopped', text);
    }
    return true;
  }
  window.addEventListener('error', function (e) { startError(e.message); });
  window.addEventListener('unhandledrejection', function (e) { startError(e.reason && (e.reason.message || e.reason)); });

  // ---- The message overlay ----------------------------------------------------------------------
  // Shown with the focus on its button; while shown, the keys are its own (Enter, Space and Escape
  // close it), except those the browser keeps. Key releases still reach the game, so that a key
  // held when the overlay opened is let go.
  function overlayShown() { return !$('message').hidden; }
  function showMessage(caption, text) {
    var box = $('message');
    var item = document.createElement('div');
    item.className = 'entry';
    var title = document.createElement('b');
    title.textContent = caption;
    var body = document.createElement('pre');
    body.textContent = text;
    item.appendChild(title);
    item.appendChild(body);
    box.insertBefore(item, $('message-close'));
    box.hidden = false;
    $('message-close').focus();
  }
  function closeMessage() {
    var box = $('message');
    Array.prototype.slice.call(box.querySelectorAll('.entry')).forEach(function (e) { box.removeChild(e); });
    box.hidden = true;
    $('canvas').focus();
  }
  function browserKeeps(e) { return e.ctrlKey || e.metaKey || /^F(5|11|12)$/.test(e.code); }

  window.addEventListener('keydown', function (e) {
    if (state.ended) {  // the quit screen: any key but a lone modifier goes back to the menu
      if (!/^(Shift|Control|Alt|Meta|CapsLock)/.test(e.code) && !browserKeeps(e)) { e.preventDefault(); restart(); }
      e.stopImmediatePropagation();
      return;
    }
    if (!overlayShown() || browserKeeps(e)) return;
    e.stopImmediatePropagation();  // not the game's (its listener is on the document, after this one)
    if (e.key === 'Enter' || e.key === ' ' || e.key === 'Escape') {
      e.preventDefault();
      if (!e.repeat) closeMessage();
    }
  }, true);

  // ---- Quit ---------------------------------------------------------------------------------------
  // "Выйти" ends the game's loop; a page cannot close its tab, so it says so and starts the game
  // again (its saves are already in IndexedDB) at a click or key. The canvas is hidden: nothing
  // that looks live stays on the screen.
  function ended() {
    state.ended = true;
    $('canvas').hidden = true;
    hideTouch();
    $('ended').hidden = false;
    $('ended-back').focus();
  }
  function restart() { location.reload(); }

  // ---- Touch controls -----------------------------------------------------------------------------
  // Shown on touch screens (a coarse pointer, or at the first touch): left and right at the
  // bottom left, jump at the bottom right, pause (Escape) at the top left. Every finger counts:
  // a button is held while any finger is on it, a finger sliding from one button to another moves
  // the hold with it.
  var touch = { shown: false, held: {} };
  function showTouch() {
    if (touch.shown || state.ended || state.failed) return;
    touch.shown = true;
    document.body.classList.add('touch');
    $('touch').hidden = false;
  }
  function hideTouch() {
    $('touch').hidden = true;
    releaseTouch();
  }
  function sendKey(vk, down) {
    if (Module._OE_PageTouchKey && state.ready) Module._OE_PageTouchKey(vk, down ? 1 : 0);
  }
  function releaseTouch() {
    Object.keys(touch.held).forEach(function (vk) { sendKey(+vk, false); });
    touch.held = {};
  }
  function padAt(x, y) {
    var el = document.elementFromPoint(x, y);
    while (el && el !== document.body) {
      if (el.dataset && el.dataset.vk) return +el.dataset.vk;
      el = el.parentElement;
    }
    return 0;
  }
  function followTouches(e) {
    var now = {};
    for (var i = 0; i < e.touches.length; ++i) {
      var vk = padAt(e.touches[i].clientX, e.touches[i].clientY);
      if (vk) now[vk] = true;
    }
    Object.keys(touch.held).forEach(function (vk) { if (!now[vk]) sendKey(+vk, false); });
    Object.keys(now).forEach(function (vk) { if (!touch.held[vk]) sendKey(+vk, true); });
    touch.held = now;
    var pads = $('touch').querySelectorAll('[data-vk]');
    for (var j = 0; j < pads.length; ++j) pads[j].classList.toggle('held', !!now[pads[j].dataset.vk]);
  }
  function onTouch(e) {
    showTouch();
    var onPads = false;
    for (var i = 0; i < e.changedTouches.length; ++i)
      if (padAt(e.changedTouches[i].clientX, e.changedTouches[i].clientY)) onPads = true;
    if (touch.shown) followTouches(e);
    // On the buttons a touch is only the buttons' (no scrolling, zoom or mouse events after it);
    // elsewhere (the canvas) it stays a tap, so menus work by tapping.
    if (onPads || Object.keys(touch.held).length) e.preventDefault();
  }
  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function (t) {
    document.addEventListener(t, function (e) {
      if (state.ended) { if (t === 'touchend') restart(); return; }
      onTouch(e);
    }, { passive: false });
  });
  window.addEventListener('blur', releaseTouch);

  // ---- Start ----------------------------------------------------------------------------------------
  function ready() {
    state.ready = true;
    $('loading').hidden = true;
  }

  function start() {
    bilingual($('rotate'), TEXTS.rotate);
    bilingual($('ended-title'), TEXTS.endedTitle);
    bilingual($('ended-how'), TEXTS.endedHow);
    bilingual($('ended-back'), TEXTS.endedButton);
    $('ended-back').onclick = restart;
    document.addEventListener('mousedown', function () { if (state.ended) restart(); });
    $('message-close').onclick = closeMessage;
    if (window.matchMedia && matchMedia('(pointer: coarse)').matches) showTouch();
    if (location.protocol === 'file:') { failed('file', ''); return; }
    showProgress();
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js').catch(function (e) { console.warn('offline play unavailable: ' + e); });
    }
    var script = document.createElement('script');
    script.src = 'tarvelok.js';
    script.onerror = function () { failed('download', 'tarvelok.js'); };
    document.body.appendChild(script);
    $('canvas').focus();
  }

  window.TarvelokPage = { ready: ready, ended: ended, failed: failed, showMessage: showMessage,
                          aborted: startError, texts: TEXTS };
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
