// Plays the whole web page in headless Chromium with software WebGL, in a 1920x1080 full-screen viewport
// and at 640x480, and reports per scene the drawing size the page held (the canvas; its 4:3 picture inside),
// the intervals between the frames the demo shows (mean and 99th percentile) and the frame rate; then the
// bytes a plain static host sends, file by file, for each soundtrack format the page can choose.
// Usage: node bench/web_play.mjs [--reduce-flashes] [built page folder, default build-web/] [WxH ...]
// (--reduce-flashes plays with the page's "Reduce flashing" switch on.)
import fs from 'node:fs';
import path from 'node:path';
import { launch, open, serve } from '../tests/web/browser.mjs';

const top = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const args = process.argv.slice(2);
const reduceFlashes = args[0] === '--reduce-flashes';
if (reduceFlashes) args.shift();
const site = path.resolve(args[0] || path.join(top, 'build-web'));
const sizes = args.length > 1 ? args.slice(1) : ['1920x1080', '640x480'];
const SCENES = [['Heightfield', 35000], ['Metaballs', 25000], ['Greetings', 10000], ['CelScene', 15000],
                ['Metaballs', 25000], ['FunkyBackground', 5000]];

// Every finished frame with the canvas's size (the page's pacing still hears of it) and every report line,
// stamped on the page's clock.
function stamp() {
  window.moriqBench = { frames: [], lines: [] };
  const log = console.log.bind(console);
  console.log = (...args) => { window.moriqBench.lines.push([performance.now(), args.join(' ')]); log(...args); };
}

function percentile(sorted, p) {
  return sorted[Math.min(sorted.length - 1, Math.ceil(p * sorted.length) - 1)];
}

// The size held most of the scene's frames, and the range it moved in.
function held(shown) {
  const counts = {};
  for (const [, w, h] of shown) counts[`${w}x${h}`] = (counts[`${w}x${h}`] || 0) + 1;
  const names = Object.keys(counts).sort((a, b) => counts[b] - counts[a]);
  return names[0] + (names.length > 1 ? ` (${names.length} sizes)` : '');
}

async function play(browser, server, size) {
  const [width, height] = size.split('x').map(Number);
  const context = await browser.newContext({ viewport: { width, height } });
  await context.addInitScript(stamp);
  await context.addInitScript((on) => localStorage.setItem('moriq-reduce-flashes', on ? '1' : '0'), reduceFlashes);
  const { page } = await open(context, server.url);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', null, { timeout: 120000 });
  if (width >= 1920) {
    await page.keyboard.press('f');
    await page.waitForFunction(() => !!document.fullscreenElement);
  }
  await page.click('#start');
  await page.waitForFunction(() => typeof Module.onFrame === 'function');
  await page.evaluate(() => {
    const pace = Module.onFrame;
    Module.onFrame = (t, ...rest) => {
      window.moriqBench.frames.push([t, window.moriqView.width, window.moriqView.height]);
      pace(t, ...rest);
    };
  });
  await page.waitForFunction(() => window.moriqBench.lines.filter(([, l]) => /frames draw/.test(l)).length === 6,
                             null, { timeout: 300000 });
  const { frames, lines } = await page.evaluate(() => window.moriqBench);
  await context.close();
  const reports = lines.filter(([, l]) => /frames draw/.test(l));
  const ends = reports.map(([t]) => t);
  console.log(`\n${size} viewport${width >= 1920 ? ', full screen' : ''}${reduceFlashes ? ', reducing flashes' : ''}`);
  console.log('scene            frames   mean ms   p99 ms   fps   canvas held');
  for (let i = 0; i < SCENES.length; i++) {
    const [name, duration] = SCENES[i];
    const start = i ? ends[i - 1] : ends[0] - duration;
    const shown = frames.filter(([t]) => t > start && t <= ends[i]);
    const gaps = shown.slice(1).map(([t], k) => t - shown[k][0]).sort((a, b) => a - b);
    const mean = gaps.reduce((a, b) => a + b, 0) / gaps.length;
    console.log(`${name.padEnd(16)} ${String(shown.length).padStart(6)} ${mean.toFixed(2).padStart(9)} ` +
                `${percentile(gaps, 0.99).toFixed(2).padStart(8)} ${(1000 / mean).toFixed(1).padStart(5)}   ${held(shown)}`);
  }
  return server.sent;
}

const server = await serve(site);
const browser = await launch();
try {
  let sent = {};
  for (const size of sizes) sent = await play(browser, server, size);
  // What one visit fetches, with each soundtrack the page may choose in place of the one fetched here.
  const common = Object.keys(sent).filter((name) => !name.startsWith('/soundtrack.'));
  const bytes = (name) => fs.statSync(path.join(site, name === '/' ? 'index.html' : name)).size;
  const base = common.reduce((sum, name) => sum + bytes(name), 0);
  console.log('\ndownloaded              bytes');
  for (const name of common) console.log(`${name.padEnd(18)} ${String(bytes(name)).padStart(10)}`);
  for (const format of ['opus', 'ogg', 'm4a']) {
    const track = bytes(`/soundtrack.${format}`);
    console.log(`${('/soundtrack.' + format).padEnd(18)} ${String(track).padStart(10)}   total ${base + track}`);
  }
} finally {
  await browser.close();
  await server.close();
}
