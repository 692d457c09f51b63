// Ranking a finished game into the high-score table, typing the new row's name, and the reset
// of every record for tests.
#include <cstring>

#include "core/core.h"
#include "records/records.h"

int32_t newEntryRow = -1;
int32_t nameLength = 0;

// Equal scores rank newest first: a score equal to the fifth row still enters, and one equal to
// a row above moves past it.
void RankFinalScore(int32_t score) {
    if (score >= highScores.rows[HIGH_SCORE_ROWS - 1].score) {
        newEntryRow = HIGH_SCORE_ROWS - 1;
        while (newEntryRow > 0 && score >= highScores.rows[newEntryRow - 1].score) {
            highScores.rows[newEntryRow] = highScores.rows[newEntryRow - 1];
            --newEntryRow;
        }
        highScores.rows[newEntryRow] = {"", score};
    }
    gameState = STATE_GAME_OVER;
}

// Backspace removes the last character. A full name takes no more characters, and no other
// control character gets in, so a name can never break the line structure of the file.
void EnterNameCharacter(uint8_t character) {
    if (newEntryRow < 0 || newEntryRow >= HIGH_SCORE_ROWS) return;
    std::string& name = highScores.rows[newEntryRow].name;
    if (character == 8) {
        if (nameLength > 0) name.resize(size_t(--nameLength));
        return;
    }
    if (character < 32 || character == 127 || nameLength >= MAX_NAME_LENGTH) return;
    name.push_back(char(character));
    ++nameLength;
}

void ResetRecords() {
    highScores = HighScoreTable{};
    newEntryRow = -1;
    nameLength = 0;
    std::memset(formations, 0, sizeof formations);
    highScoreFile = HighScoreFile{};
}
