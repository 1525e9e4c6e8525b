// The page's JavaScript side of the demo (linked with --js-library): the yield to the browser's next
// frame at each buffer swap, and the SDL_mixer music calls the demo makes, played on WebAudio with the
// fades SDL_mixer gives natively. Emscripten's own SDL_mixer has no fade-in and stops at once on fade-out.
mergeInto(LibraryManager.library, {
  // Starts the GL layer in each context SDL_SetVideoMode makes, before SDL_SetVideoMode returns.
  $MoriqGl__deps: ['$Browser'],
  $MoriqGl__postset: 'Browser.moduleContextCreatedCallbacks.push(function() { Module["_moriq_web_gl_start"](); });',
  $MoriqGl: {},

  moriq_next_frame__deps: ['$Asyncify', '$MoriqGl'],
  moriq_next_frame__sig: 'vii',
  // Module.onFrame, where a page or benchmark sets it, hears of every frame the demo finishes, with the
  // moment it shows (ms from the first scene's start, -1 outside a play) and whether the play is paused.
  moriq_next_frame: function(ms, paused) {
    Asyncify.handleSleep(function(wakeUp) {
      if (Module['onFrame']) Module['onFrame'](performance.now(), ms, !!paused);
      requestAnimationFrame(function() { wakeUp(); });
    });
  },

  // The demo cannot go on (the GL layer did not start, or not again after a lost context): Module.onFailure,
  // which the page sets, shows why.
  moriq_failed__sig: 'vi',
  moriq_failed: function(why) {
    var text = UTF8ToString(why);
    console.error(text);
    if (Module['onFailure']) Module['onFailure'](text);
  },

  // Where the music is heard, in ms from its start; -1 when none plays (the demo then keeps the wall clock).
  moriq_music_position__deps: ['$MoriqAudio'],
  moriq_music_position__sig: 'd',
  moriq_music_position: function() {
    return MoriqAudio.position();
  },

  // The page calls unlock() inside its click handler (browsers start sound only from a user gesture) and
  // stop(true) on Escape, which also keeps a fade-in still to come from starting; state() is what
  // window.moriqSound shows. The music plays from a position with a gain ramp toward a target gain at a
  // later position (the fades); pausing keeps both, so a fade goes on where it stopped.
  $MoriqAudio__postset: 'Module["moriqAudio"] = MoriqAudio;',
  $MoriqAudio__deps: ['$SDL', 'free'],
  $MoriqAudio: {
    context: null,
    tracks: [null],  // decoded soundtracks; a Mix_Music handle is an index here, 0 is none
    playing: null,   // {music, source, gain, startedAt, duration, loop, ended, paused, ramp}
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

    // Stops the sound of what plays, keeping it (to resume) unless told to drop it.
    silence: function(playing) {
      playing.gain.gain.cancelScheduledValues(0);
      playing.gain.gain.value = 0;
      playing.source.onended = null;
      playing.source.stop();
      playing.source.disconnect();
      playing.gain.disconnect();
    },

    stop: function(halt) {
      if (halt) MoriqAudio.halted = true;
      var playing = MoriqAudio.playing;
      if (!playing) return;
      MoriqAudio.playing = null;
      if (!playing.paused) MoriqAudio.silence(playing);
    },

    // Seconds into the track that are being heard now: the output's latency behind what is played.
    heard: function(playing) {
      if (playing.paused) return playing.pausedAt;
      var context = MoriqAudio.context;
      var time = context.currentTime - (context.outputLatency || 0) - playing.startedAt;
      if (playing.loop) return Math.max(0, time) % playing.duration;
      // Until the output reaches what was started, what is heard is not yet the music: it stays at its start.
      return Math.max(playing.from, Math.min(time, playing.duration));
    },

    // Starts music (a track index) at position seconds with gain, ramping to ramp.gain by ramp.at seconds
    // into the track (then stopping there if ramp.stop).
    start: function(music, position, gain, ramp, loop) {
      var buffer = MoriqAudio.tracks[music];
      var context = MoriqAudio.context;
      var now = context.currentTime;
      var source = context.createBufferSource();
      var node = context.createGain();
      source.buffer = buffer;
      source.loop = loop;
      node.gain.setValueAtTime(gain, now);
      if (ramp) node.gain.linearRampToValueAtTime(ramp.gain, now + Math.max(0, ramp.at - position));
      source.connect(node);
      node.connect(context.destination);
      var playing = {music: music, source: source, gain: node, startedAt: now - position, from: position,
                     duration: buffer.duration, loop: loop, ended: false, paused: false, ramp: ramp};
      source.onended = function() { playing.ended = true; };
      source.start(now, Math.min(position, buffer.duration));
      if (ramp && ramp.stop) source.stop(now + Math.max(0, ramp.at - position));
      MoriqAudio.playing = playing;
    },

    position: function() {
      var playing = MoriqAudio.playing;
      if (!playing || playing.ended || playing.paused || MoriqAudio.context.state !== 'running') return -1;
      return MoriqAudio.heard(playing) * 1000;
    },

    state: function() {
      var playing = MoriqAudio.playing;
      if (!playing) return {playing: false, paused: false, gain: 0, time: 0};
      return {
        playing: !playing.ended && !playing.paused && MoriqAudio.context.state === 'running',
        paused: playing.paused,
        gain: playing.ended ? 0 : playing.paused ? playing.pausedGain : playing.gain.gain.value,
        time: MoriqAudio.heard(playing),
      };
    },

    // From position seconds, the gain rising from silence over ms (at once for 0), as SDL_mixer does.
    fadeIn: function(music, loops, ms, position) {
      if (!MoriqAudio.tracks[music]) {
        MoriqAudio.fail('no music to play');
        return -1;
      }
      MoriqAudio.stop();
      if (MoriqAudio.halted) return 0;
      position = Math.max(0, position);
      var fade = Math.max(ms, 0) / 1000;
      MoriqAudio.start(music, position, fade > 0 ? 0 : 1, fade > 0 ? {gain: 1, at: position + fade} : null, loops < 0);
      return 0;
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
  Mix_FadeInMusic__deps: ['$MoriqAudio'],
  Mix_FadeInMusic__sig: 'iiii',
  Mix_FadeInMusic: function(music, loops, ms) {
    return MoriqAudio.fadeIn(music, loops, ms, 0);
  },

  Mix_FadeInMusicPos__deps: ['$MoriqAudio'],
  Mix_FadeInMusicPos__sig: 'iiiid',
  Mix_FadeInMusicPos: function(music, loops, ms, position) {
    return MoriqAudio.fadeIn(music, loops, ms, position);
  },

  // From the gain reached to silence over ms, then the music halts, as SDL_mixer does.
  Mix_FadeOutMusic__deps: ['$MoriqAudio'],
  Mix_FadeOutMusic__sig: 'ii',
  Mix_FadeOutMusic: function(ms) {
    var playing = MoriqAudio.playing;
    if (!playing || playing.ended) return 0;
    var position = MoriqAudio.heard(playing);
    var ramp = {gain: 0, at: position + Math.max(ms, 0) / 1000, stop: true};
    if (playing.paused) {
      playing.ramp = ramp;
      return 1;
    }
    var now = MoriqAudio.context.currentTime;
    var param = playing.gain.gain;
    var reached = param.value;
    param.cancelScheduledValues(now);
    param.setValueAtTime(reached, now);
    param.linearRampToValueAtTime(0, now + ramp.at - position);
    playing.source.stop(now + ramp.at - position);
    playing.ramp = ramp;
    return 1;
  },

  // Pausing keeps the position, the gain reached and the fade still to come.
  Mix_PauseMusic__deps: ['$MoriqAudio'],
  Mix_PauseMusic__sig: 'v',
  Mix_PauseMusic: function() {
    var playing = MoriqAudio.playing;
    if (!playing || playing.ended || playing.paused) return;
    playing.pausedAt = MoriqAudio.heard(playing);
    playing.pausedGain = playing.gain.gain.value;
    MoriqAudio.silence(playing);
    playing.paused = true;
  },

  Mix_ResumeMusic__deps: ['$MoriqAudio'],
  Mix_ResumeMusic__sig: 'v',
  Mix_ResumeMusic: function() {
    var playing = MoriqAudio.playing;
    if (!playing || !playing.paused || MoriqAudio.halted) return;
    var ramp = playing.ramp && playing.ramp.at > playing.pausedAt ? playing.ramp : null;
    if (playing.ramp && playing.ramp.stop && !ramp) {
      playing.ended = true;
      return;
    }
    MoriqAudio.start(playing.music, playing.pausedAt, playing.pausedGain, ramp, playing.loop);
  },

  // The way to a sync editor in Rocket's WebSocket form: the greetings as text messages, then every
  // command as one binary message. The demo's client polls it once a frame (web/WebSocketTransport.cpp);
  // nothing here waits. State: 0 opening, 1 open (greeted), 2 failed or closed, with a reason.
  $MoriqSync: {
    socket: null,
    state: 2,
    reason: 'not opened',
    inbox: [],

    fail: function(why) {
      if (MoriqSync.state === 2) return;
      MoriqSync.state = 2;
      MoriqSync.reason = why;
    },
  },

  moriq_sync_open__deps: ['$MoriqSync', 'moriq_sync_close'],
  moriq_sync_open: function(host, port) {
    _moriq_sync_close();
    var name = UTF8ToString(host);
    var url = 'ws://' + (name.indexOf(':') >= 0 ? '[' + name + ']' : name) + ':' + port;
    MoriqSync.state = 0;
    MoriqSync.inbox = [];
    var socket;
    try {
      socket = new WebSocket(url);
    } catch (error) {
      MoriqSync.fail(error.message);
      return;
    }
    MoriqSync.socket = socket;
    socket.binaryType = 'arraybuffer';
    socket.onopen = function() { socket.send('hello, synctracker!'); };
    socket.onmessage = function(message) {
      if (MoriqSync.socket !== socket) return;
      if (MoriqSync.state === 0) {
        if (message.data === 'hello, demo!') MoriqSync.state = 1;
        else MoriqSync.fail('the editor greeted with something else');
      } else if (typeof message.data !== 'string') {
        MoriqSync.inbox.push(new Uint8Array(message.data));
      }
    };
    socket.onerror = function() { if (MoriqSync.socket === socket) MoriqSync.fail('connection refused or lost'); };
    socket.onclose = function() {
      if (MoriqSync.socket === socket) MoriqSync.fail('the editor closed the connection');
    };
  },

  moriq_sync_progress__deps: ['$MoriqSync'],
  moriq_sync_progress: function() {
    return MoriqSync.state;
  },

  // One editor message: the bytes of one client command.
  moriq_sync_send__deps: ['$MoriqSync'],
  moriq_sync_send: function(data, size) {
    if (MoriqSync.state !== 1) return -1;
    MoriqSync.socket.send(HEAPU8.slice(data, data + size));
    return size;
  },

  // What has arrived, up to size bytes; -1 once the connection is gone and everything has been read.
  moriq_sync_receive__deps: ['$MoriqSync'],
  moriq_sync_receive: function(data, size) {
    var taken = 0;
    while (taken < size && MoriqSync.inbox.length) {
      var first = MoriqSync.inbox[0];
      var n = Math.min(first.length, size - taken);
      HEAPU8.set(first.subarray(0, n), data + taken);
      taken += n;
      if (n === first.length) MoriqSync.inbox.shift();
      else MoriqSync.inbox[0] = first.subarray(n);
    }
    return taken === 0 && MoriqSync.state === 2 ? -1 : taken;
  },

  moriq_sync_close__deps: ['$MoriqSync'],
  moriq_sync_close: function() {
    var socket = MoriqSync.socket;
    MoriqSync.socket = null;
    MoriqSync.inbox = [];
    MoriqSync.state = 2;
    MoriqSync.reason = 'closed';
    if (socket) socket.close();
  },

  moriq_sync_reason__deps: ['$MoriqSync'],
  moriq_sync_reason: function(out, size) {
    stringToUTF8(MoriqSync.reason, out, size);
  },
});
