#!/usr/bin/python3
"""Plays the browser game in headless Chromium, driven through Selenium with trusted key presses,
touches through the DevTools protocol and a stand-in for the Gamepad API.

Usage: test_web.py HOST_BUILD DIST [ZIP]
HOST_BUILD holds quellfort-headless, images/ and qfel.dat; DIST is the folder the page is served
from. Frames of the page's canvas are compared pixel for pixel with frames of the headless runner
on the same table, and the recordings the page makes are replayed by the runner, whose trace
says what the game saw. Prints the page's download size, time to its first frame on a desktop and
on a phone, frame pacing and the time the game takes per frame, and touch-to-fire latency.
"""
import base64
import functools
import http.server
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

TABLE_KEY = 'quellfort/qfhs.dat'
DEFAULT_TABLE = b''.join(b'%s\r\n10000\r\n' % name for name in (b'Kivo', b'Rusk', b'Ambo', b'Tesmira', b'Pelvard'))
# Every row at 0, so that whatever the game scores ranks first and asks for a name.
LOW_TABLE = b''.join(b'%s\r\n0\r\n' % name for name in (b'Ada', b'Bo', b'Cy', b'Di', b'Ed'))
TYPED_NAME = b'Web\xdc'  # typed as W, e, b, x, Backspace, U-umlaut
# Rows below any score a game can end with (a score goes below 0 where ships are lost early).
LOWEST_TABLE = b''.join(b'%s\r\n-1000000\r\n' % name for name in (b'Ada', b'Bo', b'Cy', b'Di', b'Ed'))


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

    def replay(self, recording):
        """Replays a recording: the runner's last line and its trace, one state a frame."""
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, 'page.qfr')
            open(path, 'wb').write(recording)
            result = subprocess.run([os.path.join(self.host_build, 'quellfort-headless'), '--replay', path,
                                     '--trace', os.path.join(folder, 'trace')],
                                    cwd=folder, capture_output=True, text=True)
            lines = (result.stdout + result.stderr).strip().splitlines()
            trace = [json.loads(line) for line in open(os.path.join(folder, 'trace'))] if result.returncode != 2 else []
            return (lines[-1] if lines else ''), trace


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

    def mobile(self, width, height):
        """A phone: its screen, touch events, a coarse pointer."""
        self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                                    {'width': width, 'height': height, 'deviceScaleFactor': 2, 'mobile': True})
        self.driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})

    def before_load(self, script):
        """Runs the script in every page of this tab before the page's own."""
        self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': script})

    def rect(self, selector):
        return self.js('const r = document.querySelector(arguments[0]).getBoundingClientRect();'
                       'return [r.left, r.top, r.right, r.bottom];', selector)

    def centre(self, selector):
        left, top, right, bottom = self.rect(selector)
        return {'x': (left + right) / 2, 'y': (top + bottom) / 2}

    def fingers(self, kind, *points):
        """touchStart, touchMove (points with ids 1, 2 ...) or touchEnd (none)."""
        touch = [dict(point, id=i + 1) for i, point in enumerate(points)]
        self.driver.execute_cdp_cmd('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': touch})

    def touch_tap(self, control, after=0.6):
        self.fingers('touchStart', self.centre(f'[data-key={control}]'))
        time.sleep(0.1)
        self.fingers('touchEnd')
        time.sleep(after)

    def fast(self, ms):
        self.driver.execute_async_script('QF.fastForward(arguments[0]).then(arguments[arguments.length - 1]);', ms)

    def hidden(self, element_id):
        return self.js('return document.getElementById(arguments[0]).hidden', element_id)

    def recording(self):
        """The page's recording of its last finished game."""
        self.wait_for('a finished game\'s recording', lambda: self.js('return QF.stats.recordings') > 0)
        return base64.b64decode(self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            Recordings.last.arrayBuffer().then(buffer => {
                const bytes = new Uint8Array(buffer);
                let text = '';
                for (let i = 0; i < bytes.length; i += 0x8000)
                    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
                done(btoa(text));
            });"""))

    def stored(self, name='qfhs.dat'):
        text = self.js('return localStorage.getItem(arguments[0])', 'quellfort/' + name)
        return None if text is None else bytes(ord(c) for c in text)

    def store(self, name, data):
        self.js('localStorage.setItem(arguments[0], arguments[1])', 'quellfort/' + name, data.decode('latin-1'))

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


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def check_controls_beside_picture(page, what):
    picture = page.rect('#screen')
    for control in ('left', 'right', 'fire', 'pause', 'enter'):
        box = page.rect(f'[data-key={control}]')
        check(box[2] > box[0] and not overlaps(box, picture), f'{what}: the {control} control {box} is on the picture {picture}')


def touch_to_fire_latency(page):
    """Frames from a touch of Fire to the shot's sound, with no shot in flight before it."""
    latencies = []
    for _ in range(4):
        time.sleep(1.2)  # the last shot has left the screen
        touched = page.js('return QF.stats.frames')
        page.fingers('touchStart', page.centre('[data-key=fire]'))
        time.sleep(0.3)
        page.fingers('touchEnd')
        sounds = [f for f in page.js('return QF.stats.soundFrames') if f >= touched]
        if sounds:
            latencies.append(sounds[0] - touched)
    return latencies


def touch_game(url, runner):
    """A phone held sideways: touch alone through the menus (omega), a level and more played by
    holding Fire and sliding a thumb between left and right, the name typed through the text field
    on the device's keyboard; the page's recording of it replays natively. In portrait the controls
    sit below the picture; a pressed key puts them away."""
    page = Page(url)
    try:
        page.driver.get(url + 'no-such-page')
        page.store('qfhs.dat', LOW_TABLE)
        page.mobile(844, 390)
        started = time.time()
        page.open()
        print(f'web: phone-sized (844 x 390) first frame {page.js("return QF.stats.firstFrameAt"):.0f} ms after the '
              f'page was opened ({(time.time() - started) * 1000:.0f} ms to the driver)')
        check(page.js('return Touch.shown'), 'no touch controls on a touch device')
        check_controls_beside_picture(page, 'landscape')
        for _ in range(4):  # the first touch opens the sound; then intro, title, story
            page.touch_tap('enter')
        page.touch_tap('right', after=1.5)
        for _ in range(4):
            page.touch_tap('enter', after=1.0)
            if page.js('return QF.played'):
                break
        check(page.js('return QF.played'), 'the touch controls did not start a game')
        fire, left, right = (page.centre(f'[data-key={c}]') for c in ('fire', 'left', 'right'))
        for steps in (12, 180):
            page.fingers('touchStart', fire, left)
            for i in range(steps):
                page.fingers('touchMove', fire, right if i % 2 else left)
                page.fast(250)
            page.fingers('touchEnd')
            if steps == 12:  # the ship has appeared and can fire
                latencies = touch_to_fire_latency(page)
        check(latencies, 'no touch of Fire fired')
        print(f'web: touch-to-fire latency {min(latencies)} frames at best, {sorted(latencies)[len(latencies) // 2]} '
              f'typically (touch to the shot\'s sound; {latencies})')
        for _ in range(20):
            if not page.hidden('naming'):
                break
            page.fast(60000)
        check(not page.hidden('naming'), 'no name field after the game over')
        check(page.js('return document.activeElement.id') == 'name', 'the name field does not have the keyboard')
        field = page.driver.find_element('id', 'name')
        field.send_keys('Tom')
        field.send_keys(Keys.BACKSPACE)
        field.send_keys('u\u00e9')
        time.sleep(0.3)
        field.send_keys(Keys.ENTER)
        time.sleep(0.5)
        check(page.hidden('naming') and page.js('return document.activeElement.id') != 'name',
              'the name field stayed after Enter')
        ending, trace = runner.replay(page.recording())
        check(ending == 'replay matches', f'the page\'s recording, replayed natively: {ending}')
        levels = max(frame['world']['level'] for frame in trace)
        kinds = {frame['world']['shipKind'] for frame in trace if frame['world']['level'] > 0}
        check(levels >= 2 and kinds == {1}, f'touch play reached level {levels} with ships {kinds}')
        name = trace[-1]['highScores'][0]['name']
        check(name == 'Tou\u00e9', f'the name typed through the field is {name!r}')
        print(f'web: touch alone played to level {levels}; its recording replays natively: {ending}')

        page.mobile(390, 844)
        time.sleep(0.3)
        check_controls_beside_picture(page, 'portrait')
        check(page.rect('#screen')[3] <= min(page.rect(f'[data-key={c}]')[1] for c in ('left', 'fire')),
              'in portrait the controls are not below the picture')
        page.tap(Keys.SHIFT)
        fire = page.rect('[data-key=fire]')
        check(not page.js('return Touch.shown') and fire[2] == fire[0] and page.rect('#screen')[1] > 0,
              f'the touch controls stayed out after a key was pressed (Fire at {fire})')
        page.touch_tap('pause', after=0.3)
        check(page.js('return Touch.shown'), 'the touch controls did not come back at a touch')
    finally:
        page.close()


# A controller as browsers show one: not there until a button is pressed on the page.
PAD_STAND_IN = """
window.standInPad = { id: 'stand-in', index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
                      buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
window.standInPads = [];
navigator.getGamepads = () => window.standInPads.slice();
window.setStandInPad = (pressed, x) => {
    standInPad.buttons.forEach((button, i) => { button.pressed = pressed.includes(i); button.value = +button.pressed; });
    standInPad.axes[0] = x;
    if (pressed.length > 0) standInPads = [standInPad];
};
"""
PAD_A, PAD_B, PAD_START, PAD_UP, PAD_DOWN, PAD_LEFT, PAD_RIGHT = 0, 1, 9, 12, 13, 14, 15


def pad(page, *buttons, x=0.0, hold=0.12, after=0.35):
    page.js('setStandInPad(arguments[0], arguments[1])', list(buttons), x)
    time.sleep(hold)
    page.js('setStandInPad([], 0)')
    time.sleep(after)


def frozen(page):
    first = page.canvas()
    time.sleep(0.4)
    return page.canvas() == first


def pad_game(page, runner):
    """The pad's menus (omega by the D-pad), steering by the stick, fire, Start to pause and
    resume, an unplugged pad pausing play, and the name entered by the pad."""
    page.before_load(PAD_STAND_IN)
    page.open()
    for _ in range(3):
        pad(page, PAD_A)
    pad(page, PAD_RIGHT, after=1.5)
    pad(page, PAD_A, after=1.5)
    check(page.js('return QF.played'), 'the pad did not start a game')
    for x in (-0.9, 0.9, -0.9):
        page.js('setStandInPad(arguments[0], arguments[1])', [PAD_A], x)
        page.fast(600)
    page.js('setStandInPad([], 0)')
    pad(page, PAD_START)
    check(frozen(page), 'Start did not pause the game')
    pad(page, PAD_START)
    check(not frozen(page), 'Start did not resume the game')
    page.js("standInPads = []; window.dispatchEvent(new Event('gamepaddisconnected'))")
    time.sleep(0.2)
    check(frozen(page), 'unplugging the pad did not pause the game')
    pad(page, PAD_START)
    check(not frozen(page), 'Start on the pad plugged in again did not resume the game')
    for _ in range(30):
        page.fast(60000)
        if page.js('return Touch.naming'):
            break
    check(page.js('return Touch.naming'), 'no name prompt after the pad\'s game')
    for button in (PAD_UP, PAD_UP, PAD_RIGHT, PAD_DOWN, PAD_RIGHT, PAD_LEFT, PAD_START):
        pad(page, button)
    ending, trace = runner.replay(page.recording())
    check(ending == 'replay matches', f'the pad game\'s recording, replayed natively: {ending}')
    xs = [f['world']['ship']['x'] for f in trace if f['gameState'] == 7]
    paused = sum(1 for f in trace if f['world']['paused'])
    table = [row['name'] for row in trace[-1]['highScores']]
    steered = {(b > a) - (b < a) for a, b in zip(xs, xs[1:])}
    check(trace[-1]['world']['shipKind'] == 1 and {-1, 1} <= steered and paused > 0 and table[0] == 'B!',
          f'the pad game: ship {trace[-1]["world"]["shipKind"]}, x {min(xs)}..{max(xs)}, {paused} paused frames, '
          f'table {table}')
    return table[0], trace[-1]['highScores'][0]['score']


def start_keyboard_game(page):
    page.open()
    page.tap(Keys.SHIFT)
    for _ in range(4):
        page.tap(Keys.ENTER)
    check(page.js('return QF.played'), 'no game started by the keyboard')
    time.sleep(1.5)  # past the level's introduction


def finish_keyboard_game(page, name):
    """Fire held until the name prompt appears, and the keyboard's repeats of it there: they type
    nothing into the name."""
    ActionChains(page.driver).key_down(Keys.SPACE).perform()
    for _ in range(30):
        page.fast(60000)
        if page.js('return Touch.naming'):
            break
    for _ in range(5):
        ActionChains(page.driver).key_down(Keys.SPACE).pause(0.05).perform()
    ActionChains(page.driver).key_up(Keys.SPACE).perform()
    for key in name:
        page.tap(key, after=0.15)
    page.tap(Keys.ENTER)


def keyboard_game(page, name):
    start_keyboard_game(page)
    finish_keyboard_game(page, name)


def pads_and_tabs(url, runner):
    """Three tabs on one table: one that never plays, one whose game starts before and ends after
    another tab's game played by pad; both new names stand (each save merges into the table as
    storage holds it then), the tab that never played shows the table saved meanwhile, and it
    writes nothing when it closes."""
    page = Page(url)
    try:
        page.driver.get(url + 'no-such-page')
        page.store('qfhs.dat', LOWEST_TABLE)
        idle = page.driver.current_window_handle
        page.open()
        page.driver.switch_to.new_window('tab')
        rival = page.driver.current_window_handle
        start_keyboard_game(page)
        page.driver.switch_to.new_window('tab')  # the rival is hidden: its game pauses
        pad_name, pad_score = pad_game(page, runner)
        page.driver.switch_to.window(rival)  # the pad's tab is hidden and saves
        time.sleep(0.5)
        names = page.stored().split(b'\r\n')[0::2]
        check(pad_name.encode() in names, f'the pad game was not saved: {names}')
        time.sleep(0.5)
        check(frozen(page), 'the game of a tab that was hidden did not pause')
        page.tap('p')  # the rival's game goes on
        finish_keyboard_game(page, 'Cd')
        page.driver.switch_to.window(idle)  # the rival is hidden and saves
        time.sleep(0.5)
        # The idle tab started again, unseen, on the pad's table.
        table = b'%s\r\n%d\r\n' % (pad_name.encode(), pad_score) + LOWEST_TABLE[:LOWEST_TABLE.index(b'Ed')]
        page.wait_for_frame('the idle tab\'s title with the pad game\'s name',
                            runner.shot('wait 3500\nshot shot.bmp\nwait 50\n', table))
        page.driver.close()  # the tab that never played goes
        page.driver.switch_to.window(rival)
        time.sleep(0.3)
        names = page.stored().split(b'\r\n')[0::2]
        check(pad_name.encode() in names and b'Cd' in names, f'two tabs\' games on one table: {names}')
        print(f'web: two tabs\' games both kept: {names}')
    finally:
        page.close()


def watch_to_the_end(page, what):
    for _ in range(40):
        if not page.hidden('ended'):
            break
        page.fast(30000)
    check(not page.hidden('ended'), f'{what}: the recording did not end')
    return page.js("return document.getElementById('ended-line').textContent")


def served_by_a_hall(host_build, dist):
    """The page served by a Hall: a finished game is sent from the page and comes back with its
    rank, and the run's watch link on /hall plays it in the page to "replay matches"."""
    data = tempfile.mkdtemp(prefix='quellfort-hall-')
    server = subprocess.Popen([os.path.join(os.path.abspath(host_build), 'quellfort-server'), '--listen', '127.0.0.1:0',
                               '--data', data, '--web', os.path.abspath(dist), '--submit-rate', '0'],
                              stdout=subprocess.PIPE, text=True)
    page = None
    try:
        started = re.search(r'http://127\.0\.0\.1:(\d+)/hall', server.stdout.readline())
        check(started, 'the Hall did not start')
        url = f'http://127.0.0.1:{started.group(1)}/'
        page = Page(url)
        page.driver.get(url + 'no-such-page')
        page.store('qfhs.dat', LOWEST_TABLE)
        keyboard_game(page, 'Hallo')
        page.recording()
        page.wait_for('the offer to send the game', lambda: not page.hidden('hall-send'))
        page.driver.find_element(By.ID, 'hall-send').click()
        page.driver.find_element(By.ID, 'hall-go').click()  # no name here: the one typed in the game
        page.wait_for('the Hall\'s answer', lambda: page.js('return QF.stats.hall || ""'))
        answer = page.js('return QF.stats.hall')
        check(answer.startswith('The Hall: rank 1 of all time'), f'the Hall\'s answer: {answer!r}')
        check(not page.hidden('hall-link'), 'no link to the Hall after its answer')
        table = urllib.request.urlopen(url + 'hall').read().decode()
        watch = re.search(r'href="/(\?watch=/api/runs/\d+/recording)"', table)
        check(watch and '>Hallo</a>' in table, 'the run is not on /hall with its name and a watch link')
        page.driver.get(url + watch.group(1))
        line = watch_to_the_end(page, 'the run watched from /hall')
        check(line == 'replay matches', f'the run watched from /hall: {line!r}')
        print(f'web: a game sent to a Hall from the page: {answer}; watched from /hall: {line}')
    finally:
        if page:
            page.close()
        server.terminate()
        server.wait()
        shutil.rmtree(data, ignore_errors=True)


def damaged(recording):
    """The recording with one byte of its packed entries changed."""
    at = len(recording) // 2
    return recording[:at] + bytes([recording[at] ^ 0x55]) + recording[at + 1:]


def recordings_and_tables(url, runner, folder):
    """A desktop recording plays in the page to its end line; a damaged one picked from a file
    says so. The table: exported, a damaged file refused on import with the table kept, the export
    imported back; a damaged stored table of 150 KB kept as qfhs.dat.bak in storage."""
    page = Page(url)
    try:
        page.driver.execute_cdp_cmd('Page.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': folder})
        page.driver.get(url + '?watch=recordings/sdl-game.qfr')
        page.wait_for('the first frame', lambda: page.js('return QF.stats.frames') > 0)
        line = watch_to_the_end(page, 'sdl-game.qfr')
        check(line == 'replay matches', f'the SDL game\'s recording in the page: {line!r}')
        print(f'web: a recording of the SDL game played in the page: {line}')
        bad = os.path.join(folder, 'damaged.qfr')
        open(bad, 'wb').write(damaged(open(os.path.join(RECORDINGS, 'game.qfr'), 'rb').read()))
        page.driver.get(url)
        page.wait_for('the first frame', lambda: page.js('return QF.stats.frames') > 0)
        page.driver.find_element('id', 'watch-file').send_keys(bad)
        page.wait_for('the damaged recording refused', lambda: page.js('return !!QF.recordingToWatch') and not page.hidden('ended'))
        line = page.js("return document.getElementById('ended-line').textContent")
        check(line.startswith('damaged recording'), f'a damaged recording in the page: {line!r}')

        # A damaged table of 150 KB: copied whole into storage, and the default table played.
        page.driver.get(url + 'no-such-page')
        damaged_table = b'x' * 150000
        page.store('qfhs.dat', damaged_table)
        page.open()
        check(page.stored('qfhs.dat.bak') == damaged_table and page.stored() == DEFAULT_TABLE,
              'the damaged 150 KB table was not kept as qfhs.dat.bak in storage')
        page.tap(Keys.SHIFT)
        page.driver.find_element('id', 'menu-button').click()
        page.driver.find_element('id', 'export').click()
        exported = os.path.join(folder, 'qfhs.dat')
        page.wait_for('the exported table', lambda: os.path.exists(exported))
        time.sleep(0.3)
        check(open(exported, 'rb').read() == DEFAULT_TABLE, 'the export is not the stored table')
        page.store('qfhs.dat', LOW_TABLE)
        bad_table = os.path.join(folder, 'bad-table.dat')
        open(bad_table, 'wb').write(b'Ada\r\n12\r\nBo\r\n')
        page.driver.find_element('id', 'import-file').send_keys(bad_table)
        page.wait_for('the refusal', lambda: not page.hidden('note'))
        note = page.js("return document.getElementById('note-text').textContent")
        check(note.startswith('Not imported') and page.stored() == LOW_TABLE, f'a damaged import: {note!r}, table {page.stored()!r}')
        page.driver.find_element('id', 'import-file').send_keys(exported)
        page.wait_for('the page started again on the imported table', lambda: page.js('return QF.stats.frames') > 0
                      and page.stored() == DEFAULT_TABLE, seconds=20)
        title = runner.shot('wait 3500\nshot shot.bmp\nwait 50\n', DEFAULT_TABLE)
        page.tap(Keys.SHIFT)
        page.wait_for_frame('the title on the imported table', title)
    finally:
        page.close()


def storage_that_throws(url):
    """A full storage: a game's save is refused, and the page says so in its note and as it
    closes. No storage at all: the game starts and plays, and the page says the table is not kept."""
    page = Page(url)
    try:
        page.driver.get(url + 'no-such-page')
        page.store('qfhs.dat', LOWEST_TABLE)
        page.before_load("""const setItem = Storage.prototype.setItem;
            Storage.prototype.setItem = function (key, value) {
                if (key === 'quellfort/qfhs.dat') throw new DOMException('The storage is full', 'QuotaExceededError');
                return setItem.call(this, key, value);
            };""")
        keyboard_game(page, 'Full')
        page.tap(Keys.ESCAPE, after=0.5)
        note = page.js("return document.getElementById('note-text').textContent")
        line = page.js("return document.getElementById('ended-line').textContent")
        check(note.startswith('The new high scores could not be kept') and 'QuotaExceededError' in note,
              f'a refused save said in the page as {note!r}')
        check(line.startswith('The high-score table could not be kept'), f'the closed page says {line!r}')
        check(page.stored() == LOWEST_TABLE, 'the table changed in a full storage')

        page.driver.switch_to.new_window('tab')
        page.before_load("""Object.defineProperty(window, 'localStorage', {
            get() { throw new DOMException('The storage is switched off', 'SecurityError'); } });""")
        page.open()
        check(not page.hidden('note'), 'nothing said of the storage that fails')
        page.tap(Keys.SHIFT)
        for _ in range(4):
            page.tap(Keys.ENTER)
        check(page.js('return QF.played'), 'no game started without storage')
        page.hold([Keys.SPACE, Keys.ARROW_LEFT], 1.0)
        page.tap(Keys.ESCAPE, after=0.5)
        line = page.js("return document.getElementById('ended-line').textContent")
        check(line.startswith('The high-score table could not be kept'), f'the closed page says {line!r}')
    finally:
        page.close()


def in_a_frame(page, url):
    """Inside a portal's frame: a click gives the game the keys; arrows and Space never scroll the
    page around it."""
    page.driver.get(url + 'portal.html')
    page.driver.switch_to.frame(page.driver.find_element('tag name', 'iframe'))
    page.wait_for('the first frame in the frame', lambda: page.js('return QF.stats.frames') > 0)
    page.driver.switch_to.default_content()
    ActionChains(page.driver).move_to_element(page.driver.find_element('tag name', 'iframe')).click().perform()
    time.sleep(0.3)
    for key in (Keys.ARROW_DOWN, Keys.SPACE, Keys.PAGE_DOWN, Keys.ARROW_DOWN):
        ActionChains(page.driver).key_down(key).pause(0.1).key_up(key).perform()
    time.sleep(0.3)
    scrolled = page.js('return window.scrollY')
    page.driver.switch_to.frame(page.driver.find_element('tag name', 'iframe'))
    pressed = page.js('return document.activeElement === QF.canvas')
    page.driver.switch_to.default_content()
    check(scrolled == 0 and pressed, f'in a frame: the page scrolled to {scrolled}, the game has the keys: {pressed}')


def offline(page, runner, server):
    """Once the offline copy is in place the page starts with no server."""
    page.driver.get(page.url)
    page.driver.execute_async_script("""const done = arguments[arguments.length - 1];
        navigator.serviceWorker.ready.then(() => done(true));""")
    page.wait_for('the worker in charge', lambda: page.js('return !!navigator.serviceWorker.controller'))
    server.shutdown()
    server.server_close()
    page.driver.refresh()
    page.wait_for('the first frame offline', lambda: page.js('return QF.stats.frames') > 0)
    page.tap(Keys.SHIFT)
    page.wait_for_frame('the title offline', runner.shot('wait 3500\nshot shot.bmp\nwait 50\n', page.table()))


def check_zip(path):
    names = zipfile.ZipFile(path).namelist()
    page = zipfile.ZipFile(path).read('index.html').decode()
    check('index.html' in names and len(names) < 1000 and ' src="/' not in page and ' href="/' not in page,
          f'{path}: {len(names)} files, index.html at the root: {"index.html" in names}')


def report_work(page):
    work = sorted(page.js('return QF.stats.workMs.slice()'))
    if work:
        print(f'web: the game\'s time per frame in play: median {work[len(work) // 2]:.2f} ms, '
              f'95th percentile {work[len(work) * 95 // 100]:.2f} ms, max {work[-1]:.2f} ms ({len(work)} frames)')


RECORDINGS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'recordings')
PORTAL = b"""<!doctype html><title>A game portal</title><body style="margin:0">
<p style="height:400px">A portal's page, taller than the window.</p>
<iframe src="./" width="800" height="600" style="border:0"></iframe>
<p style="height:2000px">More of the page.</p></body>"""


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    """The page's folder, the committed recordings under recordings/, and a portal's page."""

    def do_GET(self):
        path = self.path.split('?')[0]
        if path == '/portal.html':
            return self.reply(PORTAL, 'text/html')
        if path.startswith('/recordings/') and '..' not in path:
            name = os.path.join(RECORDINGS, os.path.basename(path))
            if os.path.isfile(name):
                return self.reply(open(name, 'rb').read(), 'application/octet-stream')
        return super().do_GET()

    def reply(self, body, kind):
        self.send_response(200)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    host_build, dist = sys.argv[1], sys.argv[2]
    if len(sys.argv) > 3:
        check_zip(sys.argv[3])
    runner = Runner(os.path.abspath(host_build))
    server = serve(os.path.abspath(dist))
    url = f'http://127.0.0.1:{server.server_address[1]}/'
    page = Page(url)
    downloads = tempfile.mkdtemp(prefix='quellfort-downloads-')
    try:
        first_visit(page, runner, dist)
        play_a_game(page, runner)
        report_work(page)
        recording = page.recording()
        ending, _ = runner.replay(recording)
        check(ending == 'replay matches', f'the keyboard game\'s recording, replayed natively: {ending}')
        if os.environ.get('QUELLFORT_KEEP_RECORDING'):  # scripts/update-recordings.sh web-game
            open(os.environ['QUELLFORT_KEEP_RECORDING'], 'wb').write(recording)
        after_reload(page, runner)
        in_a_frame(page, url)
        pacing_unsynchronised(url)
        touch_game(url, runner)
        pads_and_tabs(url, runner)
        recordings_and_tables(url, runner, downloads)
        storage_that_throws(url)
        served_by_a_hall(host_build, dist)
        offline(page, runner, server)
    except Failure as failure:
        shot = os.path.join(tempfile.gettempdir(), 'quellfort-web-failure.png')
        page.driver.save_screenshot(shot)
        print(f'web test FAILED: {failure} (the page as it was: {shot})')
        return 1
    finally:
        page.close()
        server.shutdown()
        shutil.rmtree(downloads, ignore_errors=True)
    print('web test passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
