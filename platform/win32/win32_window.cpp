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
#include "platform/common/hall_client.h"
#include "platform/common/held_keys.h"
#include "platform/common/settings.h"

Win32Backend win32;

namespace {

const char* const WINDOW_CLASS = "QFWINCLASS";
const char* const WINDOW_TITLE = "Quellfort";

// Alt+Enter, the switch between full screen and window: bit 29 of a system key message says
// Alt is down, bit 30 marks a key repeat.
bool IsAltEnter(UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_SYSKEYDOWN && wParam == VK_RETURN && (lParam & (1L << 29));
}

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
        if (IsAltEnter(message, wParam, lParam)) {
            if (!(lParam & (1L << 30))) ToggleFullscreen();
            return 0;
        }
        // A press is remembered until the game next looks at that key, so a tap let go before
        // the look still counts once. Bit 30 marks a key repeat.
        if (!(lParam & (1L << 30))) PressKey(KeyCodeOf(wParam, lParam));
        break;
    case WM_SYSCHAR:
        if (wParam == '\r') return 0;  // Alt+Enter's character: no beep
        break;
    case WM_CHAR:
        // A byte of the window's ANSI code page; Backspace arrives as 8.
        win32.queue.push_back({MESSAGE_CHAR, uint8_t(wParam & 0xFF)});
        break;
    case WM_SYSCOMMAND:
        // Alt alone would enter the window menu's modal loop and stop the game until a key.
        if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
        break;
    case WM_DISPLAYCHANGE:
        win32.displayChanged = true;
        if (!win32.windowed) ApplyWindowMode();
        break;
    case WM_DPICHANGED:
        FollowDpiChange(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
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

// The program's own icon, from its resources, in the title bar and the task bar. The black
// background is the border around the picture: the whole window is painted again whenever its
// size changes.
bool RegisterWindowClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = QuellfortWindowProc;
    windowClass.hInstance = win32.instance;
    windowClass.hIcon = LoadIconA(win32.instance, "IDI_ICON1");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = WINDOW_CLASS;
    windowClass.hIconSm = HICON(LoadImageA(win32.instance, "IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                           GetSystemMetrics(SM_CYSMICON), 0));
    return RegisterClassExA(&windowClass) != 0;
}

// The one game window, made on the primary display and then fitted to the mode it starts in.
bool CreateMainWindow() {
    win32.mainWindow = CreateWindowExA(0, WINDOW_CLASS, WINDOW_TITLE, WS_POPUP, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                                       nullptr, nullptr, win32.instance, nullptr);
    if (win32.mainWindow == nullptr) return false;
    ApplyWindowMode();
    SetForegroundWindow(win32.mainWindow);
    return true;
}

int StartFailed(const char* what) {
    SayStartFailure(what);
    if (win32.mainWindow != nullptr) DestroyWindow(win32.mainWindow);
    timeEndPeriod(1);
    return 1;
}


// Nobody sees stderr of a Windows game: a save that lost this session's new scores says so in a
// box as the window closes, once DirectDraw has given the desktop back.
void ShowTableNotSaved() {
    if (tableReport.notSaved.empty()) return;
    if (win32.mainWindow != nullptr) ShowWindow(win32.mainWindow, SW_HIDE);
    MessageBoxA(nullptr, tableReport.notSaved.c_str(), WINDOW_TITLE, MB_OK | MB_ICONERROR);
    tableReport.notSaved.clear();
}

bool PopQueued(PlatformMessage* message) {
    if (win32.queue.empty()) return false;
    *message = win32.queue.front();
    win32.queue.pop_front();
    return true;
}

// While Alt is held Enter belongs to the full-screen switch, not to the game.
bool KeyboardHolds(int virtualKey) {
    if (virtualKey == VK_RETURN && (GetAsyncKeyState(VK_MENU) & 0x8000)) return false;
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

}  // namespace

// The command line as on Linux (--window, --record FILE, --replay FILE, --hall URL, --submit URL
// FILE, --version, --help), then the data, the window and the display.
int PlatformStart(int argc, char** argv) {
    ChooseTableFolder();
    const StartOptions options = ReadCommandLine(argc, argv);
    if (options.exitStatus >= 0) return options.exitStatus;
    std::filesystem::path dataFolder;
    if (!FindDataFolder(&dataFolder)) {
        SayStartFailure("the game's pictures and qfel.dat are missing: looked in " + DataFolderPlaces());
        return 1;
    }
    if (!options.replay.empty() && !SessionStartReplay(options.replay)) return 2;
    MoveOlderTable();
    LoadSettings(PlayerSettingsPath(), options.overrides);
    if (!settingsStore.current.fullscreen) win32.windowed = true;  // --window, or the settings' choice
    win32.instance = GetModuleHandleA(nullptr);
    // Sleep(1) and the frame limiter need a one-millisecond timer.
    timeBeginPeriod(1);
    if (!RegisterWindowClass() || !CreateMainWindow()) return StartFailed("cannot create the game window");
    if (!OpenDirectDraw()) {
        CloseDirectDraw();
        return StartFailed("cannot open the display (DirectDraw)");
    }
    OpenControllers();
    if (!options.record.empty() && !SessionStartRecording(options.record, "windows")) return PlatformFinish(), 2;
    if (!options.hall.empty()) SessionSendGamesToHall(HallLinkTo(options.hall));
    return -1;
}

int PlatformFinish() {
    const int status = SessionFinish();
    CloseControllers();
    CloseDirectDraw();
    ShowTableNotSaved();
    if (win32.mainWindow != nullptr) DestroyWindow(win32.mainWindow);
    UnregisterClassA(WINDOW_CLASS, win32.instance);
    timeEndPeriod(1);
    // Once the window is gone, so that no frozen window waits with it.
    HallFinishSending(10);
    std::fflush(stdout);
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
    for (int i = KeysGivingGameKey(key, win32.pad.mode, keys); i-- > 0;) held |= KeyboardHolds(keys[i]);
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

