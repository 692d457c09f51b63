// The SDL backend driven as a player would drive it, under SDL's dummy video and audio drivers:
// key events pushed into its queue, SDL's virtual game controllers plugged in, pressed and pulled
// out while the real game runs on top.
#include <SDL.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/app.h"
#include "flow/flow.h"
#include "game/world.h"
#include "platform/sdl/sdl_input.h"
#include "records/records.h"

namespace fs = std::filesystem;

namespace {

// A virtual pad laid out as SDL's game controller: button i is SDL_CONTROLLER_BUTTON i.
struct VirtualPad {
    SDL_Joystick* joystick = nullptr;
    int rumbles = 0;
};

void Plug(VirtualPad& pad) {
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.userdata = &pad;
    desc.Rumble = [](void* p, Uint16, Uint16) { return ++static_cast<VirtualPad*>(p)->rumbles, 0; };
    pad.joystick = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
    ASSERT_NE(pad.joystick, nullptr) << SDL_GetError();
}

void Unplug(VirtualPad& pad) {
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad.joystick);
    SDL_JoystickClose(pad.joystick);
    pad.joystick = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
}

void SetButton(VirtualPad& pad, int button, bool down) { SDL_JoystickSetVirtualButton(pad.joystick, button, down); }
void SetAxis(VirtualPad& pad, int axis, int value) { SDL_JoystickSetVirtualAxis(pad.joystick, axis, Sint16(value)); }

void PushKey(Uint32 type, SDL_Scancode code) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = SDL_GetKeyFromScancode(code);
    SDL_PushEvent(&e);
}

// The backend started in a scratch folder holding images/ and qfel.dat.
class SdlInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // The dummy video driver never gives its window the focus that pads otherwise need.
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
        previousDir_ = fs::current_path();
        scratch_ = fs::temp_directory_path() / ("quellfort-sdl-test-" + std::to_string(getpid()));
        fs::remove_all(scratch_);
        fs::create_directories(scratch_);
        fs::create_directory_symlink(fs::path(QUELLFORT_BUILD_DIR) / "images", scratch_ / "images");
        fs::copy_file(fs::path(QUELLFORT_BUILD_DIR) / "qfel.dat", scratch_ / "qfel.dat");
        fs::current_path(scratch_);
        // The player's own settings (remapped keys) must not reach the test: it plays the defaults.
        setenv("XDG_CONFIG_HOME", (scratch_ / "config").c_str(), 1);
        ResetProgramState();
        char name[] = "quellfort", window[] = "--window";
        char* argv[] = {name, window, nullptr};
        ASSERT_EQ(PlatformStart(2, argv), -1);
    }
    void TearDown() override {
        SetInputHook(nullptr);
        PlatformFinish();
        fs::current_path(previousDir_);
        fs::remove_all(scratch_);
    }
    fs::path scratch_, previousDir_;
};

// One read of the input, as the game makes once a frame on the menus: is the key in it?
bool PlatformKeyDown(int key) {
    PlatformInput input;
    PlatformReadInput(PlatformInputWanted{}, &input);
    return (input.keys & PlatformKeyBit(key)) != 0;
}

TEST_F(SdlInputTest, PressesBetweenTwoReadsCountOnceAndOnlyForAFrame) {
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
    PushKey(SDL_KEYUP, SDL_SCANCODE_RETURN);
    EXPECT_TRUE(PlatformKeyDown(VK_RETURN));
    EXPECT_FALSE(PlatformKeyDown(VK_RETURN));
    // A tap the game did not ask about in its frame or the next is gone by the frame after.
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
    PushKey(SDL_KEYUP, SDL_SCANCODE_SPACE);
    EXPECT_FALSE(PlatformKeyDown(VK_ESCAPE));  // takes the events in
    PlatformPresent(nullptr);
    PlatformPresent(nullptr);
    EXPECT_FALSE(PlatformKeyDown(VK_SPACE));
    // A pad's A down and up again before the poll reads once as Enter on a menu.
    VirtualPad pad;
    Plug(pad);
    EXPECT_FALSE(PlatformKeyDown(VK_RETURN));  // the backend opens the new pad
    for (bool down : {true, false}) {
        SetButton(pad, SDL_CONTROLLER_BUTTON_A, down);
        SDL_PumpEvents();
    }
    EXPECT_TRUE(PlatformKeyDown(VK_RETURN));
    EXPECT_FALSE(PlatformKeyDown(VK_RETURN));
    Unplug(pad);
}

// A game played with the pad alone, as steps that each wait for the game to be ready and then
// move the pad; they run on the game's own thread, from the backend's input hook.
struct PadPlayer {
    VirtualPad pad;
    std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps;
    size_t next = 0;
    Uint32 notBefore = 0, deadline = 0;
    std::vector<std::pair<int, Uint32>> releases;  // button, tick to let go
    bool sawPlayerShot = false;
};
PadPlayer player;

void Tap(int button) {
    SetButton(player.pad, button, true);
    player.releases.push_back({button, SDL_GetTicks() + 60});
}

void PlayOneStep() {
    const Uint32 now = SDL_GetTicks();
    for (auto& [button, at] : player.releases)
        if (at != 0 && int32_t(now - at) >= 0) SetButton(player.pad, button, false), at = 0;
    for (const Projectile& shot : world.projectiles)
        player.sawPlayerShot |= gameState == STATE_PLAYING && shot.owner == SHOT_PLAYER;
    if (int32_t(now - player.deadline) > 0) PostMessage(MESSAGE_CLOSE);
    if (player.next == player.steps.size() || int32_t(now - player.notBefore) < 0) return;
    if (!player.steps[player.next].first()) return;
    player.steps[player.next++].second();
    player.notBefore = now + 150;  // time for a menu key's release to be seen and letters taken
}

TEST_F(SdlInputTest, WholeGameWithThePadAloneFromIntroToQuit) {
    // Any final score makes the table, so the game ends with name entry.
    std::ofstream(scratch_ / "qfhs.dat") << "A\n-99999\nB\n-99999\nC\n-99999\nD\n-99999\nE\n-99999\n";
    player = PadPlayer{};
    player.deadline = SDL_GetTicks() + 100000;
    Uint32 introAt = 0, titleAt = 0, backAt = 0;
    int32_t shipX = 0;
    auto at = [](int32_t state) { return [state] { return gameState == state; }; };
    auto always = [] { return true; };
    auto tap = [&](int button) { player.steps.push_back({always, [button] { Tap(button); }}); };
    auto& s = player.steps;
    s.push_back({at(STATE_INTRO), [&] { Plug(player.pad), introAt = SDL_GetTicks(); }});
    tap(SDL_CONTROLLER_BUTTON_A);
    s.push_back({at(STATE_TITLE), [&] { titleAt = SDL_GetTicks(), Tap(SDL_CONTROLLER_BUTTON_START); }});
    s.push_back({at(STATE_STORY), [] { Tap(SDL_CONTROLLER_BUTTON_A); }});
    // The stick past its dead zone turns the disk to the omega ship.
    s.push_back({at(STATE_SHIP_SELECT), [] { SetAxis(player.pad, SDL_CONTROLLER_AXIS_LEFTX, 32767); }});
    s.push_back({always, [] { SetAxis(player.pad, SDL_CONTROLLER_AXIS_LEFTX, 0); }});
    s.push_back({[] { return world.shipKind == SHIP_OMEGA; }, [] { Tap(SDL_CONTROLLER_BUTTON_A); }});
    // Play: fire with A held and steer left with the D-pad, then a quarter of the stick's
    // travel, inside the dead zone, steers nothing.
    s.push_back({at(STATE_PLAYING), [&] {
        shipX = world.ship.x;
        SetButton(player.pad, SDL_CONTROLLER_BUTTON_A, true);
        SetButton(player.pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    }});
    s.push_back({always, [] {}});
    s.push_back({always, [&] {
        SetButton(player.pad, SDL_CONTROLLER_BUTTON_A, false);
        SetButton(player.pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
        EXPECT_LT(world.ship.x, shipX - 20);
        EXPECT_TRUE(player.sawPlayerShot);
        SetAxis(player.pad, SDL_CONTROLLER_AXIS_LEFTX, -8000);
        shipX = world.ship.x;
    }});
    s.push_back({always, [] {}});
    s.push_back({always, [&] {
        EXPECT_EQ(world.ship.x, shipX);
        SetAxis(player.pad, SDL_CONTROLLER_AXIS_LEFTX, 0);
        Tap(SDL_CONTROLLER_BUTTON_START);
    }});
    s.push_back({[] { return world.paused; }, [] { Tap(SDL_CONTROLLER_BUTTON_START); }});
    // Pulled out during play it pauses; plugged in again it works at once, Start resumes.
    s.push_back({[] { return !world.paused; }, [] { Unplug(player.pad); }});
    s.push_back({[] { return world.paused; }, [] { Plug(player.pad); }});
    tap(SDL_CONTROLLER_BUTTON_START);
    // The shortcut to the end: the ship in play is the last one; the viruses shoot it down.
    s.push_back({[] { return !world.paused; }, [] { world.lives = 0; }});
    s.push_back({[] { return gameState == STATE_GAME_OVER && newEntryRow >= 0; }, [] {}});
    // Up, up, up, down: B. Right starts a letter, down turns it to '!'. A starts another, up,
    // B deletes it. A and five downs: 9. Right starts one more, left deletes it.
    for (int button : {11, 11, 11, 12, 14, 12, 0, 11, 1, 0, 12, 12, 12, 12, 12, 14, 13})
        tap(button);  // SDL_CONTROLLER_BUTTON_ A 0, B 1, DPAD_ UP 11, DOWN 12, LEFT 13, RIGHT 14
    s.push_back({always, [] {
        EXPECT_EQ(highScores.rows[newEntryRow].name, "B!9");
        Tap(SDL_CONTROLLER_BUTTON_START);
    }});
    // Back held for a second quits from the title, saving the table.
    s.push_back({at(STATE_TITLE), [&] { backAt = SDL_GetTicks(), SetButton(player.pad, SDL_CONTROLLER_BUTTON_BACK, true); }});

    SetInputHook(PlayOneStep);
    QuellfortMain();
    const Uint32 quitAt = SDL_GetTicks();

    EXPECT_EQ(player.next, player.steps.size()) << "stuck before step " << player.next;
    EXPECT_LT(titleAt - introAt, 2500u) << "A did not leave the intro";
    EXPECT_GE(quitAt - backAt, 1000u);
    EXPECT_GT(player.pad.rumbles, 0) << "no rumble when the ship exploded";
    std::ifstream in(scratch_ / "qfhs.dat", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}).substr(0, 5), "B!9\r\n");
    if (player.pad.joystick != nullptr) Unplug(player.pad);
}

// Closing the terminal the game was started from (SIGHUP), or Ctrl+C in it (SIGINT), closes the
// game through its shutdown, which saves the score entered just before. The score is ranked
// straight from the input hook, the quickest way to a session with something to save.
struct SignalRun {
    int signal = 0;
    Uint32 deadline = 0;
    bool timedOut = false;
};
SignalRun signalRun;

void RankAndSignal() {
    if (gameState == STATE_INTRO && newEntryRow < 0) {
        RankFinalScore(5);
        EnterNameCharacter('H');
        std::raise(signalRun.signal);
    } else if (!signalRun.timedOut && int32_t(SDL_GetTicks() - signalRun.deadline) > 0) {
        signalRun.timedOut = true;
        PostMessage(MESSAGE_CLOSE);
    }
}

TEST_F(SdlInputTest, HangUpAndInterruptCloseTheGameAndSaveTheTable) {
    for (int signal : {SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        std::ofstream(scratch_ / "qfhs.dat") << "A\n-9\nB\n-9\nC\n-9\nD\n-9\nE\n-9\n";
        ResetProgramState();
        signalRun = {signal, SDL_GetTicks() + 10000, false};
        SetInputHook(RankAndSignal);
        QuellfortMain();
        EXPECT_FALSE(signalRun.timedOut) << "the signal did not close the game";
        std::ifstream in(scratch_ / "qfhs.dat", std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}).substr(0, 6), "H\r\n5\r\n");
    }
}

}  // namespace
