// What the controls of a pad mean on each kind of screen, and name entry by pad.
#include "platform/common/pad.h"

#include "platform/platform.h"

namespace {

// The characters up and down step through on name entry.
constexpr char NAME_LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-!";
constexpr int NAME_LETTER_COUNT = int(sizeof NAME_LETTERS) - 1;

const int GAME_KEYS[] = {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_LEFT, VK_RIGHT, VK_P};

// A is Enter on the menus and fire in play; Start is Enter, or P in play. On the game-over
// screen A, B and the directions belong to name entry, and Start alone finishes it.
bool Holds(PadScreen screen, uint32_t buttons, int virtualKey) {
    switch (virtualKey) {
    case VK_LEFT: return screen != PAD_NAME && (buttons & PAD_LEFT);
    case VK_RIGHT: return screen != PAD_NAME && (buttons & PAD_RIGHT);
    case VK_SPACE: return (buttons & PAD_FIRE) || (screen == PAD_PLAY && (buttons & PAD_A));
    case VK_RETURN: return (screen == PAD_MENU && (buttons & PAD_A)) ||
                           (screen != PAD_PLAY && (buttons & PAD_START));
    case VK_P: return screen == PAD_PLAY && (buttons & PAD_START);
    default: return false;
    }
}

// The game's own rule for a typed character, so that the count here follows the game's name.
void Mirror(std::string& name, uint8_t character) {
    if (character == 8) {
        if (!name.empty()) name.pop_back();
    } else if (character >= 32 && character != 127 && name.size() < PAD_NAME_LIMIT) {
        name.push_back(char(character));
    }
}

void Type(PadInput& pad, uint8_t character) {
    Mirror(pad.name, character);
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
    if ((pressed & (PAD_RIGHT | PAD_A)) && pad.name.size() < PAD_NAME_LIMIT) Type(pad, 'A');
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
    for (int key : GAME_KEYS)
        if (Holds(pad.screen, pressed, key)) LatchKey(latches, key);
    if (pad.screen == PAD_NAME) EnterName(pad, pressed);
}

bool PadKeyDown(const PadInput& pad, int virtualKey, uint32_t now) {
    if (virtualKey == VK_ESCAPE)
        return (pad.buttons & PAD_BACK) && int32_t(now - pad.backDownAt) >= int32_t(PAD_QUIT_HOLD_MS);
    return Holds(pad.screen, pad.buttons, virtualKey);
}

void PadSawKeyPoll(PadInput& pad, int virtualKey) {
    if (virtualKey == VK_P && pad.screen != PAD_PLAY) {
        pad.screen = PAD_PLAY;
        pad.paused = false;
    } else if (virtualKey == VK_RETURN && pad.screen == PAD_PLAY) {
        pad.screen = PAD_NAME;  // a finished game ranks its score with an empty name
        pad.name.clear();
    }
}

void PadSawKeyWait(PadInput& pad, int virtualKey) {
    if (virtualKey == VK_P && pad.screen == PAD_PLAY) pad.paused = !pad.paused;
    if (virtualKey == VK_RETURN && pad.screen == PAD_NAME) pad.screen = PAD_MENU;
}

void PadSawTypedChar(PadInput& pad, uint8_t character) {
    if (pad.screen == PAD_NAME) Mirror(pad.name, character);
}

void PadUnplugged(PadInput& pad, KeyLatches& latches) {
    if (pad.screen == PAD_PLAY && !pad.paused) LatchKey(latches, VK_P);
}
