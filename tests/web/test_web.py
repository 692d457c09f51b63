#!/usr/bin/python3
"""Plays the browser game in headless Chromium, driven through Selenium with trusted key presses.

Usage: test_web.py HOST_BUILD DIST
HOST_BUILD holds quellfort-headless, images/ and qfel.dat; DIST is the folder the page is served
from. Frames of the page's canvas are compared pixel for pixel with frames of the headless runner
on the same table. Prints the page's download size, time to its first frame and frame pacing.
"""
import base64
import functools
import http.server
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

TABLE_KEY = 'quellfort/qfhs.dat'
DEFAULT_TABLE = b''.join(b'%s\r\n10000\r\n' % name for name in (b'Kivo', b'Rusk', b'Ambo', b'Tesmira', b'Pelvard'))
# Every row at 0, so that whatever the game scores ranks first and asks for a name.
LOW_TABLE = b''.join(b'%s\r\n0\r\n' % name for name in (b'Ada', b'Bo', b'Cy', b'Di', b'Ed'))
TYPED_NAME = b'Web\xdc'  # typed as W, e, b, x, Backspace, U-umlaut


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def read_bmp(path):
    """The RGBA bytes, top row first, of an uncompressed 24-bit BMP."""
    data = open(path, 'rb').read()
    offset, = struct.unpack_from('<I', data, 10)
    width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
    check(bits == 24, f'{path}: {bits} bits per pixel')
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = data[offset + (abs(height) - 1 - y if height > 0 else y) * stride:][:width * 3]
        rgba = bytearray(width * 4)
        rgba[0::4], rgba[1::4], rgba[2::4] = row[2::3], row[1::3], row[0::3]
        rgba[3::4] = b'\xff' * width
        rows.append(bytes(rgba))
    return width, b''.join(rows)


def as_rgb565(rgba):
    """Colours as the game shows a picture: the top bits of each channel, widened again."""
    widen5 = bytes((v >> 3) * 255 // 31 for v in range(256))
    widen6 = bytes((v >> 2) * 255 // 63 for v in range(256))
    out = bytearray(rgba)
    out[0::4] = rgba[0::4].translate(widen5)
    out[1::4] = rgba[1::4].translate(widen6)
    out[2::4] = rgba[2::4].translate(widen5)
    return bytes(out)


def differing_pixels(a, b):
    return sum(1 for i in range(0, min(len(a), len(b)), 4) if a[i:i + 3] != b[i:i + 3])


class Runner:
    """The headless runner in a scratch folder of its own, for reference frames."""

    def __init__(self, host_build):
        self.host_build = host_build

    def shot(self, script, table=None):
        with tempfile.TemporaryDirectory() as folder:
            shutil.copytree(os.path.join(self.host_build, 'images'), os.path.join(folder, 'images'))
            shutil.copy(os.path.join(self.host_build, 'qfel.dat'), folder)
            if table is not None:
                open(os.path.join(folder, 'qfhs.dat'), 'wb').write(table)
            open(os.path.join(folder, 'play.script'), 'w').write(script)
            subprocess.run([os.path.join(self.host_build, 'quellfort-headless'), 'play.script'],
                           cwd=folder, check=True)
            return read_bmp(os.path.join(folder, 'shot.bmp'))[1]


class Page:
    """The game's page in headless Chromium, with its canvas and storage at hand."""

    def __init__(self, url, extra=()):
        self.url = url
        options = Options()
        self.profile = tempfile.mkdtemp(prefix='quellfort-chromium-')
        for argument in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
                         '--no-first-run', '--disable-background-networking',
                         '--disable-component-update', '--disable-sync',
                         '--user-data-dir=' + self.profile, '--window-size=1024,768', *extra):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.driver.set_script_timeout(120)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait_for(self, what, condition, seconds=15):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if condition():
                return
            time.sleep(0.1)
        raise Failure(f'timed out waiting for {what}')

    def open(self):
        self.driver.get(self.url)
        self.wait_for('the first frame', lambda: self.js('return QF.stats.frames') > 0)

    def canvas(self):
        encoded = self.js("""
            const data = QF.context.getImageData(0, 0, 800, 600).data;
            let text = '';
            for (let i = 0; i < data.length; i += 0x8000)
                text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
            return btoa(text);""")
        return base64.b64decode(encoded)

    def wait_for_frame(self, what, expected, seconds=15, rows=600):
        size = 800 * 4 * rows
        try:
            self.wait_for(what, lambda: self.canvas()[:size] == expected[:size], seconds)
        except Failure:
            raise Failure(f'{what}: {differing_pixels(self.canvas()[:size], expected[:size])} pixels differ')

    def tap(self, key, held=0.1, after=0.4):
        ActionChains(self.driver).key_down(key).pause(held).key_up(key).perform()
        time.sleep(after)

    def hold(self, keys, seconds):
        chain = ActionChains(self.driver)
        for key in keys:
            chain.key_down(key)
        chain.pause(seconds)
        for key in keys:
            chain.key_up(key)
        chain.perform()

    def table(self):
        text = self.js('return localStorage.getItem(arguments[0])', TABLE_KEY)
        return None if text is None else bytes(ord(c) for c in text)

    def frame_intervals(self):
        shown = self.js('return QF.stats.shownAt.slice()')
        return [b - a for a, b in zip(shown, shown[1:])]


def report_download(page, dist):
    files = sorted(os.listdir(dist))
    total = sum(os.path.getsize(os.path.join(dist, name)) for name in files)
    transferred = page.js("""
        return performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'))
            .reduce((sum, entry) => sum + entry.transferSize, 0);""")
    first = page.js('return QF.stats.firstFrameAt')
    print(f'web: download {total} bytes in {len(files)} files ({transferred} transferred), '
          f'first frame {first:.0f} ms after the page was opened')
    check(total <= 3 * 1000 * 1000, f'the page downloads {total} bytes, more than 3 MB')


def report_pacing(intervals, what):
    check(len(intervals) > 30, f'{what}: only {len(intervals)} frames shown')
    mean = sum(intervals) / len(intervals)
    late = sum(1 for i in intervals if i > 1.5 * 1000 / 60)
    print(f'web: frame pacing {what}: {len(intervals)} intervals, mean {mean:.2f} ms '
          f'({1000 / mean:.2f} Hz), min {min(intervals):.1f}, max {max(intervals):.1f}, {late} late')
    # Timing is measured and reported, not judged, on a shared machine; but whatever the
    # display, the game must not run faster than 60 frames a second.
    check(mean > 1000 / 60 - 0.3, f'{what}: frames every {mean:.2f} ms, faster than 60 Hz')


def first_visit(page, runner, dist):
    """A fresh browser: the default table is stored, and the title equals the runner's."""
    page.open()
    report_download(page, dist)
    page.tap(Keys.SHIFT)  # the key that unlocks the sound is the layer's
    check(page.js("return document.getElementById('unlock').hidden"), 'the sound layer stayed')
    title = runner.shot('wait 3500\nshot shot.bmp\nwait 50\n')
    page.wait_for_frame('the title screen', title)
    check(page.table() == DEFAULT_TABLE, f'stored table {page.table()!r}')


def play_a_game(page, runner):
    """Menus, omega, firing and steering, pause, a game over fast-forwarded, a typed name."""
    # The low table is stored from a page of the same origin that does not run the game.
    page.driver.get(page.url + 'no-such-page')
    page.js('localStorage.setItem(arguments[0], arguments[1])', TABLE_KEY, LOW_TABLE.decode('latin-1'))
    page.open()
    page.tap(Keys.SHIFT)
    page.tap(Keys.ENTER)  # intro -> title
    page.tap(Keys.ENTER)  # title -> story
    page.tap(Keys.ENTER)  # story -> ship selection
    page.tap(Keys.ARROW_RIGHT, after=1.5)  # the disk turns to omega
    select = runner.shot('wait 3500\ntap RETURN\nwait 400\ntap RETURN\nwait 400\n'
                         'tap RIGHT\nwait 1500\nshot shot.bmp\nwait 50\n')
    page.wait_for_frame('omega on the ship selection screen', select, seconds=5)
    page.tap(Keys.ENTER, after=1.5)  # new game, level intro, play
    page.js('QF.stats.shownAt = []')
    page.hold([Keys.SPACE, Keys.ARROW_LEFT], 1.5)
    page.hold([Keys.SPACE, Keys.ARROW_RIGHT], 2.5)
    page.hold([Keys.SPACE], 1.0)
    report_pacing(page.frame_intervals(), 'in play')
    check(page.js('return QF.stats.soundsPlayed') > 0, 'firing played no sound')

    check_pause(page, runner)
    reach_game_over(page, runner)
    chain = ActionChains(page.driver)
    for key in ('W', 'e', 'b', 'x', Keys.BACKSPACE, '\u00dc'):
        chain.send_keys(key).pause(0.1)
    chain.perform()
    time.sleep(0.5)
    page.tap(Keys.ENTER)  # game over -> title


def check_pause(page, runner):
    """P shows the pause picture over a frozen playfield; P again lets it move on; a hidden
    page pauses it too."""
    _, pause = read_bmp(os.path.join(runner.host_build, 'images', 'pause.bmp'))
    pause = as_rgb565(pause)
    magenta = as_rgb565(b'\xff\x00\xff\xff')

    def check_paused(what):
        first = page.canvas()
        time.sleep(0.5)
        check(page.canvas() == first, f'{what}: the paused playfield moved')
        for y in range(200):
            for x in range(400):
                pixel = pause[(y * 400 + x) * 4:][:4]
                at = ((200 + y) * 800 + 200 + x) * 4
                if pixel != magenta and first[at:at + 4] != pixel:
                    raise Failure(f'{what}: pixel ({200 + x}, {200 + y}) is not the pause picture')
        return first

    page.tap('p', after=0.5)
    first = check_paused('P')
    page.tap('p', after=0.3)
    check(page.canvas() != first, 'the game did not go on after the second P')
    # Another tab in front hides the page, with fire held down; coming back shows the game
    # paused and nothing held.
    game = page.driver.current_window_handle
    ActionChains(page.driver).key_down(Keys.SPACE).perform()
    page.driver.switch_to.new_window('tab')
    time.sleep(0.5)
    page.driver.close()
    page.driver.switch_to.window(game)
    time.sleep(0.5)
    check(page.js('return QF.keys.size') == 0, 'a key stayed down after the page lost the keyboard')
    ActionChains(page.driver).key_up(Keys.SPACE).perform()
    if page.js('return QF.stats.hidden') == 0:
        print('web: this Chromium never hid the page behind another tab; hidden-page pause not checked')
    else:
        check_paused('a hidden page')
        page.tap('p', after=0.3)


def reach_game_over(page, runner):
    """No keys: the ship is lost sooner or later. A minute of play at a time, run fast."""
    _, over = read_bmp(os.path.join(runner.host_build, 'images', 'gameover.bmp'))
    over = as_rgb565(over)
    rows = 350  # above the name prompt
    for minute in range(30):
        page.driver.execute_async_script('QF.fastForward(60000).then(arguments[arguments.length - 1]);')
        if page.canvas()[:800 * 4 * rows] == over[:800 * 4 * rows]:
            print(f'web: game over after {minute + 1} minutes of fast play')
            return
    raise Failure('no game over after 30 minutes of play')


def pacing_unsynchronised(url):
    """A display without vsync, its refreshes as fast as the browser can make them: the game
    still shows a frame per 60 Hz slot."""
    page = Page(url, ('--disable-frame-rate-limit', '--disable-gpu-vsync'))
    try:
        page.open()
        refresh = page.js("""return new Promise(resolve => {
            const start = performance.now();
            let count = 0;
            const onRefresh = () => ++count < 120 ? requestAnimationFrame(onRefresh)
                                                  : resolve((performance.now() - start) / count);
            requestAnimationFrame(onRefresh);
        });""")
        page.js('QF.stats.shownAt = []')
        time.sleep(3)
        report_pacing(page.frame_intervals(), f'without vsync (a refresh every {refresh:.1f} ms)')
    finally:
        page.close()


def after_reload(page, runner):
    """The reloaded page shows the typed name in its table, as the runner does on that table."""
    page.driver.refresh()
    page.wait_for('the first frame', lambda: page.js('return QF.stats.frames') > 0)
    table = page.table()
    check(table is not None and table.startswith(TYPED_NAME + b'\r\n'), f'stored table {table!r}')
    title = runner.shot('wait 3500\nshot shot.bmp\nwait 50\n', table)
    page.wait_for_frame('the title screen with the new name', title)
    page.tap(Keys.SHIFT)
    options_screen(page, title)
    page.tap(Keys.ESCAPE, after=0.5)
    check(not page.js("return document.getElementById('ended').hidden"), 'no start-again choice after Escape')
    check(page.table() == table, 'Escape changed the stored table')


def options_screen(page, title):
    """F1 opens the options: left bound to A, the volume down a step, kept in the page's storage;
    Escape goes back to the title as it was."""
    page.tap(Keys.F1)
    page.tap(Keys.ENTER)
    page.tap('a')
    for _ in range(6):
        page.tap(Keys.ARROW_DOWN, after=0.2)
    page.tap(Keys.ARROW_LEFT)
    page.tap(Keys.ESCAPE)
    stored = page.js('return localStorage.getItem(arguments[0])', 'quellfort/settings.ini') or ''
    check('left = A\n' in stored and 'volume = 90\n' in stored, f'stored settings {stored!r}')
    page.wait_for_frame('the title screen after the options', title)


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    host_build, dist = sys.argv[1], sys.argv[2]
    runner = Runner(os.path.abspath(host_build))
    server = serve(os.path.abspath(dist))
    page = Page(f'http://127.0.0.1:{server.server_address[1]}/')
    try:
        first_visit(page, runner, dist)
        play_a_game(page, runner)
        after_reload(page, runner)
        pacing_unsynchronised(page.url)
    except Failure as failure:
        shot = os.path.join(tempfile.gettempdir(), 'quellfort-web-failure.png')
        page.driver.save_screenshot(shot)
        print(f'web test FAILED: {failure} (the page as it was: {shot})')
        return 1
    finally:
        page.close()
        server.shutdown()
    print('web test passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
