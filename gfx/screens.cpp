// The high-score table on the title screen, the name prompt on the game-over screen, and the
// Hall's answer on both.
#include "gfx/screens.h"

#include <cstdio>
#include <string>

#include "gfx/display.h"
#include "platform/platform.h"
#include "records/records.h"

// A hand-edited file may put a NUL byte in a name, where the text would end: the screen skips it,
// and the file keeps it.
static std::string WithoutNul(const std::string& name) {
    std::string shown;
    for (char c : name)
        if (c != 0) shown.push_back(c);
    return shown;
}

void DrawHighScoreTable() {
    BeginText(COLOUR_BLACK);
    DrawTextAt(360, 280, "High Scores");
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) {
        const int y = 305 + 23 * i;  // rows 23 pixels apart, the first just under the heading
        char score[16];
        std::snprintf(score, sizeof score, "%d", int(highScores.rows[i].score));
        DrawTextAt(300, y, WithoutNul(highScores.rows[i].name).c_str());
        DrawTextAt(450, y, score);
    }
    EndText();
}

void DrawNamePrompt() {
    if (newEntryRow < 0 || newEntryRow >= HIGH_SCORE_ROWS) return;
    BeginText(COLOUR_WHITE);
    DrawTextAt(135, 400, "NEW HIGH SCORE! Enter your name: ");
    // A fixed place, just past where the prompt ends; it does not follow the prompt's width.
    DrawTextAt(490, 400, highScores.rows[newEntryRow].name.c_str());
    EndText();
}

void DrawHallLine(int y) {
    const std::string line = PlatformHallLine();
    if (line.empty() || display.textFont == nullptr) return;
    int width = 0;
    for (const unsigned char c : line) width += display.textFont->glyphs[c].advance;
    BeginText(COLOUR_WHITE);
    DrawTextAt((SCREEN_WIDTH - width) / 2, y, line.c_str());
    EndText();
}
