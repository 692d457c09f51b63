// Text drawn over the menu screens: the high-score table and the new high score's name prompt.
#pragma once

void DrawHighScoreTable();
void DrawNamePrompt();
