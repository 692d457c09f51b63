// The HUD: score, level and lives label along the top edge, and the blinking warning line.
#include <cstdio>

#include "core/core.h"
#include "game/world.h"
#include "gfx/display.h"
#include "gfx/playfield.h"

// The blink of the warning line; never reset, so a new warning starts in the phase the last left.
bool warningBlinkOn;
uint32_t warningBlinkTimer;

namespace {

constexpr int HUD_TEXT_BUFFER_SIZE = 80;
constexpr uint32_t WARNING_BLINK_MS = 100;

void DrawWarningLine() {
    switch (world.warningLevel) {
    case WARNING_SHIELDS_DOWN:
        ChangeTextColour(COLOUR_YELLOW);
        DrawTextAt(200, 50, "SHIELDS DOWN! TURN BACK THE VIRUSES!");
        break;
    case WARNING_INVASION_IMMINENT:
        ChangeTextColour(COLOUR_RED);
        DrawTextAt(230, 50, "WARNING! VIRUS INVASION IMMINENT!");
        break;
    case WARNING_MISSION_FAILED:
        ChangeTextColour(COLOUR_RED);
        DrawTextAt(320, 50, "MISSION FAILED!");
        break;
    default:
        break;
    }
}

}  // namespace

// The blink only runs while a warning stands; otherwise it stays frozen as it was. Stepped by
// every screen that shows the HUD, just before it is drawn, so drawing changes nothing.
void StepWarningBlink() {
    if (world.warningLevel != WARNING_NONE && TimedStep(warningBlinkTimer, WARNING_BLINK_MS))
        warningBlinkOn = !warningBlinkOn;
}

void DrawHud() {
    char line[HUD_TEXT_BUFFER_SIZE];
    BeginText(COLOUR_WHITE);
    std::snprintf(line, sizeof line, "Score: %d", int(world.score));
    DrawTextAt(0, 10, line);
    std::snprintf(line, sizeof line, "Level: %d", int(world.level));
    DrawTextAt(350, 10, line);
    DrawTextAt(600, 10, "Lives: ");
    // A player who asks for reduced flashing sees the warning steadily; the blink itself runs on
    // unchanged, as the game's own state.
    if (warningBlinkOn || PlatformCurrentSettings().reducedFlashing) DrawWarningLine();
    EndText();
}
