// pre.js - the page's side of the game, run before the game's WebAssembly starts (emcc --pre-js):
// the saved games in the browser's storage, the shared Web Audio layer, the game's messages (shown
// in the page's overlay by page.js).
//
// Files: the packaged data is at /game (gfx snd mus fnt cfg; the game runs in /game). The
// player's files (cfg/config.txt, cfg/options.txt, cfg/prf/*) are kept in IndexedDB through IDBFS, mounted at
// /save: read into /game/cfg before the game starts, and each file the game replaces under
// /game/cfg (it writes a temporary file and renames it over the old one) is copied to /save and
// written through to IndexedDB at once, as one record (with records for its folders) put in one
// transaction. Only the file saved is written: another tab's saves are never touched (a whole-
// folder sync would delete the profiles another tab made since this one started), a file is never
// torn, and of two tabs saving the same file the last save wins. Storage refused (private mode, no
// quota, no IndexedDB): one message, and the game plays on with saves that last as long as the page.
//
// Audio: one AudioContext for the page (48000 Hz when the browser allows). Sound effects are
// stereo buffers played through two gains (left, right); the music is a ScriptProcessorNode that
// copies the music player's ring out of the WebAssembly memory. Everything ends in one analyser
// before the speakers, so tests can hear what the page plays (Module.tarvelokAudio.level()).


(function () {
  'use strict';
  var SAVE_ROOT = '/save';       // IDBFS mount
  var GAME_CFG = '/game/cfg';    // where the game reads and writes its settings and profiles
  var SAVED = [/^config\.txt$/, /^options\.txt$/, /^prf\/[^/]+$/];  // the player's files, relative to cfg/
  var IDB_STORE = 'FILE_DATA';    // IDBFS's object store: records keyed by path
  var storageOk = false;
  var storageWarned = false;

  // The page's overlay (page.js) and the console.
  function showMessage(caption, text) {
    console.warn(caption + ': ' + text);
    if (typeof window !== 'undefined' && window.TarvelokPage) window.TarvelokPage.showMessage(caption, text);
  }
  Module.tarvelokShowMessage = showMessage;

  function refuseStorage(why) {
    storageOk = false;
    if (storageWarned) return;
    storageWarned = true;
    showMessage('Tarvelok', 'Этот браузер не сохраняет игру (' + why + '). Играть можно, но прогресс ' +
                'пропадёт, когда страница закроется.\n\nThis browser does not keep the game\'s saves. You can ' +
                'play, but your progress is lost when the page is closed.');
  }

  function isSaved(rel) {
    for (var i = 0; i < SAVED.length; ++i) if (SAVED[i].test(rel)) return true;
    return false;
  }

  function ensureDir(path) {
    var parts = path.split('/').filter(function (p) { return p; }), at = '';
    for (var i = 0; i < parts.length; ++i) {
      at += '/' + parts[i];
      try { FS.mkdir(at); } catch (e) { /* exists */ }
    }
  }

  function copyFile(from, to) {
    ensureDir(to.substring(0, to.lastIndexOf('/')));
    FS.writeFile(to, FS.readFile(from));
  }

  // Every saved file under root (relative names).
  function listSaved(root) {
    var out = [];
    function walk(dir, rel) {
      var names;
      try { names = FS.readdir(dir); } catch (e) { return; }
      names.forEach(function (n) {
        if (n === '.' || n === '..') return;
        var path = dir + '/' + n, r = rel ? rel + '/' + n : n;
        var st = FS.stat(path);
        if (FS.isDir(st.mode)) walk(path, r);
        else if (isSaved(r)) out.push(r);
      });
    }
    walk(root, '');
    return out;
  }

  // One file of /save and the folders above it, as IDBFS records ({timestamp, mode[, contents]}),
  // put into IndexedDB in one transaction. Nothing else in the database is read or removed.
  function writeThrough(path) {
    if (!storageOk) return;
    var records = [];
    try {
      for (var at = path; at.length > SAVE_ROOT.length; at = at.substring(0, at.lastIndexOf('/'))) {
        var st = FS.stat(at);
        var record = { timestamp: st.mtime, mode: st.mode };
        if (at === path) record.contents = FS.readFile(at);
        records.push([at, record]);
      }
    } catch (e) { refuseStorage('reading ' + path + ' failed: ' + e); return; }
    IDBFS.getDB(SAVE_ROOT, function (err, db) {
      if (err) { refuseStorage('opening failed: ' + err); return; }
      try {
        var tx = db.transaction([IDB_STORE], 'readwrite');
        var store = tx.objectStore(IDB_STORE);
        records.forEach(function (r) { store.put(r[1], r[0]); });
        tx.onerror = function (e) { e.preventDefault(); };
        tx.onabort = function () { refuseStorage('writing failed: ' + (tx.error || 'aborted')); };
      } catch (e) { refuseStorage('writing failed: ' + e); }
    });
  }

  // A file the game replaced (rename) or wrote under cfg/: copied to the saves and written through.
  function saved(path) {
    if (path.indexOf(GAME_CFG + '/') !== 0) return;
    var rel = path.substring(GAME_CFG.length + 1);
    if (!isSaved(rel)) return;
    try { copyFile(path, SAVE_ROOT + '/' + rel); } catch (e) { return; }
    writeThrough(SAVE_ROOT + '/' + rel);
  }

  Module.preRun = Module.preRun || [];
  Module.preRun.push(function () {
    var rename = FS.rename;
    FS.rename = function (oldPath, newPath) {
      rename(oldPath, newPath);
      saved(newPath.charAt(0) === '/' ? newPath : FS.cwd() + '/' + newPath);
    };
    ensureDir(SAVE_ROOT);
    if (typeof indexedDB === 'undefined' || !indexedDB) { refuseStorage('no IndexedDB'); return; }
    try { FS.mount(IDBFS, {}, SAVE_ROOT); } catch (e) { refuseStorage(String(e)); return; }
    addRunDependency('tarvelok-saves');
    FS.syncfs(true, function (err) {
      if (err) refuseStorage('reading failed: ' + err);
      else storageOk = true;
      removeRunDependency('tarvelok-saves');
    });
  });

  Module.onRuntimeInitialized = function () {
    // The player's saves over the packaged defaults, then the game runs in /game.
    listSaved(SAVE_ROOT).forEach(function (rel) {
      try { copyFile(SAVE_ROOT + '/' + rel, GAME_CFG + '/' + rel); } catch (e) { console.warn('save ' + rel + ': ' + e); }
    });
    FS.chdir('/game');
    if (typeof window !== 'undefined' && window.tarvelokBeforeStart) window.tarvelokBeforeStart(FS);
  };

  // Before the game is ready the page names what failed in place of the loading note; later the
  // overlay says the game stopped.
  Module.onAbort = function (what) {
    if (!Module.tarvelokReady && window.TarvelokPage && window.TarvelokPage.aborted(what)) return;
    showMessage('Tarvelok', 'Игра остановилась из-за ошибки / The game stopped on an error: ' + what);
  };
  Module.printErr = function (text) { console.warn(text); };
  Module.print = function (text) { console.log(text); };

  // ---- Audio ----------------------------------------------------------------------------------
  Module.tarvelokAudio = (function () {
    var ctx = null, master = null, analyser = null, paused = false;
    var sounds = [null];   // id -> AudioBuffer
    var voices = [];       // {sound, source, serial}, oldest first
    var devices = [null];  // id -> music device
    var serial = 0;

    function context() {
      if (ctx) return ctx;
      var AC = typeof window !== 'undefined' && (window.AudioContext || window.webkitAudioContext);
      if (!AC) return null;
      try { ctx = new AC({ sampleRate: 48000 }); } catch (e) {
        try { ctx = new AC(); } catch (e2) { return null; }
      }
      master = ctx.createGain();
      analyser = ctx.createAnalyser();
      analyser.fftSize = 2048;
      master.connect(analyser);
      analyser.connect(ctx.destination);
      return ctx;
    }

    function stopVoice(v) {
      try { v.source.stop(); } catch (e) { /* ended */ }
    }

    return {
      createSound: function (samples, frames, channels, rate) {
        var c = context();
        if (!c || frames <= 0) return 0;
        var buf;
        try { buf = c.createBuffer(2, frames, rate); } catch (e) { console.warn('sound: ' + e); return 0; }
        var l = buf.getChannelData(0), r = buf.getChannelData(1);
        for (var i = 0; i < frames; ++i) {
          l[i] = samples[i * channels] / 32768;
          r[i] = samples[i * channels + channels - 1] / 32768;
        }
        sounds.push(buf);
        return sounds.length - 1;
      },
      playSound: function (id, gainL, gainR, buffers, capacity) {
        var c = context(), buf = sounds[id];
        if (!c || !buf) return;
        var own = voices.filter(function (v) { return v.sound === id; });
        if (own.length >= buffers) { stopVoice(own[0]); voices.splice(voices.indexOf(own[0]), 1); }
        else if (voices.length >= capacity) { stopVoice(voices[0]); voices.shift(); }
        var src = c.createBufferSource();
        src.buffer = buf;
        var split = c.createChannelSplitter(2), merge = c.createChannelMerger(2);
        var gl = c.createGain(), gr = c.createGain();
        gl.gain.value = gainL;
        gr.gain.value = gainR;
        src.connect(split);
        split.connect(gl, 0);
        split.connect(gr, 1);
        gl.connect(merge, 0, 0);
        gr.connect(merge, 0, 1);
        merge.connect(master);
        var voice = { sound: id, source: src, serial: ++serial };
        src.onended = function () {
          var at = voices.indexOf(voice);
          if (at >= 0) voices.splice(at, 1);
          merge.disconnect();
        };
        voices.push(voice);
        src.start();
      },
      unlock: function () {
        var c = context();
        if (c && c.state === 'suspended' && !paused) c.resume();
      },
      pause: function (p) {
        paused = p;
        if (!ctx) return;
        if (p) ctx.suspend(); else ctx.resume();
      },
      // Root mean square of the last 2048 samples the page sent to its speakers (0..1).
      level: function () {
        if (!analyser) return 0;
        var d = new Float32Array(analyser.fftSize);
        analyser.getFloatTimeDomainData(d);
        var sum = 0;
        for (var i = 0; i < d.length; ++i) sum += d[i] * d[i];
        return Math.sqrt(sum / d.length);
      },
      state: function () { return ctx ? ctx.state : 'none'; },

      // The music device: plays a ring of 16-bit stereo frames from the WebAssembly memory.
      openDevice: function (rate, channels) {
        var c = context();
        if (!c || channels !== 2) return 0;
        var dev = { ring: 0, bytes: 0, pos: 0, playing: false, node: null };
        var node = c.createScriptProcessor(2048, 0, 2);
        node.onaudioprocess = function (e) {
          var l = e.outputBuffer.getChannelData(0), r = e.outputBuffer.getChannelData(1);
          var n = l.length;
          if (!dev.playing || !dev.bytes) { l.fill(0); r.fill(0); return; }
          var heap = HEAP16, off = dev.pos % dev.bytes;
          for (var i = 0; i < n; ++i) {
            var at = (dev.ring + off) >> 1;
            l[i] = heap[at] / 32768;
            r[i] = heap[at + 1] / 32768;
            off += 4;
            if (off >= dev.bytes) off = 0;
          }
          dev.pos += n * 4;
        };
        node.connect(master);
        dev.node = node;
        devices.push(dev);
        return devices.length - 1;
      },
      playLoop: function (id, ring, bytes, startPaused) {
        var dev = devices[id];
        if (!dev) return;
        dev.ring = ring; dev.bytes = bytes; dev.pos = 0; dev.playing = !startPaused;
      },
      pauseDevice: function (id, p) { if (devices[id]) devices[id].playing = !p; },
      position: function (id) { return devices[id] ? devices[id].pos : 0; },
      resetDevice: function (id) {
        var dev = devices[id];
        if (!dev) return;
        dev.playing = false; dev.ring = 0; dev.bytes = 0; dev.pos = 0;
      },
      closeDevice: function (id) {
        var dev = devices[id];
        if (!dev) return;
        dev.playing = false;
        dev.node.onaudioprocess = null;
        dev.node.disconnect();
        devices[id] = null;
      }
    };
  })();
})();
