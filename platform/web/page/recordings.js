// Recordings in the page, in the desktop game's format (docs/recording-format.md): every game
// played here is recorded by the game's session layer, which hands each finished game over with
// its entries unpacked; they are packed here with the browser's own deflate, and "Save recording"
// downloads the .qfr. "Watch a recording" (a file picked or dropped on the page, or ?watch=URL of
// the same origin) starts the page again playing one, and shows its end line.
'use strict';

const WATCH_KEY = 'quellfort/watch';  // a picked or dropped recording, across the page's restart
const WATCH_FILE = 'watch.qfr';

const Recordings = {
  last: null,        // the last finished game's recording, a Blob
  lastName: '',
  lines: [],         // what the game printed last (a replay's end line is among them)

  // The recording to watch, if the page was opened to watch one: its bytes, or null.
  async toWatch() {
    const params = new URLSearchParams(location.search);
    if (!params.has('watch')) return null;
    const url = params.get('watch');
    if (!url) {
      const text = sessionStorage.getItem(WATCH_KEY);
      sessionStorage.removeItem(WATCH_KEY);
      if (text === null) throw new Error('the recording to watch is gone (open it again)');
      return Store.toBytes(text);
    }
    const address = new URL(url, location.href);
    if (address.origin !== location.origin) throw new Error('only a recording of this site can be watched from an address');
    const response = await fetch(address);
    if (!response.ok) throw new Error(url + ': ' + response.status + ' ' + response.statusText);
    return new Uint8Array(await response.arrayBuffer());
  },

  // Puts the recording where the game's --replay reads it.
  install(fs, bytes) {
    fs.writeFile(WATCH_FILE, bytes);
    QF.recordingToWatch = WATCH_FILE;
  },

  async watchFile(file) {
    if (!file) return;
    try {
      if (file.size > 16 * 1024 * 1024) throw new Error('too large to be a recording');
      sessionStorage.setItem(WATCH_KEY, Store.toText(new Uint8Array(await file.arrayBuffer())));
    } catch (error) {
      return QF.note('Cannot watch ' + file.name + ': ' + error.message);
    }
    location.assign(location.pathname + '?watch');
  },

  // ---- Packing and unpacking ----

  // The header's length: magic, format version, rules version, then two texts of 1 + N bytes.
  headerLength(bytes) {
    const program = 16;
    return program + 1 + bytes[program] + 1 + bytes[program + 1 + bytes[program]];
  },

  async pack(bytes) {
    const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  },

  // At most `limit` bytes out, as the desktop's reader allows; a stream that stops short at a
  // flush is a killed game's (the game plays it to its last whole second).
  async inflate(bytes, limit) {
    const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate')).getReader();
    const chunks = [];
    let total = 0, cut = false;
    try {
      for (;;) {
        const { done, value } = await reader.read();
        if (done) break;
        total += value.length;
        if (total > limit) {
          reader.cancel().catch(() => {});
          return { error: 'damaged recording: it unpacks to far more than any recording' };
        }
        chunks.push(value);
      }
    } catch (error) {
      // A killed game's file ends on one of the writer's flushes (the bytes 0 0 255 255); any
      // other failure is damage.
      const n = bytes.length;
      const flushed = n >= 4 && bytes[n - 4] === 0 && bytes[n - 3] === 0 && bytes[n - 2] === 255 && bytes[n - 1] === 255;
      if (total === 0 || !flushed) return { error: 'damaged recording: ' + error.message };
      cut = true;
    }
    const out = new Uint8Array(total);
    let at = 0;
    for (const chunk of chunks) out.set(chunk, at), at += chunk.length;
    return { bytes: out, cut };
  },

  // A finished game: the session so far, its entries unpacked after the header.
  async recorded(bytes) {
    Store.persist();
    const header = this.headerLength(bytes);
    const packed = await this.pack(bytes.subarray(header));
    this.last = new Blob([bytes.subarray(0, header), packed], { type: 'application/octet-stream' });
    const now = new Date();
    const two = n => String(n).padStart(2, '0');
    this.lastName = `quellfort-${now.getFullYear()}${two(now.getMonth() + 1)}${two(now.getDate())}-`
      + `${two(now.getHours())}${two(now.getMinutes())}${two(now.getSeconds())}.qfr`;
    QF.stats.recordings += 1;
    for (const button of document.querySelectorAll('.save-recording')) button.hidden = false;
    Hall.offer();
  },

  save() {
    if (this.last) QF.download(this.last, this.lastName);
  },

  // The game's printed lines: a watched recording's last one is its end line.
  print(text) {
    this.lines.push(text);
    if (this.lines.length > 50) this.lines.shift();
  },

  endLine() {
    const line = [...this.lines].reverse().find(l => /^replay |^quellfort: /.test(l));
    return line ? line.replace(/^quellfort: watch\.qfr: /, '') : '';
  },
};
