// page_profile.mjs - where the page's time goes, for the developer: a CPU profile of the page's
// own thread (JavaScript and WebAssembly, by function) over the start, the main menu and a level,
// and the CPU seconds each Chromium process spent in each phase (the drawing itself runs in the
// GPU process, SwiftShader, which the page's profile does not see).
//
//   node tests/web/page_profile.mjs PAGE_DIR [TOP]
//
// Function names need a page linked with --profiling-funcs: run the link line of
// build-web/CMakeFiles/tarvelok.dir/link.txt in build-web/ with that flag added and `-o DIR/tarvelok.js`
// (index.html copied beside it); without them WebAssembly functions show as wasm-function[N].
// Prints the TOP (default 25) functions by self time per phase. A tool, not a test.
import { execFileSync } from 'node:child_process';
import { launch, close, serve, sleep, keys, loadAverage } from './page_common.mjs';

const PAGE_DIR = process.argv[2] || 'build-web/game';
const TOP = Number(process.argv[3] || 25);
const PHASE_MS = 5000;  // page time profiled in the menu and in the level

// CPU seconds so far of every process below `root` (Chromium's), by its --type= (browser, renderer, gpu-process, ...).
function cpuByType(root) {
  const out = {};
  const lines = execFileSync('ps', ['-e', '-o', 'pid=,ppid=,cputimes=,args='], { encoding: 'utf8' }).trim().split('\n');
  const procs = lines.map((l) => { const m = l.trim().match(/^(\d+)\s+(\d+)\s+(\d+)\s+(.*)$/); return m && { pid: +m[1], ppid: +m[2], cpu: +m[3], args: m[4] }; }).filter(Boolean);
  const mine = new Set([root]);
  for (let grew = true; grew;) { grew = false; for (const p of procs) if (!mine.has(p.pid) && mine.has(p.ppid)) { mine.add(p.pid); grew = true; } }
  for (const p of procs) if (mine.has(p.pid)) {
    const t = (p.args.match(/--type=([\w-]+)/) || [, 'browser'])[1];
    out[t] = (out[t] || 0) + p.cpu;
  }
  return out;
}

function report(name, profile, before, after, wallMs) {
  const self = new Map();
  const byId = new Map(profile.nodes.map((n) => [n.id, n]));
  const dt = new Map();
  for (let i = 0; i < profile.samples.length; ++i) {
    const id = profile.samples[i];
    dt.set(id, (dt.get(id) || 0) + (profile.timeDeltas[i] || 0));
  }
  let total = 0;
  for (const [id, us] of dt) {
    const n = byId.get(id);
    const key = n.callFrame.functionName || `(${n.callFrame.url.replace(/.*\//, '') || 'anonymous'})`;
    self.set(key, (self.get(key) || 0) + us);
    total += us;
  }
  console.log(`== ${name}: ${(wallMs / 1000).toFixed(1)} s of page time, load average ${loadAverage()}`);
  const cpu = Object.keys(after).map((t) => `${t} ${(after[t] - (before[t] || 0))} s`).join(', ');
  console.log(`   CPU by process: ${cpu}`);
  const rows = [...self].sort((a, b) => b[1] - a[1]).slice(0, TOP);
  for (const [fn, us] of rows)
    console.log(`   ${(us / 1000).toFixed(0).padStart(7)} ms ${(100 * us / total).toFixed(1).padStart(5)}%  ${fn}`);
}

const server = await serve(PAGE_DIR);
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await launch();
const root = browser.process().pid;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const cdp = await page.createCDPSession();
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.setSamplingInterval', { interval: 500 });
  const phase = async (name, body) => {
    const before = cpuByType(root);
    const t0 = Date.now();
    await cdp.send('Profiler.start');
    await body();
    const { profile } = await cdp.send('Profiler.stop');
    report(name, profile, before, cpuByType(root), Date.now() - t0);
  };
  await phase('start (navigation to the fifth main-menu frame)', async () => {
    await page.goto(url);
    await page.waitForFunction(() => window.Module && Module.tarvelokReady && Module._OE_FrameCount() > 5,
                               { timeout: 60000, polling: 50 });
  });
  await page.mouse.move(0, 0);
  await sleep(1500);
  await phase('main menu', () => sleep(PHASE_MS));
  await keys(page, ['ArrowDown', 'Enter']);
  await sleep(4000);
  await page.keyboard.down('ArrowRight');
  await phase('first level, walking right', () => sleep(PHASE_MS));
  await page.keyboard.up('ArrowRight');
} finally {
  await close(browser);
  server.close();
}
