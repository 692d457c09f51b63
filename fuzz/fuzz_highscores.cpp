// libFuzzer target: the high-score reader on any bytes in memory. A table it accepts has names of
// at most ten bytes on one line each, and reads back unchanged from the file the game would save.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "records/records.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The saved file's layout: name line, score line, each ending in CR LF.
std::string Format(const HighScoreTable& table) {
    std::string text;
    for (const HighScoreEntry& row : table.rows) text += row.name + "\r\n" + std::to_string(row.score) + "\r\n";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(bytes), size));
    HighScoreTable table;
    const bool complete = ReadHighScoreFile(in, table);
    for (const HighScoreEntry& row : table.rows)
        Check(row.name.size() <= size_t(MAX_NAME_LENGTH) && row.name.find('\n') == std::string::npos);
    if (!complete) return 0;
    std::istringstream saved(Format(table));
    HighScoreTable again;
    Check(ReadHighScoreFile(saved, again));
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i)
        Check(again.rows[i].name == table.rows[i].name && again.rows[i].score == table.rows[i].score);
    return 0;
}
