// libFuzzer target: DecodeBmp on any bytes must refuse them or return a whole, bounded picture.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::vector<uint8_t> file(bytes, bytes + size);
    BmpPicture picture;
    std::string error;
    if (!DecodeBmp(file, picture, error)) {
        if (error.empty()) std::abort();  // every refusal says why
        return 0;
    }
    if (picture.width <= 0 || picture.height <= 0) std::abort();
    // The decoder's own limit on a picture's size, which keeps a hostile header from asking
    // for gigabytes.
    if (int64_t(picture.width) * picture.height > 16 * 1024 * 1024) std::abort();
    if (picture.rgb.size() != size_t(picture.width) * size_t(picture.height) * 3) std::abort();
    return 0;
}
