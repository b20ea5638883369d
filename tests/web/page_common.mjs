// page_common.mjs - what the page's tests and its benchmark share: a plain static server for the
// page on 127.0.0.1, headless Chromium (Debian's, software WebGL through SwiftShader) started
// and removed with a profile of its own, keys pressed one by one, the machine's load average.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const CHROMIUM = process.env.TARVELOK_CHROMIUM || '/usr/bin/chromium';
export const KEY_GAP_MS = 500;  // between two keys: a few frames see each one, even on a busy machine

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The one-minute load average, as a figure's companion.
export const loadAverage = () => os.loadavg()[0].toFixed(2);

// A static server: the page as any web server would serve it.
// `missing`: names answered with 404 as if they were not there (a broken upload).
const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream', '.png': 'image/png',
                '.webmanifest': 'application/manifest+json' };
export function serve(dir, missing = []) {
  dir = path.resolve(dir);
  const server = http.createServer((req, res) => {
    const rel = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(dir, rel);
    if (!file.startsWith(dir) || missing.includes(rel) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404); res.end(); return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

export async function launch() {
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

export async function close(browser) {
  await browser.close();
  fs.rmSync(browser.tarvelokDir, { recursive: true, force: true });
}

export async function keys(page, list) {
  for (const k of list) {
    await page.keyboard.press(k);
    await sleep(KEY_GAP_MS);
  }
}
