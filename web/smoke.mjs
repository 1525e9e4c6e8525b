// Smoke check of a built page in Debian's Chromium, headless with software WebGL (playwright-core drives
// /usr/bin/chromium; no browser is downloaded). Serves the site itself on a free local port.
//   node web/smoke.mjs [SITE]          a still (?at=) and a click, then Escape; exits non-zero on a fault
//   node web/smoke.mjs [SITE] --play   plays the whole demo and prints the console (the scenes' reports)
// Installed with `npm ci --prefix web`.
import { chromium } from 'playwright-core';
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, resolve } from 'node:path';

const args = process.argv.slice(2);
const playWhole = args.includes('--play');
const site = resolve(args.find((a) => !a.startsWith('--')) ?? 'build-web');
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.ogg': 'audio/ogg', '.m4a': 'audio/mp4' };

const server = createServer(async (request, response) => {
  const path = new URL(request.url, 'http://x').pathname;
  try {
    const body = await readFile(join(site, path === '/' ? 'index.html' : path));
    response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
const origin = `http://127.0.0.1:${server.address().port}`;

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic'],
});
const faults = [];
const check = (ok, what) => { if (!ok) faults.push(what); console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`); };

async function open(query) {
  const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
  const log = [];
  page.on('console', (message) => log.push(`${message.type()}: ${message.text()}`));
  page.on('pageerror', (error) => log.push(`pageerror: ${error.message}`));
  page.on('requestfailed', (request) => log.push(`requestfailed: ${request.url()}`));
  page.on('response', (r) => { if (r.status() >= 400) log.push(`missing: ${r.url()}`); });
  await page.goto(`${origin}/index.html${query}`);
  return { page, log };
}
const faulty = (log) => log.filter((line) => /^(error|pageerror|requestfailed|missing)/.test(line));

try {
  if (playWhole) {
    const { page, log } = await open('');
    await page.click('#start:not([disabled])');
    await page.waitForFunction(() => document.body.dataset.state === 'ended', null, { timeout: 0 });
    console.log(log.join('\n'));
  } else {
    {
      const { page, log } = await open('?at=13000');
      await page.waitForFunction(() => document.body.dataset.state === 'ended');
      check(log.includes('log: still at 13000 ms'), 'a still writes "still at 13000 ms"');
      check(faulty(log).length === 0, `a still loads with no error or missing file ${faulty(log).join('; ')}`);
      // A screenshot shows what a viewer sees; its size says whether it holds a picture or a flat colour.
      const shot = await page.locator('#canvas').screenshot();
      check(shot.length > 20000, `the still is on the canvas (screenshot ${shot.length} bytes)`);
      await page.setViewportSize({ width: 1000, height: 500 });
      await page.keyboard.press('f');
      await page.waitForFunction(() => !!document.fullscreenElement);
      const box = await page.locator('#canvas').boundingBox();
      check(Math.abs(box.width / box.height - 4 / 3) < 0.01 && box.height === 500 && Math.abs(box.x - 500 + box.width / 2) < 1,
            `F goes full screen with the 4:3 picture centred at the window's height (${JSON.stringify(box)})`);
      await page.dblclick('#canvas');
      await page.waitForFunction(() => !document.fullscreenElement);
      await page.close();
    }
    {
      const { page, log } = await open('');
      check(await page.textContent('#start') === 'Play', 'the button reads "Play"');
      await page.click('#start:not([disabled])');
      await page.waitForFunction(() => window.moriqSound.playing && window.moriqSound.gain > 0.5);
      check(await page.evaluate(() => document.body.dataset.state) === 'playing', 'the click plays the demo with sound');
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => document.body.dataset.state === 'ended');
      check(!(await page.evaluate(() => window.moriqSound.playing)), 'Escape stops the sound');
      check(await page.textContent('#start') === 'Play again', 'the button then reads "Play again"');
      // A second play starts from the beginning: the loading bar, then the sound fading in from silence.
      await page.click('#start');
      await page.waitForFunction(() => window.moriqSound.playing);
      check(await page.evaluate(() => window.moriqSound.time < 1 && window.moriqSound.gain < 1),
            '"Play again" plays from the start, fading in');
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => document.body.dataset.state === 'ended');
      check(faulty(log).length === 0, `playing gives no error or missing file ${faulty(log).join('; ')}`);
      await page.close();
    }
  }
} finally {
  await browser.close();
  server.close();
}
process.exit(faults.length ? 1 : 0);
