// The native Windows backend's window, window procedure, message pump, keyboard and clocks.
#include "platform/win32/win32.h"

#include <mmsystem.h>

#include <ctime>

Win32Backend win32;

namespace {

const char* const WINDOW_CLASS = "QFWINCLASS";
const char* const WINDOW_TITLE = "Quellfort";

// Turns the window messages the game cares about into the seam's messages. A close request is
// left to the game, which answers it by destroying the window (PlatformPostMessage, quit).
LRESULT CALLBACK QuellfortWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // A press is remembered until the game next looks at that key, so a tap let go before
        // the look still counts once. Bit 30 marks a key repeat.
        if (!(lParam & (1L << 30))) LatchKey(win32.latches, int(wParam));
        break;
    case WM_CHAR:
        // A byte of the window's ANSI code page; Backspace arrives as 8.
        win32.queue.push_back({MESSAGE_CHAR, uint8_t(wParam & 0xFF)});
        PadSawTypedChar(win32.pad, uint8_t(wParam & 0xFF));
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

// Characters typed by a pad's name entry, queued like the keyboard's.
void QueuePadCharacters() {
    for (char c : win32.pad.typed) win32.queue.push_back({MESSAGE_CHAR, uint8_t(c)});
    win32.pad.typed.clear();
}

bool PopQueued(PlatformMessage* message) {
    if (win32.queue.empty()) return false;
    *message = win32.queue.front();
    win32.queue.pop_front();
    return true;
}

}  // namespace

// The game takes no options on Windows; the command line is ignored.
int PlatformStart(int, char**) {
    win32.instance = GetModuleHandleA(nullptr);
    // Sleep(1) and the frame limiter need a one-millisecond timer.
    timeBeginPeriod(1);
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
    CloseControllers();
    CloseDirectDraw();
    if (win32.mainWindow != nullptr) DestroyWindow(win32.mainWindow);
    UnregisterClassA(WINDOW_CLASS, win32.instance);
    timeEndPeriod(1);
    return 0;
}

void PlatformShowCursor(bool show) { ShowCursor(show ? TRUE : FALSE); }

uint32_t PlatformTicks() { return GetTickCount(); }

int64_t PlatformTime() { return int64_t(std::time(nullptr)); }

// Down when the keyboard or a pad holds the key now, or when it went down since the last poll.
bool PlatformKeyDown(int virtualKey) {
    PollControllers();
    QueuePadCharacters();
    PadSawKeyPoll(win32.pad, virtualKey);
    const bool tapped = TakeLatchedKey(win32.latches, virtualKey);
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0 || tapped ||
           PadKeyDown(win32.pad, virtualKey, GetTickCount());
}

// Messages wait meanwhile, as the game expects; a millisecond's sleep per look keeps a core free.
void PlatformWaitKeyUp(int virtualKey) {
    while (PlatformKeyDown(virtualKey)) Sleep(1);
    PadSawKeyWait(win32.pad, virtualKey);
}

// At most one window message is taken and dispatched per call; WM_QUIT itself is never
// dispatched, it is the game's quit message.
bool PlatformNextMessage(PlatformMessage* message) {
    if (PopQueued(message)) return true;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        *message = {MESSAGE_QUIT, 0};
        return true;
    }
    TranslateMessage(&msg);  // key presses become the WM_CHAR of name entry
    DispatchMessageA(&msg);
    return PopQueued(message);
}

// A close request goes to the window as WM_CLOSE; the game's answer to one, quit, destroys the
// window, whose WM_DESTROY posts the WM_QUIT that ends the main loop.
void PlatformPostMessage(PlatformMessageKind kind) {
    if (kind == MESSAGE_CLOSE && win32.mainWindow != nullptr) {
        PostMessageA(win32.mainWindow, WM_CLOSE, 0, 0);
    } else if (kind == MESSAGE_QUIT) {
        if (win32.mainWindow != nullptr) DestroyWindow(win32.mainWindow);
        else PostQuitMessage(0);
    } else if (kind == MESSAGE_CHAR) {
        win32.queue.push_back({kind, 0});
    }
}

void PlatformSetStateWriter(PlatformStateWriter) {}
