// What the controls of a pad mean on each kind of screen, and name entry by pad.
#include "platform/common/pad.h"

#include "platform/common/settings.h"

namespace {

// The characters up and down step through on name entry.
constexpr char NAME_LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-!";
constexpr int NAME_LETTER_COUNT = int(sizeof NAME_LETTERS) - 1;


// The controls name entry and the options screen keep for themselves, whatever the bindings.
constexpr uint32_t NAME_CONTROLS = PAD_LEFT | PAD_RIGHT | PAD_UP | PAD_DOWN | PAD_A | PAD_B | PAD_START;

// The buttons the settings give an action.
uint32_t ActionButtons(int action) {
    const PlatformSettings& s = settingsStore.current;
    return s.buttons[action][0] | s.buttons[action][1];
}

// The options screen moves with the D-pad and changes with A or Start, whatever the bindings.
bool OptionsHold(uint32_t buttons, int key) {
    switch (key) {
    case PLATFORM_KEY_UP: return buttons & PAD_UP;
    case PLATFORM_KEY_DOWN: return buttons & PAD_DOWN;
    case PLATFORM_KEY_LEFT: return buttons & PAD_LEFT;
    case PLATFORM_KEY_RIGHT: return buttons & PAD_RIGHT;
    case PLATFORM_KEY_RETURN: return buttons & (PAD_A | PAD_START);
    default: return false;
    }
}

// Each action's buttons where it acts: by default A is Enter on the menus and fire in play,
// Start Enter or P. On the game-over screen the name-entry controls belong to the name, and
// Start alone finishes it. Only fire's buttons that Enter does not have fire on the menus.
bool Holds(PlatformInputMode screen, uint32_t buttons, int key) {
    if (screen == INPUT_OPTIONS) return OptionsHold(buttons, key);
    if (screen == INPUT_BIND) return false;
    const bool menu = screen == INPUT_MENU, play = screen == INPUT_PLAY, name = screen == INPUT_NAME;
    switch (key) {
    case PLATFORM_KEY_LEFT: return !name && (buttons & ActionButtons(ACTION_LEFT));
    case PLATFORM_KEY_RIGHT: return !name && (buttons & ActionButtons(ACTION_RIGHT));
    case PLATFORM_KEY_SPACE: {
        uint32_t fire = ActionButtons(ACTION_FIRE);
        if (menu) fire &= ~ActionButtons(ACTION_ENTER);
        if (name) fire &= ~NAME_CONTROLS;
        return buttons & fire;
    }
    case PLATFORM_KEY_RETURN: return (menu && (buttons & ActionButtons(ACTION_ENTER))) || (name && (buttons & PAD_START));
    case PLATFORM_KEY_P: return play && (buttons & ActionButtons(ACTION_PAUSE));
    default: return false;
    }
}

// While the options screen waits for a button to bind, each press is a message naming it.
void ReportPresses(PadInput& pad, uint32_t pressed) {
    for (uint8_t bit = 0; bit < 32; ++bit)
        if (pressed & (1u << bit)) pad.messages.push_back({MESSAGE_BUTTON, bit});
}

// The pad types only letters and Backspace, and keeps its view of the name until the game
// tells it the name again.
void Type(PadInput& pad, uint8_t character) {
    if (character == 8) pad.name.pop_back();
    else pad.name.push_back(char(character));
    pad.messages.push_back({MESSAGE_CHAR, character});
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
    if (pressed & ActionButtons(ACTION_QUIT)) pad.backDownAt = now;
    for (int key : PLATFORM_KEYS)
        if (Holds(pad.mode, pressed, key)) LatchKey(latches, key);
    if (pad.mode == INPUT_NAME) EnterName(pad, pressed);
    if (pad.mode == INPUT_BIND) ReportPresses(pad, pressed);
}

// Quit's buttons quit once held a second; on the options screen B or Back leaves at once.
bool PadKeyDown(const PadInput& pad, int key, uint32_t now) {
    if (key == PLATFORM_KEY_ESCAPE && pad.mode == INPUT_OPTIONS) return pad.buttons & (PAD_B | PAD_BACK);
    if (key == PLATFORM_KEY_ESCAPE)
        return pad.mode != INPUT_BIND && (pad.buttons & ActionButtons(ACTION_QUIT)) &&
               int32_t(now - pad.backDownAt) >= int32_t(PAD_QUIT_HOLD_MS);
    return Holds(pad.mode, pad.buttons, key);
}

void PadTakeMessages(PadInput& pad, std::deque<PlatformMessage>& queue) {
    queue.insert(queue.end(), pad.messages.begin(), pad.messages.end());
    pad.messages.clear();
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
