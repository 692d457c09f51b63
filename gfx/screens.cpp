// The high-score table on the title screen and the name prompt on the game-over screen.
#include "gfx/screens.h"

#include <cstdio>
#include <string>

#include "gfx/display.h"
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
