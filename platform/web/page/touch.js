// Touch controls around the picture (beside it in landscape, below it in portrait, never over
// it) and name entry through the device's own keyboard. Left and right are two large buttons
// that a thumb can slide between: the ship moves at one speed whichever way it goes, as with the
// arrow keys, so a held button says all a slide could, with nothing to look at. The controls give
// the game its keys (platform.h's numbers) directly, whatever keys the player bound; they go
// away while a keyboard or a controller is used and come back at the next touch.
'use strict';

const GAME_KEY = { left: 37, right: 39, fire: 32, pause: 80, enter: 13 };

const Touch = {
  shown: false,
  active: new Map(),  // pointer id -> the game key its finger holds
  presses: [],        // game keys tapped since the game last looked, oldest first
  field: null,        // the text field that raises the device's keyboard for a name
  fieldText: '',
  naming: false,

  init() {
    this.field = document.getElementById('name');
    for (const button of document.querySelectorAll('[data-key]')) {
      button.addEventListener('pointerdown', event => this.down(event, button));
      button.addEventListener('contextmenu', event => event.preventDefault());
    }
    for (const type of ['pointermove', 'pointerup', 'pointercancel'])
      document.addEventListener(type, event => this.moved(event));
    this.field.addEventListener('input', () => this.typed());
    this.field.addEventListener('keydown', event => this.fieldKey(event));
    window.addEventListener('touchstart', () => this.show(true), { passive: true, capture: true });
    // No pinch or double-tap zoom, pull-to-refresh or long-press menu on the game.
    for (const type of ['touchmove', 'gesturestart', 'dblclick'])
      QF.stage.addEventListener(type, event => { if (event.target !== this.field) event.preventDefault(); }, { passive: false });
    this.show(window.matchMedia('(pointer: coarse)').matches && navigator.maxTouchPoints > 0);
  },

  // Shown on a touch device until a key or a pad is used; shown again at the next touch.
  show(shown) {
    if (shown === this.shown) return;
    this.shown = shown;
    document.body.classList.toggle('touch', shown);
    if (!shown) this.release();
    this.showField();
    QF.fit();
  },

  down(event, button) {
    event.preventDefault();
    this.show(true);
    if (!QF.audioContext) QF.unlockAudio();
    const key = GAME_KEY[button.dataset.key];
    this.active.set(event.pointerId, key);
    this.presses.push(key);
    QF.stats.touchedAt.push(QF.stats.frames);
    this.mark();
  },

  // A finger that slides onto the other button steers the other way; one that lifts lets go.
  moved(event) {
    if (!this.active.has(event.pointerId)) return;
    if (event.type !== 'pointermove') {
      this.active.delete(event.pointerId);
    } else {
      const under = document.elementFromPoint(event.clientX, event.clientY);
      const button = under && under.closest('[data-key]');
      const key = button ? GAME_KEY[button.dataset.key] : 0;
      const was = this.active.get(event.pointerId);
      if ((key === GAME_KEY.left || key === GAME_KEY.right) && (was === GAME_KEY.left || was === GAME_KEY.right) && key !== was) {
        this.active.set(event.pointerId, key);
        this.presses.push(key);
      }
    }
    this.mark();
    QF.wakeKeyWaiters();
  },

  release() {
    this.active.clear();
    this.mark();
    QF.wakeKeyWaiters();
  },

  mark() {
    const held = new Set(this.active.values());
    for (const button of document.querySelectorAll('[data-key]'))
      button.classList.toggle('held', held.has(GAME_KEY[button.dataset.key]));
  },

  holds(key) {
    for (const held of this.active.values()) if (held === key) return true;
    return false;
  },

  nextPress() {
    return this.presses.length > 0 ? this.presses.shift() : 0;
  },

  // ---- The name, typed on the device's keyboard ----

  setNaming(naming) {
    this.naming = naming;
    this.showField();
  },

  showField() {
    const show = this.naming && this.shown;
    const box = document.getElementById('naming');
    if (show === !box.hidden) return;
    box.hidden = !show;
    if (show) {
      this.field.value = this.fieldText = '';
      this.field.focus({ preventScroll: true });
    } else {
      this.field.blur();
    }
  },

  // The field's text changed: what was taken off its end is Backspaces, what was added typed
  // characters, as the game would have them from keys.
  typed() {
    const before = [...this.fieldText], after = [...this.field.value];
    let same = 0;
    while (same < before.length && same < after.length && before[same] === after[same]) ++same;
    for (let i = same; i < before.length; ++i) QF.characters.push(8);
    for (const c of after.slice(same)) QF.characters.push(c.codePointAt(0));
    this.fieldText = this.field.value;
  },

  // Enter finishes the name and closes the device's keyboard.
  fieldKey(event) {
    event.stopPropagation();
    if (event.key !== 'Enter') return;
    event.preventDefault();
    this.presses.push(GAME_KEY.enter);
    this.setNaming(false);
  },
};
