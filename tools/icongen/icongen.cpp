// Build-time tool: draws the program icon (a ship firing at a virus) and writes it as a Windows
// .ico with 16, 32 and 48 pixel images, or as one PNG of any size for the desktop's icon theme.
// Usage: icongen OUTPUT.ico | icongen --png SIZE OUTPUT.png
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/bmp_writer.h"

namespace {

struct Colour {
    double r, g, b;
};

struct Sample {
    Colour colour;
    bool inside;
};

bool InCircle(double u, double v, double cu, double cv, double radius) {
    return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= radius * radius;
}

// The ship: a triangle whose apex points up at the virus.
bool InShip(double u, double v) {
    if (v < 0.66 || v > 0.94) return false;
    return std::fabs(u - 0.5) <= v - 0.66;  // as wide at the base as it is tall
}

// The picture in the unit square, y downwards; outside every shape is transparent.
Sample Paint(double u, double v) {
    const Colour virus = {80, 220, 90}, eye = {20, 40, 20}, shot = {255, 230, 60},
                 ship = {120, 190, 255};
    if (InCircle(u, v, 0.43, 0.28, 0.035) || InCircle(u, v, 0.57, 0.28, 0.035)) return {eye, true};
    if (InCircle(u, v, 0.5, 0.3, 0.19)) return {virus, true};
    for (int i = 0; i < 8; ++i) {
        const double angle = i * 3.14159265358979 / 4;
        if (InCircle(u, v, 0.5 + 0.25 * std::cos(angle), 0.3 + 0.25 * std::sin(angle), 0.05))
            return {virus, true};
    }
    if (u >= 0.47 && u <= 0.53 && v >= 0.52 && v <= 0.62) return {shot, true};
    if (InShip(u, v)) return {ship, true};
    return {{0, 0, 0}, false};
}

struct Pixel {
    uint8_t r, g, b, a;
};

// The icon at `size` pixels square, top row first, 4 x 4 samples per pixel for smooth edges.
std::vector<Pixel> DrawIcon(int size) {
    std::vector<Pixel> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, covered = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const Sample s = Paint((x + (sx + 0.5) / 4) / size, (y + (sy + 0.5) / 4) / size);
                    if (!s.inside) continue;
                    r += s.colour.r, g += s.colour.g, b += s.colour.b, covered += 1;
                }
            const double n = covered > 0 ? covered : 1;
            pixels.push_back({uint8_t(r / n), uint8_t(g / n), uint8_t(b / n), uint8_t(covered * 255 / 16)});
        }
    return pixels;
}

// One icon image: a 32-bit BGRA bitmap, bottom row first, followed by the all-clear AND mask
// that 32-bit icons still carry.
std::vector<uint8_t> IconImage(int size) {
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, uint32_t(size));
    Put32(out, uint32_t(size * 2));  // colour bitmap and mask stacked
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    const std::vector<Pixel> pixels = DrawIcon(size);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            const Pixel& p = pixels[size_t(y) * size + x];
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    const int maskRowBytes = (size + 31) / 32 * 4;
    out.insert(out.end(), size_t(maskRowBytes * size), 0);
    return out;
}

std::vector<uint8_t> IcoFile() {
    const int sizes[] = {16, 32, 48};
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) images.push_back(IconImage(size));
    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, 1);  // an icon, not a cursor
    Put16(file, uint16_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.push_back(uint8_t(sizes[i]));
        file.push_back(uint8_t(sizes[i]));
        file.push_back(0);  // no palette
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, uint32_t(images[i].size()));
        Put32(file, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::vector<uint8_t>& image : images) file.insert(file.end(), image.begin(), image.end());
    return file;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void PutChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBig32(png, uint32_t(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBig32(png, Crc32(png.data() + start, png.size() - start));
}

// A zlib stream of stored blocks: no compression, so no library is needed; icons are small.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
    size_t done = 0;
    do {
        const size_t length = std::min<size_t>(65535, raw.size() - done);
        out.push_back(done + length == raw.size() ? 1 : 0);
        Put16(out, uint32_t(length));
        Put16(out, uint32_t(~length & 0xFFFF));
        out.insert(out.end(), raw.begin() + long(done), raw.begin() + long(done + length));
        done += length;
    } while (done < raw.size());
    PutBig32(out, (b << 16) | a);
    return out;
}

// An 8-bit RGBA PNG, every row with filter 0.
std::vector<uint8_t> PngFile(int size) {
    const std::vector<Pixel> pixels = DrawIcon(size);
    std::vector<uint8_t> raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);
        for (int x = 0; x < size; ++x) {
            const Pixel& p = pixels[size_t(y) * size + x];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, uint32_t(size));
    PutBig32(header, uint32_t(size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    const bool png = argc == 4 && std::strcmp(argv[1], "--png") == 0;
    const int size = png ? std::atoi(argv[2]) : 0;
    if (!(argc == 2 || (png && size >= 1 && size <= 1024))) {
        std::fprintf(stderr, "usage: icongen OUTPUT.ico | icongen --png SIZE OUTPUT.png\n");
        return 2;
    }
    const std::vector<uint8_t> file = png ? PngFile(size) : IcoFile();
    const char* name = argv[argc - 1];
    std::FILE* out = std::fopen(name, "wb");
    if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
        std::fclose(out) != 0) {
        std::perror(name);
        return 1;
    }
    return 0;
}
