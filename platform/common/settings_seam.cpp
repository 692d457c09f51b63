// The settings across the seam: what the game reads and changes of them, and the keyboard's keys
// turned into the game's through the bindings, for every backend.
#include "platform/backend.h"
#include "platform/common/settings.h"

namespace {

// The keys that give the game key of their own code whatever the bindings (O gives way to an
// action that has it).
bool GivesFixedKey(int keyCode, PlatformInputMode mode) {
    switch (keyCode) {
    case PLATFORM_KEY_UP:
    case PLATFORM_KEY_DOWN:
    case PLATFORM_KEY_F1: return true;
    case PLATFORM_KEY_O: return ActionHoldingKey(settingsStore.current, -1, keyCode) < 0;
    case PLATFORM_KEY_LEFT:
    case PLATFORM_KEY_RIGHT:
    case PLATFORM_KEY_RETURN:
    case PLATFORM_KEY_ESCAPE: return mode == INPUT_OPTIONS || mode == INPUT_BIND;
    default: return false;
    }
}

}  // namespace

uint32_t GameKeysOfKey(int keyCode, PlatformInputMode mode) {
    if (keyCode == KEY_NONE) return 0;
    const PlatformSettings& s = settingsStore.current;
    uint32_t keys = GivesFixedKey(keyCode, mode) ? PlatformKeyBit(keyCode) : 0;
    for (int action = 0; action < ACTION_COUNT; ++action)
        for (int key : s.keys[action])
            if (key == keyCode) keys |= PlatformKeyBit(ACTION_GAME_KEYS[action]);
    return keys;
}

int KeysGivingGameKey(int gameKey, PlatformInputMode mode, int (&keys)[MAX_KEYS_PER_GAME_KEY]) {
    int count = 0;
    if (GivesFixedKey(gameKey, mode)) keys[count++] = gameKey;
    for (int action = 0; action < ACTION_COUNT; ++action)
        if (ACTION_GAME_KEYS[action] == gameKey)
            for (int key : settingsStore.current.keys[action])
                if (key != KEY_NONE) keys[count++] = key;
    return count;
}

const PlatformSettings& PlatformCurrentSettings() { return settingsStore.current; }
PlatformPictureChoices PlatformPictureChoicesNow() { return settingsStore.choices; }

// A replay shows what the recording game did; the viewer's own settings stay as they are.
void PlatformChangeSettings(const PlatformSettings& settings) {
    if (SessionReplaying()) return;
    SaveSettings(settings);
    BackendApplySettings();
}

bool PlatformBindKey(PlatformSettings& settings, int action, int slot, int keyCode, std::string* refusal) {
    if (action < 0 || action >= ACTION_COUNT || slot < 0 || slot >= BINDINGS_PER_ACTION) return false;
    return BindKey(settings, action, slot, keyCode, refusal);
}

bool PlatformBindButton(PlatformSettings& settings, int action, int slot, uint32_t button, std::string* refusal) {
    if (action < 0 || action >= ACTION_COUNT || slot < 0 || slot >= BINDINGS_PER_ACTION) return false;
    return BindButton(settings, action, slot, button, refusal);
}

const char* PlatformKeyName(int keyCode) {
    const char* name = KeyName(keyCode);
    return name != nullptr ? name : keyCode == KEY_NONE ? "-" : "?";
}

const char* PlatformButtonName(uint32_t button) {
    const char* name = ButtonName(button);
    return name != nullptr ? name : button == 0 ? "-" : "?";
}

const char* PlatformActionName(int action) { return ActionName(action); }
