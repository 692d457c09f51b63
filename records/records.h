// Records and data files: the high-score table and file, ranking and name entry, formations.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

constexpr int HIGH_SCORE_ROWS = 5;
constexpr int MAX_NAME_LENGTH = 10;
constexpr int32_t DEFAULT_HIGH_SCORE = 10000;
constexpr int FORMATION_COUNT = 10;
constexpr int FORMATION_COLUMNS = 6;  // the formation's shape, in the file and on the screen
constexpr int FORMATION_ROWS = 5;

struct HighScoreEntry {
    std::string name;
    int32_t score = 0;
};

struct HighScoreTable {
    HighScoreEntry rows[HIGH_SCORE_ROWS];
};

extern HighScoreTable highScores;
extern int32_t newEntryRow;  // row waiting for its name, or -1
extern int32_t nameLength;

// formations[f][column][row]: the virus kind (0..3) of that place in formation f.
using FormationTable = int32_t[FORMATION_COUNT][FORMATION_COLUMNS][FORMATION_ROWS];
extern FormationTable formations;

void LoadHighScores();
// Merges this session's new entries into the table the file holds now, under the file's lock, so
// that two games saving one file keep both names; a session that entered nothing leaves it alone.
// Called at exit (and by the browser when its page is hidden).
void SaveHighScores();
// Ranks a finished game's score into the table (the game-over screen follows).
void RankFinalScore(int32_t score);
void EnterNameCharacter(uint8_t character);
void LoadFormations();

// The readers behind LoadHighScores and LoadFormations, on any stream (the fuzz targets feed
// them bytes in memory). ReadHighScoreFile is true when all five rows were read.
bool ReadHighScoreFile(std::istream& in, HighScoreTable& table);
void ReadFormations(std::istream& in);

// What this session knows of the high-score file. One that is not a plain readable file, or a
// damaged one that could not be copied whole, is never written, at start-up or at exit. Each row
// this session's games entered carries the number of its entry (-1 for a row read from the file),
// and the ranking moves it with its row; each entry remembers itself as the file last received it,
// so that a later save replaces it there rather than adding it twice.
struct SessionEntry {
    HighScoreEntry asSaved;
    bool saved = false;
};
struct HighScoreFile {
    bool leftAlone = false;
    int32_t rowEntry[HIGH_SCORE_ROWS] = {-1, -1, -1, -1, -1};
    std::vector<SessionEntry> entries;
};
extern HighScoreFile highScoreFile;

// Ranks `entry` into the first `used` rows of `table` as a finished game's score is ranked: it
// enters when it equals or beats the last row (or when a row is free) and moves up past every
// row it equals or beats; the rows below move down, with their marks in `rowEntry` when given.
// Returns the entry's row, or -1 when it stays out.
int RankEntry(HighScoreTable& table, int used, const HighScoreEntry& entry, int32_t* rowEntry);

// Returns the table, the name entry values, the formations and what is known of the high-score
// file to their state at program start, for ResetProgramState.
void ResetRecords();
