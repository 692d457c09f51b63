// libFuzzer target, through the file: any qfhs.dat is either taken as it stands or kept aside and
// replaced by the default table, and whatever table is read saves and reads back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "records/records.h"

namespace {

const std::string DEFAULT_FILE =
    "Kivo\r\n10000\r\nRusk\r\n10000\r\nAmbo\r\n10000\r\nTesmira\r\n10000\r\nPelvard\r\n10000\r\n";

void Check(bool condition) {
    if (!condition) std::abort();
}

bool SameTable(const HighScoreTable& a, const HighScoreTable& b) {
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i)
        if (a.rows[i].name != b.rows[i].name || a.rows[i].score != b.rows[i].score) return false;
    return true;
}

void CheckNames() {
    for (const HighScoreEntry& row : highScores.rows)
        Check(row.name.size() <= size_t(MAX_NAME_LENGTH) && row.name.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterScratchFolder("highscores");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    std::remove("qfhs.dat.bak");
    WriteWholeFile("qfhs.dat", bytes, size);
    highScores = HighScoreTable{};  // the table a fresh start holds
    LoadHighScores();
    CheckNames();
    bool backupMissing = false;
    const std::string backup = ReadWholeFile("qfhs.dat.bak", &backupMissing);
    const std::string now = ReadWholeFile("qfhs.dat");
    // Either the file was whole and is left alone, or it was kept aside and replaced.
    if (backupMissing) Check(now == input);
    else Check(backup == input && now == DEFAULT_FILE);
    Check(ReadWholeFile("qfhs.dat.tmp", &backupMissing).empty() && backupMissing);

    const HighScoreTable read = highScores;
    SaveHighScores();
    highScores = HighScoreTable{};
    std::remove("qfhs.dat.bak");
    LoadHighScores();
    Check(SameTable(read, highScores));
    ReadWholeFile("qfhs.dat.bak", &backupMissing);
    Check(backupMissing);  // a table the game wrote is always whole
    return 0;
}
