// The formation file: its order, the layouts it may take, damaged files, and the shipped formations.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "records/records.h"
#include "tests/test_support.h"

namespace {

// A sequence of kinds with no short period, so a value read into the wrong place shows.
std::vector<int> Kinds(int count) {
    std::vector<int> kinds;
    for (int n = 0; n < count; ++n) kinds.push_back((n * 7 + n / 30 + n / 5) % 4);
    return kinds;
}

std::string Join(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i ? separator : "") + items[i];
    return text;
}

std::vector<std::string> Words(const std::vector<int>& kinds) {
    std::vector<std::string> words;
    for (int kind : kinds) words.push_back(std::to_string(kind));
    return words;
}

// The file's n-th number belongs to formation n / 30, row (n mod 30) / 6, column n mod 6.
int32_t& EntryOf(int n) { return formations[n / 30][n % 6][(n % 30) / 6]; }

}  // namespace

class FormationFileTest : public GameTest {
protected:
    // Checks the table against the file's numbers, entries from `firstZero` on being 0.
    void ExpectTable(const std::vector<int>& kinds, int firstZero = 300) {
        for (int n = 0; n < 300; ++n) {
            const int expected = n < firstZero && n < int(kinds.size()) ? kinds[n] : 0;
            ASSERT_EQ(EntryOf(n), expected) << "number " << n << " of the file";
        }
    }
};

TEST_F(FormationFileTest, EveryLayoutOfTheSameNumbersLoadsTheSame) {
    const std::vector<std::string> words = Words(Kinds(300));
    std::string sixPerLine;
    for (size_t n = 0; n < words.size(); ++n)
        sixPerLine += words[n] + (n % 6 == 5 ? (n % 30 == 29 ? "\r\n\r\n" : "\r\n") : "\t");
    const std::string layouts[] = {Join(words, " "), Join(words, "\n") + "\n", sixPerLine,
                                   "  \n\t" + Join(words, "  \t ")};
    for (const std::string& layout : layouts) {
        SCOPED_TRACE(layout.substr(0, 40));
        WriteFile("qfel.dat", layout);
        LoadFormations();
        ExpectTable(Kinds(300));
    }
}

TEST_F(FormationFileTest, AShortFileLeavesTheMissingEntriesZero) {
    WriteFile("qfel.dat", Join(Words(Kinds(299)), " "));
    EXPECT_NE(Kinds(300)[299], 0);
    LoadFormations();
    ExpectTable(Kinds(299));
    EXPECT_EQ(formations[9][5][4], 0);
}

TEST_F(FormationFileTest, AWordStopsTheReadingAndZeroesTheRest) {
    std::vector<std::string> words = Words(Kinds(300));
    words[100] = "three";
    WriteFile("qfel.dat", Join(words, " "));
    LoadFormations();
    ExpectTable(Kinds(300), 100);
}

TEST_F(FormationFileTest, KindsOutsideTheFourPicturesReadAsZero) {
    std::vector<std::string> words = Words(Kinds(300));
    words[31] = std::to_string(7);
    words[45] = std::to_string(-1);
    words[299] = std::to_string(INT32_MAX);
    WriteFile("qfel.dat", Join(words, " "));
    LoadFormations();
    std::vector<int> expected = Kinds(300);
    expected[31] = expected[45] = expected[299] = 0;
    ExpectTable(expected);
}

TEST_F(FormationFileTest, NumbersAfterTheThreeHundredthAreIgnored) {
    WriteFile("qfel.dat", Join(Words(Kinds(330)), " ") + " and more words");
    LoadFormations();
    ExpectTable(Kinds(300));
}

TEST_F(FormationFileTest, WithoutTheFileEveryVirusIsOfTheFirstKind) {
    WriteFile("qfel.dat", Join(Words(Kinds(300)), " "));
    LoadFormations();
    std::filesystem::remove(ScratchPath("qfel.dat"));
    LoadFormations();
    ExpectTable({});
}

// The formations we ship: 300 kinds in 0..3, ten distinct patterns of more than one kind each.
TEST_F(FormationFileTest, TheShippedFileHoldsTenValidFormations) {
    std::ifstream in(QUELLFORT_SOURCE_DIR "/data/qfel.dat");
    ASSERT_TRUE(in.is_open());
    std::vector<int> kinds;
    for (std::string word; in >> word;) {
        size_t used = 0;
        const int kind = std::stoi(word, &used);
        ASSERT_EQ(used, word.size()) << word;
        ASSERT_GE(kind, 0);
        ASSERT_LE(kind, 3);
        kinds.push_back(kind);
    }
    ASSERT_EQ(kinds.size(), 300u);
    std::set<std::vector<int>> patterns;
    for (int f = 0; f < FORMATION_COUNT; ++f) {
        const std::vector<int> pattern(kinds.begin() + 30 * f, kinds.begin() + 30 * (f + 1));
        EXPECT_GT(std::set<int>(pattern.begin(), pattern.end()).size(), 1u) << "formation " << f;
        patterns.insert(pattern);
    }
    EXPECT_EQ(patterns.size(), size_t(FORMATION_COUNT));
}
