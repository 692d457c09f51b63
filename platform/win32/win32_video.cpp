// The native Windows backend's display: DirectDraw 7 in exclusive full screen at 800 x 600 in
// 16 bits, a flipping primary with one back buffer, each frame copied in and flipped at 60 Hz.
#include <cstring>

#include "platform/win32/win32.h"

#include "platform/backend.h"
#include "platform/common/rgb565.h"

namespace {

// A display that refreshes within this range is fast enough and slow enough to pace the game
// through Flip alone.
constexpr DWORD PACING_HZ_LOW = 59, PACING_HZ_HIGH = 61;
// A flip that waits for a 60 Hz display cannot come back within 8 ms of the one before; half a
// second of such flips means it does not wait, and the limiter takes over for good.
constexpr double QUICK_FLIP_SECONDS = 0.008;
constexpr int QUICK_FLIPS_TO_LIMIT = 30;

template <typename T> void Release(T*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

// The primary surface with one back buffer attached: the complex flipping chain.
bool CreateFlipChain() {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    if (FAILED(win32.directDraw->CreateSurface(&desc, &win32.primarySurface, nullptr))) return false;
    DDSCAPS2 caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    return SUCCEEDED(win32.primarySurface->GetAttachedSurface(&caps, &win32.backBuffer));
}

// The game composes RGB565; the display mode may still be 555 on old cards, or the desktop's
// 32 bits when the 16-bit mode was refused.
SurfaceLayout ReadLayout(IDirectDrawSurface7* surface) {
    DDPIXELFORMAT format;
    std::memset(&format, 0, sizeof format);
    format.dwSize = sizeof format;
    if (FAILED(surface->GetPixelFormat(&format)) || !(format.dwFlags & DDPF_RGB)) return LAYOUT_NONE;
    if (format.dwRGBBitCount == 16) return format.dwGBitMask == 0x07E0 ? LAYOUT_RGB565 : LAYOUT_RGB555;
    if (format.dwRGBBitCount == 32) return LAYOUT_XRGB8888;
    return LAYOUT_NONE;
}

void StartPacer() {
    DWORD hz = 0;
    win32.directDraw->GetMonitorFrequency(&hz);
    win32.flipPaces = hz >= PACING_HZ_LOW && hz <= PACING_HZ_HIGH;
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    win32.counterHz = value.QuadPart;
}

LONGLONG Counter() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

void CopyRow(const uint16_t* from, uint8_t* to, int width, SurfaceLayout layout) {
    if (layout == LAYOUT_RGB565) {
        std::memcpy(to, from, size_t(width) * 2);
    } else if (layout == LAYOUT_RGB555) {
        uint16_t* out = reinterpret_cast<uint16_t*>(to);
        for (int x = 0; x < width; ++x) out[x] = uint16_t(((from[x] >> 1) & 0x7FE0) | (from[x] & 0x1F));
    } else {
        uint32_t* out = reinterpret_cast<uint32_t*>(to);
        for (int x = 0; x < width; ++x) {
            const Rgb888 c = ExpandRgb565(from[x]);
            out[x] = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
        }
    }
}

// Lock, copy the rows at the surface's own pitch, Unlock. A surface lost to another program
// (Alt+Tab away from full screen) is restored here and shown again from the next frame on.
void CopyToBackBuffer(const uint16_t* pixels) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    const HRESULT locked = win32.backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (locked == DDERR_SURFACELOST) win32.primarySurface->Restore();
    if (FAILED(locked)) return;
    const int width = desc.dwWidth < DWORD(SCREEN_WIDTH) ? int(desc.dwWidth) : SCREEN_WIDTH;
    const int height = desc.dwHeight < DWORD(SCREEN_HEIGHT) ? int(desc.dwHeight) : SCREEN_HEIGHT;
    uint8_t* row = static_cast<uint8_t*>(desc.lpSurface);
    for (int y = 0; y < height; ++y, row += desc.lPitch)
        CopyRow(pixels + y * SCREEN_WIDTH, row, width, win32.layout);
    win32.backBuffer->Unlock(nullptr);
}

// Where Flip does not wait for a 60 Hz display (another refresh rate, a driver or emulator
// that ignores DDFLIP_WAIT, a minimised game), sleep until the next sixtieth of a second.
void LimitFrameRate() {
    const LONGLONG now = Counter(), period = win32.counterHz / 60;
    const bool quick = now - win32.lastPresent < LONGLONG(win32.counterHz * QUICK_FLIP_SECONDS);
    win32.quickFlips = quick ? win32.quickFlips + 1 : 0;
    if (win32.quickFlips >= QUICK_FLIPS_TO_LIMIT) win32.flipPaces = false;
    if (win32.flipPaces) {
        win32.lastPresent = now;
        return;
    }
    // After a long stall (a menu key held down) the pace starts again from now.
    if (win32.nextFrame == 0 || now > win32.nextFrame + 4 * period) win32.nextFrame = now;
    win32.nextFrame += period;
    const LONGLONG millisecond = win32.counterHz / 1000;
    while (Counter() + millisecond < win32.nextFrame) Sleep(1);
    while (Counter() < win32.nextFrame) {}
    win32.lastPresent = Counter();
}

}  // namespace

// The display as the game has always opened it: the default driver, exclusive full screen for
// the main window, 800 x 600 in 16 bits at the default refresh rate, then the flipping chain.
bool OpenDirectDraw() {
    if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&win32.directDraw),
                                  IID_IDirectDraw7, nullptr)))
        return false;
    win32.directDraw->SetCooperativeLevel(win32.mainWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE);
    win32.directDraw->SetDisplayMode(SCREEN_WIDTH, SCREEN_HEIGHT, 16, 0, 0);
    if (!CreateFlipChain()) return false;
    win32.layout = ReadLayout(win32.backBuffer);
    StartPacer();
    return true;
}

// The display mode goes back to the desktop's when the DirectDraw object is released.
void CloseDirectDraw() {
    Release(win32.backBuffer);
    Release(win32.primarySurface);
    Release(win32.directDraw);
}

void BackendPresent(const uint16_t* pixels) {
    LatchNextFrame(win32.latches);
    if (pixels != nullptr && win32.backBuffer != nullptr && win32.layout != LAYOUT_NONE)
        CopyToBackBuffer(pixels);
    if (win32.primarySurface != nullptr &&
        win32.primarySurface->Flip(nullptr, DDFLIP_WAIT) == DDERR_SURFACELOST)
        win32.primarySurface->Restore();
    LimitFrameRate();
}
