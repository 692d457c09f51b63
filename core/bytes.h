// Little-endian numbers in byte images: the WAVE and bitmap formats store theirs this way.
#pragma once

#include <cstdint>

// The caller has checked that the two or four bytes lie inside the image.
inline uint16_t ReadLe16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

inline uint32_t ReadLe32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}
