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
//   - a profile made with keys in the page is still there after a reload (IndexedDB);
//   - a missing level file gives the game's own message in the page, and the menu stays drawn;
//   - storage refused: one message, and the game plays on.
// Figures printed for the README: time to the first main-menu frame, frames per second in a level.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const PAGE_DIR = path.resolve(process.argv[2] || 'build-web/game');
const NATIVE_DIR = process.argv[3] ? path.resolve(process.argv[3]) : null;
const CHROMIUM = process.env.TARVELOK_CHROMIUM || '/usr/bin/chromium';
const READY_MS = 30000;        // longest wait for the page's first main-menu frame
const LEVEL_LOAD_MS = 3000;    // a new game: fade out, load, fade in (then the camera settles)
const SETTLE_MS = 20000;      // longest wait for the level's picture to come to rest
const SETTLE_GAP_MS = 500;     // between the two frames compared
const SETTLE_DIFF = 3;         // mean difference per channel below which the picture is at rest
const WALK_MS = 2500;          // how long the right arrow is held
const KEY_GAP_MS = 500;        // between two keys: a few frames see each one, even on a busy machine
const MENU_DIFF_LIMIT = 16;    // mean absolute difference per channel (0..255) from the native menu
const SOUND_LEVEL = 0.002;     // RMS at the page's output (0..1) that counts as sound
const SHOTS = process.env.TARVELOK_WEB_SHOTS;  // a folder: the screenshots are kept there

let passed = 0, failed = 0;
function check(name, ok, why = '') {
  if (ok) { passed++; console.log(`PASS ${name}`); } else { failed++; console.log(`FAIL ${name}: ${why}`); }
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// ---- A static server: the page as any web server would serve it ------------------------------
const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream' };
function serve(dir) {
  const server = http.createServer((req, res) => {
    const rel = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(dir, rel);
    if (!file.startsWith(dir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404); res.end(); return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function launch() {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'tarvelok-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir,
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--no-first-run', '--disable-quic', '--autoplay-policy=no-user-gesture-required',
           '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist',
           '--window-size=800,600'],
  });
  browser.tarvelokDir = userDataDir;
  return browser;
}

async function close(browser) {
  await browser.close();
  fs.rmSync(browser.tarvelokDir, { recursive: true, force: true });
}

// A page that records console errors and uncaught exceptions.
async function openPage(browser, url, beforeLoad) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  page.errors = [];
  page.on('console', (m) => { if (m.type() === 'error') page.errors.push(m.text()); });
  page.on('pageerror', (e) => page.errors.push(String(e)));
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  const start = Date.now();
  await page.goto(url);
  await page.waitForFunction(() => window.Module && Module.tarvelokReady && Module._OE_FrameCount() > 5,
                             { timeout: READY_MS, polling: 50 });
  page.readyMs = Date.now() - start;
  return page;
}

async function keys(page, list) {
  for (const k of list) {
    await page.keyboard.press(k);
    await sleep(KEY_GAP_MS);
  }
}

// The canvas as RGBA pixels (800 x 600 at this viewport), through a PNG screenshot.
async function frame(page, name) {
  const png = await page.screenshot({ type: 'png' });
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
// with the mean difference there and without any shift.
function bestShift(before, after) {
  const w = before.width, h = before.height, step = 8;
  const diffAt = (dx, dy) => {
    let sum = 0, n = 0;
    for (let y = 80; y < h; y += step) {
      const sy = y + dy;
      if (sy < 80 || sy >= h) continue;
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
  for (let dx = -100; dx <= 400; dx += 2)
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

// ---- The checks --------------------------------------------------------------------------------
const server = await serve(PAGE_DIR);
const url = `http://127.0.0.1:${server.address().port}/`;
const nativePng = await nativeMenu();
let browser = await launch();
try {
  // The menu.
  let page = await openPage(browser, url);
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
  await keys(page, ['ArrowDown', 'Enter']);
  await sleep(LEVEL_LOAD_MS);
  const standing = await settled(page, 'level-standing');
  const frames0 = await page.evaluate(() => Module._OE_FrameCount());
  const t0 = Date.now();
  await page.keyboard.down('ArrowRight');
  await sleep(WALK_MS);
  await page.keyboard.up('ArrowRight');
  const fps = ((await page.evaluate(() => Module._OE_FrameCount())) - frames0) * 1000 / (Date.now() - t0);
  console.log(`figure: ${fps.toFixed(1)} frames per second in level 0 while walking`);
  const walked = await frame(page, 'level-walked');
  const s = bestShift(standing, walked);
  console.log(`figure: the picture moved ${s.dx} px left and ${s.dy} px up while the hero walked`);
  check('keys start a new game and the picture scrolls left as the hero walks right',
        s.dx >= 20 && s.diff < s.still * 0.6,
        `best shift ${s.dx}, ${s.dy} px (difference ${s.diff.toFixed(1)}, unshifted ${s.still.toFixed(1)})`);
  const levelSound = await soundLevel(page, 5000);
  check('sound reaches the page\'s output in a level', levelSound > SOUND_LEVEL, `level ${levelSound}`);
  check('no error in the console', page.errors.length === 0, page.errors.join(' | '));
  await page.close();

  // A profile made with keys is there after a reload.
  page = await openPage(browser, url);
  await sleep(2000);  // the menu fades in
  await keys(page, ['ArrowDown', 'ArrowUp', 'Enter', 'ArrowDown', 'Enter']);
  await page.keyboard.type('Kay', { delay: KEY_GAP_MS });
  await keys(page, ['Enter', 'Escape']);
  await sleep(1000);
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

  // A missing level file: the game's own message, in the page.
  page = await openPage(browser, url, () => {
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
  await close(browser);

  // Storage refused: one message, the game plays on.
  browser = await launch();
  page = await openPage(browser, url, () => {
    Object.defineProperty(window, 'indexedDB', { get: () => undefined });
  });
  const refused = await page.evaluate(() => Array.from(document.querySelectorAll('#message .entry')).map((e) => e.innerText));
  check('storage refused gives one message and the game runs',
        refused.length === 1 && /saves/.test(refused[0]) && litShare(await frame(page)) > 0.5,
        `messages ${JSON.stringify(refused)}`);
  await page.close();
} catch (e) {
  check('the page test ran to its end', false, e.stack || String(e));
} finally {
  await close(browser).catch(() => {});
  server.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
