// The options screen: the player's keys, controller buttons, sound, flashing and picture. Every
// change is put in force and saved at once; nothing here touches a game, and every move on it
// follows from the frame's input alone, so a recording that visits it replays on any settings.
#include <algorithm>
#include <cstdio>
#include <string>

#include "flow/flow.h"
#include "gfx/images.h"
#include "sound/sound.h"

OptionsScreen optionsScreen;

namespace {

// The rows, the same on every backend: a picture setting the backend cannot change still has its
// row, so the cursor goes the same way whatever the machine.
enum OptionsRow {
    ROW_FIRST_ACTION = 0,  // one row per action: key, key, button, button
    ROW_VOLUME = ACTION_COUNT,
    ROW_MUTE,
    ROW_FLASHING,
    ROW_DISPLAY,
    ROW_WINDOW_SIZE,
    ROW_SCALING,
    ROW_VSYNC,
    ROW_DEFAULTS,
    ROW_COUNT
};
constexpr int COLUMNS = 2 * BINDINGS_PER_ACTION;
constexpr int VOLUME_STEP = 10;

constexpr uint32_t COLOUR_GREY = RGB(150, 150, 150);
constexpr int LABEL_X = 110, VALUE_X = 400, FIRST_ROW_Y = 110, ROW_HEIGHT = 23;
constexpr int COLUMN_X[COLUMNS] = {250, 370, 490, 610};

const char* const ROW_LABELS[ROW_COUNT] = {
    "Left", "Right", "Fire", "Pause", "Enter", "Quit", "Effects volume", "Sound", "Reduced flashing",
    "Picture", "Window size", "Scaling", "Vsync", "Keys and buttons"};

bool Pressed(uint32_t pressed, int key) { return (pressed & PlatformKeyBit(key)) != 0; }

bool RowAvailable(int row) {
    const PlatformPictureChoices choices = PlatformPictureChoicesNow();
    switch (row) {
    case ROW_DISPLAY: return choices.fullscreen;
    case ROW_WINDOW_SIZE: return choices.windowScale;
    case ROW_SCALING: return choices.scaling;
    case ROW_VSYNC: return choices.vsync;
    default: return true;
    }
}

void Note(const std::string& text, bool refusal) {
    optionsScreen.note = text;
    optionsScreen.noteIsRefusal = refusal;
}

// Every change is in force and saved as it is made.
void Keep() { PlatformChangeSettings(optionsScreen.edited); }

int Cycle(int value, int step, int low, int high) {
    value += step;
    return value > high ? low : value < low ? high : value;
}

// Left and Right step a value down and up; Enter steps it up, round to the start.
void ChangeValue(int row, int step) {
    PlatformSettings& s = optionsScreen.edited;
    if (!RowAvailable(row)) return Note("The picture here is the system's own", true);
    switch (row) {
    case ROW_VOLUME: s.volume = Cycle(s.volume, step * VOLUME_STEP, 0, VOLUME_MAX); break;
    case ROW_MUTE: s.mute = !s.mute; break;
    case ROW_FLASHING: s.reducedFlashing = !s.reducedFlashing; break;
    case ROW_DISPLAY: s.fullscreen = !s.fullscreen; break;
    case ROW_WINDOW_SIZE: s.windowScale = Cycle(s.windowScale, step, 1, PlatformPictureChoicesNow().largestWindowScale); break;
    case ROW_SCALING: s.scaling = s.scaling == SCALING_FILL ? SCALING_SHARP : SCALING_FILL; break;
    case ROW_VSYNC: s.vsync = !s.vsync; break;
    case ROW_DEFAULTS: {
        const PlatformSettings defaults = DefaultSettings();
        std::copy(&defaults.keys[0][0], &defaults.keys[0][0] + ACTION_COUNT * BINDINGS_PER_ACTION, &s.keys[0][0]);
        std::copy(&defaults.buttons[0][0], &defaults.buttons[0][0] + ACTION_COUNT * BINDINGS_PER_ACTION, &s.buttons[0][0]);
        Note("Keys and buttons are as they were at first", false);
        break;
    }
    default: return;
    }
    Keep();
    if (row == ROW_VOLUME || row == ROW_MUTE) StartSound(soundBank.menuBeepSound);  // the new volume, heard
}

void StartBinding() {
    OptionsScreen& o = optionsScreen;
    o.binding = true;
    const bool key = o.column < BINDINGS_PER_ACTION;
    Note(std::string("Press the new ") + (key ? "key" : "button") + " for " + PlatformActionName(o.row) +
             " (Escape keeps the old one)", false);
}

// The keys of one pass, pressed since the last: Escape leaves (waiting for its release, so the
// title screen does not take it for a quit), the rest move and change.
void HandleKeys(uint32_t pressed) {
    OptionsScreen& o = optionsScreen;
    if (Pressed(pressed, VK_ESCAPE)) {
        WaitForKeyRelease(VK_ESCAPE);
        gameState = STATE_TITLE;
        return;
    }
    const int move = Pressed(pressed, VK_UP) ? -1 : Pressed(pressed, VK_DOWN) ? 1 : 0;
    if (move != 0) o.row = (o.row + ROW_COUNT + move) % ROW_COUNT, Note("", false);
    const bool actionRow = o.row < ROW_VOLUME;
    const int step = Pressed(pressed, VK_LEFT) ? -1 : Pressed(pressed, VK_RIGHT) ? 1 : 0;
    if (actionRow && step != 0) o.column = (o.column + COLUMNS + step) % COLUMNS;
    else if (step != 0 && o.row != ROW_DEFAULTS) ChangeValue(o.row, step);
    if (Pressed(pressed, VK_RETURN)) actionRow ? StartBinding() : ChangeValue(o.row, 1);
}

std::string ValueText(int row) {
    const PlatformSettings& s = optionsScreen.edited;
    char text[64];
    switch (row) {
    case ROW_VOLUME: std::snprintf(text, sizeof text, "%d", s.volume); return text;
    case ROW_MUTE: return s.mute ? "Off (muted)" : "On";
    case ROW_FLASHING: return s.reducedFlashing ? "On: warnings shown steadily" : "Off";
    case ROW_DISPLAY: return s.fullscreen ? "Full screen" : "Window";
    case ROW_WINDOW_SIZE:
        std::snprintf(text, sizeof text, "%d x %d", SCREEN_WIDTH * s.windowScale, SCREEN_HEIGHT * s.windowScale);
        return text;
    case ROW_SCALING: return s.scaling == SCALING_SHARP ? "Sharp: whole factors" : "Fill, keeping 4:3";
    case ROW_VSYNC: return s.vsync ? "On" : "Off";
    case ROW_DEFAULTS: return "Enter: as at first";
    default: return "";
    }
}

void DrawActionRow(int action, int y) {
    const OptionsScreen& o = optionsScreen;
    for (int column = 0; column < COLUMNS; ++column) {
        const bool chosen = o.row == action && o.column == column;
        ChangeTextColour(chosen ? COLOUR_YELLOW : COLOUR_WHITE);
        const int slot = column % BINDINGS_PER_ACTION;
        const char* name = column < BINDINGS_PER_ACTION ? PlatformKeyName(o.edited.keys[action][slot])
                                                        : PlatformButtonName(o.edited.buttons[action][slot]);
        DrawTextAt(COLUMN_X[column], y, chosen && o.binding ? "?" : name);
    }
}

void DrawOptions() {
    const OptionsScreen& o = optionsScreen;
    BlitOpaque(0, 0, images.optionsImage);
    BeginText(COLOUR_YELLOW);
    DrawTextAt(360, 40, "OPTIONS");
    ChangeTextColour(COLOUR_GREY);
    DrawTextAt(COLUMN_X[0], 80, "Key");
    DrawTextAt(COLUMN_X[1], 80, "Key");
    DrawTextAt(COLUMN_X[2], 80, "Button");
    DrawTextAt(COLUMN_X[3], 80, "Button");
    for (int row = 0; row < ROW_COUNT; ++row) {
        // The settings below the keys stand a little apart from them.
        const int y = FIRST_ROW_Y + ROW_HEIGHT * row + (row >= ROW_VOLUME ? ROW_HEIGHT / 2 : 0);
        ChangeTextColour(!RowAvailable(row) ? COLOUR_GREY : o.row == row ? COLOUR_YELLOW : COLOUR_WHITE);
        DrawTextAt(LABEL_X, y, ROW_LABELS[row]);
        if (row < ROW_VOLUME) DrawActionRow(row, y);
        else DrawTextAt(VALUE_X, y, ValueText(row).c_str());
    }
    ChangeTextColour(o.noteIsRefusal ? COLOUR_RED : COLOUR_YELLOW);
    DrawTextAt(LABEL_X, 480, o.note.c_str());
    ChangeTextColour(COLOUR_GREY);
    DrawTextAt(LABEL_X, 530, "Up, Down: choose    Left, Right, Enter: change");
    DrawTextAt(LABEL_X, 553, "Escape or Back: back to the title (every change is saved)");
    EndText();
}

}  // namespace

void OpenOptions() {
    LoadOptionsBackdrop();
    optionsScreen = OptionsScreen{};
    optionsScreen.edited = PlatformCurrentSettings();
    optionsScreen.held = frameInput.now.keys;
    gameState = STATE_OPTIONS;
}

void RunOptionsFrame() {
    DrawOptions();
    PresentFrame();
    OptionsScreen& o = optionsScreen;
    const uint32_t pressed = frameInput.now.keys & ~o.held;
    o.held = frameInput.now.keys;
    // While a binding waits, keys and buttons come as messages, Escape among them.
    if (!o.binding) HandleKeys(pressed);
}

void TakeOptionsMessage(const PlatformMessage& message) {
    OptionsScreen& o = optionsScreen;
    const bool keyColumn = o.column < BINDINGS_PER_ACTION;
    const bool forKey = message.kind == MESSAGE_KEY, forButton = message.kind == MESSAGE_BUTTON;
    if (!o.binding || !(forKey || forButton)) return;
    const bool escape = forKey && message.character == VK_ESCAPE;
    if (!escape && forKey != keyColumn) return;  // a key while a button is wanted, or the reverse
    o.binding = false;
    // Every key down now must be let go before it acts here: the one just bound gives a game
    // key from the next read on.
    o.held = ~0u;
    if (escape) return Note("Kept as it was", false);
    const int action = o.row, slot = o.column % BINDINGS_PER_ACTION;
    std::string refusal;
    const bool bound = forKey ? PlatformBindKey(o.edited, action, slot, message.character, &refusal)
                              : PlatformBindButton(o.edited, action, slot, 1u << (message.character & 31), &refusal);
    if (!bound) return Note(refusal, true);
    Keep();
    Note("", false);
}
