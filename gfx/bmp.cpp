// A small bitmap decoder that trusts nothing in the file: every size is checked against the
// bytes actually present before it is used. It reads what painting programs save: the usual
// 40-byte header (and its longer successors), the old 12-byte header of Windows 2 and OS/2,
// uncompressed pixels and 4- and 8-bit run-length compression.
#include "gfx/bmp.h"

#include <algorithm>

#include "core/bytes.h"

namespace {

constexpr int64_t MAX_PIXELS = 16 * 1024 * 1024;
constexpr uint64_t MAX_PIXELS_PER_BYTE = 255;  // run-length data, with room to spare
constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
constexpr uint32_t CORE_HEADER_SIZE = 12;

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
    uint32_t compression, dataOffset;
    uint64_t paletteAt;       // where the colour table starts
    uint64_t paletteColours;  // entries in it
    int paletteEntryBytes;    // 4 (blue, green, red, unused), or 3 after the 12-byte header
    uint32_t masks[3];
};

// The 12-byte header: 16-bit sizes, rows always bottom-up, never compressed, and a colour
// table of three-byte entries that fills the room before the pixels, up to 2^bits entries.
bool ReadCoreHeader(const std::vector<uint8_t>& f, Header& h, std::string& error) {
    h.width = Read16(f, 18);
    h.height = Read16(f, 20);
    h.bits = Read16(f, 24);
    h.topDown = false;
    h.compression = BI_RGB;
    h.paletteAt = 14 + CORE_HEADER_SIZE;
    h.paletteEntryBytes = 3;
    h.paletteColours = h.bits <= 8 ? 1u << h.bits : 0;
    if (h.dataOffset >= h.paletteAt)
        h.paletteColours = std::min<uint64_t>(h.paletteColours, (h.dataOffset - h.paletteAt) / 3);
    if (h.width == 0 || h.height == 0) return error = "bad picture size", false;
    return true;
}

// The 40-byte header and the longer ones that begin like it.
bool ReadInfoHeader(const std::vector<uint8_t>& f, uint32_t infoSize, Header& h, std::string& error) {
    const int32_t w = int32_t(Read32(f, 18)), hh = int32_t(Read32(f, 22));
    h.bits = Read16(f, 28);
    h.compression = Read32(f, 30);
    h.paletteAt = 14 + uint64_t(infoSize);
    h.paletteEntryBytes = 4;
    h.paletteColours = Read32(f, 46);
    if (h.paletteColours == 0 && h.bits <= 8) h.paletteColours = 1u << h.bits;
    if (w <= 0 || hh == 0 || hh == INT32_MIN) return error = "bad picture size", false;
    h.width = w;
    h.topDown = hh < 0;
    h.height = hh < 0 ? -hh : hh;
    return true;
}

bool ReadHeader(const std::vector<uint8_t>& f, Header& h, std::string& error) {
    if (f.size() < 26 || f[0] != 'B' || f[1] != 'M') return error = "not a bitmap file", false;
    h.dataOffset = Read32(f, 10);
    const uint32_t infoSize = Read32(f, 14);
    if ((infoSize != CORE_HEADER_SIZE && infoSize < 40) || 14 + uint64_t(infoSize) > f.size())
        return error = "unsupported or truncated header", false;
    const bool sized = infoSize == CORE_HEADER_SIZE ? ReadCoreHeader(f, h, error)
                                                    : ReadInfoHeader(f, infoSize, h, error);
    if (!sized) return false;
    if (int64_t(h.width) * h.height > MAX_PIXELS) return error = "picture too large", false;
    h.masks[0] = h.bits == 16 ? 0x7C00 : 0xFF0000;
    h.masks[1] = h.bits == 16 ? 0x03E0 : 0x00FF00;
    h.masks[2] = h.bits == 16 ? 0x001F : 0x0000FF;
    if (h.compression == BI_BITFIELDS && (h.bits == 16 || h.bits == 32)) {
        // The three masks sit at bytes 54..65 whatever the header's size says.
        if (f.size() < 66) return error = "truncated colour masks", false;
        for (int i = 0; i < 3; ++i) h.masks[i] = Read32(f, 54 + 4 * i);
    } else if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        if (h.bits != (h.compression == BI_RLE8 ? 8 : 4))
            return error = "run-length compression of another depth", false;
        if (h.topDown) return error = "run-length compressed rows must be bottom-up", false;
    } else if (h.compression != BI_RGB) {
        return error = "unsupported compression", false;
    }
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        return error = "unsupported bits per pixel", false;
    return true;
}

// The colour table as blue, green, red, unused entries, whatever the file's entry size.
bool ReadPalette(const std::vector<uint8_t>& f, const Header& h, std::vector<uint8_t>& palette,
                 std::string& error) {
    if (h.bits > 8) return true;
    const uint64_t bytes = h.paletteColours * h.paletteEntryBytes;
    if (h.paletteColours > 256 || h.paletteAt + bytes > f.size()) return error = "bad palette", false;
    for (uint64_t i = 0; i < h.paletteColours; ++i) {
        const uint8_t* entry = f.data() + h.paletteAt + i * h.paletteEntryBytes;
        palette.insert(palette.end(), {entry[0], entry[1], entry[2], 0});
    }
    return true;
}

// An index past the end of the colour table is black.
void PutIndexed(uint8_t* out, const std::vector<uint8_t>& palette, size_t index) {
    const bool known = index * 4 + 2 < palette.size();
    out[0] = known ? palette[index * 4 + 2] : 0;
    out[1] = known ? palette[index * 4 + 1] : 0;
    out[2] = known ? palette[index * 4] : 0;
}

uint64_t Stride(const Header& h) { return (uint64_t(h.width) * h.bits + 31) / 32 * 4; }

void DecodeUncompressed(const std::vector<uint8_t>& f, const Header& h,
                        const std::vector<uint8_t>& palette, BmpPicture& picture) {
    const uint64_t stride = Stride(h);
    for (int y = 0; y < h.height; ++y) {
        const uint8_t* row = f.data() + h.dataOffset + stride * (h.topDown ? y : h.height - 1 - y);
        uint8_t* out = picture.rgb.data() + size_t(y) * h.width * 3;
        for (int x = 0; x < h.width; ++x, out += 3) {
            if (h.bits == 24) {
                out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
            } else if (h.bits == 16 || h.bits == 32) {
                const uint32_t v = h.bits == 16 ? ReadLe16(row + x * 2) : ReadLe32(row + x * 4);
                for (int c = 0; c < 3; ++c) out[c] = MaskedChannel(v, h.masks[c]);
            } else {
                const int perByte = 8 / h.bits;
                const int shift = 8 - h.bits * (x % perByte + 1);
                PutIndexed(out, palette, (row[x / perByte] >> shift) & ((1 << h.bits) - 1));
            }
        }
    }
}

// Run-length pixels, bottom row first: pairs of a count and a colour index (two alternating
// indices in 4-bit pictures), or after a count of 0 an escape: 0 ends the row, 1 the picture,
// 2 moves right and up by the next two bytes, 3..255 that many indices stored as they are,
// padded to an even number of bytes. Pixels the file skips show colour 0; runs that reach past
// the end of a row are cut there.
bool DecodeRunLength(const std::vector<uint8_t>& f, const Header& h,
                     const std::vector<uint8_t>& palette, BmpPicture& picture, std::string& error) {
    const bool fourBits = h.compression == BI_RLE4;
    uint8_t skipped[3];
    PutIndexed(skipped, palette, 0);
    if (skipped[0] != 0 || skipped[1] != 0 || skipped[2] != 0)  // every pixel starts as colour 0
        for (size_t i = 0; i < picture.rgb.size(); i += 3)
            std::copy(skipped, skipped + 3, picture.rgb.data() + i);
    int x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](uint8_t index) {
        if (x >= h.width) return;
        PutIndexed(picture.rgb.data() + (size_t(h.height - 1 - y) * h.width + x++) * 3, palette, index);
    };
    size_t at = h.dataOffset;
    while (y < h.height) {
        if (f.size() - at < 2) return error = "truncated pixel data", false;
        const int count = f[at], value = f[at + 1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < h.width; ++i)
                put(fourBits ? uint8_t(i % 2 == 0 ? value >> 4 : value & 15) : uint8_t(value));
        } else if (value == 0) {
            x = 0, ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (f.size() - at < 2) return error = "truncated pixel data", false;
            x = std::min(x + f[at], h.width), y += f[at + 1];
            at += 2;
        } else {
            const size_t bytes = fourBits ? (size_t(value) + 1) / 2 : size_t(value);
            const size_t padded = bytes + (bytes & 1);
            if (f.size() - at < padded) return error = "truncated pixel data", false;
            for (int i = 0; i < value && x < h.width; ++i)
                put(fourBits ? uint8_t(i % 2 == 0 ? f[at + i / 2] >> 4 : f[at + i / 2] & 15)
                             : f[at + i]);
            at += padded;
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const std::vector<uint8_t>& f, BmpPicture& picture, std::string& error) {
    Header h;
    std::vector<uint8_t> palette;
    if (!ReadHeader(f, h, error) || !ReadPalette(f, h, palette, error)) return false;
    const bool runLength = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    if (h.dataOffset > f.size() || (!runLength && Stride(h) * h.height > f.size() - h.dataOffset))
        return error = "truncated pixel data", false;
    // Painting programs write every row of a run-length picture, in runs of at most 255 pixels
    // to two bytes; a picture much larger than its data is damaged, and a few bytes must not
    // ask for megabytes.
    if (runLength && uint64_t(h.width) * h.height > (f.size() - h.dataOffset) * MAX_PIXELS_PER_BYTE)
        return error = "picture too large for its data", false;
    picture.width = h.width;
    picture.height = h.height;
    picture.rgb.assign(size_t(h.width) * h.height * 3, 0);
    if (!runLength) {
        DecodeUncompressed(f, h, palette, picture);
    } else if (!DecodeRunLength(f, h, palette, picture, error)) {
        picture = BmpPicture{};
        return false;
    }
    return true;
}
