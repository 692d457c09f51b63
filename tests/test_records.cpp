// The high-score file (reading, defaults, saving safely), the ranking of a game, name entry.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "flow/flow.h"
#include "gfx/display.h"
#include "gfx/screens.h"
#include "game/world.h"
#include "platform/common/files.h"
#include "records/records.h"
#include "tests/test_support.h"

namespace {

using Rows = std::vector<std::pair<std::string, int32_t>>;

const Rows DEFAULT_ROWS = {
    {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000}, {"Tesmira", 10000}, {"Pelvard", 10000}};
const std::string DEFAULT_FILE =
    "Kivo\r\n10000\r\nRusk\r\n10000\r\nAmbo\r\n10000\r\nTesmira\r\n10000\r\nPelvard\r\n10000\r\n";

// The file as the game writes it: name line, score line, each ending in CR LF.
std::string FileOf(const Rows& rows) {
    std::string text;
    for (const auto& [name, score] : rows) text += name + "\r\n" + std::to_string(score) + "\r\n";
    return text;
}

void SetTable(const Rows& rows) {
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) highScores.rows[i] = {rows[i].first, rows[i].second};
}

void ExpectTable(const Rows& rows) {
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) {
        EXPECT_EQ(highScores.rows[i].name, rows[i].first) << "row " << i;
        EXPECT_EQ(highScores.rows[i].score, rows[i].second) << "row " << i;
    }
}

}  // namespace

class HighScoreTest : public GameTest {
protected:
    bool Exists(const std::string& name) const { return std::filesystem::exists(ScratchPath(name)); }
    // No save left a temporary file of its own in the folder.
    bool NoTemporaryFiles(const std::string& folder = ".") const {
        for (const auto& entry : std::filesystem::directory_iterator(ScratchPath(folder)))
            if (entry.path().filename().string().find(".tmp") != std::string::npos) return false;
        return true;
    }
    // A finished game of this session with this score, named as the player types it.
    void Enter(const std::string& name, int32_t score) {
        newEntryRow = -1;
        nameLength = 0;
        RankFinalScore(score);
        for (char c : name) EnterNameCharacter(uint8_t(c));
    }
    // Loads `content` and expects it taken as these rows, the file left as it was.
    void ExpectReadAs(const std::string& content, const Rows& rows) {
        SCOPED_TRACE(content);
        WriteFile("qfhs.dat", content);
        LoadHighScores();
        ExpectTable(rows);
        EXPECT_EQ(ReadFile("qfhs.dat"), content);
        EXPECT_FALSE(Exists("qfhs.dat.bak"));
    }
};

TEST_F(HighScoreTest, AMissingFileIsCreatedWithTheDefaultTable) {
    LoadHighScores();
    ExpectTable(DEFAULT_ROWS);
    EXPECT_EQ(ReadFile("qfhs.dat"), DEFAULT_FILE);
    EXPECT_FALSE(Exists("qfhs.dat.bak"));
    EXPECT_TRUE(NoTemporaryFiles());
}

// Each incomplete file is moved to qfhs.dat.bak, and the default table takes its place.
TEST_F(HighScoreTest, AnIncompleteFileIsKeptAsBackupAndReplaced) {
    const Rows four = {{"A", 5}, {"B", 4}, {"C", 3}, {"D", 2}};
    const std::string incomplete[] = {
        "",
        FileOf(four),
        FileOf(four) + "E\r\n",                                // the file ends after a name
        FileOf(four) + "E\r\n\r\n",                            // a blank line where the score is
        "A\r\nfive\r\n" + FileOf(four),                        // a score that is no number
        FileOf(four) + "E\r\n-\r\n",                           // a sign without digits
        FileOf(four) + "E\r\n99999999999\r\n",                 // too large for a score
    };
    for (const std::string& content : incomplete) {
        SCOPED_TRACE(content);
        SetTable({{"x", 1}, {"x", 1}, {"x", 1}, {"x", 1}, {"x", 1}});
        WriteFile("qfhs.dat", content);
        LoadHighScores();
        ExpectTable(DEFAULT_ROWS);
        EXPECT_EQ(ReadFile("qfhs.dat"), DEFAULT_FILE);
        EXPECT_EQ(ReadFile("qfhs.dat.bak"), content);
        std::filesystem::remove(ScratchPath("qfhs.dat.bak"));
    }
}

TEST_F(HighScoreTest, LineBreaksAndWhiteSpaceAroundScoresAreAccepted) {
    const Rows rows = {{"Ona", 900}, {"Bee", 800}, {"Cal", 700}, {"Dov", 600}, {"Eli", 500}};
    const std::string file = FileOf(rows);
    ExpectReadAs(file.substr(0, file.size() - 2), rows);  // no line break after the last score
    ExpectReadAs("Ona\n900\nBee\n800\nCal\n700\nDov\n600\nEli\n500\n", rows);
    ExpectReadAs("Ona\r\n\r\n  900\r\nBee\n\n\t800\r\nCal\r\n \r\n700\r\nDov\r\n600\nEli\r\n+500", rows);
}

TEST_F(HighScoreTest, NamesAreTakenByteForByteUpToTenCharacters) {
    const Rows rows = {{"ABCDEFGHIJ", 900}, {" spaced  ", 800}, {"", 700}, {"\xC4rger\xE9\xFF", 600},
                       {"a b", 500}};
    ExpectReadAs(FileOf(rows), rows);
}

TEST_F(HighScoreTest, AnOverlongNameIsCutAtTenAndTheRestOfItsLineSkipped) {
    ExpectReadAs(FileOf({{"ABCDEFGHIJKLMNOP", 900}, {"Bee", 800}, {"Cal", 700},
                         {"0123456789123", 600}, {"Eli", 500}}),
                 {{"ABCDEFGHIJ", 900}, {"Bee", 800}, {"Cal", 700}, {"0123456789", 600}, {"Eli", 500}});
}

TEST_F(HighScoreTest, NegativeAndExtremeScoresAreReadAndWrittenBack) {
    const Rows rows = {{"A", 2147483647}, {"B", 0}, {"C", -200}, {"D", -2147483647 - 1}, {"E", 7}};
    ExpectReadAs(FileOf(rows), rows);
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf(rows));
}

// A session that entered nothing leaves the file as it is; one that did saves the first five rows.
TEST_F(HighScoreTest, OnlyTheFirstFiveRowsOfALongerFileAreUsed) {
    const Rows rows = {{"A", 9}, {"B", 8}, {"C", 7}, {"D", 6}, {"E", 5}};
    const std::string file = FileOf(rows) + "F\r\n4\r\nG\r\nnot a score\r\n";
    ExpectReadAs(file, rows);
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), file);
    Enter("New", 7);
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf({{"A", 9}, {"B", 8}, {"New", 7}, {"C", 7}, {"D", 6}}));
}

// Five games of one session, each ranked in and named, saved and read back byte for byte.
TEST_F(HighScoreTest, ASavedTableReadsBackUnchanged) {
    const Rows rows = {{"Kivo", 12300}, {" Ada ", 10000}, {"", 10000}, {"\xE6\xF8\xE5 \x80", -5},
                       {"0123456789", -300}};
    WriteFile("qfhs.dat", "x\n-9999\nx\n-9999\nx\n-9999\nx\n-9999\nx\n-9999\n");
    LoadHighScores();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) Enter(row->first, row->second);
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf(rows));
    EXPECT_TRUE(NoTemporaryFiles());
    SetTable(DEFAULT_ROWS);
    LoadHighScores();
    ExpectTable(rows);
}

// A later save of the same session (the browser saves whenever its page is hidden) replaces the
// entry it saved before, and keeps what another game saved in between.
TEST_F(HighScoreTest, ASecondSaveReplacesTheFirstAndKeepsAnotherGamesEntry) {
    WriteFile("qfhs.dat", FileOf({{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"E", 100}}));
    LoadHighScores();
    Enter("An", 350);
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf({{"A", 500}, {"B", 400}, {"An", 350}, {"C", 300}, {"D", 200}}));
    WriteFile("qfhs.dat", FileOf({{"A", 500}, {"Zed", 450}, {"B", 400}, {"An", 350}, {"C", 300}}));
    EnterNameCharacter('n');
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf({{"A", 500}, {"Zed", 450}, {"B", 400}, {"Ann", 350}, {"C", 300}}));
}

// A write that fails for real (the file size limit stands in for a full disk) keeps the old
// table whole, leaves no temporary file and says so in one line; the next save goes through.
TEST_F(HighScoreTest, AFailedWriteKeepsTheOldFile) {
    const Rows updated = {{"New", 20000}, {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000},
                          {"Tesmira", 10000}};
    WriteFile("qfhs.dat", DEFAULT_FILE);
    LoadHighScores();
    Enter("New", 20000);
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 16;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    // Through a pipe: the limit would cut a captured file short.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const int savedStderr = dup(2);
    dup2(pipeEnds[1], 2);
    SaveHighScores();
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    close(pipeEnds[1]);
    setrlimit(RLIMIT_FSIZE, &old);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, size_t(got));
    close(pipeEnds[0]);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(ReadFile("qfhs.dat"), DEFAULT_FILE);
    EXPECT_TRUE(NoTemporaryFiles());
    EXPECT_EQ(report.find('\n'), report.size() - 1) << report;
    SaveHighScores();
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf(updated));
}

// Whatever stands where a temporary file once went (a folder, a link, a FIFO that would block an
// open) is passed by and left as it is. In a read-only folder, where no temporary file can be
// made, the table is written where it stands.
TEST_F(HighScoreTest, OddFilesBesideTheTableAndAReadOnlyFolder) {
    namespace fs = std::filesystem;
    WriteFile("qfhs.dat", DEFAULT_FILE + DEFAULT_FILE);  // longer than the new table
    fs::create_directories(ScratchPath("qfhs.dat.tmp/inside"));
    ASSERT_EQ(mkfifo(ScratchPath("qfhs.dat.tmp." + std::to_string(getpid()) + ".0").c_str(), 0644), 0);
    fs::create_symlink("elsewhere", ScratchPath("qfhs.dat.tmp." + std::to_string(getpid()) + ".1"));
    LoadHighScores();
    Enter("New", 20000);
    alarm(20);  // a save that blocks on the FIFO ends the test run rather than hanging it
    SaveHighScores();
    alarm(0);
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf({{"New", 20000}, {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000},
                                            {"Tesmira", 10000}}));
    EXPECT_TRUE(Exists("qfhs.dat.tmp/inside"));
    EXPECT_FALSE(Exists("elsewhere"));

    if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder anyway";
    WriteFile("qfhs.dat", DEFAULT_FILE + DEFAULT_FILE);
    LoadHighScores();
    Enter("Ro", 30000);
    fs::permissions(ScratchPath("."), fs::perms::owner_write, fs::perm_options::remove);
    SaveHighScores();
    fs::permissions(ScratchPath("."), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadFile("qfhs.dat"), FileOf({{"Ro", 30000}, {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000},
                                            {"Tesmira", 10000}}));
}

// A linked table is saved through the link: the shared file changes, keeps its permissions, and
// the link stays a link. A damaged shared file is copied beside the link before it is replaced.
TEST_F(HighScoreTest, ALinkedTableIsSavedThroughTheLink) {
    namespace fs = std::filesystem;
    fs::create_directory(ScratchPath("shared"));
    WriteFile("shared/scores", DEFAULT_FILE);
    fs::permissions(ScratchPath("shared/scores"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("shared/scores", ScratchPath("qfhs.dat"));
    const Rows updated = {{"New", 20000}, {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000}, {"Tesmira", 10000}};
    LoadHighScores();
    Enter("New", 20000);
    SaveHighScores();
    EXPECT_TRUE(fs::is_symlink(ScratchPath("qfhs.dat")));
    EXPECT_EQ(ReadFile("shared/scores"), FileOf(updated));
    EXPECT_EQ(fs::status(ScratchPath("shared/scores")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(NoTemporaryFiles("shared"));

    WriteFile("shared/scores", "half a table\r\n");
    LoadHighScores();
    ExpectTable(DEFAULT_ROWS);
    EXPECT_TRUE(fs::is_symlink(ScratchPath("qfhs.dat")));
    EXPECT_EQ(ReadFile("shared/scores"), DEFAULT_FILE);
    EXPECT_EQ(ReadFile("qfhs.dat.bak"), "half a table\r\n");
}

TEST_F(HighScoreTest, AProtectedTableIsLeftAsItIs) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write a read-only file";
    WriteFile("qfhs.dat", DEFAULT_FILE);
    std::filesystem::permissions(ScratchPath("qfhs.dat"), std::filesystem::perms::owner_read);
    LoadHighScores();
    Enter("New", 20000);
    testing::internal::CaptureStderr();
    SaveHighScores();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("left as it is"), std::string::npos);
    EXPECT_EQ(ReadFile("qfhs.dat"), DEFAULT_FILE);
    EXPECT_EQ(std::filesystem::status(ScratchPath("qfhs.dat")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read);
}

// Backups never overwrite one another: each damaged file takes the next free name. When all ten
// are taken none is made, every old backup stays as it was, and the damaged file too: the default
// table is played and never saved there, and the player is told.
TEST_F(HighScoreTest, BackupsTakeTheFirstFreeNameAndNeverOverwrite) {
    std::vector<std::string> names = {"qfhs.dat.bak"};
    for (int i = 1; i <= 9; ++i) names.push_back("qfhs.dat.bak." + std::to_string(i));
    WriteFile(names[0], "the player's own copy");
    WriteFile(names[2], "another");
    const std::string damaged[] = {"damaged 1", "damaged 2"};
    for (const std::string& content : damaged) {
        WriteFile("qfhs.dat", content);
        LoadHighScores();
        EXPECT_EQ(ReadFile("qfhs.dat"), DEFAULT_FILE);
    }
    EXPECT_EQ(ReadFile(names[0]), "the player's own copy");
    EXPECT_EQ(ReadFile(names[1]), "damaged 1");
    EXPECT_EQ(ReadFile(names[2]), "another");
    EXPECT_EQ(ReadFile(names[3]), "damaged 2");

    for (size_t i = 4; i < names.size(); ++i) WriteFile(names[i], names[i]);
    WriteFile("qfhs.dat", "damaged 3");
    testing::internal::CaptureStderr();
    LoadHighScores();
    ExpectTable(DEFAULT_ROWS);
    Enter("New", 20000);
    SaveHighScores();
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("no copy"), std::string::npos) << report;
    EXPECT_NE(report.find("not saved"), std::string::npos) << report;
    EXPECT_EQ(ReadFile("qfhs.dat"), "damaged 3");
    for (size_t i = 4; i < names.size(); ++i) EXPECT_EQ(ReadFile(names[i]), names[i]);
    EXPECT_FALSE(Exists("qfhs.dat.bak.10"));
}

// Only a regular file is read, backed up or replaced. A folder, a FIFO with no writer, endless
// /dev/zero or /dev/full in the table's place: start-up neither hangs nor touches it, plays the
// default table, and the exit saves nothing there.
TEST_F(HighScoreTest, AnythingButARegularFileIsLeftAlone) {
    namespace fs = std::filesystem;
    const auto makeFolder = [this] { fs::create_directories(ScratchPath("qfhs.dat/inside")); };
    const auto makeFifo = [this] { ASSERT_EQ(mkfifo(ScratchPath("qfhs.dat").c_str(), 0644), 0); };
    const auto linkZero = [this] { fs::create_symlink("/dev/zero", ScratchPath("qfhs.dat")); };
    const auto linkFull = [this] { fs::create_symlink("/dev/full", ScratchPath("qfhs.dat")); };
    for (const auto& make : {std::function<void()>(makeFolder), std::function<void()>(makeFifo),
                             std::function<void()>(linkZero), std::function<void()>(linkFull)}) {
        make();
        const fs::file_type before = fs::symlink_status(ScratchPath("qfhs.dat")).type();
        SetTable({{"x", 1}, {"x", 1}, {"x", 1}, {"x", 1}, {"x", 1}});
        alarm(20);  // a start-up that hangs ends the test run rather than blocking it
        testing::internal::CaptureStderr();
        LoadHighScores();
        Enter("New", 20000);
        SaveHighScores();
        const std::string report = testing::internal::GetCapturedStderr();
        alarm(0);
        EXPECT_NE(report.find("left alone"), std::string::npos) << report;
        EXPECT_EQ(fs::symlink_status(ScratchPath("qfhs.dat")).type(), before);
        EXPECT_FALSE(Exists("qfhs.dat.bak"));
        EXPECT_TRUE(NoTemporaryFiles());
        fs::remove_all(ScratchPath("qfhs.dat"));
        ResetRecords();
    }
    EXPECT_TRUE(Exists("images"));
}

// Away from a game folder the table lives in $XDG_DATA_HOME/quellfort (else ~/.local/share),
// whose folder the first save creates; the folder the game started from stays empty.
TEST_F(HighScoreTest, OutsideAGameFolderTheTableLivesInThePlayersDataFolder) {
    namespace fs = std::filesystem;
    fs::create_directories(ScratchPath("elsewhere"));
    fs::current_path(ScratchPath("elsewhere"));
    fileLocations.currentFolderOnly = false;
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome != nullptr ? savedHome : "";
    setenv("XDG_DATA_HOME", ScratchPath("data").c_str(), 1);
    LoadHighScores();
    EXPECT_EQ(ReadFile("data/quellfort/qfhs.dat"), DEFAULT_FILE);
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", ScratchPath("home").c_str(), 1);
    Enter("New", 20000);
    SaveHighScores();
    EXPECT_EQ(ReadFile("home/.local/share/quellfort/qfhs.dat"),
              FileOf({{"New", 20000}, {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000}, {"Tesmira", 10000}}));
    if (savedHome != nullptr) setenv("HOME", home.c_str(), 1);
    EXPECT_TRUE(fs::is_empty(ScratchPath("elsewhere")));
}

class RankingTest : public GameTest {
protected:
    void Rank(int32_t score) {
        world.score = score;
        RankFinalScore(world.score);
    }
};

TEST_F(RankingTest, AScoreEqualToARowMovesAboveIt) {
    SetTable(DEFAULT_ROWS);
    Rank(10000);
    EXPECT_EQ(newEntryRow, 0);
    ExpectTable({{"", 10000}, {"Kivo", 10000}, {"Rusk", 10000}, {"Ambo", 10000}, {"Tesmira", 10000}});

    SetTable({{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"E", 100}});
    Rank(200);
    EXPECT_EQ(newEntryRow, 3);
    ExpectTable({{"A", 500}, {"B", 400}, {"C", 300}, {"", 200}, {"D", 200}});
}

TEST_F(RankingTest, AScoreEqualToTheFifthRowEntersAndALowerOneDoesNot) {
    SetTable({{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"E", 100}});
    Rank(100);
    EXPECT_EQ(newEntryRow, 4);
    ExpectTable({{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"", 100}});

    SetTable(DEFAULT_ROWS);
    newEntryRow = -1;
    Rank(9999);
    EXPECT_EQ(newEntryRow, -1);
    ExpectTable(DEFAULT_ROWS);
    EnterNameCharacter('Z');
    ExpectTable(DEFAULT_ROWS);
}

TEST_F(RankingTest, NegativeScoresQualifyOnlyAgainstALowerFifthRow) {
    SetTable({{"A", 0}, {"B", 0}, {"C", 0}, {"D", 0}, {"E", 0}});
    Rank(-1);
    EXPECT_EQ(newEntryRow, -1);

    SetTable({{"A", 10}, {"B", 0}, {"C", -50}, {"D", -50}, {"E", -50}});
    Rank(-50);
    EXPECT_EQ(newEntryRow, 2);
    ExpectTable({{"A", 10}, {"B", 0}, {"", -50}, {"C", -50}, {"D", -50}});
}

class NameEntryTest : public RankingTest {
protected:
    void SetUp() override {
        RankingTest::SetUp();
        SetTable(DEFAULT_ROWS);
        Rank(12000);
        ASSERT_EQ(newEntryRow, 0);
    }
    void Type(const std::string& text) {
        for (char c : text) EnterNameCharacter(uint8_t(c));
    }
    void ExpectName(const std::string& name) {
        EXPECT_EQ(highScores.rows[0].name, name);
        EXPECT_EQ(nameLength, int32_t(name.size()));
    }
};

TEST_F(NameEntryTest, AFullNameTakesNoMoreCharacters) {
    Type("Quellforter!");
    ExpectName("Quellforte");
    Type("\b");
    ExpectName("Quellfort");
    Type("s");
    ExpectName("Quellforts");
}

TEST_F(NameEntryTest, ControlCharactersOtherThanBackspaceAreIgnored) {
    Type("A");
    for (int c = 0; c < 32; ++c)
        if (c != 8) EnterNameCharacter(uint8_t(c));
    EnterNameCharacter(127);
    ExpectName("A");
    Type(" \xE9\x80\xFF~");
    ExpectName("A \xE9\x80\xFF~");
}

TEST_F(NameEntryTest, BackspaceRemovesTheLastCharacterIfAny) {
    Type("\b");
    ExpectName("");
    Type("Ab\b\bC\b\b\bD");
    ExpectName("D");
    EXPECT_EQ(highScores.rows[1].name, "Kivo");
}

class RecordsDrawingTest : public GameTest {
protected:
    static constexpr uint16_t FILL = 0x7BEF;  // mid grey, so both black and white text show
    void SetUp() override {
        GameTest::SetUp();
        CreateFlipChain();
        CreateTextFont();
        display.backBuffer->pixels.assign(SCREEN_WIDTH * SCREEN_HEIGHT, FILL);
    }
    // Counts the pixels of the box [x0, x1) × [y0, y1) that text turned exactly to `colour`.
    int Ink(int x0, int y0, int x1, int y1, uint16_t colour) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += display.backBuffer->pixels[y * SCREEN_WIDTH + x] == colour;
        return n;
    }
    // The topmost row of the box that text touched, or -1.
    int FirstTouchedRow(int x0, int y0, int x1, int y1) const {
        for (int y = y0; y < y1; ++y)
            if (Touched(x0, y, x1, y + 1) > 0) return y;
        return -1;
    }
    int Touched(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += display.backBuffer->pixels[y * SCREEN_WIDTH + x] != FILL;
        return n;
    }
};

// Rows stand 23 pixels apart from y 305, names at x 300, scores at x 450; an empty name draws nothing.
TEST_F(RecordsDrawingTest, TheTableShowsEachRowInBlackAtItsPlace) {
    SetTable({{"Kivo", 10000}, {"", 9000}, {"Ambo", -200}, {"Tesmira", 5}, {"Pelvard", 0}});
    DrawHighScoreTable();
    EXPECT_GT(Ink(360, 280, 480, 300, 0x0000), 0) << "heading";
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) {
        const int y = 305 + 23 * i;
        SCOPED_TRACE(i);
        if (i == 1)
            EXPECT_EQ(Touched(290, y, 450, y + 23), 0);
        else
            EXPECT_GT(Ink(300, y, 440, y + 23, 0x0000), 0);
        EXPECT_GT(Ink(450, y, 560, y + 23, 0x0000), 0);
        EXPECT_EQ(Touched(0, y, 300, y + 23), 0);
        // Digits share one top line, so each score's top shows its row's exact place.
        EXPECT_EQ(FirstTouchedRow(450, y, 560, y + 23), FirstTouchedRow(450, 305, 560, 328) + 23 * i);
    }
    EXPECT_EQ(Touched(0, 0, SCREEN_WIDTH, 280), 0);
    EXPECT_EQ(Touched(0, 305 + 23 * 5, SCREEN_WIDTH, SCREEN_HEIGHT), 0);
}

TEST_F(RecordsDrawingTest, ANulByteInANameIsSkippedOnTheTitle) {
    const Rows rows = {{"Kivo", 1}, {"Rusk", 1}, {"Ambo", 1}, {"Tesmira", 1}, {"Pelvard", 1}};
    SetTable(rows);
    DrawHighScoreTable();
    const std::vector<uint16_t> plain = display.backBuffer->pixels;
    display.backBuffer->pixels.assign(SCREEN_WIDTH * SCREEN_HEIGHT, FILL);
    highScores.rows[2].name = std::string("Am\0bo", 5);
    DrawHighScoreTable();
    EXPECT_EQ(display.backBuffer->pixels, plain);
}

TEST_F(RecordsDrawingTest, ThePromptAndTheNameAreWhiteAtFixedPlaces) {
    SetTable(DEFAULT_ROWS);
    world.score = 20000;
    RankFinalScore(world.score);
    DrawNamePrompt();
    EXPECT_GT(Ink(135, 400, 490, 423, 0xFFFF), 0);
    EXPECT_EQ(Touched(490, 390, SCREEN_WIDTH, 430), 0) << "an empty name draws nothing";
    EnterNameCharacter('W');
    DrawNamePrompt();
    EXPECT_GT(Ink(490, 400, 520, 423, 0xFFFF), 0);
    EXPECT_EQ(Touched(0, 0, SCREEN_WIDTH, 395), 0);
    EXPECT_EQ(Touched(0, 430, SCREEN_WIDTH, SCREEN_HEIGHT), 0);
}
