// Writes 8-bit pictures as uncompressed 24-bit Windows bitmaps.
#include "bmp.h"

#include <cstdio>
#include <vector>

static void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

static void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPFILEHEADER (14 bytes) and BITMAPINFOHEADER (40 bytes).
static void PutHeaders(std::vector<uint8_t>& out, const Image& image, uint32_t rowBytes) {
    uint32_t dataSize = rowBytes * uint32_t(image.height);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + dataSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, uint32_t(image.width));
    Put32(out, uint32_t(image.height));  // positive: bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, dataSize);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
}

bool WriteBmp(const Image& image, const std::string& path) {
    uint32_t rowBytes = (uint32_t(image.width) * 3 + 3) & ~3u;
    std::vector<uint8_t> out;
    out.reserve(54 + size_t(rowBytes) * image.height);
    PutHeaders(out, image, rowBytes);
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = &image.rgb[size_t(y) * image.width * 3];
        for (int x = 0; x < image.width; ++x) {
            out.push_back(row[x * 3 + 2]);
            out.push_back(row[x * 3 + 1]);
            out.push_back(row[x * 3 + 0]);
        }
        for (uint32_t pad = uint32_t(image.width) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}
