// Seek latency on the page in headless Chromium with software WebGL at 640x480: from a seek asked for (the
// timeline's and the keys' way in) to the frame showing the moment handed to the browser, per scene, the
// play paused so the frame shows exactly the moment sought. Within a scene: 5 s back. Into a scene: from
// 5 s into the first scene. Usage: node bench/web_seek.mjs [built page folder, default build-web/]
import path from 'node:path';
import { launch, open, serve } from '../tests/web/browser.mjs';

const top = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const site = path.resolve(process.argv[2] || path.join(top, 'build-web'));
const LATE = [['Heightfield', 34500], ['Metaballs', 59500], ['Greetings', 69500], ['CelScene', 84500],
              ['Metaballs', 109500], ['FunkyBackground', 114500]];
const RUNS = 7;

const server = await serve(site);
const browser = await launch();
try {
  const { page } = await open(browser, server.url);
  await page.evaluate(() => {
    let waiting = null;
    window.moriqSeek = (ms) => new Promise((resolve) => {
      const asked = performance.now();
      waiting = (now, shown) => { if (shown === ms) resolve(now - asked); };
      window.moriqPlayer.seek(ms);
    });
    // The page hands every frame on to a listener set before the click.
    window.Module.onFrame = (now, shown) => { if (waiting) waiting(now, shown); };
  });
  await page.click('#start');
  await page.waitForFunction(() => window.moriqPlayer.ms >= 0, null, { timeout: 60000 });
  await page.evaluate(() => window.moriqPlayer.togglePause());
  await page.waitForFunction(() => window.moriqPlayer.paused);
  const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
  console.log('scene            within ms   into ms   (median of ' + RUNS + ')');
  const all = [];
  for (const [name, late] of LATE) {
    const within = [], into = [];
    for (let i = 0; i < RUNS; i++) {
      await page.evaluate((ms) => window.moriqSeek(ms), late - 5000);
      within.push(await page.evaluate((ms) => window.moriqSeek(ms), late));
      await page.evaluate((ms) => window.moriqSeek(ms), 5000);
      into.push(await page.evaluate((ms) => window.moriqSeek(ms), late));
    }
    all.push(median([...within]), median([...into]));
    console.log(`${name.padEnd(16)} ${median(within).toFixed(1).padStart(9)} ${median(into).toFixed(1).padStart(9)}`);
  }
  console.log(`median of the scenes' medians: ${median(all).toFixed(1)} ms`);
} finally {
  await browser.close();
  await server.close();
}
