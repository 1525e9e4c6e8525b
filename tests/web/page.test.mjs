// The page in headless Chromium with software WebGL: it loads clean, it warns of its flashes, its stills of
// every scene, overlay and fade match the capture tool's, a click plays picture and sound, Escape stops both,
// a lost WebGL context comes back, and a corrupt picture in its data becomes the checker with the demo's own
// message.
// Needs a built page (MORIQ_WEB_DIR, default build-web/), the capture tool (MORIQ_CAPTURE, default
// build/moriq-capture) and an X display for it.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { differing, launch, open, pixels, serve } from './browser.mjs';

const top = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const site = path.resolve(process.env.MORIQ_WEB_DIR || path.join(top, 'build-web'));
const capture = path.resolve(process.env.MORIQ_CAPTURE || path.join(top, 'build/moriq-capture'));

// One moment a scene shows what it is made of: the terrain with its overlays, the sphere-mapped metaballs,
// the outlined cubes behind the greeting, the cel star, the wireframe metaballs, the rippling background.
const SCENES = [13000, 45000, 64000, 76000, 100000, 112000];
// And a moment of every other overlay and every fade: the terrain's first pictures (the tilted one among
// them, a quad that is no parallelogram), then each scene's fade in and out.
const MOMENTS = [...SCENES, 500, 5000, 34500, 35500, 59500, 60500, 69500, 70500, 84500, 85500, 109500];
// Share of pixels allowed to differ by more than 40 in a channel from the capture tool's still: the page
// measured 0.01 to 0.7 % (wide smooth lines are drawn a little differently), while a still of another
// scene differs from it by more than 20 %.
const LIMIT = 0.02;

let browser;
let server;
before(async () => {
  browser = await launch();
  server = await serve(site);
});
after(async () => {
  await browser?.close();
  await server?.close();
});

// The canvas as the viewer sees it, in a window of the picture's own size.
async function shot(page) {
  return pixels(browser, await page.locator('#canvas').screenshot());
}

function nativeStill(ms, dir) {
  const out = path.join(dir, `native-${ms}.png`);
  execFileSync(capture, ['--at', String(ms), '--out', out], { cwd: top, stdio: ['ignore', 'ignore', 'inherit'] });
  return fs.readFileSync(out);
}

describe('the page', () => {
  test('loads clean: title, one Play button, no script error, no missing file', async () => {
    const { page, log, problems } = await open(browser, server.url);
    await page.waitForLoadState('networkidle');
    assert.match(await page.title(), /Moriq-demo zu@r/);
    const buttons = page.locator('button');
    assert.equal(await buttons.count(), 1);
    assert.equal((await page.locator('#start').textContent()).trim(), 'Play');
    assert.equal(await page.evaluate(() => document.body.dataset.state), 'idle');
    assert.deepEqual(problems, []);
    assert.deepEqual(log.filter((l) => l.startsWith('error: ')), []);
    // In a wide window, full screen or not, the picture keeps 4:3 at the window's height, centred.
    await page.setViewportSize({ width: 1000, height: 500 });
    const fits = async () => {
      const box = await page.locator('#canvas').boundingBox();
      assert.ok(Math.abs(box.width / box.height - 4 / 3) < 0.01 && box.height === 500 &&
                Math.abs(box.x + box.width / 2 - 500) < 1, JSON.stringify(box));
    };
    await fits();
    await page.keyboard.press('f');
    await page.waitForFunction(() => !!document.fullscreenElement);
    await fits();
    await page.dblclick('#canvas');
    await page.waitForFunction(() => !document.fullscreenElement);
    await page.close();
  });

  test('the photosensitivity warning stands by Play; with reduced motion asked for, whatever the count', async () => {
    const { page } = await open(browser, server.url);
    const warning = page.locator('#flash-warning');
    assert.match((await warning.textContent()).replace(/\s+/g, ' '),
                 /^Photosensitivity warning: this demo contains flashing light \(\d+ seconds exceed three flashes a second\)\.$/);
    assert.ok(await warning.isVisible());
    const below = (await warning.boundingBox()).y - (await page.locator('#start').boundingBox()).y;
    assert.ok(below > 0 && below < 120, `${below} px below the button`);
    await page.evaluate(() => { document.getElementById('flash-warning').dataset.flashes = 'ok'; });
    assert.equal(await warning.isVisible(), false);
    await page.emulateMedia({ reducedMotion: 'reduce' });
    assert.ok(await warning.isVisible());
    await page.close();
  });

  test('every scene\'s, overlay\'s and fade\'s still matches the capture tool\'s still of the same moment', async () => {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'moriq-web-'));
    try {
      const native = [];
      const web = [];
      for (const ms of MOMENTS) {
        native.push(await pixels(browser, nativeStill(ms, dir)));
        const { page, line, problems } = await open(browser, `${server.url}index.html?at=${ms}`);
        await line(new RegExp(`^still at ${ms} ms$`));
        web.push(await shot(page));
        assert.deepEqual(problems, [], `at ${ms} ms`);
        await page.close();
      }
      const figures = MOMENTS.map((ms, i) => `${ms} ms: ${(differing(web[i], native[i]) * 100).toFixed(2)} %`);
      console.log('pixels off the native still: ' + figures.join(', '));
      for (let i = 0; i < MOMENTS.length; i++) {
        assert.ok(differing(web[i], native[i]) < LIMIT, `still at ${MOMENTS[i]} ms: ${figures[i]}`);
        // The limit tells scenes apart: the still of the next scene is far off this one.
        if (i < SCENES.length) {
          const other = native[(i + 1) % SCENES.length];
          assert.ok(differing(web[i], other) > 5 * LIMIT, `${MOMENTS[i]} ms looks like another scene`);
        }
      }
    } finally {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  });

  test('a click plays picture and sound; Escape stops both; Play again starts over', async () => {
    const { page, log, problems } = await open(browser, server.url);
    await page.click('#start');
    await page.waitForFunction(() => document.body.dataset.state === 'playing');
    // Past the first scene's one-second fade from black, the terrain moves and the music has faded in.
    await page.waitForFunction(() => window.moriqSound.playing && window.moriqSound.time > 2, null, { timeout: 60000 });
    const sound = await page.evaluate(() => ({ ...window.moriqSound }));
    assert.ok(sound.gain > 0.9, `gain ${sound.gain} after the fade-in`);
    const a = await shot(page);
    await page.waitForTimeout(200);
    const b = await shot(page);
    assert.ok(differing(a, b, 8) > 0.01, 'the picture moves');

    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.body.dataset.state === 'ended');
    assert.equal((await page.locator('#start').textContent()).trim(), 'Play again');
    assert.equal(await page.evaluate(() => window.moriqSound.playing), false);
    const c = await shot(page);
    await page.waitForTimeout(200);
    assert.equal(differing(c, await shot(page), 0), 0, 'the picture stands still after Escape');
    // No scene ended: Escape abandons the play list without reports.
    assert.deepEqual(log.filter((l) => /frames draw/.test(l)), []);

    await page.click('#start');
    await page.waitForFunction(() => document.body.dataset.state === 'playing' && window.moriqSound.playing);
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.body.dataset.state === 'ended' && !window.moriqSound.playing);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a WebGL context lost and restored mid-scene: the demo plays on with its pictures, no error', async () => {
    const { page, log, problems } = await open(browser, server.url);
    await page.click('#start');
    // In the terrain scene while its pictures are up, as a GPU process restart would hit it.
    await page.waitForFunction(() => window.moriqSound.playing && window.moriqSound.time > 3, null, { timeout: 60000 });
    await page.evaluate(() => new Promise((resolve) => {
      const canvas = document.getElementById('canvas');
      const lose = canvas.getContext('webgl2').getExtension('WEBGL_lose_context');
      canvas.addEventListener('webglcontextlost', () => setTimeout(() => lose.restoreContext(), 100), { once: true });
      canvas.addEventListener('webglcontextrestored', () => setTimeout(resolve, 500), { once: true });
      lose.loseContext();
    }));
    assert.equal(await page.evaluate(() => document.body.dataset.state), 'playing');
    assert.ok(await page.evaluate(() => window.moriqSound.playing), 'the music plays on');
    const a = await shot(page);
    let lit = 0;
    for (let i = 0; i < a.data.length; i += 4) if (a.data[i] + a.data[i + 1] + a.data[i + 2] > 120) lit++;
    assert.ok(lit > 0.1 * a.width * a.height, `the canvas is not black: ${lit} bright pixels`);
    await page.waitForTimeout(200);
    assert.ok(differing(a, await shot(page), 8) > 0.01, 'the picture moves');
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.body.dataset.state === 'ended');
    assert.deepEqual(problems, []);
    assert.deepEqual(log.filter((l) => l.startsWith('error: ')), []);
    await page.close();
  });

  test('a corrupt picture in the data becomes the checker, with the demo\'s message, and the demo plays on', async () => {
    // The greeting's picture, cut short inside the page's data package (same length, so nothing else moves).
    const data = fs.readFileSync(path.join(site, 'moriq.data'));
    const picture = fs.readFileSync(path.join(top, 'data/hils.png'));
    const at = data.indexOf(picture);
    assert.ok(at >= 0, 'the greeting picture is in the data package');
    const corrupt = Buffer.from(data);
    corrupt.fill(0, at + 64, at + picture.length);
    const bad = await serve(site, { '/moriq.data': corrupt });
    try {
      const { page, line } = await open(browser, `${bad.url}index.html?at=64000`);
      await line(/^still at 64000 ms$/);
      assert.ok(await line(/PNG: showing a placeholder for data\/hils\.png/, 1));
      const still = await shot(page);
      let magenta = 0;
      for (let i = 0; i < still.data.length; i += 4)
        if (still.data[i] > 200 && still.data[i + 1] < 60 && still.data[i + 2] > 200) magenta++;
      assert.ok(magenta > 0.05 * still.width * still.height, `checker: ${magenta} magenta pixels`);
      await page.close();
    } finally {
      await bad.close();
    }
  });
});
