// The player's timeline along the bottom of the page: the scenes marked by name, the moment shown and a
// link to it. It appears when the pointer moves or the screen is tapped and hides after 2 s of stillness;
// a click or a drag seeks. page.js makes it for each play and feeds it every frame (frame(ms, paused)).
'use strict';

window.MoriqTimeline = (function() {
  var HIDE_AFTER_MS = 2000;

  // "12.5" for 12500 ms: what #t= takes.
  function seconds(ms) {
    return (Math.round(ms / 100) / 10).toFixed(1);
  }

  function clock(ms) {
    var s = Math.floor(ms / 1000);
    return Math.floor(s / 60) + ':' + String(s % 60).padStart(2, '0');
  }

  // scenes: [{name, start, duration}] in playing order; seek(ms) and togglePause() reach the demo;
  // flashes is the page's "Reduce flashing" switch: {on: true or false, toggle()}.
  function create(root, scenes, seek, togglePause, flashes) {
    var length = scenes.length ? scenes[scenes.length - 1].start + scenes[scenes.length - 1].duration : 0;
    root.textContent = '';
    var pause = document.createElement('button');
    pause.className = 'pause';
    pause.type = 'button';
    pause.setAttribute('aria-label', 'Pause');
    var track = document.createElement('div');
    track.className = 'track';
    scenes.forEach(function(scene) {
      var mark = document.createElement('div');
      mark.className = 'scene';
      mark.style.left = (100 * scene.start / length) + '%';
      mark.style.width = (100 * scene.duration / length) + '%';
      mark.textContent = scene.name;
      track.appendChild(mark);
    });
    var played = document.createElement('div');
    played.className = 'played';
    track.appendChild(played);
    var time = document.createElement('span');
    time.className = 'time';
    var link = document.createElement('a');
    link.className = 'link';
    link.textContent = 'Link';
    link.title = 'A link to the moment shown';
    var reduce = document.createElement('button');
    reduce.className = 'reduce';
    reduce.type = 'button';
    reduce.textContent = 'Reduce flashing';
    reduce.title = 'Holds back what would flash more than three times a second (R)';
    function showSwitch() { reduce.setAttribute('aria-pressed', String(flashes.on)); }
    showSwitch();
    root.append(pause, track, time, reduce, link);

    var hideTimer = 0;
    function show() {
      root.classList.add('shown');
      clearTimeout(hideTimer);
      hideTimer = setTimeout(function() { if (!dragging) root.classList.remove('shown'); }, HIDE_AFTER_MS);
    }

    // A drag sends at most one seek a frame, the latest.
    var dragging = false, wanted = -1;
    function moment(event) {
      var box = track.getBoundingClientRect();
      var x = Math.min(Math.max(event.clientX - box.left, 0), box.width);
      return Math.min(Math.round(length * x / box.width), length - 1);
    }
    track.addEventListener('pointerdown', function(event) {
      dragging = true;
      track.setPointerCapture(event.pointerId);
      wanted = moment(event);
      event.preventDefault();
    });
    track.addEventListener('pointermove', function(event) { if (dragging) wanted = moment(event); });
    function drop() {
      dragging = false;
      show();
    }
    track.addEventListener('pointerup', drop);
    track.addEventListener('pointercancel', drop);
    pause.addEventListener('click', function() { togglePause(); });
    reduce.addEventListener('click', function() { flashes.toggle(); });
    link.addEventListener('click', function() {
      // The address bar keeps the link; where the page may, it goes to the clipboard too.
      if (navigator.clipboard) navigator.clipboard.writeText(link.href).catch(function() {});
    });

    function wake() { show(); }
    document.addEventListener('pointermove', wake);
    document.addEventListener('pointerdown', wake);

    return {
      show: show,
      // The switch changed elsewhere (the page's own, or the key R).
      flashesChanged: showSwitch,
      frame: function(ms, paused) {
        if (wanted >= 0) {
          seek(wanted);
          wanted = -1;
        }
        // Hidden, the bar is left alone: restyling it every frame costs a full-window page its frame rate.
        if (ms < 0 || !root.classList.contains('shown')) return;
        played.style.width = (100 * Math.min(ms, length) / length) + '%';
        var text = clock(ms) + ' / ' + clock(length);
        if (time.textContent !== text) time.textContent = text;
        link.href = '#t=' + seconds(ms);
        pause.classList.toggle('paused', paused);
        pause.setAttribute('aria-label', paused ? 'Play' : 'Pause');
      },
      remove: function() {
        clearTimeout(hideTimer);
        document.removeEventListener('pointermove', wake);
        document.removeEventListener('pointerdown', wake);
        root.classList.remove('shown');
        root.textContent = '';
      },
    };
  }

  return {create: create, seconds: seconds};
})();
