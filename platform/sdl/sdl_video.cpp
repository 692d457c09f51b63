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

#include "platform/common/backend.h"
#include "platform/common/cp1252.h"
#include "platform/common/files.h"
#include "platform/platform.h"

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;

struct SdlBackend {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool windowed = false;
    bool vsync = false;        // the renderer waits for the display
    bool refreshIs60 = false;  // the display refreshes at about 60 Hz
    Uint64 nextFrame = 0;      // performance-counter time of the next frame, for the limiter
    std::deque<PlatformMessage> queue;
    std::FILE* frameLog = nullptr;  // QUELLFORT_FRAME_LOG: seconds of each present, for bench/
};
SdlBackend sdl;

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
        if (byte >= 0) sdl.queue.push_back({MESSAGE_CHAR, uint8_t(byte)});
    }
}

SDL_Scancode Scancode(int virtualKey) {
    switch (virtualKey) {
    case VK_RETURN: return SDL_SCANCODE_RETURN;
    case VK_ESCAPE: return SDL_SCANCODE_ESCAPE;
    case VK_SPACE: return SDL_SCANCODE_SPACE;
    case VK_LEFT: return SDL_SCANCODE_LEFT;
    case VK_RIGHT: return SDL_SCANCODE_RIGHT;
    case VK_P: return SDL_SCANCODE_P;
    default: return SDL_SCANCODE_UNKNOWN;
    }
}

// Full screen is a borderless window over the whole desktop (no mode switch); even where no
// window manager honours the full-screen request, the window already covers the display.
void ApplyWindowMode() {
    SDL_Rect desktop{0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
    SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(sdl.window), &desktop);
    if (sdl.windowed) {
        SDL_SetWindowFullscreen(sdl.window, 0);
        SDL_SetWindowBordered(sdl.window, SDL_TRUE);
        SDL_SetWindowSize(sdl.window, SCREEN_WIDTH, SCREEN_HEIGHT);
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
    if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) {
        sdl.queue.push_back({MESSAGE_CLOSE, 0});
    } else if (e.type == SDL_TEXTINPUT) {
        QueueText(e.text.text);
    } else if (e.type == SDL_KEYDOWN) {
        const SDL_Keycode key = e.key.keysym.sym;
        if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT)) {
            if (!e.key.repeat) ToggleFullscreen();
        } else if (key == SDLK_BACKSPACE) {
            sdl.queue.push_back({MESSAGE_CHAR, 8});
        }
    }
}

void PumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
}

// Scale the 800 x 600 picture to the largest 4:3 area of the output; whole factors stay sharp.
void ChooseScaling() {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(sdl.renderer, &w, &h);
    const double scale = std::min(w / double(SCREEN_WIDTH), h / double(SCREEN_HEIGHT));
    const bool whole = scale >= 1.0 && scale == double(int(scale));
    SDL_SetTextureScaleMode(sdl.texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
}

bool CreateWindow() {
    // Created where it will stay: some X servers without a window manager ignore later moves.
    SDL_Rect area{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, SCREEN_WIDTH, SCREEN_HEIGHT};
    if (!sdl.windowed) SDL_GetDisplayBounds(0, &area);
    const Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | (sdl.windowed ? 0 : SDL_WINDOW_BORDERLESS);
    sdl.window = SDL_CreateWindow("Quellfort", area.x, area.y, area.w, area.h, flags);
    if (sdl.window == nullptr) return false;
    ApplyWindowMode();
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (sdl.renderer == nullptr) sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    if (sdl.renderer == nullptr) return false;
    SDL_RendererInfo info;
    sdl.vsync = SDL_GetRendererInfo(sdl.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
    SDL_DisplayMode mode;
    sdl.refreshIs60 = SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(sdl.window), &mode) == 0 &&
                      mode.refresh_rate >= 59 && mode.refresh_rate <= 61;
    SDL_RenderSetLogicalSize(sdl.renderer, SCREEN_WIDTH, SCREEN_HEIGHT);
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_RGB565,
                                    SDL_TEXTUREACCESS_STREAMING, SCREEN_WIDTH, SCREEN_HEIGHT);
    return sdl.texture != nullptr;
}

// Holds the game to 60 frames a second where vsync alone does not (other refresh rates, no
// vsync, a minimised window); sleeps rather than spins.
void LimitFrameRate() {
    const bool minimised = SDL_GetWindowFlags(sdl.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN);
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 now = SDL_GetPerformanceCounter();
    const Uint64 period = Uint64(frequency * FRAME_SECONDS);
    if (sdl.vsync && sdl.refreshIs60 && !minimised) {
        sdl.nextFrame = now + period;
        return;
    }
    if (sdl.nextFrame == 0 || now > sdl.nextFrame + 4 * period) sdl.nextFrame = now;
    sdl.nextFrame += period;
    // Sleep in one go up to about a millisecond before the frame is due.
    for (Uint64 at; (at = SDL_GetPerformanceCounter()) + frequency / 1000 < sdl.nextFrame;)
        SDL_Delay(std::max<Uint32>(1, Uint32((sdl.nextFrame - at) * 1000 / frequency) - 1));
    // The last millisecond is spun for a steady picture; unseen frames need no such care.
    while (!minimised && SDL_GetPerformanceCounter() < sdl.nextFrame) {}
}

void PrintUsage(std::FILE* out) {
    std::filesystem::path dataFolder;
    const bool found = FindDataFolder(&dataFolder);
    const std::string data = !found ? "missing (looked in " + DataFolderPlaces() + ")"
                             : dataFolder.empty() ? "the current folder" : dataFolder.string();
    std::fprintf(out,
                 "usage: quellfort [--window] [--record FILE | --replay FILE] [--version] [--help]\n"
                 "  --window         play in an 800 x 600 window instead of full screen\n"
                 "  --record FILE    play as usual and keep the session in FILE\n"
                 "  --replay FILE    watch a recorded session (Escape stops watching)\n"
                 "  --version        print the version and exit\n"
                 "  --help           print this help and exit\n"
                 "Alt+Enter switches between window and full screen; Escape quits.\n"
                 "Pictures and qfel.dat: %s\n"
                 "High scores: %s\n"
                 "Exit status: 0 when the game ends, 1 when the display or the game's pictures are\n"
                 "missing, 2 for an unknown option or a file that is not a recording; a replay\n"
                 "ends with 1 when it diverged from its recording, 2 when the recording is cut short.\n",
                 data.c_str(), TablePath().string().c_str());
}

}  // namespace

int PlatformStart(int argc, char** argv) {
    std::string record, replay;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--window") == 0) {
            sdl.windowed = true;
        } else if (std::strcmp(argv[i], "--record") == 0 && hasValue) {
            record = argv[++i];
        } else if (std::strcmp(argv[i], "--replay") == 0 && hasValue) {
            replay = argv[++i];
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quellfort " QUELLFORT_VERSION "\n");
            return 0;
        } else {
            PrintUsage(std::strcmp(argv[i], "--help") == 0 ? stdout : stderr);
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (!record.empty() && !replay.empty()) return std::fprintf(stderr, "quellfort: --record or --replay, not both\n"), 2;
    std::filesystem::path dataFolder;
    if (!FindDataFolder(&dataFolder)) {
        std::fprintf(stderr, "quellfort: the game's pictures and qfel.dat are missing: looked in %s\n",
                     DataFolderPlaces().c_str());
        return 1;
    }
    if (!replay.empty() && !SessionStartReplay(replay)) return 2;
    if (const char* log = std::getenv("QUELLFORT_FRAME_LOG")) sdl.frameLog = std::fopen(log, "w");
    SDL_SetHint(SDL_HINT_VIDEO_HIGHDPI_DISABLED, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0 || !CreateWindow()) {
        std::fprintf(stderr, "quellfort: cannot open the display: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    ChooseScaling();
    SDL_StartTextInput();
    if (!record.empty() && !SessionStartRecording(record)) return PlatformFinish(), 2;
    return -1;
}

int PlatformFinish() {
    const int status = SessionFinish();
    if (sdl.frameLog != nullptr) std::fclose(sdl.frameLog);
    SDL_StopTextInput();
    if (sdl.texture != nullptr) SDL_DestroyTexture(sdl.texture);
    if (sdl.renderer != nullptr) SDL_DestroyRenderer(sdl.renderer);
    if (sdl.window != nullptr) SDL_DestroyWindow(sdl.window);
    SDL_Quit();
    return status;
}

void PlatformShowCursor(bool show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

uint32_t BackendTicks() { return uint32_t(SDL_GetTicks64()); }

int64_t BackendTime() { return int64_t(std::time(nullptr)); }

bool BackendKeyDown(int virtualKey) {
    SDL_PumpEvents();
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const SDL_Scancode code = Scancode(virtualKey);
    if (code == SDL_SCANCODE_UNKNOWN) return false;
    // While Alt is held Enter belongs to the full-screen switch, not to the game.
    if (virtualKey == VK_RETURN && (SDL_GetModState() & KMOD_ALT)) return false;
    return keys[code] != 0 || (virtualKey == VK_RETURN && keys[SDL_SCANCODE_KP_ENTER] != 0);
}

void BackendWaitKeyUp(int virtualKey) {
    while (BackendKeyDown(virtualKey)) {
        PumpEvents();  // keeps the window responsive and sees the release; messages wait
        SDL_Delay(1);
    }
}

bool BackendNextMessage(PlatformMessage* message) {
    PumpEvents();
    if (sdl.queue.empty()) return false;
    *message = sdl.queue.front();
    sdl.queue.pop_front();
    return true;
}

void BackendPostMessage(PlatformMessageKind kind) { sdl.queue.push_back({kind, 0}); }

void BackendPresent(const uint16_t* pixels) {
    // A minimised window shows nothing: drawing it anyway cost as much as playing. The game
    // keeps its pace through the limiter.
    if (SDL_GetWindowFlags(sdl.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) return LimitFrameRate();
    if (pixels != nullptr) SDL_UpdateTexture(sdl.texture, nullptr, pixels, SCREEN_WIDTH * 2);
    ChooseScaling();
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, nullptr);
    SDL_RenderPresent(sdl.renderer);
    if (sdl.frameLog != nullptr)
        std::fprintf(sdl.frameLog, "%.6f\n", SDL_GetPerformanceCounter() / double(SDL_GetPerformanceFrequency()));
    LimitFrameRate();
}

