// The SDL backend's keyboard in the settings' key codes: letters by what they type on the
// player's layout (as Windows names them), every other key by where it is.
#include <SDL.h>

#include "platform/common/settings.h"
#include "platform/sdl/sdl_input.h"

namespace {

struct KeyPlace {
    SDL_Scancode scancode;
    int keyCode;
};

constexpr KeyPlace PLACES[] = {
    {SDL_SCANCODE_BACKSPACE, 8},   {SDL_SCANCODE_TAB, 9},           {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_KP_ENTER, 13},   {SDL_SCANCODE_PAUSE, 19},        {SDL_SCANCODE_CAPSLOCK, 20},
    {SDL_SCANCODE_ESCAPE, 27},     {SDL_SCANCODE_SPACE, 32},        {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_PAGEDOWN, 34},   {SDL_SCANCODE_END, 35},          {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_LEFT, 37},       {SDL_SCANCODE_UP, 38},           {SDL_SCANCODE_RIGHT, 39},
    {SDL_SCANCODE_DOWN, 40},       {SDL_SCANCODE_INSERT, 45},       {SDL_SCANCODE_DELETE, 46},
    {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_PLUS, 107},   {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_PERIOD, 110}, {SDL_SCANCODE_KP_DIVIDE, 111},   {SDL_SCANCODE_LSHIFT, 160},
    {SDL_SCANCODE_RSHIFT, 161},    {SDL_SCANCODE_LCTRL, 162},       {SDL_SCANCODE_RCTRL, 163},
    {SDL_SCANCODE_LALT, 164},      {SDL_SCANCODE_RALT, 165},        {SDL_SCANCODE_SEMICOLON, 186},
    {SDL_SCANCODE_EQUALS, 187},    {SDL_SCANCODE_COMMA, 188},       {SDL_SCANCODE_MINUS, 189},
    {SDL_SCANCODE_PERIOD, 190},    {SDL_SCANCODE_SLASH, 191},       {SDL_SCANCODE_GRAVE, 192},
    {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220}, {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_APOSTROPHE, 222}, {SDL_SCANCODE_NONUSBACKSLASH, 226},
};

constexpr int KEY_F1 = 112, KEY_KEYPAD0 = 96;

// The letters and digits where a US keyboard has them: the fallback for a layout whose key
// there types no Latin letter.
int PlaceCode(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
    if (code == SDL_SCANCODE_0) return '0';
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12) return KEY_F1 + (code - SDL_SCANCODE_F1);
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9) return KEY_KEYPAD0 + 1 + (code - SDL_SCANCODE_KP_1);
    if (code == SDL_SCANCODE_KP_0) return KEY_KEYPAD0;
    for (const KeyPlace& place : PLACES)
        if (place.scancode == code) return place.keyCode;
    return KEY_NONE;
}

SDL_Scancode PlaceOf(int keyCode) {
    if (keyCode >= 'A' && keyCode <= 'Z') return SDL_Scancode(SDL_SCANCODE_A + (keyCode - 'A'));
    if (keyCode >= '1' && keyCode <= '9') return SDL_Scancode(SDL_SCANCODE_1 + (keyCode - '1'));
    if (keyCode == '0') return SDL_SCANCODE_0;
    if (keyCode >= KEY_F1 && keyCode < KEY_F1 + 12) return SDL_Scancode(SDL_SCANCODE_F1 + (keyCode - KEY_F1));
    if (keyCode > KEY_KEYPAD0 && keyCode <= KEY_KEYPAD0 + 9) return SDL_Scancode(SDL_SCANCODE_KP_1 + (keyCode - KEY_KEYPAD0 - 1));
    if (keyCode == KEY_KEYPAD0) return SDL_SCANCODE_KP_0;
    for (const KeyPlace& place : PLACES)
        if (place.keyCode == keyCode) return place.scancode;
    return SDL_SCANCODE_UNKNOWN;
}

bool IsLetter(int keyCode) { return keyCode >= 'A' && keyCode <= 'Z'; }

}  // namespace

int KeyCodeOf(SDL_Scancode code) {
    const SDL_Keycode typed = SDL_GetKeyFromScancode(code);
    if (typed >= 'a' && typed <= 'z') return int('A' + (typed - 'a'));
    const int place = PlaceCode(code);
    // A letter's place whose key types something else: the letter is elsewhere on this layout
    // (and found there), or nowhere, and then this place stands for it.
    if (IsLetter(place) && SDL_GetScancodeFromKey(SDL_Keycode('a' + (place - 'A'))) != SDL_SCANCODE_UNKNOWN)
        return KEY_NONE;
    return place;
}

// Both Enter keys hold Enter.
void ScancodesOf(int keyCode, SDL_Scancode (&codes)[2]) {
    codes[0] = codes[1] = SDL_SCANCODE_UNKNOWN;
    if (keyCode == 13) {
        codes[0] = SDL_SCANCODE_RETURN, codes[1] = SDL_SCANCODE_KP_ENTER;
    } else if (IsLetter(keyCode)) {
        codes[0] = SDL_GetScancodeFromKey(SDL_Keycode('a' + (keyCode - 'A')));
        if (codes[0] == SDL_SCANCODE_UNKNOWN) codes[0] = PlaceOf(keyCode);
    } else if (keyCode != KEY_NONE) {
        codes[0] = PlaceOf(keyCode);
    }
}
