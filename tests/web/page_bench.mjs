// page_bench.mjs - the page's speed in headless Chromium (Debian's chromium, software WebGL):
// where the start-up time goes, and frames per second in the main menu and in a level.
//
//   node tests/web/page_bench.mjs PAGE_DIR [RUNS]
//
// Prints, for each of RUNS page openings (default 3), the milestones of the start in ms after
// navigation (the files fetched, the WebAssembly started, the game's loading done, the first
// main-menu frames), then the frames per second in the main menu (standing) and in level 0 while
// the hero walks right, then in the same level at 1920 x 1080 (walking left), each over FPS_MS
// of page time, and the machine's load average beside
// every figure (the machine is shared: figures mean little without it). A figure, never a test:
// nothing here fails on a slow machine.
import fs from 'node:fs';
import os from 'node:os';
import { launch, close, serve, sleep, keys, loadAverage } from './page_common.mjs';

const PAGE_DIR = process.argv[2] || 'build-web/game';
const RUNS = Number(process.argv[3] || 3);
const READY_MS = 60000;   // longest wait for the first main-menu frame
const FPS_MS = 5000;      // page time over which frames are counted
const LEVEL_LOAD_MS = 4000;  // a new game: fade out, load, fade in

// Timestamps (performance.now(), ms since navigation) of the start's milestones, kept by the page.
function milestones() {
  window.tarvelokMarks = {};
  const mark = (name) => { if (!(name in window.tarvelokMarks)) window.tarvelokMarks[name] = performance.now(); };
  window.Module = {
    preRun: [() => mark('WebAssembly compiled, data in (preRun)')],
    onTarvelokReady: () => {
      mark('game loaded (load procedure done)');
      const frames = () => {
        const n = Module._OE_FrameCount();
        if (n >= 1) mark('first menu frame');
        if (n >= 5) { mark('fifth menu frame'); return; }
        requestAnimationFrame(frames);
      };
      requestAnimationFrame(frames);
    },
  };
  window.tarvelokBeforeStart = () => mark('saves read (main starts)');
}

async function fps(page, ms) {
  const count = () => page.evaluate(() => ({ n: Module._OE_FrameCount(), t: performance.now() }));
  const a = await count();
  await sleep(ms);
  const b = await count();
  return ((b.n - a.n) * 1000) / (b.t - a.t);
}

const server = await serve(PAGE_DIR);
const url = `http://127.0.0.1:${server.address().port}/`;
const sizes = fs.readdirSync(PAGE_DIR).map((f) => `${f} ${fs.statSync(`${PAGE_DIR}/${f}`).size}`);
console.log(`page: ${sizes.join(', ')} bytes; ${os.cpus().length} cores`);
for (let run = 1; run <= RUNS; ++run) {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 800, height: 600 });
    await page.evaluateOnNewDocument(milestones);
    const load = loadAverage();
    await page.goto(url);
    await page.waitForFunction(() => window.tarvelokMarks && 'fifth menu frame' in window.tarvelokMarks,
                               { timeout: READY_MS, polling: 50 });
    const marks = await page.evaluate(() => {
      const out = { ...window.tarvelokMarks };
      for (const e of performance.getEntriesByType('resource')) {
        const name = e.name.replace(/.*\//, '');
        out[`${name} fetched`] = e.responseEnd;
      }
      return out;
    });
    console.log(`run ${run} (load average ${load} at the start):`);
    for (const [name, at] of Object.entries(marks).sort((a, b) => a[1] - b[1]))
      console.log(`  ${String(Math.round(at)).padStart(6)} ms  ${name}`);
    await page.mouse.move(0, 0);
    await sleep(1500);  // the menu's fade-in
    const menuFps = await fps(page, FPS_MS);
    console.log(`  menu: ${menuFps.toFixed(1)} frames per second (load average ${loadAverage()})`);
    await keys(page, ['ArrowDown', 'Enter']);
    await sleep(LEVEL_LOAD_MS);
    await page.keyboard.down('ArrowRight');
    const levelFps = await fps(page, FPS_MS);
    await page.keyboard.up('ArrowRight');
    console.log(`  level 0 (the first), walking: ${levelFps.toFixed(1)} frames per second (load average ${loadAverage()})`);
    // The same level in a 1920 x 1080 window: dynamic resolution settles first (slow frames lower
    // the drawing buffer within a few 2 s windows), then frames are counted as above.
    await page.setViewport({ width: 1920, height: 1080 });
    await sleep(8000);
    await page.keyboard.down('ArrowLeft');
    const largeFps = await fps(page, FPS_MS);
    await page.keyboard.up('ArrowLeft');
    const buffer = await page.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
    console.log(`  level 0 at 1920 x 1080, walking: ${largeFps.toFixed(1)} frames per second, ${(largeFps / levelFps).toFixed(2)} ` +
                `of 800 x 600's, drawing buffer ${buffer.join(' x ')} (load average ${loadAverage()})`);
    await page.close();
  } finally {
    await close(browser);
  }
}
server.close();
