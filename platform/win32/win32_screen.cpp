// The native Windows game's window on the desktop: a borderless window over the whole display,
// or a framed one whose picture is a whole multiple of 800 x 600, and how each follows the
// display's scale (the game is aware of each display's DPI, so Windows never blurs it).
#include "platform/win32/win32.h"

#include <algorithm>

namespace {

constexpr DWORD WINDOWED_STYLE = WS_OVERLAPPEDWINDOW;
constexpr DWORD FULLSCREEN_STYLE = WS_POPUP;
constexpr UINT NORMAL_DPI = 96;

// Windows 10's per-display DPI functions, looked up so that the game still starts on Windows 7.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Function> Function User32(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

UINT WindowDpi() {
    if (auto getDpi = User32<GetDpiForWindowFunction>("GetDpiForWindow"))
        if (const UINT dpi = getDpi(win32.mainWindow); dpi != 0) return dpi;
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : NORMAL_DPI;
}

MONITORINFO WindowMonitor() {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(win32.mainWindow, MONITOR_DEFAULTTONEAREST), &info);
    return info;
}

// The framed window's outer size for a client area of this size.
SIZE OuterSize(int width, int height, UINT dpi) {
    RECT rect = {0, 0, width, height};
    if (auto adjust = User32<AdjustForDpiFunction>("AdjustWindowRectExForDpi"))
        adjust(&rect, WINDOWED_STYLE, FALSE, 0, dpi);
    else
        AdjustWindowRectEx(&rect, WINDOWED_STYLE, FALSE, 0);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The display's scale rounded down to a whole factor, so that each of the game's pixels is a
// square of screen pixels (at 125 % that is 800 x 600); a smaller factor where the work area
// cannot hold the window, and below 800 x 600 the largest 4:3 area that fits.
SIZE WindowedClientSize(UINT dpi, const RECT& work) {
    const int areaWidth = work.right - work.left, areaHeight = work.bottom - work.top;
    for (int factor = std::max(1, int(dpi / NORMAL_DPI)); factor >= 1; --factor) {
        const SIZE outer = OuterSize(SCREEN_WIDTH * factor, SCREEN_HEIGHT * factor, dpi);
        if (outer.cx <= areaWidth && outer.cy <= areaHeight) return {SCREEN_WIDTH * factor, SCREEN_HEIGHT * factor};
    }
    const SIZE frame = OuterSize(0, 0, dpi);
    const PictureRect fit = PlacePicture(areaWidth - frame.cx, areaHeight - frame.cy);
    return {std::max(fit.width, 1), std::max(fit.height, 1)};
}

// The framed window with its picture's size for this DPI, its top left at (x, y) or, without
// one, centred on the work area of its display.
void PlaceFramedWindow(UINT dpi, const POINT* topLeft) {
    const RECT work = WindowMonitor().rcWork;
    const SIZE client = WindowedClientSize(dpi, work);
    const SIZE outer = OuterSize(client.cx, client.cy, dpi);
    const int x = topLeft ? topLeft->x : work.left + (work.right - work.left - outer.cx) / 2;
    const int y = topLeft ? topLeft->y : work.top + (work.bottom - work.top - outer.cy) / 2;
    SetWindowPos(win32.mainWindow, HWND_NOTOPMOST, x, std::max(y, int(work.top)), outer.cx, outer.cy,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

}  // namespace

// Full screen covers the display the window is on, without changing its mode: the picture keeps
// the display's own resolution and refresh rate.
void ApplyWindowMode() {
    if (IsZoomed(win32.mainWindow)) ShowWindow(win32.mainWindow, SW_RESTORE);
    SetWindowLongPtrA(win32.mainWindow, GWL_STYLE, LONG_PTR((win32.windowed ? WINDOWED_STYLE : FULLSCREEN_STYLE) | WS_VISIBLE));
    if (win32.windowed) {
        PlaceFramedWindow(WindowDpi(), nullptr);
    } else {
        const RECT area = WindowMonitor().rcMonitor;
        SetWindowPos(win32.mainWindow, HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
}

void ToggleFullscreen() {
    win32.windowed = !win32.windowed;
    ApplyWindowMode();
}

// Moved to a display of another scale, the framed window takes that display's whole factor
// where Windows suggests it be; full screen follows the display it now covers. Either way the
// pace is measured again.
void FollowDpiChange(UINT dpi, const RECT& suggested) {
    win32.displayChanged = true;
    if (!win32.windowed) return ApplyWindowMode();
    const POINT topLeft = {suggested.left, suggested.top};
    PlaceFramedWindow(dpi, &topLeft);
}
