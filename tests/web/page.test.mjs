// The page in headless Chromium with software WebGL: it loads clean, shows its download and warns of its
// flashes, draws at its displayed size times the pixel ratio and smaller while frames run late, its stills
// of every scene, overlay and fade match the capture tool's (at 640x480 and 1440x1080), a click or tap plays
// picture and sound, Escape leaves full screen and then stops both, a lost WebGL context comes back, a
// failed download is named, and a play that cannot go on says why.
// Needs a built page (MORIQ_WEB_DIR, default build-web/), the capture tool (MORIQ_CAPTURE, default
// build/moriq-capture) and an X display for it.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { differing, inContext, nativeStill, open, pixels, serve, session, shot as canvas, site } from './browser.mjs';

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

const web = session();

const shot = (page) => canvas(web.browser, page);

// The drawing buffer itself, whatever its displayed size (the still page keeps it: preserveDrawingBuffer).
async function drawn(page) {
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  return pixels(web.browser, Buffer.from(url.split(',')[1], 'base64'));
}

function psnr(a, b) {
  let sum = 0;
  for (let i = 0; i < a.data.length; i += 4)
    for (let c = 0; c < 3; c++) sum += (a.data[i + c] - b.data[i + c]) ** 2;
  return 10 * Math.log10(255 ** 2 / (sum / (a.width * a.height * 3)));
}

const idle = (page) => page.waitForFunction(() => document.body.dataset.state === 'idle', null, { timeout: 60000 });
// The page opened and ready to play.
async function ready(browser, url = web.server.url, size = undefined) {
  const opened = await open(browser, url, size);
  await idle(opened.page);
  return opened;
}
const view = (page) => page.evaluate(() => ({ ...window.moriqView, picture: window.moriqView.picture }));
// The share of the canvas that changed over 200 ms.
async function moving(page) {
  const a = await shot(page);
  await page.waitForTimeout(200);
  return differing(a, await shot(page), 8);
}
// Escape ends the play, and nothing went wrong on the way.
async function escape(page, problems) {
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.body.dataset.state === 'ended');
  assert.deepEqual(problems, []);
}

describe('the page', () => {
  test('loads clean: its download shown, Opus chosen; title, one Play button, no script error', async () => {
    const counted = await serve(site);
    const { page, log, problems } = await ready(web.browser, counted.url);
    assert.equal(await page.evaluate(() => document.getElementById('loading').getAttribute('aria-valuenow')), '100');
    assert.equal(await page.evaluate(() => window.moriqSound.format), 'opus');
    // What a visit weighs is bench/web_play.mjs's to say; here only that the page fetched its files.
    assert.ok(counted.sent['/moriq.wasm'] > 0 && counted.sent['/moriq.data'] > 0, JSON.stringify(counted.sent));
    await counted.close();
    assert.match(await page.title(), /Moriq-demo zu@r/);
    assert.equal(await page.locator('button').count(), 1);
    assert.equal((await page.locator('#start').textContent()).trim(), 'Play');
    assert.deepEqual(problems, []);
    assert.deepEqual(log.filter((l) => l.startsWith('error: ')), []);
    // In a wide window, full screen or not, the picture keeps 4:3 at the window's height, centred, drawn
    // at the size it is shown.
    await page.setViewportSize({ width: 1000, height: 500 });
    const fits = async () => {
      // The page places the canvas when it hears of the new size (resize, fullscreenchange), a moment later.
      await page.waitForFunction(() => document.getElementById('canvas').getBoundingClientRect().height >= 497);
      const box = await page.locator('#canvas').boundingBox();
      const { width, height } = await view(page);
      assert.ok(Math.abs(box.width / box.height - 4 / 3) < 0.01 && box.height >= 497 &&
                Math.abs(box.x + box.width / 2 - 500) <= 1 && width === box.width && height === box.height,
                JSON.stringify({ box, width, height }));
    };
    await fits();
    await page.keyboard.press('f');
    await page.waitForFunction(() => !!document.fullscreenElement);
    await fits();
    await page.dblclick('#canvas', { position: { x: 20, y: 20 } });
    await page.waitForFunction(() => !document.fullscreenElement);
    await page.close();
  });

  test('the photosensitivity warning stands by Play; with reduced motion asked for, whatever the count', async () => {
    const { page } = await open(web.browser, web.server.url);
    const warning = page.locator('#flash-warning');
    assert.match((await warning.textContent()).replace(/\s+/g, ' '),
                 /^Photosensitivity warning: this demo contains flashing light \(\d+ seconds exceed three flashes a second\)\. With "Reduce flashing" on \(or the key R while it plays\), none does\.$/);
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
    const native = [];
    const drawnStills = [];
    for (const ms of MOMENTS) {
      native.push(await nativeStill(web.browser, ms));
      const { page, line, problems } = await open(web.browser, `${web.server.url}index.html?at=${ms}`);
      await line(new RegExp(`^still at ${ms} ms$`));
      drawnStills.push(await shot(page));
      assert.deepEqual(problems, [], `at ${ms} ms`);
      await page.close();
    }
    const figures = MOMENTS.map((ms, i) => `${ms} ms: ${(differing(drawnStills[i], native[i]) * 100).toFixed(2)} %`);
    console.log('pixels off the native still: ' + figures.join(', '));
    for (let i = 0; i < MOMENTS.length; i++) {
      assert.ok(differing(drawnStills[i], native[i]) < LIMIT, `still at ${MOMENTS[i]} ms: ${figures[i]}`);
      // The limit tells scenes apart: the still of the next scene is far off this one.
      if (i < SCENES.length) {
        const other = native[(i + 1) % SCENES.length];
        assert.ok(differing(drawnStills[i], other) > 5 * LIMIT, `${MOMENTS[i]} ms looks like another scene`);
      }
    }
  });

  test('it draws at its displayed size times the pixel ratio, and a still at 1440x1080 matches the tool\'s', async () => {
    await inContext(web.browser, { viewport: { width: 800, height: 600 }, deviceScaleFactor: 2 }, async (sharp) => {
      const { page } = await ready(sharp);
      const { width, height, picture } = await view(page);
      assert.deepEqual([width, height, picture.width, picture.height], [1600, 1200, 1600, 1200]);
    });
    // The picture drawn at the larger size, not scaled up: the greeting's outlines 2.25 times as wide.
    const native = await nativeStill(web.browser, 64000, '1440x1080');
    const { page, line, problems } = await open(web.browser, `${web.server.url}index.html?at=64000&size=1440x1080`);
    await line(/^still at 64000 ms$/);
    const still = await drawn(page);
    assert.deepEqual([still.width, still.height], [1440, 1080]);
    const off = differing(still, native);
    console.log(`1440x1080 still at 64000 ms: ${(off * 100).toFixed(2)} % of pixels off, PSNR ${psnr(still, native).toFixed(1)} dB`);
    assert.ok(off < LIMIT, `${(off * 100).toFixed(2)} % off`);
    assert.deepEqual(problems, []);
    await page.close();
  });

  // Slowed through CDP, real frames run late and the size goes down. Whether real frames then have room
  // depends on what else the machine runs, so the way up and its hysteresis are checked with frame times
  // handed to the page's pacing directly: room after 2 s, then a size that ran late waits twice as long.
  test('with the CPU slowed the drawing size goes down; with room it goes up, a failed size later', async () => {
    const { page, problems } = await ready(web.browser, web.server.url, { width: 1024, height: 768 });
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: 20 });
    await page.click('#start');
    await page.waitForFunction(() => window.moriqView.step > 0 && window.moriqView.width < 1024, null, { timeout: 90000 });
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
    const floor = await page.evaluate(() => {
      const pace = Module.onFrame;
      let now = performance.now();
      Module.onFrame = () => {};
      window.paceFrames = (n, gap) => { for (let i = 0; i < n; i++) pace(now += gap); return window.moriqView.step; };
      return window.paceFrames(400, 40);  // late all along: down to 640x480
    });
    await page.waitForFunction(() => window.moriqView.width === 640);
    const up = await page.evaluate(() => window.paceFrames(300, 16));
    assert.ok(up < floor, `step ${up} after 4.8 s of room at ${floor}`);
    // Late again at the larger size: down, and that size now waits 4 s or more before it is tried again.
    const again = await page.evaluate(() => [window.paceFrames(6, 30), window.paceFrames(200, 16),
                                             window.paceFrames(1200, 16)]);
    assert.deepEqual(again.slice(0, 2), [up + 1, up + 1]);
    assert.ok(again[2] <= up, `step ${again[2]} after 19 s of room`);
    await page.waitForFunction(() => window.moriqView.width > 640);
    await escape(page, problems);
    await page.close();
  });

  test('on a portrait phone a tap plays picture and sound, the picture across the width', async () => {
    await inContext(web.browser, { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true,
                                   hasTouch: true, reducedMotion: 'reduce' }, async (phone) => {
      const { page, problems } = await ready(phone);
      // Reduced motion: the page's own bar does not glide.
      assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('bar')).transitionDuration), '0s');
      await page.tap('#start');
      await page.waitForFunction(() => window.moriqSound.playing && window.moriqSound.time > 2, null, { timeout: 60000 });
      const { picture, width } = await view(page);
      assert.ok(picture.width >= width - 4, JSON.stringify({ picture, width }));
      // The terrain's grey from edge to edge across the middle; black above the picture.
      const shotted = await pixels(web.browser, await page.screenshot());
      const at = (x, y) => shotted.data.subarray((y * shotted.width + x) * 4, (y * shotted.width + x) * 4 + 3);
      const middle = Math.round(shotted.height / 2);
      for (const x of [3, shotted.width - 4]) assert.ok(Math.max(...at(x, middle)) > 60, `${x}: ${at(x, middle)}`);
      assert.ok(Math.max(...at(Math.round(shotted.width / 2), 20)) < 10, 'black above the picture');
      assert.deepEqual(problems, []);
    });
  });

  test('a failed download is named on the page, a refused WebGL 2 said; without its soundtrack the demo plays', async () => {
    // The page served with files missing, once it has settled in state: its note, and whether Play is off.
    const missing = async (files, state) => {
      const served = await serve(site, Object.fromEntries(files.map((f) => [f, null])));
      try {
        const { page } = await open(web.browser, served.url);
        await page.waitForFunction((s) => document.body.dataset.state === s, state, { timeout: 60000 });
        const seen = [await page.locator('#note').textContent(), await page.locator('#start').isDisabled()];
        await page.close();
        return seen;
      } finally {
        await served.close();
      }
    };
    const [failed, off] = await missing(['/moriq.wasm', '/soundtrack.opus'], 'failed');
    assert.match(failed, /moriq\.wasm: the server answered 404/);
    assert.equal(off, true);
    // A browser that refuses WebGL 2: said, not thrown.
    await inContext(web.browser, { viewport: { width: 640, height: 480 } }, async (refusing) => {
      const { page, log, problems } = await open(refusing, `${web.server.url}index.html?at=13000`);
      await page.waitForFunction(() => document.body.dataset.state === 'failed');
      assert.ok(log.includes('error: this browser gives the page no WebGL 2'), log.join('\n'));
      assert.deepEqual(problems, []);
    }, () => {
      const get = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function(type, ...rest) {
        return type === 'webgl2' ? null : get.call(this, type, ...rest);
      };
    });
    assert.match((await missing(['/soundtrack.opus'], 'idle'))[0], /soundtrack\.opus: .*without sound/);
  });

  test('a click plays picture and sound; Escape stops both; Play again starts over', async () => {
    const { page, log, problems } = await ready(web.browser);
    await page.click('#start');
    await page.waitForFunction(() => document.body.dataset.state === 'playing');
    // Past the first scene's one-second fade from black, the terrain moves and the music has faded in.
    await page.waitForFunction(() => window.moriqSound.playing && window.moriqSound.time > 2, null, { timeout: 60000 });
    const sound = await page.evaluate(() => ({ ...window.moriqSound }));
    assert.ok(sound.gain > 0.9, `gain ${sound.gain} after the fade-in`);
    assert.ok(await moving(page) > 0.01, 'the picture moves');
    // In full screen the first Escape only leaves full screen.
    await page.keyboard.press('f');
    await page.waitForFunction(() => !!document.fullscreenElement);
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.fullscreenElement);
    await page.waitForTimeout(200);
    assert.equal(await page.evaluate(() => document.body.dataset.state + ' ' + window.moriqSound.playing), 'playing true');

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
    await escape(page, problems);
    assert.equal(await page.evaluate(() => window.moriqSound.playing), false);
    await page.close();
  });

  test('"Reduce flashing": on for reduced motion, remembered, in step with the timeline\'s switch and R, held in stills', async () => {
    const { page, line, problems } = await ready(web.browser);
    const checked = () => page.locator('#reduce-flashes').isChecked();
    assert.equal(await checked(), false, 'off by default');
    await page.emulateMedia({ reducedMotion: 'reduce' });
    await page.reload();
    await idle(page);
    assert.equal(await checked(), true, 'on for reduced motion');
    // The viewer's choice is remembered over the system's wish.
    await page.locator('#reduce-flashes').uncheck();
    await page.reload();
    await idle(page);
    assert.equal(await checked(), false, 'remembered off');
    await page.locator('#reduce-flashes').check();

    // Playing with it on, the picture moves; R and the timeline's button turn it off and on again.
    await page.click('#start');
    await page.waitForFunction(() => window.moriqPlayer.ms > 1500, null, { timeout: 60000 });
    assert.ok(await moving(page) > 0.01, 'the picture moves');
    const button = page.locator('#timeline .reduce');
    assert.equal(await button.getAttribute('aria-pressed'), 'true');
    await page.keyboard.press('r');
    assert.equal(await button.getAttribute('aria-pressed'), 'false');
    assert.equal(await page.evaluate(() => window.moriqPlayer.reduceFlashes), false);
    await page.mouse.move(320, 200);
    await button.click();
    assert.equal(await checked(), true);
    assert.equal(await page.evaluate(() => localStorage.getItem('moriq-reduce-flashes')), '1');
    await escape(page, problems);

    // Left on, it holds for a still of the most flashing second too, as the capture tool's does.
    const limited = await nativeStill(web.browser, 56000, '640x480', ['--reduce-flashes']);
    const plain = await nativeStill(web.browser, 56000);
    await page.goto(`${web.server.url}index.html?at=56000`);
    await line(/^still at 56000 ms$/);
    const still = await shot(page);
    assert.ok(differing(plain, limited) > 5 * LIMIT, 'the limiter changes the still at 56 s');
    // Software WebGL draws a little differently, and the limiter holds a few cells otherwise: nearer the
    // limited still by far than the plain one.
    const off = differing(still, limited), offPlain = differing(still, plain);
    assert.ok(off * 3 < offPlain, `${(off * 100).toFixed(2)} % off the limited still, ${(offPlain * 100).toFixed(2)} % off the plain`);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a WebGL context lost and restored mid-scene: the demo plays on with its pictures, no error', async () => {
    const { page, log, problems } = await open(web.browser, web.server.url);
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
    assert.ok(await moving(page) > 0.01, 'the picture moves');
    await escape(page, problems);
    assert.deepEqual(log.filter((l) => l.startsWith('error: ')), []);
    await page.close();
  });

  test('a play that cannot go on ends "failed" with its reason: shaders refused, an error thrown', async () => {
    const stopped = async (page) => {
      await page.waitForFunction(() => document.body.dataset.state !== 'playing', null, { timeout: 60000 });
      return page.evaluate(() => document.body.dataset.state + ': ' + document.getElementById('note').textContent);
    };
    // A WebGL 2 whose shaders never compile: the GL layer cannot start in the play's context.
    await inContext(web.browser, { viewport: { width: 640, height: 480 } }, async (refusing) => {
      const { page } = await ready(refusing);
      await page.click('#start');
      assert.match(await stopped(page), /^failed: The demo stopped: the browser's WebGL 2 could not start the picture/);
    }, () => {
      WebGL2RenderingContext.prototype.getShaderParameter = function() { return false; };
    });
    // An exception inside the running program (here from what hears of its frames) is named, not "ended".
    const { page } = await ready(web.browser);
    await page.evaluate(() => {
      let frames = 0;
      window.Module.onFrame = () => { if (++frames === 30) throw new Error('thrown at frame 30'); };
    });
    await page.click('#start');
    assert.match(await stopped(page), /^failed: The demo stopped: .*thrown at frame 30/);
    await page.close();
  });
});
