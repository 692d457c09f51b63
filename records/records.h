// Records and data files: the high-score table and file, ranking and name entry, formations.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

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
void SaveHighScores();
// Ranks a finished game's score into the table and moves on to the game-over screen.
void RankFinalScore(int32_t score);
void EnterNameCharacter(uint8_t character);
void LoadFormations();

// The readers behind LoadHighScores and LoadFormations, on any stream (the fuzz targets feed
// them bytes in memory). ReadHighScoreFile is true when all five rows were read.
bool ReadHighScoreFile(std::istream& in, HighScoreTable& table);
void ReadFormations(std::istream& in);

// What start-up learnt about the high-score file: one that is not a plain readable file is
// never written, at start-up or at exit.
struct HighScoreFile {
    bool leftAlone = false;
};
extern HighScoreFile highScoreFile;

// Returns the table, the name entry values, the formations and what is known of the high-score
// file to their state at program start, for ResetProgramState.
void ResetRecords();
