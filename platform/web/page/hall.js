// The Hall from the page: when the page is served by a Hall (quellfort-server --web), a finished
// game can be sent there ("Send to the Hall"), where the server plays its recording again and
// answers with the game's rank. Served any other way (a plain web server, a portal, file:) the
// page asks once, finds no Hall and shows none of this. The API is in docs/hall-api.md.
'use strict';

const Hall = {
  present: false,
  sending: false,

  // A Hall answers api/version beside the page with its rules version.
  async detect() {
    if (location.protocol === 'file:') return;
    try {
      const response = await fetch('api/version', { cache: 'no-store' });
      const version = response.ok ? await response.json() : null;
      this.present = !!version && typeof version.rulesVersion === 'number';
    } catch (error) {
      this.present = false;
    }
    if (this.present) this.offer();
  },

  // After a finished game (and again after each one), while its recording is the last one kept.
  offer() {
    if (!this.present || !Recordings.last || QF.watching) return;
    document.getElementById('hall-send').hidden = false;
  },

  // The name: what the player types here, or, left empty, the one typed at the game's prompt.
  ask() {
    if (this.sending || !Recordings.last) return;
    const panel = document.getElementById('hall');
    panel.hidden = false;
    document.getElementById('hall-name').focus();
  },

  close() {
    document.getElementById('hall').hidden = true;
    QF.canvas.focus();
  },

  async send() {
    const name = document.getElementById('hall-name').value.trim().slice(0, 10);
    this.close();
    this.sending = true;
    const button = document.getElementById('hall-send');
    button.disabled = true;
    try {
      const query = name ? '?name=' + encodeURIComponent(name) : '';
      const response = await fetch('api/runs' + query, { method: 'POST', body: Recordings.last });
      const answer = await response.json().catch(() => ({}));
      this.answer(response.status, answer, response.headers.get('Retry-After'));
    } catch (error) {
      this.show('The Hall could not be reached');
    } finally {
      this.sending = false;
      button.disabled = false;
    }
  },

  answer(status, answer, retryAfter) {
    if ((status === 201 || status === 200) && typeof answer.rank === 'number') {
      const already = status === 200 ? 'Already in the Hall' : 'The Hall';
      this.show(`${already}: rank ${answer.rank} of all time, score ${answer.score}`, answer.rank);
      document.getElementById('hall-send').hidden = true;
    } else if (status === 429 || status === 503) {
      this.show(`The Hall is busy: try again in ${retryAfter || 'a few'} seconds`);
    } else if (typeof answer.error === 'string') {
      this.show('The Hall refused this game: ' + answer.error);
    } else {
      this.show(`The Hall answered ${status}`);
    }
  },

  // The answer in the page's note, and a link to the table beside the buttons.
  show(text, rank) {
    QF.stats.hall = text;
    QF.note(text);
    const link = document.getElementById('hall-link');
    link.textContent = rank ? `Rank ${rank} in the Hall` : 'The Hall';
    link.hidden = false;
  },

  init() {
    QF.onClick('hall-send', () => this.ask());
    QF.onClick('hall-go', () => this.send());
    QF.onClick('hall-cancel', () => this.close());
    const field = document.getElementById('hall-name');
    // Typing here is the page's, not the game's: no key reaches the game or scrolls the page.
    for (const kind of ['keydown', 'keyup']) {
      field.addEventListener(kind, event => {
        event.stopPropagation();
        if (kind === 'keydown' && event.key === 'Enter') this.send();
        if (kind === 'keydown' && event.key === 'Escape') this.close();
      });
    }
    this.detect();
  },
};

Hall.init();
