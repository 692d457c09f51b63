// Ranking and name entry. (Being written.)
#include "records/records.h"
int32_t newEntryRow = -1;
int32_t nameLength;
void RankFinalScore() {}
void DrawNamePrompt() {}
void EnterNameCharacter(uint8_t) {}
