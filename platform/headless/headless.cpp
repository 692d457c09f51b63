// The headless backend: a virtual clock moved by presented frames, keys and characters from a
// script, frames captured to BMP, the trace and the sound log written as the game runs.
#include "platform/headless/headless.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <vector>

#include "formats/rgb565.h"
#include "platform/backend.h"
#include "formats/bmp_writer.h"
#include "platform/common/files.h"
#include "platform/common/held_keys.h"
#include "platform/common/settings.h"
#include "platform/headless/script.h"
#include "platform/platform.h"

namespace {

struct HeadlessSound {
    std::string name;
    uint32_t durationMs = 0;
    uint32_t startedAt = 0;
    bool playing = false;
    bool released = false;
};

struct Shot {
    uint64_t ms;
    std::string file;
};

struct Headless {
    Script script;
    size_t nextEvent = 0;
    uint64_t ms = 0;
    bool keys[256] = {};          // the keyboard's keys held, by key code
    PlatformInputMode mode = INPUT_MENU;  // what the game waited for at its last read
    std::deque<PlatformMessage> queue;
    bool closePosted = false;
    bool scripted = false;
    int idlePasses = 0;
    bool presentedSinceRead = false;
    bool waitedSinceRead = false;
    bool verifying = false;  // frames go unseen: no pictures, no sound
    bool shotFailed = false;
    HeldKeys held;
    uint32_t gameTicks = 0;  // the tick count the game read last (a replay's, in a replay)
    int frames = 0;
    const uint16_t* lastFrame = nullptr;
    std::vector<Shot> shots;
    std::vector<HeadlessSound> sounds;
    bool audioOpen = false;
    std::string* trace = nullptr;
    std::string* soundLog = nullptr;
    std::FILE* traceFile = nullptr;
    std::FILE* soundsFile = nullptr;
    std::function<void()> onFrame;
};

Headless headless;

uint32_t Ticks() { return uint32_t(headless.script.ticks + headless.ms); }

// While the options screen waits for a key to bind, a key going down is that message too.
void PressKey(int keyCode, bool down) {
    if (down && !headless.keys[keyCode] && headless.mode == INPUT_BIND)
        headless.queue.push_back({MESSAGE_KEY, uint8_t(keyCode)});
    headless.keys[keyCode] = down;
}

// Whether any key the settings give this game key is held.
bool Holds(int gameKey) {
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, headless.mode, keys); i-- > 0;)
        if (headless.keys[keys[i] & 255]) return true;
    return false;
}

void Release(int gameKey) {
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, headless.mode, keys); i-- > 0;) headless.keys[keys[i] & 255] = false;
}

// Makes every script event whose time has come take effect.
void ApplyDueEvents() {
    std::vector<ScriptEvent>& events = headless.script.events;
    for (; headless.nextEvent < events.size() && events[headless.nextEvent].ms <= headless.ms;
         ++headless.nextEvent) {
        const ScriptEvent& e = events[headless.nextEvent];
        if (e.kind == EVENT_KEY_DOWN || e.kind == EVENT_KEY_UP) PressKey(e.value, e.kind == EVENT_KEY_DOWN);
        else if (e.kind == EVENT_CHAR) headless.queue.push_back({MESSAGE_CHAR, uint8_t(e.value)});
        else if (e.kind == EVENT_CLOSE) headless.queue.push_back({MESSAGE_CLOSE, 0});
        else headless.shots.push_back({e.ms, e.file});
    }
    // Once the program has passed the last event and the script's final wait, the runner
    // asks it to close.
    if (headless.scripted && !headless.closePosted && headless.nextEvent == events.size() &&
        headless.ms >= headless.script.end) {
        headless.closePosted = true;
        for (bool& key : headless.keys) key = false;
        headless.queue.push_back({MESSAGE_CLOSE, 0});
    }
}

// The next frame boundary floor(k * 1000 / refresh) strictly after the clock.
void AdvanceToNextFrame() {
    const uint64_t refresh = uint64_t(headless.script.refresh);
    uint64_t k = headless.ms * refresh / 1000;
    while (k * 1000 / refresh <= headless.ms) ++k;
    headless.ms = k * 1000 / refresh;
}

// A screenshot: the RGB565 frame spread back to 8 bits a channel (black when there is none).
void SaveShot(const std::string& file, const uint16_t* pixels) {
    std::vector<uint8_t> rgb(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT * 3, 0);
    for (size_t i = 0; pixels != nullptr && i < size_t(SCREEN_WIDTH) * SCREEN_HEIGHT; ++i) {
        const Rgb888 c = ExpandRgb565(pixels[i]);
        rgb[i * 3] = c.r, rgb[i * 3 + 1] = c.g, rgb[i * 3 + 2] = c.b;
    }
    if (!WriteBmp(file, SCREEN_WIDTH, SCREEN_HEIGHT, rgb.data())) {
        std::fprintf(stderr, "quellfort-headless: cannot write the screenshot %s\n", file.c_str());
        headless.shotFailed = true;
    }
}

void SaveDueShots(uint64_t presentedAt, const uint16_t* pixels) {
    for (size_t i = 0; i < headless.shots.size();) {
        if (headless.shots[i].ms <= presentedAt) {
            SaveShot(headless.shots[i].file, pixels);
            headless.shots.erase(headless.shots.begin() + long(i));
        } else {
            ++i;
        }
    }
}

// The trace shows the tick count and time the game reads in the rest of the pass (in a replay,
// those of the recording).
void WriteTraceLine(const PlatformInput& input) {
    std::string line = "{\"frame\":" + std::to_string(headless.frames) +
                       ",\"ms\":" + std::to_string(headless.ms) +
                       ",\"tick\":" + std::to_string(input.ticks) +
                       ",\"time\":" + std::to_string(input.time);
    if (SessionHooks().writeTrace != nullptr) SessionHooks().writeTrace(line);
    line += "}\n";
    if (headless.trace != nullptr) *headless.trace += line;
    if (headless.traceFile != nullptr) std::fputs(line.c_str(), headless.traceFile);
}

HeadlessSound* FindSound(int sound) {
    if (sound <= 0 || size_t(sound) > headless.sounds.size()) return nullptr;
    HeadlessSound* s = &headless.sounds[size_t(sound) - 1];
    return s->released ? nullptr : s;
}

void LogSound(const char* op, const HeadlessSound& sound) {
    const uint32_t tick = SessionReplaying() ? headless.gameTicks : Ticks();
    const std::string line = std::to_string(tick) + " " + op + " " + sound.name + "\n";
    if (headless.soundLog != nullptr) *headless.soundLog += line;
    if (headless.soundsFile != nullptr) std::fputs(line.c_str(), headless.soundsFile);
}

bool IsPlaying(HeadlessSound& s) {
    if (s.playing && Ticks() - s.startedAt >= s.durationMs) s.playing = false;
    return s.playing;
}

}  // namespace

// ---- Controls for tests and the runner ----

void HeadlessReset() {
    headless = Headless{};
    fileLocations.currentFolderOnly = true;  // a run's files are those of the folder it runs in
    HeadlessUseSettings("");
}

void HeadlessUseSettings(const std::string& file) {
    LoadSettings(file, SettingsOverrides{});
    settingsStore.runOnly = file.empty();
    // Every picture setting can be chosen, as on the SDL game with room for a window twice as big.
    settingsStore.choices = {true, true, true, true, 2};
}
void HeadlessSetTicks(uint32_t ticks) { headless.script.ticks = uint32_t(ticks - headless.ms); }
void HeadlessSetTime(int64_t seconds) { headless.script.time = seconds - int64_t(headless.ms / 1000); }
void HeadlessSetKey(int keyCode, bool down) { headless.keys[keyCode & 255] = down; }
const uint16_t* HeadlessLastFrame() { return headless.lastFrame; }
int HeadlessFramesPresented() { return headless.frames; }

bool HeadlessLoadScript(const std::string& text, const HeadlessOptions& options) {
    HeadlessReset();
    std::string error;
    if (!ParseScript(text, headless.script, error)) {
        if (options.error != nullptr) *options.error = error;
        return false;
    }
    headless.scripted = true;
    HeadlessSetOutputs(options);
    if (!options.settingsFile.empty()) HeadlessUseSettings(options.settingsFile);
    return true;
}

void HeadlessSetOutputs(const HeadlessOptions& options) {
    headless.trace = options.trace;
    headless.soundLog = options.sounds;
    headless.traceFile = options.traceFile;
    headless.soundsFile = options.soundsFile;
    headless.onFrame = options.onFrame;
}

// ---- The platform seam ----

void PlatformShowCursor(bool) {}

int64_t BackendTime() { return headless.script.time + int64_t(headless.ms / 1000); }

void BackendReadInput(const PlatformInputWanted& wanted, PlatformInput* input) {
    headless.mode = wanted.mode;
    // A screen that presents nothing would stop the clock; after a few such passes in a row
    // the clock moves on as if a frame had been shown, so scripted keys still arrive.
    if (headless.scripted && !headless.presentedSinceRead && !headless.waitedSinceRead && ++headless.idlePasses > 8)
        AdvanceToNextFrame();
    headless.presentedSinceRead = headless.waitedSinceRead = false;
    ApplyDueEvents();
    input->ticks = Ticks();
    input->time = BackendTime();
    input->keys = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (Holds(PLATFORM_KEYS[i])) input->keys |= 1u << i;
    input->messageCount = 0;
    while (!headless.queue.empty() && input->messageCount < PLATFORM_MAX_MESSAGES) {
        input->messages[input->messageCount++] = headless.queue.front();
        headless.queue.pop_front();
    }
    DropHeldKeyCharacters(headless.held, wanted, input->keys, input);
}

void BackendWaitKeyUp(int key) {
    ApplyDueEvents();
    const std::vector<ScriptEvent>& events = headless.script.events;
    // Nothing else happens while the key is held: the clock runs on to its release.
    while (Holds(key) && headless.nextEvent < events.size()) {
        headless.ms = std::max(headless.ms, events[headless.nextEvent].ms);
        ApplyDueEvents();
    }
    Release(key);
    headless.waitedSinceRead = true;
}

void BackendPresent(const uint16_t* pixels) {
    ApplyDueEvents();
    const uint64_t presentedAt = headless.ms;
    headless.lastFrame = pixels;
    headless.presentedSinceRead = true;
    headless.idlePasses = 0;
    ++headless.frames;
    SaveDueShots(presentedAt, pixels);
    AdvanceToNextFrame();
}

void BackendFrameShown(const PlatformInput& input) {
    headless.gameTicks = input.ticks;
    if (headless.trace != nullptr || headless.traceFile != nullptr) WriteTraceLine(input);
    if (headless.onFrame) headless.onFrame();
}

bool BackendShowsFrames() { return !headless.verifying; }

void BackendApplySettings() {}  // no window and no mixer: nothing shows or sounds

void HeadlessVerifyOnly() { headless.verifying = true; }
bool HeadlessShotsWritten() { return !headless.shotFailed; }



// ---- A sound device that keeps time but makes no noise ----

bool PlatformOpenAudio() { return headless.audioOpen = !headless.verifying; }

int PlatformCreateSound(const char* name, const PlatformWaveFormat& format, const uint8_t* data,
                        uint32_t bytes) {
    if (!headless.audioOpen || data == nullptr || bytes == 0) return 0;
    const uint32_t frameBytes = std::max<uint32_t>(1, format.channels * format.bitsPerSample / 8);
    const uint64_t rate = std::max<uint32_t>(1, format.samplesPerSecond);
    headless.sounds.push_back({name, uint32_t(uint64_t(bytes / frameBytes) * 1000 / rate), 0, false});
    return int(headless.sounds.size());
}

int PlatformDuplicateSound(int source, const char* name) {
    HeadlessSound* s = FindSound(source);
    if (s == nullptr) return 0;
    headless.sounds.push_back({name, s->durationMs, 0, false});
    return int(headless.sounds.size());
}

void PlatformStartSound(int sound) {
    HeadlessSound* s = FindSound(sound);
    if (s == nullptr) return;
    LogSound("start", *s);
    if (!IsPlaying(*s)) s->playing = true, s->startedAt = Ticks();
}

void PlatformRestartSound(int sound) {
    HeadlessSound* s = FindSound(sound);
    if (s == nullptr) return;
    LogSound("restart", *s);
    s->playing = true;
    s->startedAt = Ticks();
}

void PlatformSilenceSound(int sound) {
    HeadlessSound* s = FindSound(sound);
    if (s == nullptr) return;
    LogSound("silence", *s);
    s->playing = false;
}

bool PlatformSoundPlaying(int sound) {
    HeadlessSound* s = FindSound(sound);
    return s != nullptr && IsPlaying(*s);
}

void PlatformReleaseSound(int sound) {
    if (HeadlessSound* s = FindSound(sound)) s->released = true, s->playing = false;
}

void PlatformCloseAudio() {
    headless.audioOpen = false;
}
