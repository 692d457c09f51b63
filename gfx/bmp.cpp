// A small bitmap decoder that trusts nothing in the file: every size is checked against the
// bytes actually present before it is used.
#include "gfx/bmp.h"

#include "core/bytes.h"

namespace {

constexpr int64_t MAX_PIXELS = 16 * 1024 * 1024;

// Callers have checked that the bytes are there.
uint32_t Read32(const std::vector<uint8_t>& f, size_t at) { return ReadLe32(f.data() + at); }
uint16_t Read16(const std::vector<uint8_t>& f, size_t at) { return ReadLe16(f.data() + at); }

// The value of one channel under a bit mask, scaled to 0..255.
uint8_t MaskedChannel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const uint32_t max = mask >> shift;
    return uint8_t(((value & mask) >> shift) * 255 / max);
}

struct Header {
    int width, height, bits;
    bool topDown;
    uint32_t compression, dataOffset, infoSize, paletteColours;
    uint32_t masks[3];
};

bool ReadHeader(const std::vector<uint8_t>& f, Header& h, std::string& error) {
    if (f.size() < 26 || f[0] != 'B' || f[1] != 'M') return error = "not a bitmap file", false;
    h.dataOffset = Read32(f, 10);
    h.infoSize = Read32(f, 14);
    if (h.infoSize < 40 || 14 + uint64_t(h.infoSize) > f.size())
        return error = "unsupported or truncated header", false;
    const int32_t w = int32_t(Read32(f, 18)), hh = int32_t(Read32(f, 22));
    h.bits = Read16(f, 28);
    h.compression = Read32(f, 30);
    h.paletteColours = Read32(f, 46);
    if (w <= 0 || hh == 0 || hh == INT32_MIN) return error = "bad picture size", false;
    h.width = w;
    h.topDown = hh < 0;
    h.height = hh < 0 ? -hh : hh;
    if (int64_t(h.width) * h.height > MAX_PIXELS) return error = "picture too large", false;
    h.masks[0] = h.bits == 16 ? 0x7C00 : 0xFF0000;
    h.masks[1] = h.bits == 16 ? 0x03E0 : 0x00FF00;
    h.masks[2] = h.bits == 16 ? 0x001F : 0x0000FF;
    if (h.compression == 3 && (h.bits == 16 || h.bits == 32)) {
        // The three masks sit at bytes 54..65 whatever the header's size says.
        if (f.size() < 66) return error = "truncated colour masks", false;
        for (int i = 0; i < 3; ++i) h.masks[i] = Read32(f, 54 + 4 * i);
    } else if (h.compression != 0) {
        return error = "compressed bitmaps are not supported", false;
    }
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        return error = "unsupported bits per pixel", false;
    return true;
}

}  // namespace

bool DecodeBmp(const std::vector<uint8_t>& f, BmpPicture& picture, std::string& error) {
    Header h;
    if (!ReadHeader(f, h, error)) return false;
    const uint64_t stride = (uint64_t(h.width) * h.bits + 31) / 32 * 4;
    if (h.dataOffset > f.size() || stride * h.height > f.size() - h.dataOffset)
        return error = "truncated pixel data", false;
    std::vector<uint8_t> palette;  // BGRX entries
    if (h.bits <= 8) {
        uint64_t count = h.paletteColours != 0 ? h.paletteColours : (1u << h.bits);
        const uint64_t at = 14 + uint64_t(h.infoSize);
        if (count > 256 || at + count * 4 > f.size()) return error = "bad palette", false;
        palette.assign(f.begin() + at, f.begin() + at + count * 4);
    }
    picture.width = h.width;
    picture.height = h.height;
    picture.rgb.assign(size_t(h.width) * h.height * 3, 0);
    for (int y = 0; y < h.height; ++y) {
        const uint8_t* row = f.data() + h.dataOffset + stride * (h.topDown ? y : h.height - 1 - y);
        uint8_t* out = picture.rgb.data() + size_t(y) * h.width * 3;
        for (int x = 0; x < h.width; ++x, out += 3) {
            if (h.bits == 24) {
                out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
            } else if (h.bits == 16 || h.bits == 32) {
                const uint32_t v = h.bits == 16 ? uint32_t(row[x * 2] | row[x * 2 + 1] << 8)
                                                : uint32_t(row[x * 4] | row[x * 4 + 1] << 8 |
                                                           row[x * 4 + 2] << 16 | row[x * 4 + 3] << 24);
                for (int c = 0; c < 3; ++c) out[c] = MaskedChannel(v, h.masks[c]);
            } else {
                const int perByte = 8 / h.bits;
                const int shift = 8 - h.bits * (x % perByte + 1);
                const size_t index = (row[x / perByte] >> shift) & ((1 << h.bits) - 1);
                if (index * 4 + 2 < palette.size())
                    out[0] = palette[index * 4 + 2], out[1] = palette[index * 4 + 1],
                    out[2] = palette[index * 4];
            }
        }
    }
    return true;
}
