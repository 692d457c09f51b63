// Finding the format and the samples in a RIFF WAVE image.
#include <algorithm>
#include <cstring>

#include "core/bytes.h"
#include "sound/sound.h"

static bool IsTag(const uint8_t* bytes, const char* tag) { return std::memcmp(bytes, tag, 4) == 0; }

// The walk ends where the RIFF header says the file ends, but never beyond the bytes we really
// have: a damaged or hostile size must not make us read past the image. A chunk whose contents
// run past the image keeps only the bytes that are there.
bool ParseWave(const uint8_t* image, size_t size, WaveImage* wave) {
    *wave = WaveImage{};
    if (image == nullptr || size < 12 || !IsTag(image, "RIFF") || !IsTag(image + 8, "WAVE"))
        return false;
    const uint64_t riffEnd = 8 + uint64_t(ReadLe32(image + 4));
    WaveImage found;
    uint64_t position = 12;
    while (position < riffEnd && position + 8 <= size) {
        const uint8_t* header = image + position;
        const uint32_t chunkSize = ReadLe32(header + 4);
        const uint32_t available = uint32_t(std::min<uint64_t>(chunkSize, size - (position + 8)));
        if (IsTag(header, "fmt ") && found.format == nullptr) {
            if (chunkSize < 14 || available < 14) return false;
            found.format = header + 8;
            found.formatSize = available;
        } else if (IsTag(header, "data") && found.data == nullptr) {
            found.data = header + 8;
            found.dataSize = available;
        }
        if (found.format != nullptr && found.data != nullptr) {
            *wave = found;
            return true;
        }
        position += 8 + uint64_t(chunkSize) + (chunkSize & 1);  // chunks start on even bytes
    }
    return false;
}
