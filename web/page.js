// page.js -- the page around the canvas: the status and failure lines, the
// caption (seed, link, pause/play) that a mouse move or a tap brings up, the
// keys, full screen, the touch gestures, and the calls of a wallpaper's host
// (Lively Wallpaper, Wallpaper Engine). It sets up Module and loads
// boxcity.js, the program itself.
'use strict';
(function () {
  var canvas = document.getElementById('city');
  var caption = document.getElementById('caption');
  var seedText = document.getElementById('seed');
  var link = document.getElementById('link');
  var play = document.getElementById('play');
  var status = document.getElementById('status');
  var error = document.getElementById('error');
  var CAPTION_MS = 3000;
  var DOUBLE_TAP_MS = 400;                // second tap within this time ...
  var DOUBLE_TAP_PX = 40;                 // ... and this distance
  var failed = false;
  var hideTimer = 0;
  var lastTap = null;                     // time and place of the last tap
  var touch = null;                       // the touch under way: where it began, a drag or pinch
  var hinting = false;                    // "tap to play" is shown
  // Behind a desktop's windows nobody reads a caption or asks for full screen.
  var wallpaper = document.documentElement.hasAttribute('data-wallpaper');
  // Lively's resolution list (LivelyProperties.json), which gives the index.
  var LIVELY_RESOLUTIONS = ['native', '2560x1920', '1920x1440', '1280x960', '1024x768', '640x480'];

  // A reader who asks for less motion gets a still picture until they ask for more.
  var reduced = window.matchMedia && matchMedia('(prefers-reduced-motion: reduce)').matches;

  // One line saying what went wrong, and nothing runs.
  window.boxcityFail = function (line) {
    if (failed) return;
    failed = true;
    status.hidden = true;
    caption.hidden = true;
    error.textContent = line;
    error.hidden = false;
    canvas.hidden = true;
  };
  window.boxcityStatus = function (line) {
    status.textContent = line;
    status.hidden = line === '';
  };
  // The program says whether it is paused: at the first picture and at
  // every change.
  window.boxcityPaused = function (paused, first) {
    play.textContent = paused ? 'Play' : 'Pause';
    if (first && paused && reduced && !new URLSearchParams(location.search).has('pause')) {
      hinting = true;
      window.boxcityStatus('Paused, as this device asks for reduced motion: press Space or tap to play');
    } else if (!paused && hinting) {
      hinting = false;
      window.boxcityStatus('');
    }
  };

  var running = function () { return window.Module && Module.calledRun && !failed; };
  var togglePause = function () { if (running()) Module._webTogglePause(); };

  // The seed and a link to this city for a while.
  function showCaption() {
    var seed = canvas.getAttribute('data-seed');
    if (failed || seed === null || hinting || wallpaper) return;
    seedText.textContent = 'seed ' + seed;
    link.href = '?seed=' + seed;
    caption.hidden = false;
    canvas.classList.add('pointer');
    clearTimeout(hideTimer);
    hideTimer = setTimeout(function () {
      caption.hidden = true;
      canvas.classList.remove('pointer');
    }, CAPTION_MS);
  }

  // Where the browser allows it: a phone's may refuse, or not have it at all.
  function toggleFullScreen() {
    var root = document.documentElement;
    var request = root.requestFullscreen || root.webkitRequestFullscreen;
    var exit = document.exitFullscreen || document.webkitExitFullscreen;
    var result;
    if (wallpaper) return;
    if (document.fullscreenElement || document.webkitFullscreenElement) {
      if (exit) result = exit.call(document);
    } else if (request) {
      result = request.call(root);
    }
    if (result && result.catch) result.catch(function () {});
  }

  document.addEventListener('mousemove', showCaption);
  canvas.addEventListener('dblclick', toggleFullScreen);
  play.addEventListener('click', function () {
    togglePause();
    showCaption();
  });
  document.addEventListener('keydown', function (e) {
    if (failed || e.ctrlKey || e.altKey || e.metaKey) return;
    if (e.code === 'Space') {
      e.preventDefault();
      // A held key repeats; only the press itself counts.
      if (!e.repeat) togglePause();
    } else if ((e.key === 'f' || e.key === 'F') && !e.repeat) {
      toggleFullScreen();
    }
  });

  // A tap shows the caption (or plays, where the page waits for one), a
  // double tap toggles full screen. Handled here, so the browser makes no
  // mouse events of its own from them.
  canvas.addEventListener('touchstart', function (e) {
    var t = e.touches[0];
    if (!touch) touch = { x: t.clientX, y: t.clientY, tap: true };
    if (e.touches.length > 1) touch.tap = false;
  });
  canvas.addEventListener('touchend', function (e) {
    e.preventDefault();
    if (e.touches.length > 0 || !touch) return;
    var t = e.changedTouches[0];
    var tap = touch.tap && Math.abs(t.clientX - touch.x) < DOUBLE_TAP_PX &&
              Math.abs(t.clientY - touch.y) < DOUBLE_TAP_PX;
    touch = null;
    if (!tap) return;
    var now = e.timeStamp;
    if (lastTap && now - lastTap.time < DOUBLE_TAP_MS &&
        Math.abs(t.clientX - lastTap.x) < DOUBLE_TAP_PX && Math.abs(t.clientY - lastTap.y) < DOUBLE_TAP_PX) {
      lastTap = null;
      toggleFullScreen();
      return;
    }
    lastTap = { time: now, x: t.clientX, y: t.clientY };
    if (hinting) togglePause();
    else showCaption();
  });
  // Pinching and dragging move nothing: the page is one picture.
  document.addEventListener('touchmove', function (e) {
    e.preventDefault();
    var t = e.touches[0];
    if (touch && (Math.abs(t.clientX - touch.x) >= DOUBLE_TAP_PX ||
                  Math.abs(t.clientY - touch.y) >= DOUBLE_TAP_PX)) touch.tap = false;
  }, { passive: false });
  canvas.addEventListener('touchcancel', function () { touch = null; });
  document.addEventListener('gesturestart', function (e) { e.preventDefault(); });

  // A wallpaper's host sets the frame limit and resolution and pauses the page
  // while the desktop is hidden. Its calls may come before the program runs,
  // which then reads what was kept here; values are checked there, and one
  // out of range stands for the default.
  window.boxcityHost = { values: {}, paused: false };
  function hostChanged() {
    if (running()) Module._webHostChanged();
  }
  function hostSetting(name, value) {
    if (name !== 'fps' && name !== 'resolution') return;
    window.boxcityHost.values[name] = String(value);
    hostChanged();
  }
  function hostPause(paused) {
    if (typeof paused !== 'boolean') return;
    window.boxcityHost.paused = paused;
    hostChanged();
  }
  // Lively: each property by name, a dropdown's by the item's index; the
  // pause as JSON, {"IsPaused": true}.
  window.livelyPropertyListener = function (name, value) {
    hostSetting(name, name === 'resolution' ? LIVELY_RESOLUTIONS[value] : value);
  };
  window.livelyWallpaperPlaybackChanged = function (data) {
    try {
      hostPause((typeof data === 'string' ? JSON.parse(data) : data).IsPaused);
    } catch (e) { /* not a playback state */ }
  };
  // Wallpaper Engine: the properties that changed, each as {value: ...}.
  window.wallpaperPropertyListener = {
    applyUserProperties: function (properties) {
      ['fps', 'resolution'].forEach(function (name) {
        if (properties && properties[name]) hostSetting(name, properties[name].value);
      });
    },
    setPaused: hostPause,
  };

  window.Module = {
    onAbort: function (what) { window.boxcityFail('boxcity stopped: ' + what); },
    reducedMotion: reduced,
  };
  var script = document.createElement('script');
  script.src = 'boxcity.js';
  script.onerror = function () { window.boxcityFail('boxcity.js could not be loaded'); };
  document.body.appendChild(script);
})();
