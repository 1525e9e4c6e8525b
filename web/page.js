// The page's behaviour around the compiled demo (moriq.js): the downloads, shown as they arrive and named
// when one fails; the click or tap that starts the demo's own main with sound and the viewer's controls
// (its keys, the timeline of timeline.js, #t=SECONDS to start at a moment); the drawing size (the canvas's
// displayed size times the device pixel ratio, lowered while frames run late); Escape and full screen; a
// lost WebGL context restored; ?at=MS[&size=WxH] for a still; and the state tests read:
// document.body.dataset.state ("loading", "idle", "playing", "ended", "failed": also a play that could not
// go on, its reason in the note), window.moriqSound,
// window.moriqView and window.moriqPlayer.
'use strict';

(function() {
  var body = document.body;
  var canvas = document.getElementById('canvas');
  var button = document.getElementById('start');
  var query = new URLSearchParams(location.search);
  var at = query.get('at');

  // --- Downloads: every file arrives through fetchBytes, which counts its bytes for the progress bar.

  var downloads = {};

  function showProgress() {
    var loaded = 0;
    var total = 0;
    Object.keys(downloads).forEach(function(name) {
      loaded += downloads[name].loaded;
      total += Math.max(downloads[name].total, downloads[name].loaded);
    });
    var percent = total ? Math.floor(100 * loaded / total) : 0;
    document.getElementById('bar').style.width = percent + '%';
    document.getElementById('loading').setAttribute('aria-valuenow', String(percent));
    if (body.dataset.state === 'loading') say('Loading ' + percent + ' %');
  }

  function joined(parts, length) {
    var bytes = new Uint8Array(length);
    var offset = 0;
    parts.forEach(function(part) {
      bytes.set(part, offset);
      offset += part.length;
    });
    return bytes.buffer;
  }

  // Resolves with the file's bytes; rejects with an error that names the file and what went wrong.
  function fetchBytes(name) {
    var entry = downloads[name] = {loaded: 0, total: 0};
    return fetch(name).then(function(response) {
      if (!response.ok) throw new Error('the server answered ' + response.status + ' ' + response.statusText);
      entry.total = Number(response.headers.get('Content-Length')) || 0;
      if (!response.body || !response.body.getReader) return response.arrayBuffer();
      var reader = response.body.getReader();
      var parts = [];
      function next() {
        return reader.read().then(function(step) {
          if (step.done) return joined(parts, entry.loaded);
          parts.push(step.value);
          entry.loaded += step.value.length;
          showProgress();
          return next();
        });
      }
      return next();
    }).then(function(bytes) {
      entry.loaded = entry.total = bytes.byteLength;
      showProgress();
      return bytes;
    }, function(error) {
      throw new Error(name + ': ' + (/^the server/.test(error.message) ? error.message : 'the download failed'));
    });
  }

  function loadScript(src) {
    return new Promise(function(resolve, reject) {
      var script = document.createElement('script');
      script.src = src;
      script.onload = resolve;
      script.onerror = function() { reject(new Error(src + ': the download failed')); };
      document.head.appendChild(script);
    });
  }

  function say(text) {
    document.getElementById('note').textContent = text;
  }

  function fail(error) {
    console.error(error.message || String(error));
    body.dataset.state = 'failed';
    button.disabled = true;
    say('The demo cannot start: ' + (error.message || String(error)));
  }

  // A play that cannot go on (the picture could not start or come back, the program aborted, threw or
  // trapped) ends "failed" with the reason in the note, not "ended" on a black canvas; Play may try again.
  function stopped(error) {
    var text = (error && error.message) || String(error);
    console.error(text);
    if (body.dataset.state !== 'playing') return;
    body.dataset.state = 'failed';
    say('The demo stopped: ' + text);
  }

  // --- The program: moriq.js compiles the wasm this page fetched, and data.js takes the data package
  // from it too; both run only once their bytes are here, so a failure has one place to show.

  var wasm = fetchBytes('moriq.wasm');
  var data = fetchBytes('moriq.data');
  var runtime = new Promise(function(resolve, reject) {
    window.Module = {
      canvas: canvas,
      print: function(text) {
        // Emscripten's SDL notes the calls it leaves out; the native demo prints no such line.
        if (!/^SDL_\w+ called \(and ignored\)$/.test(text)) console.log(text);
      },
      printErr: function(text) { console.error(text); },
      instantiateWasm: function(imports, receive) {
        Promise.all([wasm, scripts]).then(function(loaded) {
          return WebAssembly.instantiate(loaded[0], imports);
        }).then(function(result) { receive(result.instance, result.module); }, reject);
        return {};
      },
      getPreloadedPackage: function() { return packaged; },
      onRuntimeInitialized: resolve,
      onAbort: function(what) {
        var error = new Error('the program stopped: ' + what);
        reject(error);
        stopped(error);
      },
      onFailure: function(why) { stopped(new Error(why)); },
    };
  });
  var packaged = null;
  // data.js must run before the runtime starts (moriq.js waits for the wasm, which waits for this).
  var scripts = Promise.all([data.then(function(bytes) {
    packaged = bytes;
    return loadScript('data.js');
  }), loadScript('moriq.js')]);
  var ready = Promise.all([runtime, scripts, wasm]);

  // A lost WebGL context (the GPU process restarting, or WEBGL_lose_context) is restored only if the page
  // says it wants it back; the GL layer then remakes what it drew with, and the demo plays on.
  document.addEventListener('webglcontextlost', function(event) { event.preventDefault(); }, true);
  // Called directly, not through ccall: while the demo's main waits for a frame, ccall would take this
  // call for an asynchronous one and hand it the promise main's own call waits on.
  document.addEventListener('webglcontextrestored', function() {
    // A failure is said by the demo itself (Module.onFailure), which then ends the play.
    Module._moriq_web_gl_restored();
  }, true);

  function call(name, args) {
    return Module.ccall(name, 'number', args.map(function() { return 'number'; }), args, {async: true});
  }

  // --- Sizes: the picture is the largest 4:3 area of the canvas (the demo's Raster::pictureArea).

  function pictureArea(width, height) {
    var k = Math.max(0, Math.min(Math.floor(width / 4), Math.floor(height / 3)));
    return {x: Math.floor((width - 4 * k) / 2), y: Math.floor((height - 3 * k) / 2), width: 4 * k, height: 3 * k};
  }

  // The window's largest 4:3 area in device pixels: where the canvas is shown, and the size a sharp picture
  // is drawn at. The black around it is the page's, so no drawing time goes to bars.
  function displaySize() {
    var ratio = window.devicePixelRatio || 1;
    var area = pictureArea(Math.round(window.innerWidth * ratio), Math.round(window.innerHeight * ratio));
    return {x: area.x, y: area.y, width: Math.max(4, area.width), height: Math.max(3, area.height), ratio: ratio};
  }

  // On whole device pixels, so the drawing buffer maps one to one onto the screen.
  function placeCanvas() {
    var shown = displaySize();
    canvas.style.left = shown.x / shown.ratio + 'px';
    canvas.style.top = shown.y / shown.ratio + 'px';
    canvas.style.width = shown.width / shown.ratio + 'px';
    canvas.style.height = shown.height / shown.ratio + 'px';
  }

  // ?size=WxH, or the displayed size; null (and the page says why) for a size it cannot draw.
  function stillSize() {
    var asked = query.get('size');
    if (asked === null) return displaySize();
    var match = /^(\d{1,5})x(\d{1,5})$/.exec(asked);
    var size = match && {width: Number(match[1]), height: Number(match[2])};
    if (size && pictureArea(size.width, size.height).width > 0 && size.width <= 16384 && size.height <= 16384)
      return size;
    fail(new Error('?size= takes WIDTHxHEIGHT, each from 4 to 16384 pixels, not "' + asked + '"'));
    return null;
  }

  // --- Pacing: software WebGL cannot fill a large canvas at 60 fps. While frames run late the canvas is
  // drawn smaller, a fifth at a time, never under 640x480 (nor above the displayed size), and larger
  // again when there is room. Late: the last 30 frames' mean interval over 18.5 ms (under 54 fps). Room:
  // 120 frames (2 s) averaging under 17.2 ms (58 fps) with none over 25 ms, or under half the mean that
  // made the page leave the larger size (the load went away). A size that ran late waits 2 s before it is
  // tried again, twice as long each time it runs late again (at most 64 s), so the size settles.

  var LATE_MS = 18.5;
  var ROOM_MS = 17.2;
  var ROOM_WORST_MS = 25;
  var pacing = {step: 0, gaps: [], last: 0, retry: {}, wait: {}, lateMean: {}};

  function smallestLevel(full) {
    var picture = pictureArea(full.width, full.height);
    if (!picture.width) return 1;
    return Math.min(1, Math.max(640 / picture.width, 480 / picture.height));
  }

  function drawingSize() {
    var full = displaySize();
    var k = Math.max(1, Math.round(full.width / 4 * Math.max(Math.pow(0.8, pacing.step), smallestLevel(full))));
    return {width: 4 * k, height: 3 * k};
  }

  function resetPacing() {
    pacing.gaps = [];
    pacing.last = 0;
  }

  function mean(values) {
    return values.reduce(function(a, b) { return a + b; }, 0) / values.length;
  }

  function stepDown(now, late) {
    var left = pacing.step;
    pacing.wait[left] = Math.min(64000, (pacing.wait[left] || 1000) * 2);
    pacing.retry[left] = now + pacing.wait[left];
    pacing.lateMean[left] = late;
    pacing.step = left + 1;
    resetPacing();
    applySize();
  }

  function stepUp() {
    pacing.step--;
    resetPacing();
    applySize();
  }

  function hasRoom(now) {
    var larger = pacing.step - 1;
    if (larger < 0 || pacing.gaps.length < 120 || now < pacing.retry[larger]) return false;
    var average = mean(pacing.gaps);
    return (average < ROOM_MS && Math.max.apply(null, pacing.gaps) < ROOM_WORST_MS) ||
           average < pacing.lateMean[larger] / 2;
  }

  // Module.onFrame: library.js calls it as each frame is finished, with the time.
  function onFrame(now) {
    var gap = pacing.last ? now - pacing.last : 0;
    pacing.last = now;
    // The first frame, or one after a hidden tab or a pause, says nothing about speed.
    if (!gap || gap > 1000) return;
    pacing.gaps.push(gap);
    if (pacing.gaps.length > 120) pacing.gaps.shift();
    var recent = pacing.gaps.length >= 30 ? mean(pacing.gaps.slice(-30)) : 0;
    if (recent > LATE_MS && Math.pow(0.8, pacing.step) > smallestLevel(displaySize())) stepDown(now, recent);
    else if (hasRoom(now)) stepUp();
  }

  // A new size takes effect at the demo's next frame (MoriqWeb.cpp); before a play, on the canvas itself.
  function applySize() {
    placeCanvas();
    var size = drawingSize();
    if (size.width === canvas.width && size.height === canvas.height) return;
    if (body.dataset.state === 'playing') Module._moriq_web_resize(size.width, size.height);
    else if (body.dataset.state !== 'ended') {
      canvas.width = size.width;
      canvas.height = size.height;
    }
  }

  window.moriqView = Object.freeze({
    get width() { return canvas.width; },
    get height() { return canvas.height; },
    get picture() { return pictureArea(canvas.width, canvas.height); },
    get displayed() { return displaySize(); },
    get step() { return pacing.step; },
  });

  // --- "Reduce flashing": the demo's flash limiter, on by default for viewers whose system asks for reduced
  // motion, remembered between visits; the switch beside Play, the timeline's and the key R show and set it.

  var FLASHES_KEY = 'moriq-reduce-flashes';
  var flashSwitch = document.getElementById('reduce-flashes');
  function storedFlashes() {
    try { return window.localStorage.getItem(FLASHES_KEY); } catch (error) { return null; }
  }
  var flashes = {
    on: storedFlashes() !== null ? storedFlashes() === '1'
                                 : window.matchMedia('(prefers-reduced-motion: reduce)').matches,
    toggle: function() { setFlashes(!flashes.on); },
  };
  function setFlashes(on) {
    flashes.on = on;
    try { window.localStorage.setItem(FLASHES_KEY, on ? '1' : '0'); } catch (error) { /* private browsing */ }
    flashSwitch.checked = on;
    if (timeline) timeline.flashesChanged();
    // Called directly, as the seeks are: the demo takes it at its next frame.
    if (body.dataset.state === 'playing' && Module._moriq_web_reduce_flashes) Module._moriq_web_reduce_flashes(on ? 1 : 0);
  }
  flashSwitch.checked = flashes.on;
  flashSwitch.addEventListener('change', function() { setFlashes(flashSwitch.checked); });

  // --- Full screen and keys.

  function toggleFullscreen() {
    var root = document.documentElement;
    if (document.fullscreenElement) document.exitFullscreen();
    else if (root.requestFullscreen) root.requestFullscreen().catch(function() {});
  }

  // Escape in full screen leaves full screen only (browsers do so themselves and keep the key from the
  // page; where it arrives, the demo must not hear it); Escape otherwise ends the demo, whose own loop
  // ends at its next frame (SDL has the key too), the sound now.
  function onKey(event) {
    if (event.key === 'f' || event.key === 'F') {
      toggleFullscreen();
    } else if ((event.key === 'r' || event.key === 'R') && at === null && body.dataset.state === 'playing') {
      flashes.toggle();
    } else if (event.key === 'Escape' && at === null && body.dataset.state === 'playing') {
      if (document.fullscreenElement) {
        event.stopPropagation();
        event.preventDefault();
        document.exitFullscreen();
      } else {
        Module.moriqAudio.stop(true);
      }
    }
  }

  window.addEventListener('keydown', onKey, true);
  canvas.addEventListener('dblclick', toggleFullscreen);

  // --- A still: ?at=MS draws one moment, silently, as moriq-capture --at MS --size WxH does, through the
  // flash limiter when the switch is on.

  function still(ms) {
    body.classList.add('still');
    placeCanvas();
    var size = stillSize();
    if (!size) return;
    canvas.width = size.width;
    canvas.height = size.height;
    // Made here, before SDL makes it, so the still stays readable (screenshots, toDataURL) once shown.
    var context = canvas.getContext('webgl2', {alpha: false, depth: true, stencil: false, antialias: false,
                                               preserveDrawingBuffer: true});
    if (!context) {
      fail(new Error('this browser gives the page no WebGL 2'));
      return;
    }
    body.dataset.state = 'playing';
    ready.then(function() { return call('moriq_web_still', [ms, size.width, size.height, flashes.on ? 1 : 0]); }, fail)
         .finally(function() { if (body.dataset.state !== 'failed') body.dataset.state = 'ended'; });
  }

  if (at !== null) {
    still(/^\d+$/.test(at) ? Number(at) : -1);
    return;
  }

  // --- Playing: one soundtrack format, the smallest this browser plays, fetched with the rest.

  window.addEventListener('resize', applySize);
  document.addEventListener('fullscreenchange', applySize);
  // Hidden, the browser draws no frames; the gap when it shows the page again is no measure of speed.
  document.addEventListener('visibilitychange', resetPacing);

  var probe = new Audio();
  var format = probe.canPlayType('audio/ogg; codecs="opus"') ? 'opus'
             : probe.canPlayType('audio/ogg; codecs="vorbis"') ? 'ogg'
             : probe.canPlayType('audio/mp4; codecs="mp4a.40.2"') ? 'm4a' : 'ogg';
  // A soundtrack that does not arrive is said on the page; the demo plays silently, as it does natively.
  var soundNote = '';
  var soundtrack = fetchBytes('soundtrack.' + format).catch(function(error) {
    soundNote = error.message + '; the demo plays without sound';
    return null;
  });

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

  // The play under way: its play list and timeline, and the last frame handed to the browser: its moment,
  // and how far ahead of it the music was heard then (null while the music is silent or paused).
  var list = null, length = 0, timeline = null, shown = {ms: -1, paused: false, lag: null};
  // The demo's seeks and pauses are called directly, as the context's restore is (see there).
  window.moriqPlayer = Object.freeze({
    get ms() { return shown.ms; },
    get paused() { return shown.paused; },
    get lag() { return shown.lag; },
    get reduceFlashes() { return flashes.on; },
    seek: function(ms) { if (timeline) Module._moriq_web_seek(ms); },
    togglePause: function() { if (timeline) Module._moriq_web_pause(); },
  });
  window.addEventListener('hashchange', function() {
    if (timeline && /^#t=/.test(location.hash)) window.moriqPlayer.seek(startMoment(length));
  });

  // Every frame: the pacing, the timeline, and a benchmark's own listener set before the click.
  var listener = null;
  function playFrame(now, ms, paused) {
    onFrame(now);
    if (timeline) {
      var heard = Module.moriqAudio.position();
      shown = {ms: ms, paused: paused, lag: ms >= 0 && heard >= 0 ? heard - ms : null};
      timeline.frame(ms, paused);
    }
    if (listener) listener(now, ms, paused);
  }

  function play(bytes) {
    // The demo opens its soundtrack where it would natively; a missing download leaves it missing there.
    var path = Module.ccall('moriq_web_soundtrack', 'string', [], []);
    if (bytes) Module.FS.writeFile(path, new Uint8Array(bytes));
    else if (Module.FS.analyzePath(path).exists) Module.FS.unlink(path);
    freshCanvas();
    pacing.step = 0;
    resetPacing();
    var size = drawingSize();
    canvas.width = size.width;
    canvas.height = size.height;
    if (Module.onFrame !== playFrame) listener = Module.onFrame;
    Module.onFrame = playFrame;
    Module.ccall('moriq_web_setup', null, [], []);
    // moriq-demo --native: the demo opens the canvas at the size it has and fits the picture into it.
    list = playList();
    length = list[list.length - 1].start + list[list.length - 1].duration;
    var args = ['moriq-demo', '--native', '--controls'];
    var from = startMoment(length);
    if (from > 0) args.push('--start', String(from / 1000));
    // ?sync follows a sync editor's WebSocket at 127.0.0.1:1339, ?sync=HOST:PORT elsewhere.
    if (query.has('sync')) args.push('--sync', query.get('sync') || '127.0.0.1:1339');
    timeline = MoriqTimeline.create(document.getElementById('timeline'), list, window.moriqPlayer.seek,
                                    window.moriqPlayer.togglePause, flashes);
    Module._moriq_web_reduce_flashes(flashes.on ? 1 : 0);
    return call('main', [args.length, argvOf(args)]);
  }

  function start() {
    if (body.dataset.state === 'playing' || button.disabled) return;
    // Inside the click or tap: the only moment a browser lets sound start, or a phone go full screen.
    Module.moriqAudio.unlock();
    if (window.matchMedia('(pointer: coarse)').matches && !document.fullscreenElement) toggleFullscreen();
    body.dataset.state = 'playing';
    canvas.focus();
    soundtrack.then(play).catch(stopped).finally(function() {
      if (timeline) timeline.remove();
      timeline = null;
      shown = {ms: -1, paused: false, lag: null};
      Module.moriqAudio.stop();
      button.textContent = 'Play again';
      if (body.dataset.state !== 'failed') body.dataset.state = 'ended';
      button.focus();
    });
  }

  showProgress();
  applySize();
  Promise.all([ready, soundtrack]).then(function() {
    body.dataset.state = 'idle';
    say(soundNote);
    applySize();
    button.disabled = false;
  }, fail);
  button.addEventListener('click', start);
})();
