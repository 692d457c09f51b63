// High-score table and file: the bytes of qfhs.dat, when it is read, replaced and saved, the
// title's table.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "records/records.h"

HighScoreTable highScores;
HighScoreFile highScoreFile;

namespace {

const char* const DEFAULT_NAMES[HIGH_SCORE_ROWS] = {"Kivo", "Rusk", "Ambo", "Tesmira", "Pelvard"};

constexpr int END_OF_FILE = std::char_traits<char>::eof();

// The file is text with CR LF line ends, read here as bytes: a CR just before a LF belongs to
// the line break, so CR LF and a bare LF both come back as '\n'.
int GetTextChar(std::istream& in) {
    int c = in.get();
    if (c == '\r' && in.peek() == '\n') c = in.get();
    return c;
}

bool IsWhiteSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// A name is its line up to the line break, spaces and all; a line longer than ten characters
// (only a hand-edited file has one) is cut at ten and the rest of it skipped.
std::string ReadNameLine(std::istream& in) {
    std::string name;
    for (int c = GetTextChar(in); c != END_OF_FILE && c != '\n'; c = GetTextChar(in))
        if (name.size() < size_t(MAX_NAME_LENGTH)) name.push_back(char(c));
    return name;
}

// White space (blank lines too), an optional sign, digits. The character that ends the number
// is consumed with it: normally the score line's break. False when no number fits in 32 bits.
bool ReadScore(std::istream& in, int32_t& score) {
    int c = GetTextChar(in);
    while (IsWhiteSpace(c)) c = GetTextChar(in);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = GetTextChar(in);
    if (!IsDigit(c)) return false;
    int64_t value = 0;
    for (; IsDigit(c); c = GetTextChar(in)) {
        value = value * 10 + (c - '0');
        if (value > int64_t(INT32_MAX) + 1) return false;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return false;
    score = int32_t(value);
    return true;
}

void SetDefaultTable() {
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) highScores.rows[i] = {DEFAULT_NAMES[i], DEFAULT_HIGH_SCORE};
}

// Ten lines, name and score of each row, every line ending in CR LF as the file always has.
std::string FormatTable(const HighScoreTable& table) {
    std::string text;
    for (const HighScoreEntry& row : table.rows) {
        text += row.name + "\r\n";
        text += std::to_string(row.score) + "\r\n";
    }
    return text;
}

bool ParseTable(const std::string& bytes, HighScoreTable& table) {
    std::istringstream in(bytes);
    return ReadHighScoreFile(in, table);
}

bool HasSessionEntries() {
    for (int32_t entry : highScoreFile.rowEntry)
        if (entry >= 0) return true;
    return false;
}

// Takes out of the first `used` rows the first one equal to `entry`; returns the rows left.
int RemoveRow(HighScoreTable& table, int used, const HighScoreEntry& entry) {
    for (int row = 0; row < used; ++row) {
        if (table.rows[row].name != entry.name || table.rows[row].score != entry.score) continue;
        for (int below = row + 1; below < used; ++below) table.rows[below - 1] = table.rows[below];
        return used - 1;
    }
    return used;
}

// This session's entries ranked into the table as the file holds it now, each in place of the
// version of it that an earlier save wrote. The lowest go in first: among equal scores the entry
// ranked later stands higher, here as in the game, and this session's stand above the file's.
HighScoreTable MergeSessionEntries(HighScoreTable file) {
    int used = HIGH_SCORE_ROWS;
    for (int row = HIGH_SCORE_ROWS - 1; row >= 0; --row) {
        const int32_t entry = highScoreFile.rowEntry[row];
        if (entry < 0) continue;
        const SessionEntry& known = highScoreFile.entries[size_t(entry)];
        if (known.saved) used = RemoveRow(file, used, known.asSaved);
        RankEntry(file, used, highScores.rows[row], nullptr);  // a freed row always takes it
        if (used < HIGH_SCORE_ROWS) ++used;
    }
    return file;
}

void MarkSessionEntriesSaved() {
    for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
        const int32_t entry = highScoreFile.rowEntry[row];
        if (entry >= 0) highScoreFile.entries[size_t(entry)] = {highScores.rows[row], true};
    }
}

// The default table is written at start-up only where the file is still missing, or still the
// damaged one that was just copied aside: another game may have saved a table meanwhile.
void WriteDefaultTable(const std::string& readAtStart) {
    std::string now;
    const PlatformTableRead read = PlatformLockTable(&now);
    if (read == TABLE_MISSING || (read == TABLE_READ && now == readAtStart)) PlatformSaveTable(FormatTable(highScores));
    PlatformUnlockTable();
}

// Under the lock: merged into the table the file holds now; a file gone or damaged since
// start-up is replaced by this session's table (a damaged one once it is copied whole).
bool SaveUnderLock() {
    std::string bytes;
    HighScoreTable file;
    const PlatformTableRead read = PlatformLockTable(&bytes);
    bool saved = false;
    if (read == TABLE_READ && ParseTable(bytes, file))
        saved = PlatformSaveTable(FormatTable(MergeSessionEntries(file)));
    else if (read == TABLE_MISSING || (read == TABLE_READ && PlatformKeepTableCopy()))
        saved = PlatformSaveTable(FormatTable(highScores));
    if (saved) MarkSessionEntriesSaved();
    PlatformUnlockTable();
    return saved;
}

}  // namespace

// True when all five rows were read, each name followed by a score; a file that ends early
// fails at the score of the row it ends in.
bool ReadHighScoreFile(std::istream& in, HighScoreTable& table) {
    for (HighScoreEntry& row : table.rows) {
        row.name = ReadNameLine(in);
        if (!ReadScore(in, row.score)) return false;
    }
    return true;
}

// A missing file is created with the default table. An incomplete one is copied aside first,
// so that a hand-edited file that went wrong can still be mended; one that cannot be copied whole
// stays as it is. Anything that is not a plain readable file is left alone for the whole run, and
// the default table is played.
void LoadHighScores() {
    std::string bytes;
    const PlatformTableRead result = PlatformReadTable(&bytes);
    highScoreFile = HighScoreFile{};  // no row read from the file is this session's entry
    highScoreFile.leftAlone = result == TABLE_LEFT_ALONE;
    HighScoreTable read;
    if (result == TABLE_READ && ParseTable(bytes, read)) {
        highScores = read;
        return;
    }
    SetDefaultTable();
    if (result == TABLE_LEFT_ALONE) return;
    if (result == TABLE_READ && !PlatformKeepTableCopy()) {
        highScoreFile.leftAlone = true;
        return;
    }
    WriteDefaultTable(bytes);
}

void SaveHighScores() {
    if (!HasSessionEntries()) return;
    if (highScoreFile.leftAlone) {
        std::fprintf(stderr, "quellfort: high scores not saved: their file was left alone (see above)\n");
        PlatformTableNotSaved();
        return;
    }
    if (!SaveUnderLock()) PlatformTableNotSaved();
}
