// The player on the page in headless Chromium with software WebGL: #t= starts a play at a moment of each
// scene; paused, a seek to a moment of each scene shows the capture tool's still of it; keys and the
// timeline pause and seek; the timeline shows on a pointer move and hides 2 s after; and the music stays
// with the picture through seeks, pauses and a tab the browser froze.
// Needs a built page (MORIQ_WEB_DIR, default build-web/), the capture tool (MORIQ_CAPTURE, default
// build/moriq-capture) and an X display for it.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { differing, nativeStill, open, session, shot } from './browser.mjs';

// A moment of each scene, and the share of pixels allowed off the capture tool's still (as page.test.mjs).
const MOMENTS = [13000, 45000, 64000, 76000, 100000, 112000];
const LIMIT = 0.02;
// Sound early or late by more than this is noticed (ITU-R BT.1359).
const SYNC_MS = 45;

const web = session();
const state = (page) => page.evaluate(() => ({ ...window.moriqPlayer, sound: { ...window.moriqSound } }));
const showing = (page, test, arg = null) => page.waitForFunction(test, arg, { timeout: 60000 });

async function play(page, hash) {
  await page.evaluate((h) => { location.hash = h; }, hash);
  await page.click('#start');
  await showing(page, () => window.moriqPlayer.ms >= 0);
}

test('#t= starts each scene; paused, a seek shows the still of the moment; keys seek and pause', async () => {
  const { page, problems } = await open(web.browser, web.server.url);
  try {
    for (const ms of MOMENTS) {
      await play(page, `#t=${ms / 1000}`);
      const { ms: first } = await state(page);
      assert.ok(first >= ms && first < ms + 2000, `#t=${ms / 1000} started at ${first} ms`);
      await page.keyboard.press('Escape');
      await showing(page, () => document.body.dataset.state === 'ended');
    }

    await play(page, '#t=1.5');
    await page.keyboard.press('Space');
    await showing(page, () => window.moriqPlayer.paused);
    const held = await state(page);
    const a = await shot(web.browser, page);
    await page.waitForTimeout(400);
    const later = await state(page);
    assert.equal(later.ms, held.ms, 'the picture holds');
    assert.equal(later.sound.playing, false, 'the music holds');
    assert.equal(later.sound.time, held.sound.time);
    assert.equal(differing(a, await shot(web.browser, page), 0), 0);

    const figures = [];
    for (const ms of MOMENTS) {
      const native = await nativeStill(web.browser, ms);
      await page.evaluate((t) => window.moriqPlayer.seek(t), ms);
      await showing(page, (t) => window.moriqPlayer.ms === t, ms);
      const off = differing(await shot(web.browser, page), native);
      figures.push(`${ms} ms: ${(off * 100).toFixed(2)} %`);
      assert.ok(off < LIMIT, `seek to ${ms} ms: ${(off * 100).toFixed(2)} % off the still`);
    }
    console.log('sought moments off the capture tool\'s stills: ' + figures.join(', '));

    // Keys, still paused: the arrows move 5 s, a digit goes to its scene's start, Home to the start.
    for (const [key, ms] of [['ArrowLeft', 107000], ['ArrowRight', 112000], ['Digit3', 60000], ['Home', 0]]) {
      await page.keyboard.press(key);
      await showing(page, (t) => window.moriqPlayer.ms === t, ms);
    }
    assert.equal((await state(page)).paused, true);
    await page.keyboard.press('KeyK');
    await showing(page, () => !window.moriqPlayer.paused && window.moriqPlayer.ms > 200);
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
  }
});

test('the timeline shows on a pointer move, hides 2 s after, seeks on a click and links to the moment', async () => {
  const { page, problems } = await open(web.browser, web.server.url);
  await play(page, '#t=20');
  const bar = page.locator('#timeline');
  await page.mouse.move(320, 200);
  await showing(page, () => document.getElementById('timeline').classList.contains('shown'));
  const names = await bar.locator('.scene').allTextContents();
  assert.deepEqual(names, ['Heightfield', 'Metaballs', 'Greetings', 'CelScene', 'Metaballs', 'FunkyBackground']);
  // A click three quarters along the track seeks there.
  const track = await bar.locator('.track').boundingBox();
  await page.mouse.click(track.x + track.width * 0.75, track.y + track.height / 2);
  await showing(page, () => Math.abs(window.moriqPlayer.ms - 86250) < 2000);
  const { ms } = await state(page);
  const link = await bar.locator('.link').getAttribute('href');
  assert.ok(Math.abs(Number(link.replace('#t=', '')) * 1000 - ms) < 1000, `${link} at ${ms} ms`);
  await page.waitForTimeout(2300);
  assert.equal(await bar.evaluate((e) => e.classList.contains('shown')), false, 'hidden after 2 s still');
  assert.deepEqual(problems, []);
  await page.close();
});

test('the music stays with the picture through 10 seeks, 3 pauses and a frozen tab; a bad #t= plays from 0',
     async () => {
  const { page, log, problems } = await open(web.browser, web.server.url);
  await play(page, '#t=later');
  assert.ok(log.some((l) => /#t= takes seconds from 0 to below 115, not "later"/.test(l)), log.join('\n'));
  assert.ok((await state(page)).ms < 2000);
  // The median over a dozen frames of how far the music heard is ahead of the picture shown.
  const lag = async () => {
    const lags = [];
    while (lags.length < 12) {
      const { lag: l } = await state(page);
      if (l !== null) lags.push(l);
      await page.waitForTimeout(30);
    }
    lags.sort((x, y) => x - y);
    return lags[6];
  };
  const lags = [];
  const cdp = await page.context().newCDPSession(page);
  for (let i = 0; i < 10; i++) {
    await page.evaluate((t) => window.moriqPlayer.seek(t), [5000, 40000, 2000, 70000, 61000, 90000, 30000,
                                                            105000, 50000, 20000][i]);
    await page.waitForTimeout(300);
    if (i % 3 === 0) {
      await page.keyboard.press('Space');
      await page.waitForTimeout(300);
      await page.keyboard.press('Space');
    }
    if (i === 5) {
      await cdp.send('Page.setWebLifecycleState', { state: 'frozen' });
      await new Promise((resolve) => setTimeout(resolve, 1000));
      await cdp.send('Page.setWebLifecycleState', { state: 'active' });
    }
    await page.waitForTimeout(300);
    lags.push(await lag());
  }
  console.log('music ahead of the picture after each step (ms): ' + lags.map((l) => l.toFixed(0)).join(', '));
  for (const l of lags) assert.ok(Math.abs(l) <= SYNC_MS, `music ${l} ms off the picture`);
  assert.deepEqual(problems, []);
  await page.close();
});
