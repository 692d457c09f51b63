// The native Windows backend's window, window procedure, message pump, keyboard and clocks.
#include "platform/win32/win32.h"

#include "platform/backend.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/common/files.h"
#include "platform/common/held_keys.h"
#include "platform/common/settings.h"

Win32Backend win32;

namespace {

const char* const WINDOW_CLASS = "QFWINCLASS";
const char* const WINDOW_TITLE = "Quellfort";

// The key code of a key message: Shift, Ctrl and Alt told left from right, as settings name them.
int KeyCodeOf(WPARAM key, LPARAM flags) {
    const bool extended = (flags >> 24) & 1;
    switch (key) {
    case VK_SHIFT: return int(MapVirtualKeyA(UINT((flags >> 16) & 0xFF), MAPVK_VSC_TO_VK_EX));
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    default: return int(key & 0xFF);
    }
}

// A key goes down: the game keys it gives are latched, and while the options screen waits for a
// key to bind, the key itself is the message.
void PressKey(int code) {
    const uint32_t keys = GameKeysOfKey(code, win32.pad.mode);
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (keys & (1u << i)) LatchKey(win32.latches, PLATFORM_KEYS[i]);
    if (win32.pad.mode == INPUT_BIND && KeyName(code) != nullptr) win32.queue.push_back({MESSAGE_KEY, uint8_t(code)});
}

// Turns the window messages the game cares about into the seam's messages. A close request is
// left to the game, which answers it by quitting; the window goes at PlatformFinish.
LRESULT CALLBACK QuellfortWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // A press is remembered until the game next looks at that key, so a tap let go before
        // the look still counts once. Bit 30 marks a key repeat.
        if (!(lParam & (1L << 30))) PressKey(KeyCodeOf(wParam, lParam));
        break;
    case WM_CHAR:
        // A byte of the window's ANSI code page; Backspace arrives as 8.
        win32.queue.push_back({MESSAGE_CHAR, uint8_t(wParam & 0xFF)});
        break;
    case WM_CLOSE:
        win32.queue.push_back({MESSAGE_CLOSE, 0});
        return 0;
    case WM_DESTROY:
        win32.mainWindow = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_DBLCLKS;
    windowClass.lpfnWndProc = QuellfortWindowProc;
    windowClass.hInstance = win32.instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = WINDOW_CLASS;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    return RegisterClassExA(&windowClass) != 0;
}

// The one game window: a visible 800 x 600 pop-up at the top left, shown from creation on.
bool CreateMainWindow() {
    win32.mainWindow = CreateWindowExA(0, WINDOW_CLASS, WINDOW_TITLE, WS_POPUP | WS_VISIBLE, 0, 0,
                                       SCREEN_WIDTH, SCREEN_HEIGHT, nullptr, nullptr,
                                       win32.instance, nullptr);
    return win32.mainWindow != nullptr;
}

int StartFailed(const char* what) {
    MessageBoxA(nullptr, what, WINDOW_TITLE, MB_OK | MB_ICONERROR);
    if (win32.mainWindow != nullptr) DestroyWindow(win32.mainWindow);
    timeEndPeriod(1);
    return 1;
}


bool PopQueued(PlatformMessage* message) {
    if (win32.queue.empty()) return false;
    *message = win32.queue.front();
    win32.queue.pop_front();
    return true;
}

}  // namespace

// The command line: --record FILE keeps the session, --replay FILE shows a recorded one; anything
// else is ignored, as it always was.
int PlatformStart(int argc, char** argv) {
    SettingsOverrides overrides;
    for (int i = 1; i < argc; ++i) {
        const int used = ParseSettingsOption(argc, argv, i, &overrides);
        if (used < 0) return 2;
        i += std::max(used, 1) - 1;
        if (used > 0 || i + 1 == argc) continue;
        if (std::strcmp(argv[i], "--record") == 0 && !SessionStartRecording(argv[i + 1], "windows")) return 2;
        if (std::strcmp(argv[i], "--replay") == 0 && !SessionStartReplay(argv[i + 1])) return 2;
    }
    LoadSettings(PlayerSettingsPath(), overrides);
    win32.instance = GetModuleHandleA(nullptr);
    // Sleep(1) and the frame limiter need a one-millisecond timer.
    timeBeginPeriod(1);
    std::filesystem::path dataFolder;
    if (!FindDataFolder(&dataFolder)) {
        const std::string missing = "Quellfort cannot find its pictures and qfel.dat: looked in " +
                                    DataFolderPlaces() + ".";
        std::fprintf(stderr, "quellfort: %s\n", missing.c_str());
        return StartFailed(missing.c_str());
    }
    if (!RegisterWindowClass() || !CreateMainWindow())
        return StartFailed("Quellfort cannot create its window.");
    if (!OpenDirectDraw()) {
        CloseDirectDraw();
        return StartFailed("Quellfort cannot open the display (DirectDraw 800 x 600).");
    }
    OpenControllers();
    return -1;
}

int PlatformFinish() {
    const int status = SessionFinish();
    CloseControllers();
    CloseDirectDraw();
    if (win32.mainWindow != nullptr) DestroyWindow(win32.mainWindow);
    UnregisterClassA(WINDOW_CLASS, win32.instance);
    timeEndPeriod(1);
    return status;
}

void PlatformShowCursor(bool show) { ShowCursor(show ? TRUE : FALSE); }

// Down when the keyboard or a pad holds the key now, or when it went down since the last read.
// Down when a key the settings give this game key is held, when it was pressed since the last
// look, or when a pad holds it.
static bool KeyDown(int key) {
    const bool tapped = TakeLatchedKey(win32.latches, key);
    int keys[MAX_KEYS_PER_GAME_KEY];
    bool held = false;
    for (int i = KeysGivingGameKey(key, win32.pad.mode, keys); i-- > 0;) held |= (GetAsyncKeyState(keys[i]) & 0x8000) != 0;
    return held || tapped || PadKeyDown(win32.pad, key, GetTickCount());
}

void BackendApplySettings() { ApplySoundVolume(); }

// Every window message waiting is dispatched; WM_QUIT (the window was destroyed from outside)
// asks the game to close.
static void PumpMessages() {
    PollControllers();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            win32.queue.push_back({MESSAGE_CLOSE, 0});
            continue;
        }
        TranslateMessage(&msg);  // key presses become the WM_CHAR of name entry
        DispatchMessageA(&msg);
    }
    PadTakeMessages(win32.pad, win32.queue);
}

void BackendReadInput(const PlatformInputWanted& wanted, PlatformInput* input) {
    PadSetWanted(win32.pad, wanted);
    PumpMessages();
    input->ticks = GetTickCount();
    input->time = int64_t(std::time(nullptr));
    input->keys = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (KeyDown(PLATFORM_KEYS[i])) input->keys |= 1u << i;
    input->messageCount = 0;
    PlatformMessage message;
    while (input->messageCount < PLATFORM_MAX_MESSAGES && PopQueued(&message))
        input->messages[input->messageCount++] = message;
    uint32_t downNow = 0;
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (GetAsyncKeyState(PLATFORM_KEYS[i]) & 0x8000) downNow |= 1u << i;
    DropHeldKeyCharacters(win32.held, wanted, downNow, input);
}

// Messages wait meanwhile, as the game expects; a millisecond's sleep per look keeps a core free.
void BackendWaitKeyUp(int key) {
    for (;;) {
        PumpMessages();
        if (!KeyDown(key)) break;
        Sleep(1);
    }
}

void BackendFrameShown(const PlatformInput&) {}
bool BackendShowsFrames() { return true; }

