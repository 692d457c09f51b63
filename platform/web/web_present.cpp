// The browser backend's frames: each RGB565 frame becomes RGBA for the page's canvas, which
// shows it on the display's next refresh at or after the frame's 60 Hz slot.
#include <emscripten.h>

#include "platform/backend.h"
#include "formats/rgb565.h"
#include "platform/platform.h"
#include "platform/web/web.h"

namespace {

uint32_t frameRgba[SCREEN_WIDTH * SCREEN_HEIGHT];
uint32_t rgbaOf565[65536];  // filled at the first frame

// Resolves once the frame is on the canvas. Returns 1 for a fast frame of the test hook, which
// is not waited for and moves the game's clock on by itself.
EM_ASYNC_JS(int, JsPresent, (const uint32_t* rgba, int bytes), {
    return await QF.present(HEAPU8.subarray(rgba, rgba + bytes));
});

// The headless runner's expansion of 5 and 6 bits to 8, so that a canvas and a runner's frame
// can be compared pixel for pixel.
void FillColourTable() {
    for (uint32_t p = 0; p < 65536; ++p) {
        const Rgb888 c = ExpandRgb565(uint16_t(p));
        rgbaOf565[p] = 0xFF000000u | uint32_t(c.b) << 16 | uint32_t(c.g) << 8 | c.r;  // R, G, B, A in memory
    }
}

void ToRgba(const uint16_t* pixels) {
    if (rgbaOf565[0] == 0) FillColourTable();
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
        frameRgba[i] = pixels != nullptr ? rgbaOf565[pixels[i]] : rgbaOf565[0];
}

}  // namespace

void BackendPresent(const uint16_t* pixels) {
    LatchNextFrame(web.latches);
    ToRgba(pixels);
    if (JsPresent(frameRgba, int(sizeof frameRgba)) == 1) web.clockSkew += FRAME_MS;
}
