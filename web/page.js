// The page's behaviour around the compiled demo (moriq.js): the click that starts the demo's own main
// with sound and the viewer's controls (its keys, the timeline of timeline.js, #t=SECONDS to start at a
// moment), Escape and full screen, ?at=MS for a still, and the state tests read:
// document.body.dataset.state ("idle", "playing", "ended"), window.moriqSound and window.moriqPlayer.
'use strict';

(function() {
  var body = document.body;
  var canvas = document.getElementById('canvas');
  var button = document.getElementById('start');
  var at = new URLSearchParams(location.search).get('at');
  var ready = new Promise(function(resolve) {
    window.Module = {
      canvas: canvas,
      print: function(text) {
        // Emscripten's SDL notes the calls it leaves out; the native demo prints no such line.
        if (!/^SDL_\w+ called \(and ignored\)$/.test(text)) console.log(text);
      },
      printErr: function(text) { console.error(text); },
      onRuntimeInitialized: resolve,
    };
  });

  // A lost WebGL context (the GPU process restarting, or WEBGL_lose_context) is restored only if the page
  // asks for it; once it is, the GL layer remakes its programs, buffers and the demo's textures.
  // Listened for on the document, in the capture phase, so every play's fresh canvas is covered.
  document.addEventListener('webglcontextlost', function(event) { event.preventDefault(); }, true);
  // Called directly, not through ccall: while the demo's main waits for a frame, ccall would take this
  // call for an asynchronous one and hand it the promise main's own call waits on.
  document.addEventListener('webglcontextrestored', function() {
    if (Module._moriq_web_gl_restored() !== 0) console.error('the picture could not be restored');
  }, true);

  function call(name, args) {
    return Module.ccall(name, 'number', args.map(function() { return 'number'; }), args, {async: true});
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen();
  }
  canvas.addEventListener('dblclick', toggleFullscreen);
  document.addEventListener('keydown', function(event) {
    if (event.key === 'f' || event.key === 'F') toggleFullscreen();
    // The demo itself ends at its next frame (SDL has the key too); the sound stops now.
    if (event.key === 'Escape' && at === null && body.dataset.state === 'playing') Module.moriqAudio.stop(true);
  });

  if (at !== null) {
    body.classList.add('still');
    var ms = /^\d+$/.test(at) ? Number(at) : -1;
    // The still stays readable (screenshots, toDataURL) after the browser has shown it.
    canvas.getContext('webgl2', {alpha: false, depth: true, stencil: false, antialias: false,
                                 preserveDrawingBuffer: true});
    body.dataset.state = 'playing';
    ready.then(function() { return call('moriq_web_still', [ms]); })
         .finally(function() { body.dataset.state = 'ended'; });
    return;
  }

  // One soundtrack format, the first this browser says it can play; fetched while the page waits for the click.
  var probe = new Audio();
  var format = probe.canPlayType('audio/ogg; codecs="vorbis"') ? 'ogg'
             : probe.canPlayType('audio/mp4; codecs="mp4a.40.2"') ? 'm4a' : 'ogg';
  var soundtrack = fetch('soundtrack.' + format)
      .then(function(response) { return response.ok ? response.arrayBuffer() : null; })
      .catch(function() { return null; });

  window.moriqSound = Object.freeze({
    get playing() { return !!window.Module.moriqAudio && Module.moriqAudio.state().playing; },
    get gain() { return window.Module.moriqAudio ? Module.moriqAudio.state().gain : 0; },
    get time() { return window.Module.moriqAudio ? Module.moriqAudio.state().time : 0; },
    format: format,
  });

  // Every play after the first gets a new canvas, so SDL makes a new WebGL context and the GL layer starts
  // from GL's defaults, as the native demo does in a new process.
  var plays = 0;
  function freshCanvas() {
    if (plays++ === 0) return;
    var fresh = canvas.cloneNode(false);
    canvas.replaceWith(fresh);
    canvas = Module.canvas = fresh;
    Module.ctx = null;
    canvas.addEventListener('dblclick', toggleFullscreen);
  }

  // The play list as the demo has it: [{name, start, duration}], for the timeline and #t=.
  function playList() {
    return Module.ccall('moriq_web_playlist', 'string', [], []).trim().split('\n').map(function(line) {
      var f = line.split('\t');
      return {name: f[0], start: Number(f[1]), duration: Number(f[2])};
    });
  }

  // #t=SECONDS (decimals allowed): the moment a play starts at, in ms; a bad one is said and plays from 0.
  function startMoment(length) {
    var match = /^#t=(.*)$/.exec(location.hash);
    if (!match) return 0;
    var ms = /^\d+(\.\d*)?$/.test(match[1]) ? Math.round(Number(match[1]) * 1000) : NaN;
    if (!(ms < length)) {
      console.warn('#t= takes seconds from 0 to below ' + Math.floor(length / 1000) + ', not "' + match[1] +
                   '"; playing from the start');
      return 0;
    }
    return ms;
  }

  function argvOf(args) {
    var argv = Module._malloc(4 * (args.length + 1));
    args.forEach(function(arg, i) { Module.setValue(argv + 4 * i, Module.allocateUTF8(arg), 'i32'); });
    Module.setValue(argv + 4 * args.length, 0, 'i32');
    return argv;
  }

  // The last frame handed to the browser: its moment, and how far ahead of it the music was heard then
  // (null while the music is silent or paused).
  var timeline = null, shown = {ms: -1, paused: false, lag: null};
  function frameShown(now, ms, paused) {
    var heard = Module.moriqAudio.position();
    shown = {ms: ms, paused: paused, lag: ms >= 0 && heard >= 0 ? heard - ms : null};
    timeline.frame(ms, paused);
  }
  window.moriqPlayer = Object.freeze({
    get ms() { return shown.ms; },
    get paused() { return shown.paused; },
    get lag() { return shown.lag; },
    seek: function(ms) { if (timeline) Module.ccall('moriq_web_seek', null, ['number'], [ms]); },
    togglePause: function() { if (timeline) Module.ccall('moriq_web_pause', null, [], []); },
  });
  window.addEventListener('hashchange', function() {
    if (!timeline) return;
    var list = playList(), last = list[list.length - 1];
    if (/^#t=/.test(location.hash)) window.moriqPlayer.seek(startMoment(last.start + last.duration));
  });

  var listener = null;
  function playFrame(now, ms, paused) {
    if (timeline) frameShown(now, ms, paused);
    if (listener) listener(now, ms, paused);
  }

  function play(bytes) {
    // The demo opens its soundtrack where it would natively; a missing download leaves it missing there.
    var path = Module.ccall('moriq_web_soundtrack', 'string', [], []);
    if (bytes) Module.FS.writeFile(path, new Uint8Array(bytes));
    else if (Module.FS.analyzePath(path).exists) Module.FS.unlink(path);
    var list = playList(), last = list[list.length - 1];
    var args = ['moriq-demo', '--controls'];
    var start = startMoment(last.start + last.duration);
    if (start > 0) args.push('--start', String(start / 1000));
    freshCanvas();
    Module.ccall('moriq_web_setup', null, [], []);
    timeline = MoriqTimeline.create(document.getElementById('timeline'), list, window.moriqPlayer.seek,
                                    window.moriqPlayer.togglePause);
    // A benchmark's own frame listener, set before the click, goes on hearing every frame.
    if (Module.onFrame !== playFrame) listener = Module.onFrame;
    Module.onFrame = playFrame;
    return call('main', [args.length, argvOf(args)]);
  }

  ready.then(function() { button.disabled = false; });
  button.addEventListener('click', function() {
    if (body.dataset.state === 'playing') return;
    // Inside the click: the only moment a browser lets sound start.
    Module.moriqAudio.unlock();
    body.dataset.state = 'playing';
    canvas.focus();
    soundtrack.then(play).catch(function(error) { console.error(error); }).finally(function() {
      if (timeline) timeline.remove();
      timeline = null;
      shown = {ms: -1, paused: false, lag: null};
      Module.moriqAudio.stop();
      button.textContent = 'Play again';
      body.dataset.state = 'ended';
      button.focus();
    });
  });
})();
