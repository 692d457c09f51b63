// libFuzzer target: ParseWave on any bytes must stay inside them and report a sound layout.
#include <cstdint>
#include <cstdlib>

#include "sound/sound.h"

namespace {

// A found chunk must lie wholly inside the image it came from.
bool Inside(const uint8_t* image, size_t size, const uint8_t* part, uint32_t partSize) {
    return part >= image && part <= image + size && partSize <= size_t(image + size - part);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* image, size_t size) {
    WaveImage wave;
    if (!ParseWave(image, size, &wave)) {
        if (wave.format != nullptr || wave.data != nullptr) std::abort();  // a failure finds nothing
        return 0;
    }
    if (wave.format == nullptr || wave.data == nullptr || wave.formatSize < 14) std::abort();
    if (!Inside(image, size, wave.format, wave.formatSize)) std::abort();
    if (!Inside(image, size, wave.data, wave.dataSize)) std::abort();
    // Touch every byte handed out, so that the address checker sees any slip past the end.
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < wave.formatSize; ++i) sum = sum + wave.format[i];
    for (uint32_t i = 0; i < wave.dataSize; ++i) sum = sum + wave.data[i];
    return 0;
}
