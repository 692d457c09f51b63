// The default settings, the names of keys, controller buttons and actions as settings.ini and
// the options screen show them, and the rule that one key serves one action.
#include <cctype>
#include <string>

#include "platform/common/pad.h"
#include "platform/common/settings.h"

namespace {

struct Named {
    int code;
    const char* name;
};

// Keys outside A-Z, 0-9, F1-F12 and the keypad's digits, which are named by rule below.
constexpr Named KEY_NAMES[] = {
    {8, "Backspace"},     {9, "Tab"},          {13, "Enter"},          {19, "Pause"},
    {20, "CapsLock"},     {27, "Escape"},      {32, "Space"},          {33, "PageUp"},
    {34, "PageDown"},     {35, "End"},         {36, "Home"},           {37, "Left"},
    {38, "Up"},           {39, "Right"},       {40, "Down"},           {45, "Insert"},
    {46, "Delete"},       {106, "KeypadMultiply"}, {107, "KeypadPlus"}, {109, "KeypadMinus"},
    {110, "KeypadPeriod"}, {111, "KeypadDivide"}, {160, "LeftShift"},  {161, "RightShift"},
    {162, "LeftCtrl"},    {163, "RightCtrl"},  {164, "LeftAlt"},       {165, "RightAlt"},
    {186, "Semicolon"},   {187, "Equals"},     {188, "Comma"},         {189, "Minus"},
    {190, "Period"},      {191, "Slash"},      {192, "Backquote"},     {219, "LeftBracket"},
    {220, "Backslash"},   {221, "RightBracket"}, {222, "Quote"},       {226, "ExtraBackslash"},
    // Other spellings a player may write; the first name of a code is the one written back.
    {13, "Return"},       {27, "Esc"},
};

// One name per controller button the pad mapping knows.
constexpr struct {
    uint32_t button;
    const char* name;
} BUTTON_NAMES[] = {
    {PAD_LEFT, "Left"}, {PAD_RIGHT, "Right"}, {PAD_UP, "Up"},         {PAD_DOWN, "Down"},
    {PAD_A, "A"},       {PAD_B, "B"},         {PAD_FIRE, "Shoulder"}, {PAD_START, "Start"},
    {PAD_BACK, "Back"},
};

constexpr const char* ACTION_NAMES[ACTION_COUNT] = {"left", "right", "fire", "pause", "enter", "quit"};

constexpr int KEY_F1 = 112, KEY_F12 = 123, KEY_KEYPAD0 = 96, KEY_KEYPAD9 = 105;

// The names for codes of a run: "A", "7", "F5", "Keypad3". Kept in static storage for the callers.
const char* RunName(int code) {
    static const std::string letters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                          "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
    static const std::string digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const std::string functions[] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
    static const std::string keypad[] = {"Keypad0", "Keypad1", "Keypad2", "Keypad3", "Keypad4",
                                         "Keypad5", "Keypad6", "Keypad7", "Keypad8", "Keypad9"};
    if (code >= 'A' && code <= 'Z') return letters[code - 'A'].c_str();
    if (code >= '0' && code <= '9') return digits[code - '0'].c_str();
    if (code >= KEY_F1 && code <= KEY_F12) return functions[code - KEY_F1].c_str();
    if (code >= KEY_KEYPAD0 && code <= KEY_KEYPAD9) return keypad[code - KEY_KEYPAD0].c_str();
    return nullptr;
}

bool SameName(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i)
        if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
    return i == a.size() && b[i] == 0;
}

bool Holds(const int (&slots)[BINDINGS_PER_ACTION], int code) {
    for (int key : slots)
        if (key == code) return true;
    return false;
}

// Enter works on the menus, fire and pause in play: those never see the same press.
bool ShareAScreen(int a, int b) {
    auto playOnly = [](int action) { return action == ACTION_FIRE || action == ACTION_PAUSE; };
    return !((a == ACTION_ENTER && playOnly(b)) || (b == ACTION_ENTER && playOnly(a)));
}

}  // namespace

PlatformSettings DefaultSettings() {
    PlatformSettings s{};
    const int keys[ACTION_COUNT] = {37, 39, 32, 'P', 13, 27};
    const uint32_t buttons[ACTION_COUNT][BINDINGS_PER_ACTION] = {
        {PAD_LEFT, 0}, {PAD_RIGHT, 0}, {PAD_FIRE, PAD_A}, {PAD_START, 0}, {PAD_A, PAD_START}, {PAD_BACK, 0}};
    for (int a = 0; a < ACTION_COUNT; ++a) {
        s.keys[a][0] = keys[a];
        s.buttons[a][0] = buttons[a][0];
        s.buttons[a][1] = buttons[a][1];
    }
    s.volume = VOLUME_MAX;
    s.fullscreen = true;
    s.windowScale = 1;
    s.scaling = SCALING_FILL;
    s.vsync = true;
    return s;
}

const char* KeyName(int keyCode) {
    if (const char* name = RunName(keyCode)) return name;
    for (const Named& key : KEY_NAMES)
        if (key.code == keyCode) return key.name;
    return nullptr;
}

int KeyFromName(const std::string& name) {
    for (int code = 1; code < 256; ++code)
        if (const char* run = RunName(code); run != nullptr && SameName(name, run)) return code;
    for (const Named& key : KEY_NAMES)
        if (SameName(name, key.name)) return key.code;
    return KEY_NONE;
}

const char* ButtonName(uint32_t button) {
    for (const auto& b : BUTTON_NAMES)
        if (b.button == button) return b.name;
    return nullptr;
}

uint32_t ButtonFromName(const std::string& name) {
    for (const auto& b : BUTTON_NAMES)
        if (SameName(name, b.name)) return b.button;
    return 0;
}

const char* ActionName(int action) { return action >= 0 && action < ACTION_COUNT ? ACTION_NAMES[action] : "?"; }

int ActionHoldingKey(const PlatformSettings& settings, int action, int keyCode) {
    if (keyCode == KEY_NONE) return -1;
    for (int other = 0; other < ACTION_COUNT; ++other)
        if (other != action && Holds(settings.keys[other], keyCode)) return other;
    return -1;
}

int ActionHoldingButton(const PlatformSettings& settings, int action, uint32_t button) {
    if (button == 0) return -1;
    for (int other = 0; other < ACTION_COUNT; ++other)
        for (uint32_t held : settings.buttons[other])
            if (other != action && held == button && ShareAScreen(action, other)) return other;
    return -1;
}

bool BindKey(PlatformSettings& settings, int action, int slot, int keyCode, std::string* refusal) {
    const char* name = KeyName(keyCode);
    if (keyCode != KEY_NONE && name == nullptr) return *refusal = "that key cannot be used", false;
    if (keyCode == KEY_F1) return *refusal = "F1 opens the options", false;
    const int other = ActionHoldingKey(settings, action, keyCode);
    if (other >= 0) return *refusal = std::string(name) + " is already " + ActionName(other), false;
    // Every action keeps a key, so no setting can leave the player without a way to play or quit.
    if (keyCode == KEY_NONE && settings.keys[action][1 - slot] == KEY_NONE)
        return *refusal = std::string(ActionName(action)) + " needs a key", false;
    settings.keys[action][slot] = keyCode;
    return true;
}

bool BindButton(PlatformSettings& settings, int action, int slot, uint32_t button, std::string* refusal) {
    const char* name = ButtonName(button);
    if (button != 0 && name == nullptr) return *refusal = "that button cannot be used", false;
    const int other = ActionHoldingButton(settings, action, button);
    if (other >= 0) return *refusal = std::string(name) + " is already " + ActionName(other), false;
    settings.buttons[action][slot] = button;
    return true;
}
