// The page's JavaScript side of the demo (linked with --js-library): the yield to the browser's next
// frame at each buffer swap, and the SDL_mixer music calls the demo makes, played on WebAudio with the
// fades SDL_mixer gives natively. Emscripten's own SDL_mixer has no fade-in and stops at once on fade-out.
mergeInto(LibraryManager.library, {
  // Starts the GL layer in each context SDL_SetVideoMode makes, before SDL_SetVideoMode returns.
  $MoriqGl__deps: ['$Browser'],
  $MoriqGl__postset: 'Browser.moduleContextCreatedCallbacks.push(function() { Module["_moriq_web_gl_start"](); });',
  $MoriqGl: {},

  moriq_next_frame__deps: ['$Asyncify', '$MoriqGl'],
  moriq_next_frame__sig: 'v',
  // Module.onFrame, where a page or benchmark sets it, hears of every frame the demo finishes.
  moriq_next_frame: function() {
    Asyncify.handleSleep(function(wakeUp) {
      if (Module['onFrame']) Module['onFrame'](performance.now());
      requestAnimationFrame(function() { wakeUp(); });
    });
  },

  // The page calls unlock() inside its click handler (browsers start sound only from a user gesture) and
  // stop(true) on Escape, which also keeps a fade-in still to come from starting; state() is what
  // window.moriqSound shows.
  $MoriqAudio__postset: 'Module["moriqAudio"] = MoriqAudio;',
  $MoriqAudio: {
    context: null,
    tracks: [null],  // decoded soundtracks; a Mix_Music handle is an index here, 0 is none
    playing: null,   // {music, source, gain, startedAt, duration, loop, ended}
    halted: false,

    unlock: function() {
      MoriqAudio.halted = false;
      if (!MoriqAudio.context) {
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return;
        MoriqAudio.context = new Context();
      }
      if (MoriqAudio.context.state !== 'running') MoriqAudio.context.resume();
    },

    stop: function(halt) {
      if (halt) MoriqAudio.halted = true;
      var playing = MoriqAudio.playing;
      if (!playing) return;
      MoriqAudio.playing = null;
      playing.gain.gain.cancelScheduledValues(0);
      playing.gain.gain.value = 0;
      playing.source.onended = null;
      playing.source.stop();
      playing.source.disconnect();
      playing.gain.disconnect();
    },

    state: function() {
      var playing = MoriqAudio.playing;
      if (!playing) return {playing: false, gain: 0, time: 0};
      var time = MoriqAudio.context.currentTime - playing.startedAt;
      if (playing.loop) time %= playing.duration;
      return {
        playing: !playing.ended && MoriqAudio.context.state === 'running',
        gain: playing.ended ? 0 : playing.gain.gain.value,
        time: Math.min(time, playing.duration),
      };
    },

    // What SDL_GetError returns next, as Emscripten's SDL keeps it.
    fail: function(message) {
      if (SDL.errorMessage) _free(SDL.errorMessage);
      SDL.errorMessage = allocateUTF8(message);
    },
  },

  Mix_OpenAudio__deps: ['$MoriqAudio', '$SDL', 'free'],
  Mix_OpenAudio__sig: 'iiiii',
  Mix_OpenAudio: function(frequency, format, channels, chunksize) {
    MoriqAudio.unlock();
    if (MoriqAudio.context) return 0;
    MoriqAudio.fail('this browser has no WebAudio');
    return -1;
  },

  Mix_CloseAudio__deps: ['$MoriqAudio'],
  Mix_CloseAudio__sig: 'v',
  Mix_CloseAudio: function() {
    MoriqAudio.stop();
  },

  // Decodes the whole file before returning, as SDL_mixer opens it; under Asyncify the demo waits here.
  Mix_LoadMUS__deps: ['$MoriqAudio', '$Asyncify', '$FS', '$SDL', 'free'],
  Mix_LoadMUS__sig: 'ii',
  Mix_LoadMUS: function(filename) {
    return Asyncify.handleSleep(function(wakeUp) {
      var path = UTF8ToString(filename);
      var bytes;
      try {
        bytes = FS.readFile(path);
      } catch (e) {
        MoriqAudio.fail("Couldn't open " + path);
        wakeUp(0);
        return;
      }
      var copy = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
      // decodeAudioData rejects a corrupt file; the older callback form covers browsers without the promise.
      new Promise(function(resolve, reject) {
        var promise = MoriqAudio.context.decodeAudioData(copy, resolve, reject);
        if (promise) promise.then(resolve, reject);
      }).then(function(buffer) {
        MoriqAudio.tracks.push(buffer);
        wakeUp(MoriqAudio.tracks.length - 1);
      }, function(error) {
        MoriqAudio.fail(path + ': ' + (error && error.message ? error.message : 'unrecognized audio format'));
        wakeUp(0);
      });
    });
  },

  Mix_FreeMusic__deps: ['$MoriqAudio'],
  Mix_FreeMusic__sig: 'vi',
  Mix_FreeMusic: function(music) {
    if (!music || !MoriqAudio.tracks[music]) return;
    if (MoriqAudio.playing && MoriqAudio.playing.music === music) MoriqAudio.stop();
    MoriqAudio.tracks[music] = null;
  },

  // loops -1 repeats for ever; otherwise it plays once, as SDL_mixer 1.2 plays loops 0 and 1.
  Mix_FadeInMusic__deps: ['$MoriqAudio', '$SDL', 'free'],
  Mix_FadeInMusic__sig: 'iiii',
  Mix_FadeInMusic: function(music, loops, ms) {
    var buffer = MoriqAudio.tracks[music];
    if (!buffer) {
      MoriqAudio.fail('no music to play');
      return -1;
    }
    MoriqAudio.stop();
    if (MoriqAudio.halted) return 0;
    var context = MoriqAudio.context;
    var now = context.currentTime;
    var source = context.createBufferSource();
    var gain = context.createGain();
    source.buffer = buffer;
    source.loop = loops < 0;
    gain.gain.setValueAtTime(0, now);
    gain.gain.linearRampToValueAtTime(1, now + Math.max(ms, 0) / 1000);
    source.connect(gain);
    gain.connect(context.destination);
    var playing = {music: music, source: source, gain: gain, startedAt: now, duration: buffer.duration,
                   loop: source.loop, ended: false};
    source.onended = function() { playing.ended = true; };
    source.start(now);
    MoriqAudio.playing = playing;
    return 0;
  },

  // From the gain reached to silence over ms, then the music halts, as SDL_mixer does.
  Mix_FadeOutMusic__deps: ['$MoriqAudio'],
  Mix_FadeOutMusic__sig: 'ii',
  Mix_FadeOutMusic: function(ms) {
    var playing = MoriqAudio.playing;
    if (!playing || playing.ended) return 0;
    var now = MoriqAudio.context.currentTime;
    var end = now + Math.max(ms, 0) / 1000;
    var param = playing.gain.gain;
    var reached = param.value;
    param.cancelScheduledValues(now);
    param.setValueAtTime(reached, now);
    param.linearRampToValueAtTime(0, end);
    playing.source.stop(end);
    return 1;
  },
});
