// The browser's storage for the game: the high-score table (the bytes of qfhs.dat, one character
// per byte), the copies of a damaged one, and the settings, each under a key of the game's own
// (game portals put many games on one origin). Storage that is full, switched off or throws
// leaves the game playing on what this page holds in memory, and the page says so once.
'use strict';

const STORAGE_PREFIX = 'quellfort/';
const TABLE_NAME = 'qfhs.dat';
const BACKUP_NAMES = ['qfhs.dat.bak', ...Array.from({ length: 9 }, (_, i) => 'qfhs.dat.bak.' + (i + 1))];

const Store = {
  memory: new Map(),   // what this page stored or read, for when the browser's storage fails
  failure: '',         // why the storage failed last, or ''
  saidFailure: false,
  loaded: null,        // the table last read, until the game takes it

  // ---- Bytes as text: one character per byte, built in slices (a long value overflows the
  // call stack when all of it is passed as arguments at once) ----

  toText(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x2000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x2000));
    return text;
  },

  toBytes(text) {
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 255;
    return bytes;
  },

  // ---- Named values ----

  get(name) {
    try {
      const text = localStorage.getItem(STORAGE_PREFIX + name);
      return text === null ? null : this.toBytes(text);
    } catch (error) {
      this.failed(error);
      return this.memory.has(name) ? this.memory.get(name) : null;
    }
  },

  // Returns '' when stored, else why not.
  set(name, bytes) {
    this.memory.set(name, bytes);
    try {
      localStorage.setItem(STORAGE_PREFIX + name, this.toText(bytes));
      return '';
    } catch (error) {
      this.failed(error);
      return this.failure;
    }
  },

  has(name) {
    return this.get(name) !== null;
  },

  failed(error) {
    this.failure = (error && error.name ? error.name + ': ' : '') + (error && error.message ? error.message : String(error));
    if (this.saidFailure) return;
    this.saidFailure = true;
    QF.note('This browser does not let the page keep its storage (' + this.failure + '): '
      + 'the high-score table lasts only while this page is open.');
  },

  // ---- The table, for the game (web_files.cpp) ----

  loadTable() {
    this.loaded = this.get(TABLE_NAME);
    return this.loaded === null ? -1 : this.loaded.length;
  },

  takeTable() {
    const bytes = this.loaded || new Uint8Array(0);
    this.loaded = null;
    return bytes;
  },

  saveTable(bytes) {
    const refusal = this.set(TABLE_NAME, bytes);
    this.tableKept = !refusal;
    return refusal;
  },

  // Never over a copy kept before.
  keepTableCopy() {
    const bytes = this.get(TABLE_NAME) || new Uint8Array(0);
    const name = BACKUP_NAMES.find(backup => !this.has(backup));
    if (!name) return { kept: false, said: 'qfhs.dat.bak and .bak.1 to .bak.9 are all taken' };
    const refusal = this.set(name, bytes);
    return refusal ? { kept: false, said: refusal } : { kept: true, said: name };
  },

  tableNotSaved(why) {
    this.tableKept = false;
    QF.note('The new high scores could not be kept in this browser: ' + why);
  },

  // What the closing page says of the table.
  tableLine() {
    if (this.tableKept === false || this.failure)
      return 'The high-score table could not be kept in this browser' + (this.failure ? ' (' + this.failure + ')' : '') + '.';
    return 'The high-score table is kept in this browser.';
  },

  // ---- Export and import ----

  exportTable() {
    const bytes = this.get(TABLE_NAME);
    if (!bytes) return QF.note('There is no high-score table to export yet.');
    QF.download(new Blob([bytes], { type: 'application/octet-stream' }), TABLE_NAME);
  },

  // Read by the game's own reader: a damaged file is refused and the table stays; a whole one
  // replaces it and the game starts again on it (a game of this page not yet saved is merged in).
  async importTable(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const at = Module._malloc(Math.max(1, bytes.length));
    Module.HEAPU8.set(bytes, at);
    const whole = file.size <= 65536 && Module._WebTableIsWhole(at, bytes.length) === 1;
    Module._free(at);
    if (!whole) return QF.note('Not imported: ' + file.name + ' is not a whole high-score table; the table is as it was.');
    const refusal = this.set(TABLE_NAME, bytes);
    if (refusal) return QF.note('Not imported: the browser\'s storage refused it (' + refusal + ').');
    QF.restart();
  },

  // Another tab saved the table: a tab that has not played starts again on it, unseen, so that
  // the table it shows is the current one; a tab that played merges its games into it on saving.
  onStorage(event) {
    if (event.key !== STORAGE_PREFIX + TABLE_NAME || QF.played || QF.watching || !QF.running) return;
    QF.restartWhenHidden = true;
    if (document.visibilityState === 'hidden') QF.restart();
  },

  loadSettings(fs) {
    const bytes = this.get('settings.ini');
    if (bytes) fs.writeFile('settings.ini', bytes);
  },

  storeSettings(fs) {
    this.set('settings.ini', fs.readFile('settings.ini'));
  },

  // Asked once, after the first finished game: a browser may then keep the storage when it
  // clears that of sites not visited for a while.
  persist() {
    if (this.askedToPersist || !navigator.storage || !navigator.storage.persist) return;
    this.askedToPersist = true;
    navigator.storage.persist().then(granted => { QF.stats.persisted = granted; }, () => {});
  },
};
