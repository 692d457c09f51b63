// The browser backend's game controllers: the Gamepad API's standard layout read once a frame,
// its buttons and stick given meaning by the desktop game's own mapping (platform/common/pad).
// Browsers show a pad to a page only once one of its buttons has been pressed there.
#include <emscripten.h>

#include "platform/web/web.h"

namespace {

constexpr int MAX_PADS = 4;
constexpr int FIELDS_PER_PAD = 4;  // buttons pressed (by standard index), stick x, stick y, right trigger

// Fills `state` for up to `maxPads` connected pads, axes scaled to -32767..32767; returns how many.
EM_JS(int, JsReadPads, (int* state, int maxPads), {
    const pads = Pads.read().slice(0, maxPads);
    pads.forEach((pad, i) => HEAP32.set(pad, (state >> 2) + i * 4));
    return pads.length;
});
// Pads unplugged since the last look.
EM_JS(int, JsPadsUnplugged, (), { return Pads.takeUnplugged(); });

// The standard layout's button numbers.
uint32_t ButtonBits(uint32_t pressed) {
    constexpr struct { int index; uint32_t bit; } BUTTONS[] = {
        {0, PAD_A},     {1, PAD_B},     {5, PAD_FIRE},  {8, PAD_BACK},  {9, PAD_START},
        {12, PAD_UP},   {13, PAD_DOWN}, {14, PAD_LEFT}, {15, PAD_RIGHT},
    };
    uint32_t bits = 0;
    for (const auto& b : BUTTONS)
        if (pressed & (1u << b.index)) bits |= b.bit;
    return bits;
}

}  // namespace

void ReadWebPads(uint32_t now) {
    int state[MAX_PADS * FIELDS_PER_PAD];
    const int count = JsReadPads(state, MAX_PADS);
    uint32_t all = 0;
    for (int i = 0; i < count; ++i) {
        const int* p = state + i * FIELDS_PER_PAD;
        all |= ButtonBits(uint32_t(p[0])) | PadStickButtons(p[1], p[2]) | (p[3] > PAD_DEAD_ZONE ? uint32_t(PAD_FIRE) : 0u);
    }
    if (all != web.pad.buttons) PadSetButtons(web.pad, web.latches, all, now);
    if (JsPadsUnplugged() > 0) PadUnplugged(web.pad, web.latches);
    PadTakeMessages(web.pad, web.queue);
}
