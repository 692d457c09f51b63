// Writes 24-bit Windows bitmaps: BITMAPFILEHEADER, BITMAPINFOHEADER, then the rows.
#include "formats/bmp_writer.h"

#include <cstdio>

std::vector<uint8_t> EncodeBmp(int width, int height, const uint8_t* rgb, uint32_t pixelsPerMetre) {
    const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t dataSize = rowBytes * uint32_t(height);
    std::vector<uint8_t> out;
    out.reserve(54 + size_t(dataSize));
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + dataSize);
    Put32(out, 0);
    Put32(out, 54);  // the pixels follow the two headers
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));  // positive: bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, dataSize);
    Put32(out, pixelsPerMetre);
    Put32(out, pixelsPerMetre);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = rgb + size_t(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            out.push_back(row[x * 3 + 2]);
            out.push_back(row[x * 3 + 1]);
            out.push_back(row[x * 3]);
        }
        for (uint32_t pad = uint32_t(width) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

bool WriteBmp(const std::string& path, int width, int height, const uint8_t* rgb,
              uint32_t pixelsPerMetre) {
    const std::vector<uint8_t> bytes = EncodeBmp(width, height, rgb, pixelsPerMetre);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
