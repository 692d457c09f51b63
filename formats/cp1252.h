// Windows-1252, the single-byte character set of names and texts: its bytes and code points.
#pragma once

#include <cstdint>

// Unicode code points that Windows-1252 places at bytes 0x80..0x9F (0 where the byte has none);
// every other byte is its own code point.
inline constexpr uint16_t CP1252_HIGH[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// The code point of a byte, or 0 when the byte stands for no character.
inline uint32_t Cp1252CodePoint(int byte) {
    return byte >= 0x80 && byte < 0xA0 ? CP1252_HIGH[byte - 0x80] : uint32_t(byte);
}

// The byte of a code point, or -1 when Windows-1252 has none.
inline int Cp1252Byte(uint32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return int(codePoint);
    for (int i = 0; i < 32; ++i)
        if (CP1252_HIGH[i] != 0 && CP1252_HIGH[i] == codePoint) return 0x80 + i;
    return -1;
}
