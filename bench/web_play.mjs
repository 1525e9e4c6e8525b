// Plays the whole web page once in headless Chromium with software WebGL and reports, per scene, the
// intervals between the frames the demo shows (mean and 99th percentile) and the frame rate, then what the
// browser downloaded, file by file, as a plain static host serves it (and gzip-compressed, as most do).
// Usage: node bench/web_play.mjs [built page folder, default build-web/]
import path from 'node:path';
import zlib from 'node:zlib';
import fs from 'node:fs';
import { launch, open, serve } from '../tests/web/browser.mjs';

const top = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const site = path.resolve(process.argv[2] || path.join(top, 'build-web'));
const SCENES = [['Heightfield', 35000], ['Metaballs', 25000], ['Greetings', 10000], ['CelScene', 15000],
                ['Metaballs', 25000], ['FunkyBackground', 5000]];

// Every finished frame (the page's Module.onFrame) and every report line are stamped on the page's clock.
function stamp() {
  window.moriqBench = { frames: [], lines: [] };
  const log = console.log.bind(console);
  console.log = (...args) => { window.moriqBench.lines.push([performance.now(), args.join(' ')]); log(...args); };
}

function percentile(sorted, p) {
  return sorted[Math.min(sorted.length - 1, Math.ceil(p * sorted.length) - 1)];
}

const server = await serve(site);
const browser = await launch();
try {
  const context = await browser.newContext({ viewport: { width: 640, height: 480 } });
  await context.addInitScript(stamp);
  const { page } = await open(context, server.url);
  await page.evaluate(() => { window.Module.onFrame = (t) => window.moriqBench.frames.push(t); });
  await page.click('#start');
  await page.waitForFunction(() => window.moriqBench.lines.filter(([, l]) => /frames draw/.test(l)).length === 6,
                             null, { timeout: 200000 });
  const { frames, lines } = await page.evaluate(() => window.moriqBench);
  const reports = lines.filter(([, l]) => /frames draw/.test(l));
  const ends = reports.map(([t]) => t);
  console.log('scene            frames   mean ms   p99 ms   fps   the demo\'s own report');
  for (let i = 0; i < SCENES.length; i++) {
    const [name, duration] = SCENES[i];
    const start = i ? ends[i - 1] : ends[0] - duration;
    const shown = frames.filter((t) => t > start && t <= ends[i]);
    const gaps = shown.slice(1).map((t, k) => t - shown[k]).sort((a, b) => a - b);
    const mean = gaps.reduce((a, b) => a + b, 0) / gaps.length;
    console.log(`${name.padEnd(16)} ${String(shown.length).padStart(6)} ${mean.toFixed(2).padStart(9)} ` +
                `${percentile(gaps, 0.99).toFixed(2).padStart(8)} ${(1000 / mean).toFixed(1).padStart(5)}   ` +
                reports[i][1].replace(/\s+/g, ' '));
  }
  let plain = 0;
  let gzipped = 0;
  console.log('\ndownloaded              bytes      gzip');
  for (const [name, bytes] of Object.entries(server.sent)) {
    const packed = zlib.gzipSync(fs.readFileSync(path.join(site, name === '/' ? 'index.html' : name))).length;
    plain += bytes;
    gzipped += Math.min(bytes, packed);
    console.log(`${name.padEnd(18)} ${String(bytes).padStart(10)} ${String(packed).padStart(9)}`);
  }
  console.log(`${'total'.padEnd(18)} ${String(plain).padStart(10)} ${String(gzipped).padStart(9)}`);
} finally {
  await browser.close();
  await server.close();
}
