// What the controls of a pad mean on each kind of screen, and name entry by pad.
#include "platform/common/pad.h"


namespace {

// The characters up and down step through on name entry.
constexpr char NAME_LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-!";
constexpr int NAME_LETTER_COUNT = int(sizeof NAME_LETTERS) - 1;


// A is Enter on the menus and fire in play; Start is Enter, or P in play. On the game-over
// screen A, B and the directions belong to name entry, and Start alone finishes it.
bool Holds(PlatformInputMode screen, uint32_t buttons, int key) {
    switch (key) {
    case PLATFORM_KEY_LEFT: return screen != INPUT_NAME && (buttons & PAD_LEFT);
    case PLATFORM_KEY_RIGHT: return screen != INPUT_NAME && (buttons & PAD_RIGHT);
    case PLATFORM_KEY_SPACE: return (buttons & PAD_FIRE) || (screen == INPUT_PLAY && (buttons & PAD_A));
    case PLATFORM_KEY_RETURN: return (screen == INPUT_MENU && (buttons & PAD_A)) ||
                                     (screen != INPUT_PLAY && (buttons & PAD_START));
    case PLATFORM_KEY_P: return screen == INPUT_PLAY && (buttons & PAD_START);
    default: return false;
    }
}

// The pad types only letters and Backspace, and keeps its view of the name until the game
// tells it the name again.
void Type(PadInput& pad, uint8_t character) {
    if (character == 8) pad.name.pop_back();
    else pad.name.push_back(char(character));
    pad.typed.push_back(char(character));
}

int LetterIndex(char letter) {
    for (int i = 0; i < NAME_LETTER_COUNT; ++i)
        if (NAME_LETTERS[i] == letter) return i;
    return -1;
}

// Up and down turn the last letter through the list; a name with no letter yet starts one at A.
void TurnLastLetter(PadInput& pad, int step) {
    if (pad.name.empty()) return Type(pad, 'A');
    const int index = LetterIndex(pad.name.back());
    const int turned = index < 0 ? 0 : (index + step + NAME_LETTER_COUNT) % NAME_LETTER_COUNT;
    Type(pad, 8);
    Type(pad, uint8_t(NAME_LETTERS[turned]));
}

void EnterName(PadInput& pad, uint32_t pressed) {
    if (pressed & PAD_UP) TurnLastLetter(pad, 1);
    if (pressed & PAD_DOWN) TurnLastLetter(pad, -1);
    if ((pressed & (PAD_RIGHT | PAD_A)) && int(pad.name.size()) < pad.nameLimit) Type(pad, 'A');
    if ((pressed & (PAD_LEFT | PAD_B)) && !pad.name.empty()) Type(pad, 8);
}

}  // namespace

uint32_t PadStickButtons(int x, int y) {
    uint32_t buttons = 0;
    if (x < -PAD_DEAD_ZONE) buttons |= PAD_LEFT;
    if (x > PAD_DEAD_ZONE) buttons |= PAD_RIGHT;
    if (y < -PAD_DEAD_ZONE) buttons |= PAD_UP;
    if (y > PAD_DEAD_ZONE) buttons |= PAD_DOWN;
    return buttons;
}

void PadSetButtons(PadInput& pad, KeyLatches& latches, uint32_t buttons, uint32_t now) {
    const uint32_t pressed = buttons & ~pad.buttons;
    pad.buttons = buttons;
    if (pressed & PAD_BACK) pad.backDownAt = now;
    for (int key : PLATFORM_KEYS)
        if (Holds(pad.mode, pressed, key)) LatchKey(latches, key);
    if (pad.mode == INPUT_NAME) EnterName(pad, pressed);
}

bool PadKeyDown(const PadInput& pad, int key, uint32_t now) {
    if (key == PLATFORM_KEY_ESCAPE)
        return (pad.buttons & PAD_BACK) && int32_t(now - pad.backDownAt) >= int32_t(PAD_QUIT_HOLD_MS);
    return Holds(pad.mode, pad.buttons, key);
}

void PadSetWanted(PadInput& pad, const PlatformInputWanted& wanted) {
    pad.mode = wanted.mode;
    pad.paused = wanted.paused;
    pad.nameLimit = wanted.nameLimit;
    if (wanted.mode == INPUT_NAME && wanted.name != nullptr)
        pad.name.assign(reinterpret_cast<const char*>(wanted.name), size_t(wanted.nameLength));
    else
        pad.name.clear();
}

void PadUnplugged(PadInput& pad, KeyLatches& latches) {
    if (pad.mode == INPUT_PLAY && !pad.paused) LatchKey(latches, PLATFORM_KEY_P);
}
