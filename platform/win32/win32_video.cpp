// The native Windows backend's display: DirectDraw 7 on the desktop (no mode switch), the
// 800 x 600 picture scaled sharp into a surface of its size on the screen, and copied into its
// place in the window through a clipper that keeps it inside the window. The window's own black
// background is the border around it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/win32.h"

#include "platform/backend.h"
#include "formats/rgb565.h"

namespace {

template <typename T> void Release(T*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

// The game composes RGB565; the desktop is 32 bits nowadays, 16 (565 or 555) on old machines.
SurfaceLayout ReadLayout(IDirectDrawSurface7* surface) {
    DDPIXELFORMAT format;
    std::memset(&format, 0, sizeof format);
    format.dwSize = sizeof format;
    if (FAILED(surface->GetPixelFormat(&format)) || !(format.dwFlags & DDPF_RGB)) return LAYOUT_NONE;
    if (format.dwRGBBitCount == 16) return format.dwGBitMask == 0x07E0 ? LAYOUT_RGB565 : LAYOUT_RGB555;
    if (format.dwRGBBitCount == 32) return LAYOUT_XRGB8888;
    return LAYOUT_NONE;
}

// The frame surface in system memory, where the processor writes fastest, in the desktop's
// pixel format, so that the copy to the screen converts nothing.
bool CreateFrameSurface(int width, int height) {
    Release(win32.frameSurface);
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    if (FAILED(win32.directDraw->CreateSurface(&desc, &win32.frameSurface, nullptr))) {
        win32.frameSurface = nullptr;
        return false;
    }
    win32.layout = ReadLayout(win32.frameSurface);
    win32.frameWidth = width;
    win32.frameHeight = height;
    return true;
}

// One row of the picture in the surface's format, 32 bits a pixel whatever the surface holds.
void ConvertRow(const uint16_t* from, uint32_t* to, SurfaceLayout layout) {
    for (int x = 0; x < SCREEN_WIDTH; ++x) {
        const uint16_t p = from[x];
        if (layout == LAYOUT_RGB565) {
            to[x] = p;
        } else if (layout == LAYOUT_RGB555) {
            to[x] = uint32_t(((p >> 1) & 0x7FE0) | (p & 0x1F));
        } else {
            const Rgb888 c = ExpandRgb565(p);
            to[x] = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
        }
    }
}

// Each screen pixel takes the nearest picture pixel: sharp at any scale, and at a whole factor
// every picture pixel a square.
void ScaleRow(const uint32_t* row, const std::vector<int>& columns, uint8_t* to, bool wide) {
    const size_t width = columns.size();
    if (wide) {
        uint32_t* out = reinterpret_cast<uint32_t*>(to);
        for (size_t x = 0; x < width; ++x) out[x] = row[columns[x]];
    } else {
        uint16_t* out = reinterpret_cast<uint16_t*>(to);
        for (size_t x = 0; x < width; ++x) out[x] = uint16_t(row[columns[x]]);
    }
}

// Writes the picture into the frame surface; a row of the screen that shows the same picture
// row as the one above is copied.
void DrawFrame(const uint16_t* pixels) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    if (FAILED(win32.frameSurface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return;
    const int width = win32.frameWidth, height = win32.frameHeight;
    const bool wide = win32.layout == LAYOUT_XRGB8888;
    const size_t rowBytes = size_t(width) * (wide ? 4 : 2);
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) columns[size_t(x)] = x * SCREEN_WIDTH / width;
    uint32_t converted[SCREEN_WIDTH];
    int lastSource = -1;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch;
        const int source = y * SCREEN_HEIGHT / height;
        if (source == lastSource) {
            std::memcpy(row, row - desc.lPitch, rowBytes);
        } else {
            ConvertRow(pixels + source * SCREEN_WIDTH, converted, win32.layout);
            ScaleRow(converted, columns, row, wide);
        }
        lastSource = source;
    }
    win32.frameSurface->Unlock(nullptr);
}

// The window's client area on the screen; empty while it is minimised.
RECT ClientOnScreen() {
    RECT client = {};
    GetClientRect(win32.mainWindow, &client);
    POINT topLeft = {0, 0};
    ClientToScreen(win32.mainWindow, &topLeft);
    OffsetRect(&client, topLeft.x, topLeft.y);
    return client;
}

// Draws the frame and copies it into its place on the screen; false when nothing was shown. A
// surface lost to another program (a full-screen game, a locked session) is restored and shown
// again from the next frame on.
bool ShowFrame(const uint16_t* pixels) {
    const RECT client = ClientOnScreen();
    const PictureRect place = PlacePicture(client.right - client.left, client.bottom - client.top);
    if (IsIconic(win32.mainWindow) || place.width <= 0 || place.height <= 0 || win32.primarySurface == nullptr)
        return false;
    if ((place.width != win32.frameWidth || place.height != win32.frameHeight || win32.frameSurface == nullptr) &&
        !CreateFrameSurface(place.width, place.height))
        return false;
    if (win32.layout == LAYOUT_NONE) return false;
    if (pixels != nullptr) DrawFrame(pixels);
    WaitForDisplay();
    RECT target = {client.left + place.x, client.top + place.y, 0, 0};
    target.right = target.left + place.width;
    target.bottom = target.top + place.height;
    if (win32.primarySurface->Blt(&target, win32.frameSurface, nullptr, DDBLT_WAIT, nullptr) == DDERR_SURFACELOST) {
        win32.primarySurface->Restore();
        win32.frameSurface->Restore();
    }
    return true;
}

}  // namespace

PictureRect PlacePicture(int areaWidth, int areaHeight) {
    int width = 0, height = 0;
    const int factor = std::min(areaWidth / SCREEN_WIDTH, areaHeight / SCREEN_HEIGHT);
    if (factor >= 1) {
        width = SCREEN_WIDTH * factor;
        height = SCREEN_HEIGHT * factor;
    } else if (areaWidth * SCREEN_HEIGHT <= areaHeight * SCREEN_WIDTH) {
        width = areaWidth;
        height = areaWidth * SCREEN_HEIGHT / SCREEN_WIDTH;
    } else {
        width = areaHeight * SCREEN_WIDTH / SCREEN_HEIGHT;
        height = areaHeight;
    }
    return {(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
}

// The desktop as it is, shared with other programs: DirectDraw's normal cooperative level, the
// primary surface clipped to the game window.
bool OpenDirectDraw() {
    if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&win32.directDraw), IID_IDirectDraw7, nullptr)))
        return false;
    if (FAILED(win32.directDraw->SetCooperativeLevel(win32.mainWindow, DDSCL_NORMAL))) return false;
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(win32.directDraw->CreateSurface(&desc, &win32.primarySurface, nullptr))) return false;
    if (FAILED(win32.directDraw->CreateClipper(0, &win32.clipper, nullptr)) ||
        FAILED(win32.clipper->SetHWnd(0, win32.mainWindow)) || FAILED(win32.primarySurface->SetClipper(win32.clipper)))
        return false;
    StartPacer();
    return true;
}

void CloseDirectDraw() {
    Release(win32.frameSurface);
    Release(win32.clipper);
    Release(win32.primarySurface);
    Release(win32.directDraw);
    win32.frameWidth = win32.frameHeight = 0;
}

void BackendPresent(const uint16_t* pixels) {
    LatchNextFrame(win32.latches);
    PaceFrame(ShowFrame(pixels));
}
