// The page around the browser game: its data, the canvas and its scaling beside the touch
// controls, keys, sound, the page's notes and menu. The game's web backend (platform/web/*.cpp)
// calls the methods of QF (its sound in audio.js) and of its helpers (storage.js, touch.js,
// pads.js, recordings.js); Module is emscripten's, read by quellfort.js when it loads.
'use strict';

const FRAME_MS = 1000 / 60;
// A display refresh this close before a frame's 60 Hz slot still shows it: refresh times jitter.
const PACE_SLACK_MS = 4;
// Keys by where they are, numbered as the game's settings number them (as Windows does); letters
// go by what they type, as on Windows. The game turns these into its own keys by the bindings.
const KEY_CODES = {
  Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, Pause: 19, CapsLock: 20, Escape: 27, Space: 32,
  PageUp: 33, PageDown: 34, End: 35, Home: 36, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39,
  ArrowDown: 40, Insert: 45, Delete: 46, NumpadMultiply: 106, NumpadAdd: 107, NumpadSubtract: 109,
  NumpadDecimal: 110, NumpadDivide: 111, ShiftLeft: 160, ShiftRight: 161, ControlLeft: 162,
  ControlRight: 163, AltLeft: 164, AltRight: 165, Semicolon: 186, Equal: 187, Comma: 188, Minus: 189,
  Period: 190, Slash: 191, Backquote: 192, BracketLeft: 219, Backslash: 220, BracketRight: 221,
  Quote: 222, IntlBackslash: 226,
};
// Keys the browser keeps for itself: reload, full screen, its tools.
const BROWSER_KEYS = new Set(['F5', 'F11', 'F12']);
// Keys that scroll a page: inside a portal's frame they must never move the page around it.
const SCROLLING_KEYS = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Space', 'PageUp',
                                'PageDown', 'Home', 'End']);
// What the game waits for (platform.h's PlatformInputMode).
const MODE_PLAY = 1, MODE_NAME = 2;

var QF = {
  stage: document.getElementById('stage'),
  canvas: document.getElementById('screen'),
  context: null,
  image: null,
  running: false,   // the game has started and not yet ended
  finished: false,  // the game ended through Escape
  watching: false,  // the game plays a recording
  played: false,    // a game has been played in this page (it may hold scores not yet saved)
  recordingToWatch: '',
  restartWhenHidden: false,
  keys: new Set(),  // key codes held down
  pressed: [],      // key codes pressed since the game last looked, oldest first
  keyWaiters: [],   // {code, resolve} of the game's wait for a release
  sharp: false,     // whole factors only
  characters: [],   // typed code points, Backspace as 8, oldest first
  audioContext: null,
  gain: null,       // every sound goes through it: the player's effects volume
  volume: 1,
  sounds: [null],   // sound h is sounds[h]: {samples, source, endsAt}
  due: 0,           // the time of the next frame's 60 Hz slot, on the refresh clock
  fastFrames: 0,    // frames of the test hook's fast run still to go
  fastDone: null,
  // Figures the test reads: when the first frame was shown and when the recent ones were.
  stats: { firstFrameAt: 0, frames: 0, shownAt: [], hidden: 0, soundsPlayed: 0, soundFrames: [],
           touchedAt: [], workMs: [], recordings: 0, persisted: null },
  resumedAt: 0,     // when the game last got control back from a present

  // ---- Start and end ----

  start(watching) {
    this.running = true;
    this.watching = watching;
    document.getElementById('watching').hidden = !watching;
  },

  // The game has ended (Escape, or the end of a recording watched, or a recording refused).
  finish(status) {
    this.running = false;
    this.finished = true;
    if (this.fastFrames > 0) {  // no more frames come: the test hook's wait ends here
      this.fastFrames = 0;
      this.fastDone();
    }
    this.showCursor(true);
    Touch.setNaming(false);
    document.getElementById('loading').hidden = true;
    document.getElementById('unlock').hidden = true;
    document.getElementById('watching').hidden = true;
    if (this.recordingToWatch) {
      document.getElementById('ended-title').textContent = status === 0 ? 'The recording has been played' : 'The recording was not played to its end';
      document.getElementById('ended-line').textContent = this.watchError || Recordings.endLine() || 'status ' + status;
      document.getElementById('again').textContent = 'Play';
    } else {
      document.getElementById('ended-line').textContent = Store.tableLine();
    }
    document.getElementById('ended').hidden = false;
    document.getElementById('again').focus();
  },

  fail(what) {
    this.finish(-1);
    document.getElementById('ended-title').textContent = 'Quellfort stopped: ' + what;
  },

  // Starts the game again: the page again, playing (a watched recording is left).
  restart() {
    location.assign(location.pathname);
  },

  // One line in the page, in its own panel; the last one stays until it is dismissed.
  note(text) {
    document.getElementById('note-text').textContent = text;
    document.getElementById('note').hidden = false;
    this.stats.notes = (this.stats.notes || []).concat([text]);
  },

  download(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  },

  // What the game waits for now: a name raises the device's keyboard on a touch device.
  setMode(mode) {
    if (mode === MODE_PLAY && !this.watching) this.played = true;
    Touch.setNaming(mode === MODE_NAME && !this.watching);
  },

  showCursor(show) {
    this.stage.style.cursor = show ? '' : 'none';
  },

  // ---- Frames ----

  // Takes the frame now; shows it on the first display refresh at or after its 60 Hz slot, so
  // that a faster display neither speeds the game up nor shows a frame twice as long.
  present(pixels) {
    // The game's own time for the frame: from the last frame's slot to this one, in normal play.
    if (this.resumedAt > 0 && this.fastFrames === 0 && document.visibilityState === 'visible') {
      this.stats.workMs.push(performance.now() - this.resumedAt);
      if (this.stats.workMs.length > 1200) this.stats.workMs.splice(0, 600);
    }
    this.resumedAt = 0;
    this.image.data.set(pixels);
    if (this.fastFrames > 0) return this.fastFrame();
    return new Promise(resolve => {
      const onRefresh = time => {
        if (time < this.due - PACE_SLACK_MS) {
          requestAnimationFrame(onRefresh);
          return;
        }
        this.show(time);
        // A refresh that falls between slots is normal and keeps the slots where they are, so
        // that any display faster than 60 Hz averages 60. More than a frame behind (a stall, a
        // hidden page) the slots start again from now rather than hurry to catch up.
        this.due = time > this.due + FRAME_MS ? time + FRAME_MS : this.due + FRAME_MS;
        this.resumedAt = performance.now();
        resolve(0);
      };
      requestAnimationFrame(onRefresh);
    });
  },

  show(time) {
    this.context.putImageData(this.image, 0, 0);
    if (this.stats.frames++ === 0) {
      this.stats.firstFrameAt = performance.now();
      document.getElementById('loading').hidden = true;
      if (!this.audioContext) document.getElementById('unlock').hidden = false;
    }
    this.stats.shownAt.push(time);
    if (this.stats.shownAt.length > 1200) this.stats.shownAt.splice(0, 600);
  },

  // The test hook: the next ms of the game run as fast as they can, the game's clock moving a
  // frame per frame, so that a test reaches the end of a game without waiting minutes for it.
  fastForward(ms) {
    return new Promise(resolve => {
      this.fastFrames = Math.max(1, Math.round(ms / FRAME_MS));
      this.fastDone = resolve;
    });
  },

  async fastFrame() {
    this.fastFrames -= 1;
    if (this.fastFrames % 30 === 0) {
      this.show(performance.now());
      await new Promise(resolve => setTimeout(resolve, 0));  // the page stays responsive
    }
    if (this.fastFrames === 0) {
      this.due = 0;
      this.resumedAt = 0;
      this.fastDone();
    }
    return 1;
  },

  // Scales the 800 x 600 picture to the largest 4:3 area the window leaves it; whole factors of
  // the display's own pixels stay sharp, others are smoothed. The touch controls take the sides
  // of a wide window and the part below the picture of a tall one.
  fit() {
    const width = this.stage.clientWidth, height = this.stage.clientHeight;
    let area = { x: 0, y: 0, w: width, h: height };
    document.getElementById('bar').style.top = '';
    if (Touch.shown) area = this.placeControls(width, height);
    const ratio = window.devicePixelRatio || 1;
    let scale = Math.min(area.w * ratio / 800, area.h * ratio / 600);
    if (this.sharp && scale >= 1) scale = Math.floor(scale);
    const w = 800 * scale / ratio, h = 600 * scale / ratio;
    Object.assign(this.canvas.style, {
      width: w + 'px', height: h + 'px',
      left: (area.x + (area.w - w) / 2) + 'px',
      top: (area.y + (Touch.shown && width < height ? 0 : (area.h - h) / 2)) + 'px',
      imageRendering: scale >= 1 && Number.isInteger(scale) ? 'pixelated' : 'auto',
    });
  },

  placeControls(width, height) {
    const steer = document.getElementById('steer').style, act = document.getElementById('act').style;
    const place = (style, x, y, w, h) => Object.assign(style, { left: x + 'px', top: y + 'px', width: w + 'px', height: h + 'px' });
    if (width >= height) {
      // As wide as the picture at full height leaves them, but wide enough for two thumbs.
      const side = Math.round(Math.max(130, Math.min(260, (width - height * 4 / 3) / 2)));
      place(steer, 0, 0, side, height);
      place(act, width - side, 0, side, height);
      return { x: side, y: 0, w: width - 2 * side, h: height };
    }
    const picture = Math.min(width * 0.75, height * 0.62);
    place(steer, 0, picture, width / 2, height - picture);
    place(act, width / 2, picture, width / 2, height - picture);
    document.getElementById('bar').style.top = (picture + 8) + 'px';
    return { x: 0, y: 0, w: width, h: picture };
  },

  toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else this.stage.requestFullscreen().catch(() => {});
  },

  // ---- Keys and typed characters ----

  // The settings' picture scaling: sharp (whole factors) or fill.
  setSharp(sharp) {
    this.sharp = sharp;
    this.fit();
  },

  keyCode(event) {
    if (/^[a-z]$/i.test(event.key)) return event.key.toUpperCase().charCodeAt(0);
    let match;
    if ((match = /^Key([A-Z])$/.exec(event.code))) return match[1].charCodeAt(0);
    if ((match = /^Digit([0-9])$/.exec(event.code))) return 48 + Number(match[1]);
    if ((match = /^Numpad([0-9])$/.exec(event.code))) return 96 + Number(match[1]);
    if ((match = /^F([0-9]+)$/.exec(event.code)) && Number(match[1]) <= 12) return 111 + Number(match[1]);
    return KEY_CODES[event.code] || 0;
  },

  // A key that types one character, not a shortcut (AltGr, which some systems report as
  // Ctrl+Alt, still types).
  typesCharacter(event) {
    if ([...event.key].length !== 1 || event.metaKey) return false;
    return !event.ctrlKey || event.getModifierState('AltGraph');
  },

  onKeyDown(event) {
    if (SCROLLING_KEYS.has(event.code)) event.preventDefault();
    if (event.target instanceof HTMLInputElement || (event.target instanceof HTMLButtonElement && event.key === 'Enter')) return;
    if (this.finished) {
      if (event.key === 'Enter') this.restart();
      return;
    }
    Touch.show(false);
    // Alt+Enter switches full screen, as on the desktop; the game does not see that Enter.
    if (event.altKey && (event.code === 'Enter' || event.code === 'NumpadEnter')) {
      event.preventDefault();
      if (!event.repeat) this.toggleFullscreen();
      return;
    }
    // The key that starts the sound is the layer's that asks for it, not the game's.
    if (!this.audioContext) {
      const layerShown = !document.getElementById('unlock').hidden;
      this.unlockAudio();
      if (layerShown) {
        event.preventDefault();
        return;
      }
    }
    const code = this.keyCode(event);
    const shortcut = event.ctrlKey || event.metaKey || BROWSER_KEYS.has(event.code);
    let handled = code !== 0 && !shortcut;
    if (code) {
      if (!event.repeat) this.pressed.push(code);
      this.keys.add(code);
    }
    if (event.key === 'Backspace') this.characters.push(8), handled = true;
    else if (this.typesCharacter(event)) this.characters.push(event.key.codePointAt(0)), handled = true;
    if (handled) event.preventDefault();
  },

  onKeyUp(event) {
    const code = this.keyCode(event);
    if (!code) return;
    event.preventDefault();
    this.keys.delete(code);
    this.wakeKeyWaiters();
  },

  // Nothing stays held once the page has lost the keyboard: no stuck fire.
  releaseKeys() {
    this.keys.clear();
    Touch.release();
    this.wakeKeyWaiters();
  },

  keyDown(code) {
    return this.keys.has(code);
  },

  nextPressedKey() {
    return this.pressed.length > 0 ? this.pressed.shift() : 0;
  },

  // A negative code is a game key of the touch controls.
  keyReleased(code) {
    if (!this.held(code)) return Promise.resolve();
    this.resumedAt = 0;
    return new Promise(resolve => this.keyWaiters.push({ code, resolve }));
  },

  held(code) {
    return code < 0 ? Touch.holds(-code) : this.keys.has(code);
  },

  wakeKeyWaiters() {
    this.keyWaiters = this.keyWaiters.filter(waiter => {
      if (this.held(waiter.code)) return true;
      waiter.resolve();
      return false;
    });
  },

  nextCharacter() {
    return this.characters.length > 0 ? this.characters.shift() : -1;
  },

  // ---- Hidden and closing pages ----

  // The game keeps its table and pauses a game in play; a closing tab is not an exit.
  pageHidden(closing) {
    if (this.running && typeof Module._WebPageHidden === 'function') Module._WebPageHidden(closing);
  },

  // ---- Storage of the settings: settings.ini ----

  storeSettings(fs) {
    Store.storeSettings(fs);
  },

  // ---- The game's files: images/ and qfel.dat, one gzip-compressed tar archive ----

  async fetchData() {
    const response = await fetch('data.tar.gz');
    if (!response.ok) throw new Error('data.tar.gz: ' + response.status);
    const unpacked = response.body.pipeThrough(new DecompressionStream('gzip'));
    return this.untar(new Uint8Array(await new Response(unpacked).arrayBuffer()));
  },

  untar(bytes) {
    const text = (at, length) => {
      let s = '';
      for (let i = at; i < at + length && bytes[i] !== 0; ++i) s += String.fromCharCode(bytes[i]);
      return s;
    };
    const files = [];
    for (let at = 0; at + 512 <= bytes.length;) {
      const name = text(at, 100);
      if (name === '') break;  // the archive's closing zero blocks
      const size = parseInt(text(at + 124, 12).trim() || '0', 8);
      const type = bytes[at + 156];
      const prefix = text(at + 345, 155);
      at += 512;
      if (type === 0 || type === 48 /* '0' */)
        files.push({ path: prefix ? prefix + '/' + name : name, bytes: bytes.subarray(at, at + size) });
      at += Math.ceil(size / 512) * 512;
    }
    return files;
  },

  install(fs, files) {
    for (const file of files) {
      const parts = file.path.split('/');
      for (let i = 1; i < parts.length; ++i) {
        const folder = parts.slice(0, i).join('/');
        if (!fs.analyzePath(folder).exists) fs.mkdir(folder);
      }
      fs.writeFile(file.path, file.bytes);
    }
  },

  init() {
    this.context = this.canvas.getContext('2d', { alpha: false });
    this.image = this.context.createImageData(800, 600);
    this.data = this.fetchData();
    this.watch = Recordings.toWatch();
    this.watch.catch(() => {});
    Touch.init();
    Pads.init();
    this.fit();
    window.addEventListener('resize', () => this.fit());
    document.addEventListener('fullscreenchange', () => this.fit());
    window.addEventListener('keydown', event => this.onKeyDown(event));
    window.addEventListener('keyup', event => this.onKeyUp(event));
    window.addEventListener('blur', () => this.releaseKeys());
    window.addEventListener('storage', event => Store.onStorage(event));
    // A click or touch gives the game the keys back (inside a portal's frame too), and the first
    // one opens the sound; on a touch device it asks for the full screen as well.
    window.addEventListener('pointerdown', event => {
      // After the browser's own focusing of what was clicked.
      if (!(event.target instanceof HTMLInputElement || event.target instanceof HTMLButtonElement))
        setTimeout(() => {
          window.focus();
          this.canvas.focus({ preventScroll: true });
        }, 0);
      if (!this.audioContext) {
        this.unlockAudio();
        if (event.pointerType === 'touch' && !document.fullscreenElement && this.stage.requestFullscreen)
          this.stage.requestFullscreen({ navigationUI: 'hide' }).catch(() => {});
      }
    });
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState !== 'hidden') return;
      this.stats.hidden += 1;
      this.releaseKeys();
      this.pageHidden(0);
      if (this.restartWhenHidden && !this.played) this.restart();
    });
    window.addEventListener('pagehide', () => this.pageHidden(1));
    this.onClick('fullscreen', () => this.toggleFullscreen());
    this.onClick('again', () => this.restart());
    this.onClick('menu-button', () => { document.getElementById('menu').hidden ^= true; });
    this.onClick('note-close', () => { document.getElementById('note').hidden = true; });
    this.onClick('export', () => Store.exportTable());
    this.onClick('import', () => document.getElementById('import-file').click());
    this.onClick('watch', () => document.getElementById('watch-file').click());
    for (const button of document.querySelectorAll('.save-recording'))
      button.addEventListener('click', () => { button.blur(); Recordings.save(); });
    this.onFile('import-file', file => Store.importTable(file));
    this.onFile('watch-file', file => Recordings.watchFile(file));
    window.addEventListener('dragover', event => event.preventDefault());
    window.addEventListener('drop', event => {
      event.preventDefault();
      Recordings.watchFile(event.dataTransfer.files[0]);
    });
    if ('serviceWorker' in navigator && location.protocol !== 'file:')
      navigator.serviceWorker.register('sw.js').catch(error => console.warn('quellfort: no offline copy:', error));
  },

  onClick(id, action) {
    const button = document.getElementById(id);
    button.addEventListener('click', () => {
      button.blur();
      if (button.closest('#menu')) document.getElementById('menu').hidden = true;
      action();
    });
  },

  onFile(id, take) {
    const input = document.getElementById(id);
    input.addEventListener('change', () => {
      const file = input.files[0];
      input.value = '';
      if (file) take(file);
    });
  },
};

QF.init();

var Module = {
  canvas: QF.canvas,
  // The game starts once its files (and a recording to watch) are in place; a missing picture
  // shows black, as on the desktop.
  preRun: [() => {
    Module.addRunDependency('quellfort-data');
    const files = QF.data
      .then(data => QF.install(Module.FS, data))
      .catch(error => console.warn('quellfort: the pictures could not be loaded:', error));
    const watch = QF.watch
      .then(bytes => bytes && Recordings.install(Module.FS, bytes))
      .catch(error => {
        QF.recordingToWatch = 'none';
        QF.watchError = error.message;
      });
    Promise.all([files, watch]).finally(() => {
      Store.loadSettings(Module.FS);
      Module.removeRunDependency('quellfort-data');
    });
  }],
  onAbort: what => QF.fail(String(what)),
  print: text => { Recordings.print(text); console.log(text); },
  printErr: text => { Recordings.print(text); console.warn(text); },
};
