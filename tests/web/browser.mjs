// The browser side of the web tests and the page benchmark: a static server over a built page that counts
// what it sends, and Debian's Chromium, headless with software WebGL, opened on it with everything the
// page says and every request that fails recorded; and a test file's session of both, with the capture
// tool's stills to compare with.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { after, before } from 'node:test';
import { chromium } from 'playwright-core';

export const top = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
export const site = path.resolve(process.env.MORIQ_WEB_DIR || path.join(top, 'build-web'));
const capture = path.resolve(process.env.MORIQ_CAPTURE || path.join(top, 'build/moriq-capture'));

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.wasm': 'application/wasm',
  '.css': 'text/css', '.png': 'image/png', '.ogg': 'audio/ogg', '.m4a': 'audio/mp4', '.opus': 'audio/ogg', '.mp3': 'audio/mpeg',
  '.json': 'application/json',
};

// Serves root as a plain static host does. sent maps each path to the bytes it was sent; replace maps a
// path to the Buffer served instead of the file, or to null for a file the host answers 404 for.
export async function serve(root, replace = {}) {
  const sent = {};
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://host').pathname);
    const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    let body = replace[name];
    if (body === null) {
      res.writeHead(404).end();
      return;
    }
    if (!body) {
      if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
        res.writeHead(404).end();
        return;
      }
      body = fs.readFileSync(file);
    }
    sent[name] = (sent[name] || 0) + body.length;
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                         'Content-Length': body.length });
    res.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    sent,
    close: () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }),
  };
}

// Chromium as root on a machine with no network beyond loopback: the background services would only fail.
export function launch() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic'],
  });
}

// Opens url in a fresh page of the 4:3 picture's own size. log holds every console line in order (errors
// prefixed "error: "), problems the script errors and failed or missing requests; line(re) resolves with
// the first console line matching re, whether it came before or after the call.
// browser may be a browser context instead, whose own viewport and device (pixel ratio, touch) then hold.
export async function open(browser, url, size = { width: 640, height: 480 }) {
  const page = await browser.newPage({ viewport: size });
  const log = [];
  const problems = [];
  const waiters = [];
  page.on('console', (m) => {
    const text = (m.type() === 'error' ? 'error: ' : '') + m.text();
    log.push(text);
    for (const w of waiters.filter((w) => w.re.test(text))) {
      waiters.splice(waiters.indexOf(w), 1);
      w.resolve(text);
    }
  });
  page.on('pageerror', (e) => problems.push('script error: ' + e.message));
  page.on('requestfailed', (r) => problems.push('request failed: ' + r.url()));
  page.on('response', (r) => { if (r.status() >= 400) problems.push(r.status() + ': ' + r.url()); });
  const line = (re, timeout = 120000) => {
    const seen = log.find((l) => re.test(l));
    if (seen) return Promise.resolve(seen);
    return new Promise((resolve, reject) => {
      const w = { re, resolve };
      waiters.push(w);
      setTimeout(() => {
        if (!waiters.includes(w)) return;
        waiters.splice(waiters.indexOf(w), 1);
        reject(new Error(`no console line matching ${re}; saw:\n${log.join('\n')}\n${problems.join('\n')}`));
      }, timeout).unref();
    });
  };
  await page.goto(url);
  return { page, log, problems, line };
}

// The RGBA pixels of a PNG (a Buffer), decoded by the browser: { width, height, data }.
export async function pixels(browser, png) {
  const page = await browser.newPage();
  try {
    const decoded = await page.evaluate(async (src) => {
      const image = new Image();
      image.src = src;
      await image.decode();
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      const data = context.getImageData(0, 0, image.width, image.height).data;
      let binary = '';
      for (let i = 0; i < data.length; i += 0x8000) binary += String.fromCharCode(...data.subarray(i, i + 0x8000));
      return { width: image.width, height: image.height, data: btoa(binary) };
    }, 'data:image/png;base64,' + png.toString('base64'));
    return { ...decoded, data: Buffer.from(decoded.data, 'base64') };
  } finally {
    await page.close();
  }
}

// The share of pixels of two same-sized pictures that differ by more than tolerance in some channel.
export function differing(a, b, tolerance = 40) {
  if (a.width !== b.width || a.height !== b.height) throw new Error('pictures of different sizes');
  let n = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    if (Math.abs(a.data[i] - b.data[i]) > tolerance || Math.abs(a.data[i + 1] - b.data[i + 1]) > tolerance ||
        Math.abs(a.data[i + 2] - b.data[i + 2]) > tolerance) n++;
  }
  return n / (a.width * a.height);
}

// For a test file: the browser and the built page's server (session.browser, session.server), started
// before its tests and closed after them.
export function session() {
  const session = {};
  before(async () => {
    session.browser = await launch();
    session.server = await serve(site);
  });
  after(async () => {
    await session.browser?.close();
    await session.server?.close();
  });
  return session;
}

// The capture tool's still of ms at size (it needs an X display), decoded as pixels() does.
export async function nativeStill(browser, ms, size = '640x480', options = []) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'moriq-still-'));
  try {
    const out = path.join(dir, 'still.png');
    execFileSync(capture, ['--at', String(ms), '--size', size, '--out', out, ...options],
                 { cwd: top, stdio: ['ignore', 'ignore', 'inherit'] });
    return await pixels(browser, fs.readFileSync(out));
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The canvas as the viewer sees it, as pixels.
export async function shot(browser, page) {
  return pixels(browser, await page.locator('#canvas').screenshot());
}

// Runs use(context) in a new browser context made with options, after script for its pages; closes it.
export async function inContext(browser, options, use, script) {
  const context = await browser.newContext(options);
  try {
    if (script) await context.addInitScript(script);
    return await use(context);
  } finally {
    await context.close();
  }
}
