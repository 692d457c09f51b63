// High-score table and file: reading or creating qfhs.dat, saving it safely, the title's table.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "records/records.h"

HighScoreTable highScores;
SaveStep highScoreSaveFault = SAVE_STEP_NONE;

namespace {

const char* const HIGH_SCORE_FILE = "qfhs.dat";
// Written beside the table and renamed over it, so the table on disk is always whole.
const char* const HIGH_SCORE_TEMP_FILE = "qfhs.dat.tmp";
// Where an incomplete table is kept before the default table replaces it.
const char* const HIGH_SCORE_BACKUP_FILE = "qfhs.dat.bak";

const char* const DEFAULT_NAMES[HIGH_SCORE_ROWS] = {"Kivo", "Rusk", "Ambo", "Tesmira", "Pelvard"};
const char* const SAVE_STEP_NAMES[] = {"", "open", "write", "flush", "close", "rename"};

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

// Moves a file over another, replacing it. std::rename refuses to replace an existing file on
// Windows, which would lose every save after the first there; the filesystem library does not.
bool ReplaceFile(const char* from, const char* to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) errno = error.value();
    return !error;
}

void SetDefaultTable() {
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) highScores.rows[i] = {DEFAULT_NAMES[i], DEFAULT_HIGH_SCORE};
}

// An incomplete or unreadable table is moved aside rather than overwritten, so a hand-edited
// file that went wrong can still be mended.
void KeepIncompleteFile() {
    std::error_code error;
    if (!std::filesystem::exists(HIGH_SCORE_FILE, error)) return;
    if (!ReplaceFile(HIGH_SCORE_FILE, HIGH_SCORE_BACKUP_FILE))
        std::fprintf(stderr, "quellfort: could not keep the damaged %s as %s: %s\n", HIGH_SCORE_FILE,
                     HIGH_SCORE_BACKUP_FILE, std::strerror(errno));
}

// Ten lines, name and score of each row, every line ending in CR LF as the file always has.
std::string FormatTable() {
    std::string text;
    for (const HighScoreEntry& row : highScores.rows) {
        text += row.name + "\r\n";
        text += std::to_string(row.score) + "\r\n";
    }
    return text;
}

bool Fails(SaveStep step) { return highScoreSaveFault == step; }

// Writes the table to the temporary file; returns the step that failed, or SAVE_STEP_NONE.
// A step a test makes fail behaves as the real failure would (a failed write is a short one).
SaveStep WriteTempFile(const std::string& text) {
    std::ofstream out;
    if (!Fails(SAVE_STEP_OPEN)) out.open(HIGH_SCORE_TEMP_FILE, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return SAVE_STEP_OPEN;
    out.write(text.data(), std::streamsize(Fails(SAVE_STEP_WRITE) ? text.size() / 2 : text.size()));
    if (Fails(SAVE_STEP_WRITE) || !out) return SAVE_STEP_WRITE;
    out.flush();
    if (Fails(SAVE_STEP_FLUSH) || !out) return SAVE_STEP_FLUSH;
    out.close();
    if (Fails(SAVE_STEP_CLOSE) || !out) return SAVE_STEP_CLOSE;
    return SAVE_STEP_NONE;
}

void ReportFailedSave(SaveStep step, int error) {
    std::fprintf(stderr, "quellfort: high scores not saved (%s of %s failed%s%s); %s left as it was\n",
                 SAVE_STEP_NAMES[step], HIGH_SCORE_TEMP_FILE, error ? ": " : "",
                 error ? std::strerror(error) : "", HIGH_SCORE_FILE);
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

void LoadHighScores() {
    HighScoreTable read;
    std::ifstream in(HIGH_SCORE_FILE, std::ios::binary);
    const bool complete = in.is_open() && ReadHighScoreFile(in, read);
    in.close();
    if (complete) {
        highScores = read;
        return;
    }
    SetDefaultTable();
    KeepIncompleteFile();
    SaveHighScores();
}

// Written on every exit. The new table goes to a temporary file first and is renamed over the
// old one only when it is whole, so a full disk or a crash never leaves half a table.
void SaveHighScores() {
    errno = 0;
    SaveStep failed = WriteTempFile(FormatTable());
    if (failed == SAVE_STEP_NONE &&
        (Fails(SAVE_STEP_RENAME) || !ReplaceFile(HIGH_SCORE_TEMP_FILE, HIGH_SCORE_FILE)))
        failed = SAVE_STEP_RENAME;
    if (failed == SAVE_STEP_NONE) return;
    const int error = errno;
    std::remove(HIGH_SCORE_TEMP_FILE);
    ReportFailedSave(failed, error);
}
