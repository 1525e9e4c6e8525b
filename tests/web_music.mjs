// The page's music calls (web/library.js) over a stand-in AudioContext whose gain follows WebAudio's
// automation rules, with the clock set by hand: the fades' shapes and times, the halts, the error
// messages the demo prints. Runs in Node.js without a browser: node tests/web_music.mjs
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

// WebAudio's rules for the calls library.js makes: a value holds from its time, a linear ramp runs
// from the event before it; cancelScheduledValues(t) drops the events from t on.
class Param {
  constructor(context, value) { this.context = context; this.events = [{ time: 0, value }]; }
  setValueAtTime(value, time) { this.events.push({ time, value }); }
  linearRampToValueAtTime(value, time) { this.events.push({ time, value, ramp: true }); }
  cancelScheduledValues(time) { this.events = this.events.filter((e) => e.time < time); }
  set value(v) { this.events = [{ time: 0, value: v }]; }
  get value() {
    const t = this.context.currentTime;
    let before = this.events[0];
    for (const e of this.events) {
      if (e.time <= t) { before = e; continue; }
      if (!e.ramp) break;
      return before.value + (e.value - before.value) * (t - before.time) / (e.time - before.time);
    }
    return before.value;
  }
}
class Node { connect() {} disconnect() {} }
class Context {
  constructor() { this.currentTime = 0; this.state = 'suspended'; this.sources = []; }
  resume() { this.state = 'running'; }
  createGain() { const g = new Node(); g.gain = new Param(this, 1); return g; }
  createBufferSource() {
    const s = new Node();
    s.start = (t, offset = 0) => { s.started = t; s.offset = offset; };
    s.stop = (t = this.currentTime) => { s.stopAt = t; };
    this.sources.push(s);
    return s;
  }
  decodeAudioData(bytes) {
    const text = new TextDecoder().decode(bytes);
    return text.startsWith('OggS') ? Promise.resolve({ duration: 100 }) : Promise.reject(new Error('bad audio'));
  }
}

// library.js as Emscripten links it: its functions and objects, with the runtime pieces they use.
function load() {
  const lib = {};
  const strings = new Map();
  const files = { 'data/good.ogg': 'OggS...', 'data/bad.ogg': 'noise' };
  const g = {
    mergeInto: (_, entries) => Object.assign(lib, entries),
    LibraryManager: {},
    window: { AudioContext: Context },
    SDL: { errorMessage: 0 },
    Module: {},
    _free: (p) => strings.delete(p),
    allocateUTF8: (s) => { const p = strings.size + 100; strings.set(p, s); return p; },
    UTF8ToString: (p) => strings.get(p),
    FS: { readFile: (path) => { if (!(path in files)) throw new Error('ENOENT'); return new TextEncoder().encode(files[path]); } },
    // wakeUp's value is what the call returns; asynchronous wake-ups resolve the promise handed back here.
    Asyncify: { handleSleep: (start) => new Promise((resolve) => start(resolve)) },
  };
  Object.assign(globalThis, g);
  new Function(readFileSync(new URL('../web/library.js', import.meta.url), 'utf8'))();
  for (const [name, value] of Object.entries(lib)) if (!name.includes('__')) globalThis[name.replace(/^\$/, '')] = value;
  const path = (s) => g.allocateUTF8(s);
  return { lib, audio: globalThis.MoriqAudio, error: () => strings.get(g.SDL.errorMessage), path };
}

test('fades in over the time asked from silence, and out from the gain reached, then halts', async () => {
  const { lib, audio, path } = load();
  audio.unlock();
  assert.equal(lib.Mix_OpenAudio(44100, 0x8010, 2, 4096), 0);
  const music = await lib.Mix_LoadMUS(path('data/good.ogg'));
  assert.ok(music > 0);
  const context = audio.context;
  context.currentTime = 10;
  assert.equal(lib.Mix_FadeInMusic(music, 1, 1000), 0);
  assert.equal(context.sources[0].loop, false);
  const at = (t) => { context.currentTime = t; return audio.state(); };
  assert.equal(at(10).gain, 0);
  assert.ok(Math.abs(at(10.5).gain - 0.5) < 1e-9);
  assert.equal(at(12).gain, 1);
  assert.equal(at(12).time, 2);
  assert.equal(at(12).playing, true);

  // A fade-out asked for while still fading in starts from where the fade-in got to.
  at(10.25);
  lib.Mix_FadeOutMusic(5000);
  assert.ok(Math.abs(at(12.75).gain - 0.125) < 1e-9);
  assert.equal(at(15.25).gain, 0);
  assert.equal(context.sources[0].stopAt, 15.25);
});

test('a pause holds the position heard and the fade under way; a play from a position starts there', async () => {
  const { lib, audio, path } = load();
  audio.unlock();
  const music = await lib.Mix_LoadMUS(path('data/good.ogg'));
  const context = audio.context;
  const at = (t) => { context.currentTime = t; return audio.state(); };
  context.currentTime = 5;
  assert.equal(lib.Mix_FadeInMusicPos(music, 1, 1000, 64), 0);
  assert.equal(context.sources[0].offset, 64);
  assert.equal(audio.position(), 64000);
  at(5.5);
  lib.Mix_PauseMusic();
  assert.deepEqual(at(9), { playing: false, paused: true, gain: 0.5, time: 64.5 });
  assert.equal(audio.position(), -1);
  lib.Mix_ResumeMusic();
  assert.equal(context.sources[1].offset, 64.5);
  assert.ok(Math.abs(at(9.25).gain - 0.75) < 1e-9);
  assert.equal(at(9.5).gain, 1);
  assert.equal(audio.position(), 65000);
  // Paused in a fade-out, the rest of it comes after the resume, and the music halts where it ends.
  lib.Mix_FadeOutMusic(2000);
  at(10.5);
  lib.Mix_PauseMusic();
  lib.Mix_ResumeMusic();
  assert.equal(context.sources[2].stopAt, 11.5);
  assert.ok(Math.abs(at(11).gain - 0.25) < 1e-9);
});

test('Escape halts the music at once and keeps a fade-in still to come silent until the next click', async () => {
  const { lib, audio, path } = load();
  audio.unlock();
  const music = await lib.Mix_LoadMUS(path('data/good.ogg'));
  lib.Mix_FadeInMusic(music, 1, 1000);
  audio.stop(true);
  assert.deepEqual(audio.state(), { playing: false, paused: false, gain: 0, time: 0 });
  assert.notEqual(audio.context.sources[0].stopAt, undefined);
  lib.Mix_FadeInMusic(music, 1, 1000);
  assert.equal(audio.state().playing, false);
  audio.unlock();
  lib.Mix_FadeInMusic(music, -1, 1000);
  assert.equal(audio.state().playing, true);
  assert.equal(audio.context.sources[1].loop, true);
  lib.Mix_FreeMusic(music);
  assert.equal(audio.state().playing, false);
});

test('a missing or undecodable file gives no music and the message SDL_GetError returns', async () => {
  const { lib, audio, error, path } = load();
  audio.unlock();
  assert.equal(await lib.Mix_LoadMUS(path('data/missing.ogg')), 0);
  assert.match(error(), /data\/missing\.ogg/);
  assert.equal(await lib.Mix_LoadMUS(path('data/bad.ogg')), 0);
  assert.match(error(), /data\/bad\.ogg: bad audio/);
  assert.equal(lib.Mix_FadeInMusic(0, 1, 1000), -1);
  assert.equal(audio.state().playing, false);
});
