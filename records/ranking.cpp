// Ranking a finished game into the high-score table, typing the new row's name, and the reset
// of every record for tests.
#include <cstring>

#include "core/core.h"
#include "records/records.h"

int32_t newEntryRow = -1;
int32_t nameLength = 0;

// Equal scores rank newest first: a score equal to the last row still enters, and one equal to a
// row above moves past it. A free row (the save's merge frees the rows it replaces) takes any score.
int RankEntry(HighScoreTable& table, int used, const HighScoreEntry& entry, int32_t* rowEntry) {
    if (used >= HIGH_SCORE_ROWS && entry.score < table.rows[HIGH_SCORE_ROWS - 1].score) return -1;
    int row = used < HIGH_SCORE_ROWS ? used : HIGH_SCORE_ROWS - 1;
    while (row > 0 && entry.score >= table.rows[row - 1].score) {
        table.rows[row] = table.rows[row - 1];
        if (rowEntry != nullptr) rowEntry[row] = rowEntry[row - 1];
        --row;
    }
    table.rows[row] = entry;
    return row;
}

// The new row is this session's: the save merges it into whatever the file holds by then.
void RankFinalScore(int32_t score) {
    const int row = RankEntry(highScores, HIGH_SCORE_ROWS, {"", score}, highScoreFile.rowEntry);
    if (row >= 0) {
        newEntryRow = row;
        highScoreFile.rowEntry[row] = int32_t(highScoreFile.entries.size());
        highScoreFile.entries.push_back({});
    }
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
