// The browser backend's start and end, clock, keys, touch controls, messages, and the page's
// hidden and closing moments. The page script (page/*.js, the object QF and its helpers) owns the
// browser's events; this file asks it for their results.
#include <emscripten.h>

#include <ctime>
#include <string>

#include "platform/backend.h"
#include "platform/hall.h"
#include "formats/cp1252.h"
#include "platform/common/settings.h"
#include "platform/platform.h"
#include "platform/web/web.h"

WebBackend web;

namespace {

EM_JS(void, JsStart, (int watching), { QF.start(watching !== 0); });
EM_JS(void, JsFinish, (int status), { QF.finish(status); });
EM_JS(void, JsShowCursor, (int show), { QF.showCursor(show !== 0); });
EM_JS(int, JsKeyDown, (int keyCode), { return QF.keyDown(keyCode) ? 1 : 0; });
EM_ASYNC_JS(void, JsWaitKeyUp, (int keyCode), { await QF.keyReleased(keyCode); });
// Gives the browser a moment: a pad is only seen by looking at it again.
EM_ASYNC_JS(void, JsPause, (int ms), { await new Promise(resolve => setTimeout(resolve, ms)); });
// The key code of the next key pressed since the last look, or 0.
EM_JS(int, JsNextPressedKey, (), { return QF.nextPressedKey(); });
// The touch controls: is the game key held, and the next game key tapped since the last look.
EM_JS(int, JsTouchHolds, (int gameKey), { return Touch.holds(gameKey) ? 1 : 0; });
EM_JS(int, JsNextTouchPress, (), { return Touch.nextPress(); });
EM_JS(void, JsSetSharp, (int sharp), { QF.setSharp(sharp !== 0); });
// The next typed character's code point (Backspace as 8), or -1 when none is waiting.
EM_JS(int, JsNextCharacter, (), { return QF.nextCharacter(); });
EM_JS(void, JsStoreSettings, (), { QF.storeSettings(FS); });
// What the game waits for now (platform.h's PlatformInputMode): the page shows the name field.
EM_JS(void, JsSetMode, (int mode), { QF.setMode(mode); });
// The page's wish to watch a recording: its file in the program's memory, or empty.
EM_JS(void, JsRecordingToWatch, (char* path, int size), { stringToUTF8(QF.recordingToWatch || "", path, size); });
EM_JS(void, JsGameRecorded, (const uint8_t* bytes, int size), {
    Recordings.recorded(HEAPU8.slice(bytes, bytes + size));
});

// Typed characters join the queue as Windows-1252 bytes; those it cannot hold are dropped.
void TakeTypedCharacters() {
    for (int codePoint; (codePoint = JsNextCharacter()) >= 0;) {
        const int byte = Cp1252Byte(uint32_t(codePoint));
        if (byte >= 0) web.queue.push_back({MESSAGE_CHAR, uint8_t(byte)});
    }
}

// A key pressed since the last read counts as down once, however short the press; while the
// options screen waits for a key to bind, each press is a message instead.
void TakePressedKeys(PlatformInputMode mode) {
    for (int code; (code = JsNextPressedKey()) != 0;) {
        if (mode == INPUT_BIND && KeyName(code) != nullptr) web.queue.push_back({MESSAGE_KEY, uint8_t(code)});
        const uint32_t keys = GameKeysOfKey(code, mode);
        for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
            if (keys & (1u << i)) LatchKey(web.latches, PLATFORM_KEYS[i]);
    }
    for (int key; (key = JsNextTouchPress()) != 0;) LatchKey(web.latches, key);
}

// Any key the settings give this game key is held.
bool KeyboardHolds(int gameKey) {
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, web.mode, keys); i-- > 0;)
        if (JsKeyDown(keys[i]) != 0) return true;
    return false;
}

// The touch controls give the game its keys themselves, whatever the keyboard's bindings.
bool KeyDown(int gameKey, bool keyboardHolds, uint32_t now) {
    const bool tapped = TakeLatchedKey(web.latches, gameKey);
    return keyboardHolds || tapped || JsTouchHolds(gameKey) != 0 || PadKeyDown(web.pad, gameKey, now);
}

// The table is saved, and a game in play pauses as by a press of P, which a recording keeps.
void Suspend(bool closing) {
    if (SessionHooks().suspend != nullptr) SessionHooks().suspend();
    if (!closing) PadUnplugged(web.pad, web.latches);
}

// Each finished game goes to the page as the recording of the session so far, ending on it: its
// header, then its entries unpacked, which the page packs with the browser's own deflate.
void GameRecorded(const std::string& recording) {
    JsGameRecorded(reinterpret_cast<const uint8_t*>(recording.data()), int(recording.size()));
}

void TellMode(PlatformInputMode mode) {
    if (web.modeTold && mode == web.mode) return;
    web.modeTold = true;
    JsSetMode(mode);
}

}  // namespace

void WebStoreSettings() { JsStoreSettings(); }

// Called by the page when it is hidden (closing 0) or about to go away (closing 1). Inside a
// key wait the game is mid-step, so a hidden page is suspended at the next pass instead; a
// closing page has no next pass.
extern "C" EMSCRIPTEN_KEEPALIVE void WebPageHidden(int closing) {
    if (web.inKeyWait && closing == 0) web.suspendPending = true;
    else Suspend(closing != 0);
}

// A page that asks to watch a recording plays it; any other session is recorded, and every
// finished game is offered to the player as a recording of its own.
int PlatformStart(int, char**) {
    LoadSettings(PlayerSettingsPath(), SettingsOverrides{});
    settingsStore.choices.scaling = true;  // the page's picture is sharp or fills; the browser owns the rest
    JsSetSharp(settingsStore.current.scaling == SCALING_SHARP);
    char watch[256];
    JsRecordingToWatch(watch, int(sizeof watch));
    if (watch[0] != 0) {
        if (!SessionStartReplay(watch)) {
            JsFinish(2);
            return 2;
        }
    } else if (SessionStartRecording("", "web")) {
        HallLink link;
        link.send = GameRecorded;
        link.everyGame = true;
        SessionSendGamesToHall(link);
    }
    JsStart(watch[0] != 0 ? 1 : 0);
    return -1;
}

// After Escape (or the end of a recording watched) the page offers to start again.
int PlatformFinish() {
    const int status = SessionFinish();
    JsFinish(status);
    return status;
}

void PlatformShowCursor(bool show) { JsShowCursor(show ? 1 : 0); }

void BackendReadInput(const PlatformInputWanted& wanted, PlatformInput* input) {
    if (web.suspendPending) {
        web.suspendPending = false;
        Suspend(false);
    }
    TellMode(wanted.mode);
    web.mode = wanted.mode;
    input->ticks = uint32_t(uint64_t(emscripten_get_now() + web.clockSkew));
    input->time = int64_t(std::time(nullptr)) + int64_t(web.clockSkew / 1000);
    PadSetWanted(web.pad, wanted);
    TakeTypedCharacters();
    TakePressedKeys(wanted.mode);
    ReadWebPads(input->ticks);
    input->keys = 0;
    uint32_t keyboard = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i) {
        const bool held = KeyboardHolds(PLATFORM_KEYS[i]);
        if (held) keyboard |= 1u << i;
        if (KeyDown(PLATFORM_KEYS[i], held, input->ticks)) input->keys |= 1u << i;
    }
    input->messageCount = 0;
    while (!web.queue.empty() && input->messageCount < PLATFORM_MAX_MESSAGES) {
        input->messages[input->messageCount++] = web.queue.front();
        web.queue.pop_front();
    }
    DropHeldKeyCharacters(web.held, wanted, keyboard, input);
}

void BackendFrameShown(const PlatformInput&) {}
bool BackendShowsFrames() { return true; }

// Waits for every key the settings give this game key to be let go, and for the touch control
// and the pad buttons of that key.
void BackendWaitKeyUp(int gameKey) {
    web.inKeyWait = true;
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, web.mode, keys); i-- > 0;) JsWaitKeyUp(keys[i]);
    JsWaitKeyUp(-gameKey);
    for (uint32_t now = uint32_t(uint64_t(emscripten_get_now())); PadKeyDown(web.pad, gameKey, now);) {
        JsPause(8);
        now = uint32_t(uint64_t(emscripten_get_now()));
        ReadWebPads(now);
    }
    web.inKeyWait = false;
}

void BackendApplySettings() {
    ApplyWebVolume();
    JsSetSharp(settingsStore.current.scaling == SCALING_SHARP);
    WebStoreSettings();
}
