// settings.ini: written and read back alike, damaged lines ignored one by one, lines of a newer
// version kept, and a place where nothing can be saved said once.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/core.h"
#include "flow/flow.h"
#include "game/world.h"
#include "platform/common/settings.h"
#include "tests/test_support.h"

namespace {

bool Same(const PlatformSettings& a, const PlatformSettings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<std::string> Parse(const std::string& text, SettingsFile* file) {
    std::vector<std::string> complaints;
    ParseSettings(text, file, &complaints);
    return complaints;
}

const std::string TO_PLAY = "wait 500\ntap RETURN\nwait 300\ntap RETURN\nwait 300\ntap RETURN\nwait 300\ntap RETURN\n";

// The warning line's band of the screen, where nothing else is drawn while the formation is low.
std::vector<uint16_t> WarningBand() {
    std::vector<uint16_t> band;
    const uint16_t* frame = HeadlessLastFrame();
    for (int y = 50; y < 72; ++y) band.insert(band.end(), frame + y * SCREEN_WIDTH + 200, frame + y * SCREEN_WIDTH + 600);
    return band;
}

// Plays with the formation brought down to the shields at once, so the game raises its warnings
// within seconds; returns the distinct pictures of the warning band by warning level.
std::map<int, std::set<std::vector<uint16_t>>> WarningPictures(const std::string& settingsFile) {
    std::map<int, std::set<std::vector<uint16_t>>> pictures;
    HeadlessOptions options;
    options.settingsFile = settingsFile;
    bool lowered = false;
    options.onFrame = [&] {
        if (gameState != STATE_PLAYING) return;
        if (!lowered) {
            int32_t bottom = 0;
            for (auto& column : world.viruses)
                for (Virus& virus : column) bottom = std::max(bottom, virus.y + 64);
            for (auto& column : world.viruses)
                for (Virus& virus : column) virus.y += 480 - bottom;  // just past the shields' top
            lowered = true;
        }
        if (world.warningLevel != WARNING_NONE) pictures[world.warningLevel].insert(WarningBand());
    };
    RunHeadlessScript(TO_PLAY + "wait 8000\n", options);
    return pictures;
}

}  // namespace

using SettingsTest = GameTest;

TEST_F(SettingsTest, EverySettingRoundTripsThroughTheFile) {
    PlatformSettings s = DefaultSettings();
    std::string refusal;
    ASSERT_FALSE(BindKey(s, ACTION_LEFT, 1, ' ', &refusal));
    EXPECT_EQ(refusal, "Space is already fire");
    ASSERT_TRUE(BindKey(s, ACTION_FIRE, 0, 'W', &refusal) && BindKey(s, ACTION_FIRE, 1, 'K', &refusal));
    ASSERT_TRUE(BindKey(s, ACTION_LEFT, 0, 'A', &refusal) && BindKey(s, ACTION_LEFT, 1, ' ', &refusal));
    ASSERT_TRUE(BindButton(s, ACTION_QUIT, 1, ButtonFromName("b"), &refusal));
    EXPECT_FALSE(BindButton(s, ACTION_PAUSE, 1, ButtonFromName("Back"), &refusal));
    EXPECT_EQ(refusal, "Back is already quit");
    s.volume = 35, s.mute = true, s.reducedFlashing = true, s.fullscreen = false, s.windowScale = 2;
    s.scaling = SCALING_SHARP, s.vsync = false;

    SettingsFile file;
    const std::string text = FormatSettings(SettingsFile{}, s);
    EXPECT_TRUE(Parse(text, &file).empty()) << text;
    EXPECT_TRUE(Same(file.settings, s)) << text;
    EXPECT_EQ(FormatSettings(file, file.settings), text);
    EXPECT_NE(text.find("left = A, Space\n"), std::string::npos) << text;
    EXPECT_NE(text.find("quit = Back, B\n"), std::string::npos) << text;
}

// Each damaged line is said with its number and changes nothing; the rest applies, and writing
// back keeps what the game does not know. Swapped keys read as written in either order.
TEST_F(SettingsTest, DamagedLinesAreSkippedAndUnknownLinesKept) {
    const std::string text =
        "# my own settings\n[keys]\nright = Left\nleft = Right\nfire = Left\npause = Banana\n"
        "enter = Enter, Space, P\nno equals sign here\n[sound]\nvolume = loud\nmute = yes\n"
        "music = 30\n\n[future]\nshaders = crt\n";
    SettingsFile file;
    const std::vector<std::string> complaints = Parse(text, &file);
    ASSERT_EQ(complaints.size(), 5u);
    EXPECT_EQ(complaints[0], "line 6 (pause = Banana): no key is called \"Banana\"; ignored");
    EXPECT_EQ(complaints[1], "line 7 (enter = Enter, Space, P): more than two keys; ignored");
    EXPECT_EQ(complaints[2], "line 8 (no equals sign here): not a \"name = value\" line; ignored");
    EXPECT_EQ(complaints[3], "line 10 (volume = loud): not a number from 0 to 100; ignored");
    EXPECT_EQ(complaints[4], "line 5 (fire = Left): Left is already right; ignored");
    PlatformSettings expected = DefaultSettings();
    expected.keys[ACTION_LEFT][0] = 39, expected.keys[ACTION_RIGHT][0] = 37, expected.mute = true;
    EXPECT_TRUE(Same(file.settings, expected));

    PlatformSettings changed = file.settings;
    changed.volume = 20;
    const std::string written = FormatSettings(file, changed);
    for (const char* kept : {"# my own settings\n", "no equals sign here\n", "music = 30\n", "[future]\nshaders = crt\n",
                             "volume = 20\nmute = yes\nmusic = 30\n", "pause = P\n", "reduced-flashing = no\n"})
        EXPECT_NE(written.find(kept), std::string::npos) << kept << " missing from\n" << written;
    SettingsFile again;
    Parse(written, &again);
    EXPECT_TRUE(Same(again.settings, changed));
}

// A folder that cannot be made: the game plays on the defaults and says once that nothing is
// saved; a folder that can be made gets the file whole, with no temporary file left behind. The
// command line's settings hold for the run and stay out of the file unless the player changes them.
TEST_F(SettingsTest, SavingWhereNoFolderCanBeMadeIsSaidOnce) {
    WriteFile("blocker", "a file where the folder should be");
    char volume[] = "--volume", thirty[] = "30", mute[] = "--mute";
    char* argv[] = {nullptr, volume, thirty, mute};
    SettingsOverrides overrides;
    ASSERT_EQ(ParseSettingsOption(4, argv, 1, &overrides), 2);
    ASSERT_EQ(ParseSettingsOption(4, argv, 3, &overrides), 1);

    LoadSettings(ScratchPath("blocker/quellfort/settings.ini"), overrides);
    EXPECT_EQ(settingsStore.current.volume, 30);
    EXPECT_TRUE(settingsStore.current.mute);
    PlatformSettings changed = settingsStore.current;
    changed.reducedFlashing = true;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveSettings(changed));
    EXPECT_FALSE(SaveSettings(changed));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("quellfort: settings not saved: cannot write "), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_TRUE(settingsStore.current.reducedFlashing);

    LoadSettings(ScratchPath("config/quellfort/settings.ini"), overrides);
    changed = settingsStore.current;
    changed.volume = 70;
    ASSERT_TRUE(SaveSettings(changed));
    const std::string saved = ReadFile("config/quellfort/settings.ini");
    EXPECT_NE(saved.find("volume = 70\nmute = no\n"), std::string::npos) << saved;
    EXPECT_TRUE(settingsStore.current.mute && settingsStore.current.volume == 70);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ScratchPath("config/quellfort")), {}), 1);
}

// With reduced flashing the warning line stands still, every frame the same as the blink's lit
// frames; without it the same game blinks.
TEST_F(SettingsTest, ReducedFlashingShowsTheWarningSteadily) {
    const auto blinking = WarningPictures("");
    WriteFile("settings.ini", "[accessibility]\nreduced-flashing = yes\n");
    const auto steady = WarningPictures(ScratchPath("settings.ini"));
    ASSERT_EQ(blinking.count(WARNING_SHIELDS_DOWN), 1u);
    EXPECT_EQ(blinking.at(WARNING_SHIELDS_DOWN).size(), 2u);  // lit and dark
    ASSERT_FALSE(steady.empty());
    for (const auto& [level, pictures] : steady) {
        EXPECT_EQ(pictures.size(), 1u) << "warning level " << level;
        EXPECT_TRUE(blinking.count(level) == 0 || blinking.at(level).count(*pictures.begin()) == 1)
            << "warning level " << level << " is not drawn as its lit frames are";
    }
}

// The options screen as a player uses it: in with F1, a key bound, a binding refused, the volume
// turned down, out with Escape. The file holds the changes, and the title is back as it was.
TEST_F(SettingsTest, TheOptionsScreenChangesAndSavesTheSettings) {
    std::vector<uint16_t> titleBefore, titleAfter;
    std::vector<int> states;
    HeadlessOptions options;
    options.settingsFile = ScratchPath("config/settings.ini");
    options.onFrame = [&] {
        if (states.empty() || states.back() != gameState) states.push_back(gameState);
        if (gameState != STATE_TITLE) return;
        std::vector<uint16_t>& title = states.size() == 2 ? titleBefore : titleAfter;
        title.assign(HeadlessLastFrame(), HeadlessLastFrame() + SCREEN_WIDTH * SCREEN_HEIGHT);
    };
    std::string refusal;
    options.onFrame = [&, shown = options.onFrame] {
        shown();
        if (gameState == STATE_OPTIONS && optionsScreen.noteIsRefusal) refusal = optionsScreen.note;
    };
    const std::string script = "wait 500\ntap RETURN\nwait 300\ntap F1\nwait 200\n"
                               "tap RETURN\nwait 100\ntap A\nwait 100\n"      // left: A
                               "tap DOWN\nwait 100\ntap RETURN\nwait 100\ntap SPACE\nwait 100\n"  // right: Space, refused
                               "tap DOWN\nwait 100\ntap DOWN\nwait 100\ntap DOWN\nwait 100\ntap DOWN\nwait 100\n"
                               "tap DOWN\nwait 100\ntap LEFT\nwait 100\n"  // volume 90
                               "tap ESCAPE\nwait 500\n";
    ASSERT_EQ(RunHeadlessScript(script, options), 0);
    EXPECT_EQ(states, (std::vector<int>{STATE_INTRO, STATE_TITLE, STATE_OPTIONS, STATE_TITLE}));
    EXPECT_EQ(refusal, "Space is already fire");
    SettingsFile file;
    EXPECT_TRUE(Parse(ReadFile("config/settings.ini"), &file).empty());
    PlatformSettings expected = DefaultSettings();
    expected.keys[ACTION_LEFT][0] = 'A', expected.volume = 90;
    EXPECT_TRUE(Same(file.settings, expected)) << ReadFile("config/settings.ini");
    EXPECT_TRUE(titleAfter == titleBefore) << "the title screen looks otherwise after the options";
}
