// Text drawn over the menu screens: the high-score table, the new high score's name prompt, and
// what the Hall answered to the last game sent to it.
#pragma once

void DrawHighScoreTable();
void DrawNamePrompt();
// Centred on the line starting at y, in white; nothing when there is no answer to show.
void DrawHallLine(int y);
