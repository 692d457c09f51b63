// The browser backend's frames: each RGB565 frame becomes RGBA for the page's canvas, which
// shows it on the display's next refresh at or after the frame's 60 Hz slot.
#include <emscripten.h>

#include "platform/platform.h"
#include "platform/web/web.h"

namespace {

uint32_t frameRgba[SCREEN_WIDTH * SCREEN_HEIGHT];

// Resolves once the frame is on the canvas. Returns 1 for a fast frame of the test hook, which
// is not waited for and moves the game's clock on by itself.
EM_ASYNC_JS(int, JsPresent, (const uint32_t* rgba, int bytes), {
    return await QF.present(HEAPU8.subarray(rgba, rgba + bytes));
});

// The same expansion of 5 and 6 bits to 8 as the headless runner's pictures, so that a canvas
// and a runner's frame can be compared pixel for pixel.
void ToRgba(const uint16_t* pixels) {
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) {
        const uint32_t p = pixels != nullptr ? pixels[i] : 0;
        const uint32_t r = ((p >> 11) & 31) * 255 / 31, g = ((p >> 5) & 63) * 255 / 63,
                       b = (p & 31) * 255 / 31;
        frameRgba[i] = 0xFF000000u | b << 16 | g << 8 | r;  // bytes R, G, B, A in memory
    }
}

}  // namespace

void PlatformPresent(const uint16_t* pixels) {
    ToRgba(pixels);
    if (JsPresent(frameRgba, int(sizeof frameRgba)) == 1) web.clockSkew += FRAME_MS;
}
