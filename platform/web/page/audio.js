// The game's sound device on Web Audio (web_audio.cpp calls these methods of QF): one voice per
// sound, copies of an effect sharing its samples. Browsers let a page make sound only after a
// key, a click or a touch on it, so the audio context opens then.
'use strict';

Object.assign(QF, {
  audioAvailable() {
    return typeof AudioContext === 'function';
  },

  // Browsers let a page make sound only after a key or a click on it.
  unlockAudio() {
    document.getElementById('unlock').hidden = true;
    if (!this.audioAvailable()) return;
    if (!this.audioContext) {
      this.audioContext = new AudioContext();
      this.gain = this.audioContext.createGain();
      this.gain.gain.value = this.volume;
      this.gain.connect(this.audioContext.destination);
    }
    if (this.audioContext.state === 'suspended') this.audioContext.resume().catch(() => {});
  },

  // 8-bit (unsigned) or 16-bit (signed, little-endian) PCM, channels interleaved.
  createSound(channels, rate, bits, bytes) {
    const frameBytes = channels * bits / 8;
    const frames = Math.floor(bytes.length / frameBytes);
    if (frames === 0) return 0;
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    const data = [];
    for (let c = 0; c < channels; ++c) {
      const samples = new Float32Array(frames);
      for (let i = 0, at = c * bits / 8; i < frames; ++i, at += frameBytes)
        samples[i] = bits === 16 ? view.getInt16(at, true) / 32768 : (bytes[at] - 128) / 128;
      data.push(samples);
    }
    return this.addVoice({ data, rate, frames, buffer: null });
  },

  addVoice(samples) {
    this.sounds.push({ samples, source: null, endsAt: 0 });
    return this.sounds.length - 1;
  },

  duplicateSound(source) {
    const sound = this.sounds[source];
    return sound ? this.addVoice(sound.samples) : 0;
  },

  buffer(samples) {
    if (!samples.buffer) {
      samples.buffer = this.audioContext.createBuffer(samples.data.length, samples.frames, samples.rate);
      samples.data.forEach((channel, c) => samples.buffer.copyToChannel(channel, c));
    }
    return samples.buffer;
  },

  // Stops the sound's voice and plays it again from the start.
  playSound(handle) {
    const sound = this.sounds[handle];
    if (!sound || !this.audioContext) return;
    this.stats.soundsPlayed += 1;
    this.stats.soundFrames.push(this.stats.frames);
    if (this.stats.soundFrames.length > 200) this.stats.soundFrames.shift();
    this.stopVoice(sound);
    const source = this.audioContext.createBufferSource();
    source.buffer = this.buffer(sound.samples);
    source.connect(this.gain);
    source.start();
    sound.source = source;
    sound.endsAt = this.audioContext.currentTime + sound.samples.frames / sound.samples.rate;
  },

  // The effects volume from the settings, 0 to 1.
  setVolume(volume) {
    this.volume = volume;
    if (this.gain) this.gain.gain.value = volume;
  },

  stopSound(handle) {
    if (this.sounds[handle]) this.stopVoice(this.sounds[handle]);
  },

  stopVoice(sound) {
    if (!sound.source) return;
    sound.source.stop();
    sound.source.disconnect();
    sound.source = null;
  },

  soundPlaying(handle) {
    const sound = this.sounds[handle];
    return !!(sound && sound.source && this.audioContext.currentTime < sound.endsAt);
  },

  releaseSound(handle) {
    this.stopSound(handle);
    if (handle > 0 && handle < this.sounds.length) this.sounds[handle] = null;
  },

  closeAudio() {
    for (let handle = 1; handle < this.sounds.length; ++handle) this.releaseSound(handle);
  }
});
