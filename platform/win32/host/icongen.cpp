// Build-time tool of the Windows build: draws the program icon (a ship firing at a virus) and
// writes it as a .ico with 16, 32 and 48 pixel images. Usage: icongen OUTPUT.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

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

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One icon image: a 32-bit BGRA bitmap, bottom row first, 4 x 4 samples per pixel for smooth
// edges, followed by the all-clear AND mask that 32-bit icons still carry.
std::vector<uint8_t> IconImage(int size) {
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, uint32_t(size));
    Put32(out, uint32_t(size * 2));  // colour bitmap and mask stacked
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, covered = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const Sample s = Paint((x + (sx + 0.5) / 4) / size, (y + (sy + 0.5) / 4) / size);
                    if (!s.inside) continue;
                    r += s.colour.r, g += s.colour.g, b += s.colour.b, covered += 1;
                }
            const double n = covered > 0 ? covered : 1;
            out.push_back(uint8_t(b / n));
            out.push_back(uint8_t(g / n));
            out.push_back(uint8_t(r / n));
            out.push_back(uint8_t(covered * 255 / 16));
        }
    const int maskRowBytes = (size + 31) / 32 * 4;
    out.insert(out.end(), size_t(maskRowBytes * size), 0);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT.ico\n");
        return 2;
    }
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
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
        std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
