// Game controllers through the Gamepad API: only their raw state is read here (the standard
// layout's buttons and the left stick); what it means is the desktop game's own mapping,
// compiled into the game (platform/common/pad.cpp, reached through web_pad.cpp).
'use strict';

const Pads = {
  unplugged: 0,  // pads gone since the game last looked
  used: false,   // a pad has been pressed: the touch controls step aside

  init() {
    window.addEventListener('gamepaddisconnected', () => { this.unplugged += 1; });
  },

  // For each connected pad: the buttons pressed as bits of their standard numbers, the left
  // stick's x and y and the right trigger, scaled to -32767..32767 as the desktop reads them.
  read() {
    const pads = navigator.getGamepads ? Array.from(navigator.getGamepads() || []) : [];
    const state = [];
    for (const pad of pads) {
      if (!pad || pad.connected === false) continue;
      let pressed = 0;
      pad.buttons.forEach((button, i) => {
        if (i < 31 && (button.pressed || button.value > 0.5)) pressed |= 1 << i;
      });
      const axis = i => Math.round(Math.max(-1, Math.min(1, Number(pad.axes[i]) || 0)) * 32767);
      const trigger = pad.buttons[7] ? Math.round(pad.buttons[7].value * 32767) : 0;
      state.push([pressed, axis(0), axis(1), trigger]);
      if (pressed !== 0) this.use();
    }
    return state;
  },

  use() {
    if (this.used && !Touch.shown) return;
    this.used = true;
    Touch.show(false);
  },

  takeUnplugged() {
    const count = this.unplugged;
    this.unplugged = 0;
    return count;
  },
};
