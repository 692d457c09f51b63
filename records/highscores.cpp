// High-score table and file. (Being written.)
#include "records/records.h"
HighScoreTable highScores;
void LoadHighScores() {}
void SaveHighScores() {}
void DrawHighScoreTable() {}
