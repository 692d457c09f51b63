// The SDL backend's window, keyboard, messages and frame presentation.
#include <SDL.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>

#include "platform/backend.h"
#include "formats/cp1252.h"
#include "platform/common/files.h"
#include "platform/common/frame_pacing.h"
#include "platform/common/hall_client.h"
#include "platform/common/held_keys.h"
#include "platform/common/usage.h"
#include "platform/common/settings.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_input.h"

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;
// While presents are timed the limiter holds a guard pace a little quicker than 60 Hz, below the
// shortest interval the verdict takes for one frame.
constexpr double GUARD_SECONDS = 1.0 / 68.0;

struct SdlBackend {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool windowed = false;
    PlatformSettings shown{};  // the picture settings last put to work
    bool vsync = false;        // the renderer says it waits for the display
    bool measuring = false;    // presents are timed at the guard pace; false once they do not wait
    PresentIntervals intervals;
    Uint64 lastPresent = 0;    // performance-counter time of the previous timed present, 0 none
    int displayIndex = -1;     // the display and mode the window was last seen on
    SDL_DisplayMode displayMode{};
    Uint64 nextFrame = 0;      // performance-counter time of the next frame, for the limiter
    std::deque<PlatformMessage> queue;
    KeyLatches latches;
    HeldKeys held;
    // Keys pressed as part of Alt+Enter: the game never sees them until they are let go, even
    // when Alt is let go first.
    bool heldForSwitch[SDL_NUM_SCANCODES] = {};
    bool hangUpHandled = false;  // SIGHUP is ours while the game runs
    PadInput pad;
    void (*inputHook)() = nullptr;
    std::FILE* frameLog = nullptr;  // QUELLFORT_FRAME_LOG: seconds of each present, for bench/
};
SdlBackend sdl;

// Closing the terminal the game was started from (SIGHUP) closes the game as SIGINT and SIGTERM
// do through SDL, so the shutdown saves the table. Set by the signal, taken by the event pump.
volatile std::sig_atomic_t hangUpReceived = 0;
void OnHangUp(int) { hangUpReceived = 1; }

void QueueChar(uint8_t character) { sdl.queue.push_back({MESSAGE_CHAR, character}); }

// Queues one character message per UTF-8 character that Windows-1252 can hold.
void QueueText(const char* utf8) {
    const unsigned char* p = (const unsigned char*)utf8;
    while (*p != 0) {
        Uint32 cp = *p;
        int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        if (extra > 0) cp &= 0x3F >> extra;
        ++p;
        for (; extra > 0 && (*p & 0xC0) == 0x80; --extra, ++p) cp = (cp << 6) | (*p & 0x3F);
        const int byte = extra == 0 ? Cp1252Byte(cp) : -1;
        if (byte >= 0) QueueChar(uint8_t(byte));
    }
}

// A key goes down: the game keys it gives are latched, and while the options screen waits for a
// key to bind, the key itself is the message.
void PressKey(SDL_Scancode scancode) {
    const int code = KeyCodeOf(scancode);
    const uint32_t keys = GameKeysOfKey(code, sdl.pad.mode);
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (keys & (1u << i)) LatchKey(sdl.latches, PLATFORM_KEYS[i]);
    if (sdl.pad.mode == INPUT_BIND && code != KEY_NONE) sdl.queue.push_back({MESSAGE_KEY, uint8_t(code)});
}

// The window is the settings' whole multiple of 800 x 600, the largest that fits the display
// when that one does not.
int LargestWindowScale(int display) {
    SDL_Rect usable{0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) return 1;
    return std::max(1, std::min(usable.w / SCREEN_WIDTH, usable.h / SCREEN_HEIGHT));
}

int WindowScale(int display) { return std::min(settingsStore.current.windowScale, LargestWindowScale(display)); }

// Full screen is a borderless window over the whole desktop (no mode switch); even where no
// window manager honours the full-screen request, the window already covers the display.
void ApplyWindowMode() {
    SDL_Rect desktop{0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
    const int display = SDL_GetWindowDisplayIndex(sdl.window);
    SDL_GetDisplayBounds(display, &desktop);
    if (sdl.windowed) {
        const int scale = WindowScale(display);
        SDL_SetWindowFullscreen(sdl.window, 0);
        SDL_SetWindowBordered(sdl.window, SDL_TRUE);
        SDL_SetWindowSize(sdl.window, SCREEN_WIDTH * scale, SCREEN_HEIGHT * scale);
        SDL_SetWindowPosition(sdl.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_SetWindowBordered(sdl.window, SDL_FALSE);
        SDL_SetWindowPosition(sdl.window, desktop.x, desktop.y);
        SDL_SetWindowSize(sdl.window, desktop.w, desktop.h);
        SDL_SetWindowFullscreen(sdl.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
}

void ToggleFullscreen() {
    sdl.windowed = !sdl.windowed;
    ApplyWindowMode();
}

void HandleEvent(const SDL_Event& e) {
    if (HandleControllerEvent(e, sdl.pad, sdl.latches)) return;
    if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) {
        sdl.queue.push_back({MESSAGE_CLOSE, 0});
    } else if (e.type == SDL_TEXTINPUT) {
        QueueText(e.text.text);
    } else if (e.type == SDL_KEYDOWN) {
        const SDL_Keycode key = e.key.keysym.sym;
        const bool altEnter = (key == SDLK_RETURN || key == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT);
        const SDL_Scancode code = e.key.keysym.scancode;
        if (altEnter) {
            sdl.heldForSwitch[code] = true;
            if (!e.key.repeat) ToggleFullscreen();
        } else if (key == SDLK_BACKSPACE) {
            QueueChar(8);
        }
        if (!altEnter && !e.key.repeat && !sdl.heldForSwitch[code]) PressKey(code);
    } else if (e.type == SDL_KEYUP) {
        sdl.heldForSwitch[e.key.keysym.scancode] = false;
    }
}

// Every event is taken as soon as the backend looks, so that no key press goes by unseen;
// the messages they make still reach the game one per pass.
void PumpEvents() {
    if (sdl.inputHook != nullptr) sdl.inputHook();
    if (hangUpReceived != 0) {
        hangUpReceived = 0;
        sdl.queue.push_back({MESSAGE_CLOSE, 0});
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
    PadTakeMessages(sdl.pad, sdl.queue);
}

// Any key the settings give this game key is held (both Enter keys are Enter), unless it was
// pressed as part of Alt+Enter and not let go since.
bool KeyboardHolds(int gameKey) {
    const Uint8* held = SDL_GetKeyboardState(nullptr);
    int keys[MAX_KEYS_PER_GAME_KEY];
    for (int i = KeysGivingGameKey(gameKey, sdl.pad.mode, keys); i-- > 0;) {
        SDL_Scancode codes[2];
        ScancodesOf(keys[i], codes);
        for (SDL_Scancode code : codes)
            if (code != SDL_SCANCODE_UNKNOWN && held[code] != 0 && !sdl.heldForSwitch[code]) return true;
    }
    return false;
}

// Fill: the 800 x 600 picture scaled to the largest 4:3 area of the output; whole factors stay
// sharp. Sharp: the largest whole factor, centred on black (on an output smaller than the
// picture, fill all the same).
void ChooseScaling() {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(sdl.renderer, &w, &h);
    const double scale = std::min(w / double(SCREEN_WIDTH), h / double(SCREEN_HEIGHT));
    const bool sharp = settingsStore.current.scaling == SCALING_SHARP && scale >= 1.0;
    const bool whole = sharp || (scale >= 1.0 && scale == double(int(scale)));
    SDL_RenderSetIntegerScale(sdl.renderer, sharp ? SDL_TRUE : SDL_FALSE);
    SDL_SetTextureScaleMode(sdl.texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
}

bool CreateWindow() {
    // Created where it will stay: some X servers without a window manager ignore later moves.
    const int scale = WindowScale(0);
    SDL_Rect area{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, SCREEN_WIDTH * scale, SCREEN_HEIGHT * scale};
    if (!sdl.windowed) SDL_GetDisplayBounds(0, &area);
    const Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | (sdl.windowed ? 0 : SDL_WINDOW_BORDERLESS);
    sdl.window = SDL_CreateWindow("Quellfort", area.x, area.y, area.w, area.h, flags);
    if (sdl.window == nullptr) return false;
    ApplyWindowMode();
    const Uint32 vsync = settingsStore.current.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, vsync);
    if (sdl.renderer == nullptr && vsync != 0) sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    if (sdl.renderer == nullptr) return false;
    SDL_RendererInfo info;
    sdl.vsync = SDL_GetRendererInfo(sdl.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
    SDL_RenderSetLogicalSize(sdl.renderer, SCREEN_WIDTH, SCREEN_HEIGHT);
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_RGB565,
                                    SDL_TEXTUREACCESS_STREAMING, SCREEN_WIDTH, SCREEN_HEIGHT);
    return sdl.texture != nullptr;
}

// Sleeps until the performance counter reaches the next frame's time.
void WaitForNextFrame() {
    const bool minimised = SDL_GetWindowFlags(sdl.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN);
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    // Sleep in one go up to about a millisecond before the frame is due.
    for (Uint64 at; (at = SDL_GetPerformanceCounter()) + frequency / 1000 < sdl.nextFrame;)
        SDL_Delay(std::max<Uint32>(1, Uint32((sdl.nextFrame - at) * 1000 / frequency) - 1));
    // The last millisecond is spun for a steady picture; unseen frames need no such care.
    while (!minimised && SDL_GetPerformanceCounter() < sdl.nextFrame) {}
}

// The renderer's vsync as the settings ask; the pacing is judged afresh, as on another display.
void ApplyVsync(bool on) {
    SDL_RenderSetVSync(sdl.renderer, on ? 1 : 0);
    SDL_RendererInfo info;
    sdl.vsync = SDL_GetRendererInfo(sdl.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
    sdl.displayIndex = -1;
}


// Holds the game to 60 frames a second where vsync alone does not (other refresh rates, no
// vsync, a minimised window); sleeps rather than spins.
void LimitFrameRate() {
    const Uint64 now = SDL_GetPerformanceCounter();
    const Uint64 period = Uint64(SDL_GetPerformanceFrequency() * FRAME_SECONDS);
    if (sdl.nextFrame == 0 || now > sdl.nextFrame + 4 * period) sdl.nextFrame = now;
    sdl.nextFrame += period;
    WaitForNextFrame();
}

// Whether the window is on another display, or its display in another mode, than last seen:
// a 144 Hz monitor paces differently from a 60 Hz one.
bool DisplayChanged() {
    const int index = SDL_GetWindowDisplayIndex(sdl.window);
    SDL_DisplayMode mode{};
    SDL_GetCurrentDisplayMode(index, &mode);
    const SDL_DisplayMode& seen = sdl.displayMode;
    if (index == sdl.displayIndex && mode.w == seen.w && mode.h == seen.h &&
        mode.refresh_rate == seen.refresh_rate && mode.format == seen.format)
        return false;
    sdl.displayIndex = index;
    sdl.displayMode = mode;
    return true;
}

// The renderer's vsync flag is not trusted (some renderers claim it and do not wait, or take
// half a frame to copy the picture out): while presents are timed the limiter keeps its guard
// pace, so a present that waits for a 60 Hz display (or the second frame of a 120 Hz one) comes
// back a whole frame after the one before, and one that does not comes back at the guard pace.
// Once the presents are found not to wait, the limiter holds 60 Hz until the display changes.
void PaceFrame() {
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 now = SDL_GetPerformanceCounter();
    if (DisplayChanged()) {
        sdl.measuring = sdl.vsync;
        sdl.intervals = PresentIntervals{};
        sdl.lastPresent = 0;
    }
    if (sdl.measuring) {
        if (sdl.lastPresent != 0) AddPresentInterval(sdl.intervals, (now - sdl.lastPresent) * 1000.0 / frequency);
        sdl.lastPresent = now;
        sdl.measuring = JudgeVsync(sdl.intervals) != VSYNC_DOES_NOT_WAIT;
    }
    if (!sdl.measuring) return LimitFrameRate();
    // The guard carries no lag over, so presents that wait for the display are never held back.
    sdl.nextFrame = std::max(sdl.nextFrame + Uint64(frequency * GUARD_SECONDS), now);
    WaitForNextFrame();
}

// A player who started the game from a menu never sees stderr: a save that lost this session's
// new scores says so in a box as the window closes.
void ShowTableNotSaved() {
    if (tableReport.notSaved.empty() || sdl.window == nullptr) return;
    SDL_HideWindow(sdl.window);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Quellfort", tableReport.notSaved.c_str(), sdl.window);
    tableReport.notSaved.clear();
}

}  // namespace

int PlatformStart(int argc, char** argv) {
    std::string record, replay, hall;
    SettingsOverrides overrides;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (const int used = ParseSettingsOption(argc, argv, i, &overrides); used != 0) {
            if (used < 0) return 2;
            i += used - 1;
        } else if (std::strcmp(argv[i], "--hall") == 0 && hasValue) {
            hall = argv[++i];
        } else if (std::strcmp(argv[i], "--submit") == 0 && i + 2 < argc) {
            return HallSubmitFile(argv[i + 1], argv[i + 2]);
        } else if (std::strcmp(argv[i], "--record") == 0 && hasValue) {
            record = argv[++i];
        } else if (std::strcmp(argv[i], "--replay") == 0 && hasValue) {
            replay = argv[++i];
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quellfort " QUELLFORT_VERSION "\n");
            return 0;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            PrintGameUsage(stdout, HALL_OPTIONS_HELP);
            return 0;
        } else {
            const bool needsFile = std::strcmp(argv[i], "--record") == 0 || std::strcmp(argv[i], "--replay") == 0;
            std::fprintf(stderr, needsFile ? "quellfort: %s needs a file\n" : "quellfort: unknown option %s\n", argv[i]);
            PrintGameUsage(stderr, HALL_OPTIONS_HELP);
            return 2;
        }
    }
    if (!record.empty() && !replay.empty()) return std::fprintf(stderr, "quellfort: --record or --replay, not both\n"), 2;
    if (!hall.empty() && !replay.empty()) return std::fprintf(stderr, "quellfort: --hall or --replay, not both\n"), 2;
    // Games sent to a Hall are recorded, into nothing when no file is asked for.
    if (!hall.empty() && record.empty()) record = "/dev/null";
    std::filesystem::path dataFolder;
    if (!FindDataFolder(&dataFolder)) {
        std::fprintf(stderr, "quellfort: the game's pictures and qfel.dat are missing: looked in %s\n",
                     DataFolderPlaces().c_str());
        return 1;
    }
    if (!replay.empty() && !SessionStartReplay(replay)) return 2;
    LoadSettings(PlayerSettingsPath(), overrides);
    sdl.windowed = !settingsStore.current.fullscreen;
    sdl.shown = settingsStore.current;
    if (const char* log = std::getenv("QUELLFORT_FRAME_LOG")) sdl.frameLog = std::fopen(log, "w");
    SDL_SetHint(SDL_HINT_VIDEO_HIGHDPI_DISABLED, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0 || !CreateWindow()) {
        std::fprintf(stderr, "quellfort: cannot open the display: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    ChooseScaling();
    settingsStore.choices = {true, true, true, true, LargestWindowScale(0)};
    OpenControllers();
    SDL_StartTextInput();
    // Left ignored when the game was started to outlive its terminal (nohup).
    sdl.hangUpHandled = std::signal(SIGHUP, OnHangUp) != SIG_IGN;
    if (!sdl.hangUpHandled) std::signal(SIGHUP, SIG_IGN);
    if (!record.empty() && !SessionStartRecording(record, "linux-sdl")) return PlatformFinish(), 2;
    if (!hall.empty()) SessionSendGamesToHall(HallLinkTo(hall));
    return -1;
}

int PlatformFinish() {
    const int status = SessionFinish();
    ShowTableNotSaved();
    HallFinishSending(10);
    if (sdl.hangUpHandled) std::signal(SIGHUP, SIG_DFL);
    if (sdl.frameLog != nullptr) std::fclose(sdl.frameLog);
    SDL_StopTextInput();
    CloseControllers();
    if (sdl.texture != nullptr) SDL_DestroyTexture(sdl.texture);
    if (sdl.renderer != nullptr) SDL_DestroyRenderer(sdl.renderer);
    if (sdl.window != nullptr) SDL_DestroyWindow(sdl.window);
    SDL_Quit();
    sdl = SdlBackend{};
    return status;
}

void PlatformShowCursor(bool show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

// Down when the keyboard or a pad holds the key now, or when it went down since the last read.
static bool KeyDown(int key, uint32_t now) {
    const bool tapped = TakeLatchedKey(sdl.latches, key);
    // While Alt is held Enter belongs to the full-screen switch, not to the game.
    const bool keyboard = KeyboardHolds(key) && !(key == PLATFORM_KEY_RETURN && (SDL_GetModState() & KMOD_ALT));
    return keyboard || tapped || PadKeyDown(sdl.pad, key, now);
}

void BackendReadInput(const PlatformInputWanted& wanted, PlatformInput* input) {
    PadSetWanted(sdl.pad, wanted);
    PumpEvents();
    input->ticks = uint32_t(SDL_GetTicks64());
    input->time = int64_t(std::time(nullptr));
    input->keys = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (KeyDown(PLATFORM_KEYS[i], input->ticks)) input->keys |= 1u << i;
    input->messageCount = 0;
    while (!sdl.queue.empty() && input->messageCount < PLATFORM_MAX_MESSAGES) {
        input->messages[input->messageCount++] = sdl.queue.front();
        sdl.queue.pop_front();
    }
    uint32_t downNow = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (KeyboardHolds(PLATFORM_KEYS[i])) downNow |= 1u << i;
    DropHeldKeyCharacters(sdl.held, wanted, downNow, input);
}

// Every look pumps the events: the window stays responsive and the release is seen; the
// messages wait in the queue.
void BackendWaitKeyUp(int key) {
    for (;;) {
        PumpEvents();
        if (!KeyDown(key, uint32_t(SDL_GetTicks64()))) break;
        SDL_Delay(1);
    }
}

void BackendFrameShown(const PlatformInput&) {}
bool BackendShowsFrames() { return true; }

void BackendPresent(const uint16_t* pixels) {
    LatchNextFrame(sdl.latches);
    // A minimised window shows nothing: drawing it anyway cost as much as playing. The game
    // keeps its pace through the limiter.
    if (SDL_GetWindowFlags(sdl.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) {
        sdl.lastPresent = 0;
        return LimitFrameRate();
    }
    if (pixels != nullptr) SDL_UpdateTexture(sdl.texture, nullptr, pixels, SCREEN_WIDTH * 2);
    ChooseScaling();
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, nullptr);
    SDL_RenderPresent(sdl.renderer);
    if (sdl.frameLog != nullptr)
        std::fprintf(sdl.frameLog, "%.6f\n", SDL_GetPerformanceCounter() / double(SDL_GetPerformanceFrequency()));
    PaceFrame();
}


void SetInputHook(void (*hook)()) { sdl.inputHook = hook; }

void BackendApplySettings() {
    ApplyPictureSettings();
    ApplyMixerVolume();
}

// Only what changed is changed: a window the player switched with Alt+Enter stays as it is
// unless the full-screen setting itself changed.
void ApplyPictureSettings() {
    const PlatformSettings& now = settingsStore.current;
    if (sdl.window == nullptr) return;
    if (now.fullscreen != sdl.shown.fullscreen || now.windowScale != sdl.shown.windowScale) {
        sdl.windowed = !now.fullscreen;
        ApplyWindowMode();
    }
    if (now.vsync != sdl.shown.vsync) ApplyVsync(now.vsync);
    sdl.shown = now;
    ChooseScaling();
}
