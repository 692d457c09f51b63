// The browser backend's start and end, clock, keys, messages, and the page's hidden and closing
// moments. The page script (page/page.js, the object QF) owns the browser's events; this file
// asks it for their results.
#include <emscripten.h>

#include <ctime>
#include <deque>

#include "platform/backend.h"
#include "formats/cp1252.h"
#include "platform/common/held_keys.h"
#include "platform/common/settings.h"
#include "platform/platform.h"
#include "platform/web/web.h"

WebBackend web;

namespace {

std::deque<PlatformMessage> queue;
HeldKeys held;

EM_JS(void, JsStart, (), { QF.start(); });
EM_JS(void, JsFinish, (), { QF.finish(); });
EM_JS(void, JsShowCursor, (int show), { QF.showCursor(show !== 0); });
EM_JS(int, JsKeyDown, (int keyCode), { return QF.keyDown(keyCode) ? 1 : 0; });
EM_ASYNC_JS(void, JsWaitKeyUp, (int keyCode), { await QF.keyReleased(keyCode); });
// The key code of the next key pressed since the last look, or 0.
EM_JS(int, JsNextPressedKey, (), { return QF.nextPressedKey(); });
EM_JS(void, JsSetSharp, (int sharp), { QF.setSharp(sharp !== 0); });
// The next typed character's code point (Backspace as 8), or -1 when none is waiting.
EM_JS(int, JsNextCharacter, (), { return QF.nextCharacter(); });
EM_JS(void, JsStoreTable, (), { QF.storeTable(FS); });
EM_JS(void, JsStoreSettings, (), { QF.storeSettings(FS); });

// Typed characters join the queue as Windows-1252 bytes; those it cannot hold are dropped.
void TakeTypedCharacters() {
    for (int codePoint; (codePoint = JsNextCharacter()) >= 0;) {
        const int byte = Cp1252Byte(uint32_t(codePoint));
        if (byte >= 0) queue.push_back({MESSAGE_CHAR, uint8_t(byte)});
    }
}

// Presses go by unseen, but while the options screen waits for a key to bind: then each is one.
void TakePressedKeys(PlatformInputMode mode) {
    for (int code; (code = JsNextPressedKey()) != 0;)
        if (mode == INPUT_BIND && KeyName(code) != nullptr) queue.push_back({MESSAGE_KEY, uint8_t(code)});
}

// Any key the settings give this game key is held.
bool KeyDown(int gameKey) {
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, web.mode, keys); i-- > 0;)
        if (JsKeyDown(keys[i]) != 0) return true;
    return false;
}

void Suspend() {
    if (SessionHooks().suspend != nullptr) SessionHooks().suspend();
    WebStoreTable();
}

}  // namespace

void WebStoreTable() { JsStoreTable(); }
void WebStoreSettings() { JsStoreSettings(); }

// Called by the page when it is hidden (closing 0) or about to go away (closing 1). Inside a
// key wait the game is mid-step, so a hidden page is suspended at the next pass instead; a
// closing page has no next pass.
extern "C" EMSCRIPTEN_KEEPALIVE void WebPageHidden(int closing) {
    if (web.inKeyWait && closing == 0) web.suspendPending = true;
    else Suspend();
}

int PlatformStart(int, char**) {
    LoadSettings(PlayerSettingsPath(), SettingsOverrides{});
    settingsStore.choices.scaling = true;  // the page's picture is sharp or fills; the browser owns the rest
    JsSetSharp(settingsStore.current.scaling == SCALING_SHARP);
    JsStart();
    return -1;
}

// After Escape the table is kept and the page offers to start again.
int PlatformFinish() {
    const int status = SessionFinish();
    WebStoreTable();
    JsFinish();
    return status;
}

void PlatformShowCursor(bool show) { JsShowCursor(show ? 1 : 0); }

void BackendReadInput(const PlatformInputWanted& wanted, PlatformInput* input) {
    // Start-up may have written a new table (the default one); the page keeps it from now on.
    if (!web.tableStored) {
        web.tableStored = true;
        WebStoreTable();
    }
    if (web.suspendPending) {
        web.suspendPending = false;
        Suspend();
    }
    web.mode = wanted.mode;
    TakeTypedCharacters();
    TakePressedKeys(wanted.mode);
    input->ticks = uint32_t(uint64_t(emscripten_get_now() + web.clockSkew));
    input->time = int64_t(std::time(nullptr)) + int64_t(web.clockSkew / 1000);
    input->keys = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (KeyDown(PLATFORM_KEYS[i])) input->keys |= 1u << i;
    input->messageCount = 0;
    while (!queue.empty() && input->messageCount < PLATFORM_MAX_MESSAGES) {
        input->messages[input->messageCount++] = queue.front();
        queue.pop_front();
    }
    DropHeldKeyCharacters(held, wanted, input->keys, input);
}

void BackendFrameShown(const PlatformInput&) {}
bool BackendShowsFrames() { return true; }

// Waits for every key the settings give this game key to be let go.
void BackendWaitKeyUp(int gameKey) {
    web.inKeyWait = true;
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, web.mode, keys); i-- > 0;) JsWaitKeyUp(keys[i]);
    web.inKeyWait = false;
}

void BackendApplySettings() {
    ApplyWebVolume();
    JsSetSharp(settingsStore.current.scaling == SCALING_SHARP);
    WebStoreSettings();
}



