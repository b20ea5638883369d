// page_test.mjs - the game's page in headless Chromium (Debian's chromium through puppeteer-core),
// served from build-web/game by a plain static server of its own on 127.0.0.1.
//
//   node tests/web/page_test.mjs PAGE_DIR [NATIVE_GAME_DIR]
//
// Checks, each printed as "PASS name" or "FAIL name: why", then "N passed, N failed":
//   - the page loads with no error in the console and draws the main menu, pixel for pixel close
//     to the desktop game's own menu (its F12 screenshot under Xvfb, when NATIVE_GAME_DIR is
//     given and xvfb-run is there), and not a black page;
//   - sound reaches the page's output (its analyser) in the menu;
//   - keys alone start a new game, and holding the right arrow scrolls the picture to the left;
//   - sound reaches the output in the level;
//   - focus lost (blur, hidden document): the level stands still and the audio is suspended;
//     back, both go on;
//   - Alt+Enter enters full screen; after the page leaves it as the browser does on Escape, the
//     next Alt+Enter enters again;
//   - a gamepad given through the Gamepad API starts a new game and walks the hero;
//   - a profile made with keys in the page is still there after a reload (IndexedDB); two tabs
//     open at once each make a profile and both are kept;
//   - a missing level file gives the game's own message in the page, and the menu stays drawn;
//   - link files: only an http(s) address is opened (in a new tab), the others are warned of;
//   - storage refused: one message, the game plays on, saves stay in memory with no second message.
// Figures printed for the README: time to the first main-menu frame, frames per second in a level.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, close, serve, sleep, keys, KEY_GAP_MS } from './page_common.mjs';

const PAGE_DIR = path.resolve(process.argv[2] || 'build-web/game');
const NATIVE_DIR = process.argv[3] ? path.resolve(process.argv[3]) : null;
const READY_MS = 30000;        // longest wait for the page's first main-menu frame
const LEVEL_LOAD_MS = 3000;    // a new game: fade out, load, fade in (then the camera settles)
const SETTLE_MS = 20000;      // longest wait for the level's picture to come to rest
const SETTLE_GAP_MS = 500;     // between the two frames compared
const SETTLE_DIFF = 3;         // mean difference per channel below which the picture is at rest
const WALK_MS = 2500;          // how long the right arrow is held
const MENU_DIFF_LIMIT = 16;    // mean absolute difference per channel (0..255) from the native menu
const SOUND_LEVEL = 0.002;     // RMS at the page's output (0..1) that counts as sound
const SHOTS = process.env.TARVELOK_WEB_SHOTS;  // a folder: the screenshots are kept there

let passed = 0, failed = 0;
function check(name, ok, why = '') {
  if (ok) { passed++; console.log(`PASS ${name}`); } else { failed++; console.log(`FAIL ${name}: ${why}`); }
}

// A page that records console errors and uncaught exceptions.
async function openPage(browser, url, beforeLoad) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  page.errors = [];
  page.warnings = [];
  page.on('console', (m) => {
    if (m.type() === 'error') page.errors.push(m.text());
    if (['warn', 'warning', 'error'].includes(m.type())) page.warnings.push(m.text());
  });
  page.on('pageerror', (e) => page.errors.push(String(e)));
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  const start = Date.now();
  await page.goto(url);
  await page.waitForFunction(() => window.Module && Module.tarvelokReady && Module._OE_FrameCount() > 5,
                             { timeout: READY_MS, polling: 50 });
  page.readyMs = Date.now() - start;
  return page;
}

// The canvas as RGBA pixels (800 x 600 at this viewport), through a PNG screenshot.
async function frame(page, name) {
  const png = await page.screenshot({ type: 'png', ...(page.clip ? { clip: page.clip } : {}) });
  if (SHOTS && name) fs.writeFileSync(path.join(SHOTS, name + '.png'), png);
  return decode(page, png);
}

// PNG bytes -> {width, height, data} decoded by the browser itself (no image library needed).
async function decode(page, png) {
  const url = 'data:image/png;base64,' + Buffer.from(png).toString('base64');
  const out = await page.evaluate(async (u) => {
    const img = new Image();
    img.src = u;
    await img.decode();
    const c = new OffscreenCanvas(img.width, img.height);
    const g = c.getContext('2d');
    g.drawImage(img, 0, 0);
    const d = g.getImageData(0, 0, img.width, img.height);
    return { width: d.width, height: d.height, data: Array.from(d.data) };
  }, url);
  return out;
}

function meanDiff(a, b) {
  let sum = 0, n = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    for (let c = 0; c < 3; ++c) sum += Math.abs(a.data[i + c] - b.data[i + c]);
    n += 3;
  }
  return sum / n;
}

function litShare(img) {
  let lit = 0;
  for (let i = 0; i < img.data.length; i += 4)
    if (img.data[i] + img.data[i + 1] + img.data[i + 2] > 48) lit++;
  return lit / (img.data.length / 4);
}

// The shift (dx, dy) in pixels for which after[x, y] best matches before[x + dx, y + dy] (a
// picture that scrolled left by dx and up by dy), sampled every 8th pixel below the status bar;
// with the mean difference there and without any shift. Shifts from 100 px right to 600 px left,
// or three quarters of the width when that is less, so that a quarter of the picture at least is
// compared (a walk of WALK_MS with the camera leading scrolls 300-500 px).
function bestShift(before, after) {
  const w = before.width, h = before.height, step = 8, top = 80;
  const diffAt = (dx, dy) => {
    let sum = 0, n = 0;
    for (let y = top; y < h; y += step) {
      const sy = y + dy;
      if (sy < top || sy >= h) continue;
      for (let x = 0; x < w; x += step) {
        const sx = x + dx;
        if (sx < 0 || sx >= w) continue;
        const i = (y * w + x) * 4, j = (sy * w + sx) * 4;
        sum += Math.abs(after.data[i] - before.data[j]) + Math.abs(after.data[i + 1] - before.data[j + 1]) +
               Math.abs(after.data[i + 2] - before.data[j + 2]);
        n += 3;
      }
    }
    return n ? sum / n : Infinity;
  };
  let best = { dx: 0, dy: 0, diff: diffAt(0, 0) };
  const still = best.diff;
  for (let dx = -100; dx <= Math.min(600, w * 0.75); dx += 2)  // a quarter of the width at least in common
    for (let dy = -160; dy <= 160; dy += 4) {
      const d = diffAt(dx, dy);
      if (d < best.diff) best = { dx, dy, diff: d };
    }
  return { ...best, still };
}

// The next frame once the picture has stopped moving (the fade is over and the camera has come to
// rest): two frames SETTLE_GAP_MS apart differ by less than SETTLE_DIFF; at most SETTLE_MS.
async function settled(page, name) {
  const until = Date.now() + SETTLE_MS;
  let last = await frame(page, name);
  while (Date.now() < until) {
    await sleep(SETTLE_GAP_MS);
    const next = await frame(page, name);
    const d = meanDiff(last, next);
    last = next;
    if (d < SETTLE_DIFF) break;
  }
  return last;
}

async function soundLevel(page, waitMs) {
  const until = Date.now() + waitMs;
  let level = 0;
  while (Date.now() < until) {
    level = Math.max(level, await page.evaluate(() => Module.tarvelokAudio.level()));
    if (level > SOUND_LEVEL) break;
    await sleep(100);
  }
  return level;
}

// The desktop game's main menu: its own F12 screenshot, taken under Xvfb. Null when the desktop
// game or xvfb-run is not there.
async function nativeMenu() {
  if (!NATIVE_DIR || !fs.existsSync(path.join(NATIVE_DIR, 'tarvelok'))) return null;
  try { execFileSync('which', ['xvfb-run', 'xdotool']); } catch { return null; }
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvelok-native-'));
  for (const d of ['gfx', 'snd', 'mus', 'fnt', 'cfg'])
    fs.cpSync(path.join(NATIVE_DIR, d), path.join(work, d), { recursive: true });
  fs.copyFileSync(path.join(NATIVE_DIR, 'tarvelok'), path.join(work, 'tarvelok'));
  fs.copyFileSync(path.join(NATIVE_DIR, 'libengine.so'), path.join(work, 'libengine.so'));
  fs.chmodSync(path.join(work, 'tarvelok'), 0o755);
  // The same default settings as the page: windowed, music on.
  fs.rmSync(path.join(work, 'cfg', 'prf'), { recursive: true, force: true });
  fs.cpSync(path.join(PAGE_DIR, '..', 'data', 'cfg', 'config.txt'), path.join(work, 'cfg', 'config.txt'));
  fs.cpSync(path.join(PAGE_DIR, '..', 'data', 'cfg', 'prf'), path.join(work, 'cfg', 'prf'), { recursive: true });
  // The window is centred on the 1024 x 768 screen: the pointer goes to its top-left corner, where
  // the page's pointer starts too, so neither hovers over a button.
  const script = 'cd "$1" && (./tarvelok & pid=$!; sleep 5; xdotool mousemove 112 84; sleep 1; xdotool key F12; sleep 2; kill $pid; wait $pid)';
  const env = { ...process.env, TARVELOK_NO_DIALOGS: '1', SDL_AUDIODRIVER: 'disk', SDL_DISKAUDIOFILE: '/dev/null' };
  await new Promise((resolve) => {
    const p = spawn('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24', 'bash', '-c', script, 'x', work],
                    { env, stdio: 'ignore' });
    p.on('exit', resolve);
  });
  const shot = fs.readdirSync(work).find((f) => /^tarvelok-.*\.png$/.test(f));
  const bytes = shot ? fs.readFileSync(path.join(work, shot)) : null;
  fs.rmSync(work, { recursive: true, force: true });
  return bytes;
}

// ---- Helpers of the checks ----------------------------------------------------------------------

// A profile made with keys from the main menu: the chooser, "Новый", the name, Enter, back.
async function makeProfile(page, name) {
  await page.bringToFront();
  await keys(page, ['ArrowDown', 'ArrowUp', 'Enter', 'ArrowDown', 'Enter']);
  await page.keyboard.type(name, { delay: KEY_GAP_MS });
  await keys(page, ['Enter', 'Escape']);
  await sleep(1000);
}

const profilesOf = (page) => page.evaluate(() => FS.readdir('/game/cfg/prf').filter((n) => n[0] !== '.'));
const messagesOf = (page) =>
  page.evaluate(() => Array.from(document.querySelectorAll('#message .entry')).map((e) => e.innerText));

// A new game from the main menu by keys, once the menu has faded in; the level's picture at rest.
async function startLevel(page, name) {
  await keys(page, ['ArrowDown', 'Enter']);
  await sleep(LEVEL_LOAD_MS);
  return settled(page, name);
}

// Holds `hold` (a function that presses, and returns one that lets go) for WALK_MS and tells
// whether the picture scrolled left (the hero walked right), with the figures why not. The best
// shift need not match closely: what does not scroll with the world (the back layer at half the
// speed, the hero, a sign's bubble that fades as the hero walks away, bonuses taken) stays
// different; a picture that did not scroll finds no shift better than three quarters of none.
async function walksRight(page, before, hold, name) {
  const letGo = await hold();
  await sleep(WALK_MS);
  await letGo();
  const s = bestShift(before, await frame(page, name));
  return { ok: s.dx >= 20 && s.diff < s.still * 0.75, s,
           why: `best shift ${s.dx}, ${s.dy} px (difference ${s.diff.toFixed(1)}, unshifted ${s.still.toFixed(1)})` };
}

// A gamepad the page sees through the Gamepad API ("standard" mapping, 17 buttons, 4 axes), set
// from the test with window.tarvelokPad.press(i, on) and .axis(i, value). Runs in the page.
function fakeGamepad() {
  const pad = { id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
                axes: [0, 0, 0, 0], buttons: [] };
  for (let i = 0; i < 17; ++i) pad.buttons.push({ pressed: false, touched: false, value: 0 });
  window.tarvelokPad = {
    press: (i, on) => { pad.buttons[i] = { pressed: on, touched: on, value: on ? 1 : 0 }; pad.timestamp++; },
    axis: (i, v) => { pad.axes[i] = v; pad.timestamp++; },
  };
  Object.defineProperty(navigator, 'getGamepads', { value: () => [pad], configurable: true });
}

async function padButton(page, button) {
  await page.evaluate((b) => window.tarvelokPad.press(b, true), button);
  await sleep(KEY_GAP_MS);
  await page.evaluate((b) => window.tarvelokPad.press(b, false), button);
  await sleep(KEY_GAP_MS);
}

// The page as another tab or window would leave it (blur, hidden) and back again. Runs in the page.
function setAway(away) {
  if (away) {
    Object.defineProperty(document, 'hidden', { get: () => true, configurable: true });
    Object.defineProperty(document, 'visibilityState', { get: () => 'hidden', configurable: true });
  } else {  // the document's own answers again
    delete document.hidden;
    delete document.visibilityState;
  }
  window.dispatchEvent(new Event(away ? 'blur' : 'focus'));
  document.dispatchEvent(new Event('visibilitychange'));
}

// ---- The checks --------------------------------------------------------------------------------
// Each section runs on its own (one that throws is one failure; the rest still run).
// TARVELOK_WEB_ONLY=REGEX runs only the sections whose names match.
const ONLY = process.env.TARVELOK_WEB_ONLY ? new RegExp(process.env.TARVELOK_WEB_ONLY) : null;
const sections = [];
const section = (name, body) => sections.push({ name, body });

const server = await serve(PAGE_DIR);
const url = `http://127.0.0.1:${server.address().port}/`;
let browser = null;

section('menu, level, sound', async () => {
  const nativePng = await nativeMenu();
  const page = await openPage(browser, url);
  console.log(`figure: first main-menu frame ${page.readyMs} ms after the page was opened`);
  await page.mouse.move(0, 0);
  await sleep(1000);
  const menu = await frame(page, 'menu');
  check('the page draws the main menu (not a black page)', litShare(menu) > 0.5, `lit share ${litShare(menu).toFixed(2)}`);
  if (nativePng) {
    if (SHOTS) fs.writeFileSync(path.join(SHOTS, 'native-menu.png'), nativePng);
    const native = await decode(page, nativePng);
    const d = meanDiff(menu, native);
    console.log(`figure: mean difference from the desktop menu ${d.toFixed(2)} per channel`);
    check('the main menu matches the desktop game\'s menu', d < MENU_DIFF_LIMIT, `mean difference ${d.toFixed(2)}`);
  } else {
    console.log('note: no desktop game or no xvfb-run: the menu is not compared with the desktop one');
  }
  const menuSound = await soundLevel(page, 5000);
  check('sound reaches the page\'s output in the menu', menuSound > SOUND_LEVEL, `level ${menuSound}`);

  // A new game by keys; the hero walks right and the picture scrolls left.
  await sleep(1000);
  const standing = await startLevel(page, 'level-standing');
  const frames0 = await page.evaluate(() => Module._OE_FrameCount());
  const t0 = Date.now();
  const walk = await walksRight(page, standing, async () => {
    await page.keyboard.down('ArrowRight');
    return () => page.keyboard.up('ArrowRight');
  }, 'level-walked');
  const fps = ((await page.evaluate(() => Module._OE_FrameCount())) - frames0) * 1000 / (Date.now() - t0);
  console.log(`figure: ${fps.toFixed(1)} frames per second in level 0 while walking`);
  console.log(`figure: the picture moved ${walk.s.dx} px left and ${walk.s.dy} px up while the hero walked`);
  check('keys start a new game and the picture scrolls left as the hero walks right', walk.ok, walk.why);
  const levelSound = await soundLevel(page, 5000);
  check('sound reaches the page\'s output in a level', levelSound > SOUND_LEVEL, `level ${levelSound}`);

  // Another tab or window: the game stands still and its sound stops; back, it goes on.
  await page.evaluate(setAway, true);
  await sleep(500);
  const away1 = await frame(page, 'away-1');
  await sleep(1500);
  const away2 = await frame(page, 'away-2');
  const awayAudio = await page.evaluate(() => Module.tarvelokAudio.state());
  await page.evaluate(setAway, false);
  await sleep(300);
  const back1 = await frame(page, 'back-1');
  await sleep(1500);
  const back2 = await frame(page, 'back-2');
  const backAudio = await page.evaluate(() => Module.tarvelokAudio.state());
  const stillAway = meanDiff(away1, away2), movingBack = meanDiff(back1, back2);
  check('focus lost: the level stands still and the sound is suspended; back, both go on',
        stillAway === 0 && awayAudio === 'suspended' && movingBack > 0 && backAudio === 'running',
        `difference while away ${stillAway.toFixed(3)} (audio ${awayAudio}), after coming back ` +
        `${movingBack.toFixed(3)} (audio ${backAudio})`);
  // A real second tab in front: the browser blurs and hides the page, and its sound stops.
  const other = await browser.newPage();
  await other.bringToFront();
  await sleep(1000);
  const behind = await page.evaluate(() => [document.hidden, Module.tarvelokAudio.state()]);
  await other.close();
  await page.bringToFront();
  await sleep(1000);
  const front = await page.evaluate(() => [document.hidden, Module.tarvelokAudio.state()]);
  check('another tab in front: the page\'s sound is suspended; in front again, it plays',
        behind[0] === true && behind[1] === 'suspended' && front[0] === false && front[1] === 'running',
        `behind (hidden, audio) ${JSON.stringify(behind)}, in front again ${JSON.stringify(front)}`);
  check('no error in the console', page.errors.length === 0, page.errors.join(' | '));
  await page.close();
});

section('full screen', async () => {
  const page = await openPage(browser, url);
  await sleep(2000);
  const isFull = () => page.evaluate(() => document.fullscreenElement ? document.fullscreenElement.id : '');
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
  await sleep(1000);
  const entered = await isFull();
  // Escape is the browser's own way out; headless Chromium does not act on it, so the page leaves
  // full screen the way the browser would, and the game must follow (the next Alt+Enter enters).
  await page.evaluate(() => document.exitFullscreen());
  await sleep(1000);
  const left = await isFull();
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
  await sleep(1000);
  const again = await isFull();
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
  await sleep(1000);
  const off = await isFull();
  check('Alt+Enter puts the canvas in full screen; after the browser leaves it, Alt+Enter enters again and then leaves',
        entered === 'canvas' && left === '' && again === 'canvas' && off === '',
        `full screen element after Alt+Enter "${entered}", after leaving "${left}", Alt+Enter "${again}", ` +
        `Alt+Enter "${off}"`);
  await page.close();
});

section('gamepad', async () => {
  const page = await openPage(browser, url, fakeGamepad);
  await sleep(2000);
  await padButton(page, 13);  // D-pad down: "Начать игру"
  await padButton(page, 0);   // south: press it
  await sleep(LEVEL_LOAD_MS);
  const standing = await settled(page, 'pad-standing');
  const walk = await walksRight(page, standing, async () => {
    await page.evaluate(() => window.tarvelokPad.axis(0, 0.9));
    return () => page.evaluate(() => window.tarvelokPad.axis(0, 0));
  }, 'pad-walked');
  console.log(`figure: the picture moved ${walk.s.dx} px left and ${walk.s.dy} px up while the stick was held`);
  check('a gamepad alone starts a new game (D-pad, south button) and its stick walks the hero', walk.ok, walk.why);
  await page.close();
});

section('saves', async () => {
  // A profile made with keys is there after a reload.
  let page = await openPage(browser, url);
  await sleep(2000);  // the menu fades in
  await makeProfile(page, 'Kay');
  await page.reload();
  await page.waitForFunction(() => window.Module && Module.tarvelokReady, { timeout: READY_MS });
  const after = await page.evaluate(() => ({
    profiles: FS.readdir('/game/cfg/prf'),
    config: new TextDecoder('windows-1251').decode(FS.readFile('/game/cfg/config.txt')),
  }));
  check('a profile made in the page is still there after a reload',
        after.profiles.includes('Kay') && after.config.includes('Kay'),
        `profiles ${JSON.stringify(after.profiles)}, settings ${JSON.stringify(after.config)}`);
  await page.close();

  // Two tabs open at once, each makes a profile: neither save undoes the other.
  const first = await openPage(browser, url);
  const second = await openPage(browser, url);
  await sleep(2000);
  await makeProfile(first, 'Ann');
  await makeProfile(second, 'Bob');
  await first.close();
  await second.close();
  page = await openPage(browser, url);
  const both = await profilesOf(page);
  check('two tabs each make a profile: both are there after a reload',
        both.includes('Ann') && both.includes('Bob') && both.includes('Kay'), `profiles ${JSON.stringify(both)}`);
  await page.close();
});

section('messages and links', async () => {
  // A missing level file: the game's own message, in the page.
  let page = await openPage(browser, url, () => {
    window.tarvelokBeforeStart = (FS) => FS.unlink('/game/cfg/levels/level-00.lvl');
  });
  await sleep(2000);
  await keys(page, ['ArrowDown', 'Enter']);
  await page.waitForFunction(() => !document.getElementById('message').hidden, { timeout: 10000 }).catch(() => {});
  const message = await page.evaluate(() => document.getElementById('message').innerText);
  await sleep(1000);
  const back = await frame(page, 'missing-level');
  check('a missing level file gives the game\'s message in the page', /level-00\.lvl/.test(message),
        `overlay text ${JSON.stringify(message)}`);
  check('after the message the game still draws', litShare(back) > 0.3, `lit share ${litShare(back).toFixed(2)}`);
  await page.close();

  // Link files: an http(s) address opens in a new tab; any other is refused with a warning.
  page = await openPage(browser, url, () => {
    window.tarvelokOpened = [];
    window.open = (...args) => { window.tarvelokOpened.push(args); return null; };
    window.tarvelokBeforeStart = (FS) => {
      FS.writeFile('/game/moregames.url', '[InternetShortcut]\r\nURL=http://127.0.0.1:9/more\r\n');
      FS.writeFile('/game/tellafriend.url', '[InternetShortcut]\r\nURL=javascript:alert(1)\r\n');
      FS.writeFile('/game/subscribe.url', '[InternetShortcut]\r\nURL=file:///etc/passwd\r\n');
    };
  });
  await sleep(2000);
  await frame(page, 'links');
  for (const y of [430, 490, 550]) {  // "ЕЩЕ ИГРЫ", "СКАЗАТЬ ДРУГУ", "Подписаться" (the last two hidden)
    await page.mouse.click(140, y);
    await sleep(KEY_GAP_MS * 2);
  }
  const opened = await page.evaluate(() => window.tarvelokOpened);
  const refusedLinks = ['tellafriend.url', 'subscribe.url'].filter((f) => page.warnings.some((w) => w.includes(f)));
  check('link files: only the http(s) one opens, in a new tab; the others are named in a warning',
        opened.length === 1 && opened[0][0] === 'http://127.0.0.1:9/more' && opened[0][1] === '_blank' &&
        refusedLinks.length === 2,
        `opened ${JSON.stringify(opened)}, warned of ${JSON.stringify(refusedLinks)}`);
  await page.close();
});

section('storage refused', async () => {
  // Storage refused: one message, the game plays on and keeps its saves in the page's memory.
  const page = await openPage(browser, url, () => {
    Object.defineProperty(window, 'indexedDB', { get: () => undefined });
  });
  const refused = await messagesOf(page);
  check('storage refused gives one message and the game runs',
        refused.length === 1 && /saves/.test(refused[0]) && litShare(await frame(page)) > 0.5,
        `messages ${JSON.stringify(refused)}`);
  await page.click('#message-close');
  await sleep(1500);
  await makeProfile(page, 'Mem');
  const profiles = await profilesOf(page);
  const later = await messagesOf(page);
  check('storage refused: a profile is still made and kept in memory, with no second message',
        profiles.includes('Mem') && later.length === 0, `profiles ${JSON.stringify(profiles)}, messages ${JSON.stringify(later)}`);
  await page.close();
});

// ---- The page around the game: loading, failures, overlay, quit, replays, touch, offline ---------

// A page that is not waited for (it may never become ready); the viewport as given.
async function openRaw(browser, address, { viewport = { width: 800, height: 600 }, beforeLoad } = {}) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(String(e)));
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  await page.goto(address);
  return page;
}
const waitReady = (page) => page.waitForFunction(() => window.Module && Module.tarvelokReady &&
                                                 Module._OE_FrameCount() > 5, { timeout: READY_MS, polling: 50 });
const shown = (page, id) => page.evaluate((i) => { const e = document.getElementById(i); return !!e && !e.hidden &&
                                                   getComputedStyle(e).display !== 'none'; }, id);
const textOf = (page, id) => page.evaluate((i) => document.getElementById(i).innerText, id);
async function shot(page, name) { if (SHOTS) await page.screenshot({ path: path.join(SHOTS, name + '.png') }); }

// The page's failure screen after the start failed: shown, naming `what`, Russian and English,
// the loading note gone.
async function failureSays(page, name, what) {
  await page.waitForFunction(() => !document.getElementById('failure').hidden, { timeout: READY_MS }).catch(() => {});
  await shot(page, name);
  const text = await textOf(page, 'failure');
  const ok = (await shown(page, 'failure')) && !(await shown(page, 'loading')) && what.test(text) &&
             /[а-яё]/i.test(text) && /\b(the|The)\b/.test(text);
  return { ok, why: `failure shown ${await shown(page, 'failure')}, loading shown ${await shown(page, 'loading')}, ` +
                    `text ${JSON.stringify(text)}` };
}

section('loading and failures', async () => {
  // Progress while the data downloads at 4 Mbit/s: the bar moves through several values.
  let page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const cdp = await page.target().createCDPSession();
  await cdp.send('Network.enable');
  // The service worker and the browser's cache, filled by earlier pages, would hand the data over
  // at once (the throttle does not apply to them), so on a quiet machine the bar never moved.
  await cdp.send('Network.setBypassServiceWorker', { bypass: true });
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  await cdp.send('Network.emulateNetworkConditions',
                 { offline: false, latency: 20, downloadThroughput: 500000, uploadThroughput: 500000 });
  await page.goto(url);
  const seen = new Set();
  let shotTaken = false;
  const until = Date.now() + 60000;
  while (Date.now() < until) {
    const p = await page.evaluate(() => ({ value: document.getElementById('progress').value,
                                           text: document.getElementById('loading-text').innerText,
                                           ready: !!(window.Module && Module.tarvelokReady) }));
    if (p.ready) break;
    seen.add(p.value);
    if (!shotTaken && p.value > 10 && p.value < 90) { await shot(page, 'loading'); shotTaken = true; }
    await sleep(150);
  }
  await waitReady(page);
  const values = [...seen].sort((a, b) => a - b);
  check('loading shows a progress bar that moves while the data downloads, and goes once the game is drawn',
        values.filter((v) => v > 0 && v < 90).length >= 3 && !(await shown(page, 'loading')),
        `progress values seen ${JSON.stringify(values)}, loading still shown ${await shown(page, 'loading')}`);
  await page.close();

  // The data missing on the server (404).
  const broken = await serve(PAGE_DIR, ['tarvelok.data']);
  page = await openRaw(browser, `http://127.0.0.1:${broken.address().port}/`);
  let f = await failureSays(page, 'failure-404', /tarvelok\.data.*Not Found/s);
  check('a missing tarvelok.data (404) is named on the page in Russian and English', f.ok, f.why);
  await page.close();
  broken.close();

  // Opened as a file.
  page = await openRaw(browser, 'file://' + path.join(PAGE_DIR, 'index.html'));
  f = await failureSays(page, 'failure-file', /http.*scripts\/web/s);
  check('opened as a file, the page says it must be served over http and how', f.ok, f.why);
  await page.close();

  // No WebGL 2.
  page = await openRaw(browser, url, { beforeLoad: () => {
    const get = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
      return kind === 'webgl2' ? null : get.call(this, kind, ...rest);
    };
  } });
  f = await failureSays(page, 'failure-webgl2', /WebGL 2/);
  check('a browser without WebGL 2 is told so on the page', f.ok, f.why);
  await page.close();
});

section('message overlay keys', async () => {
  const page = await openPage(browser, url);
  await sleep(2000);
  const menu = await frame(page);
  const results = [];
  for (const key of ['Enter', 'Space', 'Escape']) {
    await page.evaluate(() => Module.tarvelokShowMessage('Tarvelok', 'Проверка / a test'));
    await sleep(300);
    const focused = await page.evaluate(() => document.activeElement && document.activeElement.id);
    if (key === 'Enter') await shot(page, 'overlay');
    await keys(page, ['ArrowDown', key]);  // "Начать игру" in focus, then Enter: would start a game
    results.push({ key, focused, closed: !(await shown(page, 'message')) });
  }
  await sleep(LEVEL_LOAD_MS);
  const still = meanDiff(menu, await frame(page));
  check('the overlay has the focus, Enter, Space and Escape close it and none of its keys reach the game',
        results.every((r) => r.focused === 'message-close' && r.closed) && still < SETTLE_DIFF * 2,
        `${JSON.stringify(results)}, the menu changed by ${still.toFixed(2)} per channel`);
  // Closed, the keys are the game's again: a new game starts.
  await keys(page, ['ArrowDown', 'Enter']);
  await sleep(LEVEL_LOAD_MS);
  const level = meanDiff(menu, await frame(page));
  check('after the overlay closes, the keys reach the game again (a new game starts)', level > 10,
        `the picture changed by ${level.toFixed(2)} per channel`);
  await page.close();
});

section('quit and back', async () => {
  const page = await openPage(browser, url);
  await sleep(2000);
  await page.mouse.click(400, 470);  // "Выйти"
  await page.waitForFunction(() => !document.getElementById('ended').hidden, { timeout: 5000 }).catch(() => {});
  await shot(page, 'quit');
  const endedText = await textOf(page, 'ended').catch(() => '');
  const canvasShown = await shown(page, 'canvas');
  const framesAt = await page.evaluate(() => Module._OE_FrameCount());
  await sleep(1000);
  const framesLater = await page.evaluate(() => Module._OE_FrameCount());
  check('"Выйти" shows that the game ended (Russian and English), with nothing live left on the screen',
        (await shown(page, 'ended')) && !canvasShown && framesAt === framesLater && /окончена/.test(endedText) &&
        /ended/.test(endedText), `ended text ${JSON.stringify(endedText)}, canvas shown ${canvasShown}, frames ` +
        `${framesAt} then ${framesLater}`);
  await page.keyboard.press('Shift');  // a lone modifier does nothing
  await sleep(1000);
  const stillEnded = await shown(page, 'ended');
  await page.keyboard.press('KeyA');
  await waitReady(page);
  await sleep(1500);
  const menu = await frame(page, 'quit-back');
  check('a key on that screen (not a lone Shift) returns to the main menu',
        stillEnded && !(await shown(page, 'ended')) && litShare(menu) > 0.5,
        `still ended after Shift ${stillEnded}, lit share ${litShare(menu).toFixed(2)}`);
  await page.close();
});

section('replay download', async () => {
  const page = await openPage(browser, url);
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvelok-downloads-'));
  const cdp = await page.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await sleep(2000);
  await startLevel(page);
  await keys(page, ['F9']);
  await page.keyboard.down('ArrowRight');
  await sleep(1500);
  await page.keyboard.up('ArrowRight');
  await keys(page, ['F9']);
  await sleep(300);
  await shot(page, 'replay-notice');
  let file = '';
  for (let i = 0; i < 40 && !file; ++i) {
    file = fs.readdirSync(downloads).find((n) => /^replay-\d{3}\.txt$/.test(n)) || '';
    if (!file) await sleep(250);
  }
  const got = file ? fs.readFileSync(path.join(downloads, file), 'utf8') : '';
  const inPage = file ? await page.evaluate((n) => new TextDecoder().decode(FS.readFile('/game/' + n)), file) : '';
  check('F9 twice downloads the recording as replay-NNN.txt, the same bytes the game wrote',
        file === 'replay-000.txt' && got.length > 100 && got === inPage,
        `downloaded ${JSON.stringify(fs.readdirSync(downloads))}, ${got.length} bytes, the page's file ${inPage.length}`);
  fs.rmSync(downloads, { recursive: true, force: true });
  await page.close();
});

// A finger on the page's touch screen (Chrome's touch events through the DevTools protocol):
// `points` every finger down now, [{x, y, id}].
const touchEvent = (cdp, type, points) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints: points });
const centre = (page, id) => page.evaluate((i) => {
  const r = document.getElementById(i).getBoundingClientRect();
  return { x: r.x + r.width / 2, y: r.y + r.height / 2, w: r.width, h: r.height, top: r.top, left: r.left,
           right: r.right, bottom: r.bottom };
}, id);
const meets = (a, b) => a.left < b.right && a.right > b.left && a.top < b.bottom && a.bottom > b.top;
// The pairs of touch buttons that lie over each other, as "a/b".
const padsOverPads = (pads) => Object.keys(pads).flatMap((a, i) => Object.keys(pads).slice(i + 1)
  .filter((b) => meets(pads[a], pads[b])).map((b) => `${a}/${b}`));
const held = (page) => page.evaluate(() => [37, 39, 32, 27].filter((vk) => Module._OE_PageKeyHeld(vk)));

section('touch controls', async () => {
  // A phone held sideways.
  const page = await browser.newPage();
  await page.setViewport({ width: 844, height: 390, isMobile: true, hasTouch: true, deviceScaleFactor: 1 });
  await page.goto(url);
  await waitReady(page);
  await sleep(2000);
  const cdp = await page.target().createCDPSession();
  page.clip = { x: 162, y: 0, width: 520, height: 390 };  // the game's picture, without the bars
  // A tap on "Начать игру" (logical 400, 230 in the 520 x 390 game area 162 px from the left).
  await page.touchscreen.tap(162 + 400 * 0.65, 230 * 0.65);
  await sleep(LEVEL_LOAD_MS);
  const visible = await shown(page, 'touch');
  const standing = await settled(page, 'touch-standing');
  await shot(page, 'phone-landscape');
  const pads = {};
  for (const id of ['touch-left', 'touch-right', 'touch-jump', 'touch-pause']) pads[id] = await centre(page, id);
  // The status bar's numbers: the points plate (logical 268-532 x 10-70) and the lives (640-765).
  const numbers = [[268, 10, 532, 70], [640, 10, 765, 70]].map(([x0, y0, x1, y1]) =>
    ({ left: 162 + x0 * 0.65, top: y0 * 0.65, right: 162 + x1 * 0.65, bottom: y1 * 0.65 }));
  const overlaps = Object.entries(pads).filter(([, r]) => numbers.some((n) => meets(r, n))).map(([id]) => id);
  overlaps.push(...padsOverPads(pads));
  check('touch controls are shown on a touch screen, at least 48 px, never over the status bar\'s numbers',
        visible && Object.values(pads).every((r) => r.w >= 48 && r.h >= 48) && overlaps.length === 0,
        `shown ${visible}, sizes ${JSON.stringify(Object.values(pads).map((r) => [r.w, r.h]))}, over the numbers ` +
        JSON.stringify(overlaps));
  // Holding the right button walks the hero: the picture scrolls left.
  const r = pads['touch-right'], j = pads['touch-jump'], l = pads['touch-left'];
  const walk = await walksRight(page, standing, async () => {
    await touchEvent(cdp, 'touchStart', [{ x: r.x, y: r.y, id: 1 }]);
    return () => touchEvent(cdp, 'touchEnd', []);
  }, 'touch-walked');
  check('a tap starts a new game from the menu and holding the right button walks the hero', walk.ok, walk.why);
  // Two fingers: right held and jump pressed together; one lifted; a finger sliding to the left.
  await touchEvent(cdp, 'touchStart', [{ x: r.x, y: r.y, id: 1 }]);
  await touchEvent(cdp, 'touchStart', [{ x: r.x, y: r.y, id: 1 }, { x: j.x, y: j.y, id: 2 }]);
  await sleep(100);
  const both = await held(page);
  await touchEvent(cdp, 'touchEnd', [{ x: j.x, y: j.y, id: 2 }]);  // the jumping finger lifted
  await sleep(100);
  const one = await held(page);
  await touchEvent(cdp, 'touchMove', [{ x: l.x, y: l.y, id: 1 }]);
  await sleep(100);
  const slid = await held(page);
  await touchEvent(cdp, 'touchEnd', []);
  await sleep(100);
  const none = await held(page);
  check('several fingers at once: walk and jump held together, each let go on its own, a slide moves the hold',
        JSON.stringify([both, one, slid, none]) === JSON.stringify([[39, 32], [39], [37], []]),
        `keys held: both fingers ${JSON.stringify(both)}, one lifted ${JSON.stringify(one)}, slid ` +
        `${JSON.stringify(slid)}, none ${JSON.stringify(none)}`);
  // The pause button is Escape: the pause window opens (the level stands still behind it).
  const p = pads['touch-pause'];
  await touchEvent(cdp, 'touchStart', [{ x: p.x, y: p.y, id: 3 }]);
  await sleep(300);
  const pauseHeld = await held(page);
  await touchEvent(cdp, 'touchEnd', []);
  await sleep(1000);
  const paused1 = await frame(page, 'touch-paused');
  await sleep(1000);
  const paused2 = await frame(page);
  check('the pause button pauses the level', JSON.stringify(pauseHeld) === '[27]' && meanDiff(paused1, paused2) < 1,
        `held ${JSON.stringify(pauseHeld)}, difference between two paused frames ${meanDiff(paused1, paused2).toFixed(2)}`);
  await page.close();

  // A phone held upright, ratio 3: the game the page's width, the controls below it, the buffer bounded.
  const upright = await browser.newPage();
  await upright.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 3 });
  await upright.goto(url);
  await waitReady(upright);
  await sleep(1500);
  await upright.touchscreen.tap(300, 600);  // a touch on the empty page: the controls are there anyway
  await sleep(500);
  await shot(upright, 'phone-portrait');
  const c = await centre(upright, 'canvas');
  const buffer = await upright.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
  const below = [], uprightPads = {};
  for (const id of ['touch-left', 'touch-right', 'touch-jump', 'touch-pause']) {
    uprightPads[id] = await centre(upright, id);
    below.push(uprightPads[id].top >= c.bottom && uprightPads[id].w >= 48);
  }
  const apart = padsOverPads(uprightPads);
  check('upright: the game spans the width at the top, the controls sit below it apart, the buffer is at most 1.5 per logical pixel',
        c.left === 0 && c.top === 0 && Math.abs(c.w - 390) < 1 && Math.abs(c.h - 292.5) < 1 && below.every(Boolean) && apart.length === 0 &&
        Math.min(buffer[0] / 800, buffer[1] / 600) <= 1.5 + 1e-9 && (await shown(upright, 'rotate')),
        `canvas ${JSON.stringify(c)}, buffer ${JSON.stringify(buffer)}, controls below and 48 px or more ` +
        `${JSON.stringify(below)}, buttons over each other ${JSON.stringify(apart)}`);
  await upright.close();
});

section('full screen waits for a click, Enter or Space', async () => {
  const page = await openPage(browser, url, () => {
    window.tarvelokBeforeStart = (FS) => {
      const cfg = new TextDecoder('windows-1251').decode(FS.readFile('/game/cfg/config.txt')).split('\n');
      cfg[0] = '0';  // full screen
      FS.writeFile('/game/cfg/config.txt', cfg.join('\n'));
    };
  });
  await sleep(1500);
  const isFull = () => page.evaluate(() => document.fullscreenElement ? document.fullscreenElement.id : '');
  await keys(page, ['Shift', 'ArrowLeft', 'Alt']);
  const afterKeys = await isFull();
  await page.mouse.click(700, 150);
  await sleep(1000);
  const afterClick = await isFull();
  check('a saved full-screen choice is not applied at Shift, an arrow or Alt, but at the first click',
        afterKeys === '' && afterClick === 'canvas', `after the keys "${afterKeys}", after the click "${afterClick}"`);
  await page.close();
});

section('dynamic resolution', async () => {
  const page = await openPage(browser, url);
  const size = () => page.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
  const fpsOver = async (ms) => {
    const f0 = await page.evaluate(() => Module._OE_FrameCount()), t0 = Date.now();
    await sleep(ms);
    return ((await page.evaluate(() => Module._OE_FrameCount())) - f0) * 1000 / (Date.now() - t0);
  };
  await sleep(3000);
  const small = await fpsOver(4000);
  await page.setViewport({ width: 1920, height: 1080 });
  const cdp = await page.target().createCDPSession();
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 6 });  // slow frames whatever the machine
  await sleep(500);
  const first = await size();
  let now = first;
  for (let i = 0; i < 40 && !(now[1] === 600); ++i) { await sleep(500); now = await size(); }
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
  check('a large window with slow frames draws the screen at its own 800 x 600, scaled once by the browser',
        first[0] === 1600 && first[1] === 900 && now[0] === 1067 && now[1] === 600,
        `buffer at first ${JSON.stringify(first)}, after slow frames ${JSON.stringify(now)}`);
  await sleep(2000);
  const large = await fpsOver(4000);
  console.log(`figure: main menu ${small.toFixed(1)} frames per second at 800 x 600, ${large.toFixed(1)} at ` +
              `1920 x 1080 (ratio ${(large / small).toFixed(2)}), load average ${os.loadavg()[0].toFixed(2)}`);
  await page.close();
});

section('offline', async () => {
  // A copy of the page, so that a new build can be made of it.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvelok-page-'));
  fs.cpSync(PAGE_DIR, dir, { recursive: true });
  const copy = await serve(dir);
  const address = `http://127.0.0.1:${copy.address().port}/`;
  const version = /const VERSION = '([^']*)'/.exec(fs.readFileSync(path.join(dir, 'sw.js'), 'utf8'))[1];
  let page = await openPage(browser, address);
  await page.waitForFunction(() => navigator.serviceWorker.controller, { timeout: 30000 }).catch(() => {});
  const cached = await page.evaluate(async () => (await Promise.all((await caches.keys()).map(async (n) =>
    [n, (await (await caches.open(n)).keys()).length]))));
  await page.setOfflineMode(true);
  await page.reload();
  let offline = true;
  try { await waitReady(page); } catch { offline = false; }
  await shot(page, 'offline');
  check('after the first visit the page opens without a network (service worker cache)',
        offline && version.length === 16 && cached.length === 1 && cached[0][0] === 'tarvelok-' + version,
        `ready offline ${offline}, version ${version}, caches ${JSON.stringify(cached)}`);
  await page.setOfflineMode(false);
  await page.close();

  // A new build (another page, another version): it replaces the cache of the old one.
  const html = fs.readFileSync(path.join(dir, 'index.html'), 'utf8').replace('<title>Tarvelok</title>',
                                                                            '<title>Tarvelok (new)</title>');
  fs.writeFileSync(path.join(dir, 'index.html'), html);
  fs.writeFileSync(path.join(dir, 'sw.js'), fs.readFileSync(path.join(dir, 'sw.js'), 'utf8')
    .replace(/const VERSION = '[^']*'/, "const VERSION = 'newbuild00000000'"));
  page = await browser.newPage();
  await page.goto(address);
  await page.waitForFunction(async () => (await caches.keys()).includes('tarvelok-newbuild00000000') &&
                             (await caches.keys()).length === 1, { timeout: 30000 }).catch(() => {});
  await page.reload();
  const after = await page.evaluate(async () => ({ caches: await caches.keys(),
                                                   html: await (await fetch('index.html')).text() }));
  check('a new build replaces the cache: only its version is kept and its page is served',
        JSON.stringify(after.caches) === '["tarvelok-newbuild00000000"]' && after.html.includes('Tarvelok (new)'),
        `caches ${JSON.stringify(after.caches)}, page served is the new one ${after.html.includes('Tarvelok (new)')}`);
  await page.close();
  copy.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

try {
  for (const { name, body } of sections) {
    if (ONLY && !ONLY.test(name)) continue;
    browser = await launch();  // each section in a browser of its own: nothing saved carries over
    try {
      await body();
    } catch (e) {
      check(`${name}: ran to its end`, false, e.stack || String(e));
    } finally {
      await close(browser).catch(() => {});
      browser = null;
    }
  }
} finally {
  server.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
