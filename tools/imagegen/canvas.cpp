// Raster helpers of the picture generator: filling shapes, glow, masks, paints, flattening.
#include "canvas.h"

#include <algorithm>
#include <cmath>

float Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
float Length(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }
Vec2 Rotated(Vec2 a, float t) {
    float c = std::cos(t), s = std::sin(t);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}

Colour Rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }
Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour Scaled(Colour c, float s) { return {c.r * s, c.g * s, c.b * s}; }
Colour Plus(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

Canvas MakeCanvas(int width, int height) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.pixels.assign(size_t(width) * height, Pixel{});
    return canvas;
}

Canvas MakeCanvas(int width, int height, Colour fill) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.pixels.assign(size_t(width) * height, Pixel{fill.r, fill.g, fill.b, 1.0f});
    return canvas;
}

Pixel& At(Canvas& canvas, int x, int y) { return canvas.pixels[size_t(y) * canvas.width + x]; }

void BlendPixel(Canvas& canvas, int x, int y, Colour c, float alpha) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || alpha <= 0) return;
    alpha = std::min(alpha, 1.0f);
    Pixel& p = At(canvas, x, y);
    float keep = 1.0f - alpha;
    p = {c.r * alpha + p.r * keep, c.g * alpha + p.g * keep, c.b * alpha + p.b * keep,
         alpha + p.a * keep};
}

void AddPixel(Canvas& canvas, int x, int y, Colour c, float amount) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || amount <= 0) return;
    Pixel& p = At(canvas, x, y);
    p.r += c.r * amount;
    p.g += c.g * amount;
    p.b += c.b * amount;
    p.a = std::min(1.0f, p.a + amount * (1.0f - p.a));
}

static Box Clipped(const Canvas& canvas, Box b) {
    return {std::max(b.x0, 0), std::max(b.y0, 0), std::min(b.x1, canvas.width),
            std::min(b.y1, canvas.height)};
}

// Visits the canvas in 8 x 8 tiles and skips a tile whose centre is farther from the shape
// than `reach` plus the tile's half diagonal: nothing of the shape can touch it.
template <typename Visit>
static void ForTiles(const Canvas& canvas, Box bounds, const Field& shape, float reach,
                     Visit visit) {
    Box b = Clipped(canvas, bounds);
    for (int ty = b.y0; ty < b.y1; ty += 8)
        for (int tx = b.x0; tx < b.x1; tx += 8) {
            int ex = std::min(tx + 8, b.x1), ey = std::min(ty + 8, b.y1);
            Vec2 centre{(tx + ex) * 0.5f, (ty + ey) * 0.5f};
            if (shape(centre) > reach + 6.5f) continue;
            for (int y = ty; y < ey; ++y)
                for (int x = tx; x < ex; ++x) visit(x, y);
        }
}

void Fill(Canvas& canvas, const Field& shape, const Paint& paint, float opacity, Box bounds) {
    ForTiles(canvas, bounds, shape, 1.0f, [&](int x, int y) {
        Vec2 p{x + 0.5f, y + 0.5f};
        float coverage = std::clamp(0.5f - shape(p), 0.0f, 1.0f);
        if (coverage > 0) BlendPixel(canvas, x, y, paint(p), coverage * opacity);
    });
}

void Fill(Canvas& canvas, const Field& shape, const Paint& paint, float opacity) {
    Fill(canvas, shape, paint, opacity, {0, 0, canvas.width, canvas.height});
}

void Fill(Canvas& canvas, const Field& shape, Colour colour, float opacity) {
    Fill(canvas, shape, Solid(colour), opacity);
}

void Glow(Canvas& canvas, const Field& shape, Colour colour, float radius, float strength,
          Box bounds) {
    ForTiles(canvas, bounds, shape, radius * 6.0f, [&](int x, int y) {
        float d = std::max(shape({x + 0.5f, y + 0.5f}), 0.0f);
        AddPixel(canvas, x, y, colour, strength * std::exp(-d / radius));
    });
}

void Glow(Canvas& canvas, const Field& shape, Colour colour, float radius, float strength) {
    Glow(canvas, shape, colour, radius, strength, {0, 0, canvas.width, canvas.height});
}

void Vignette(Canvas& canvas, float strength) {
    float cx = canvas.width * 0.5f, cy = canvas.height * 0.5f;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            float dx = (x + 0.5f - cx) / cx, dy = (y + 0.5f - cy) / cy;
            float k = 1.0f - strength * std::min(1.0f, (dx * dx + dy * dy) * 0.5f);
            Pixel& p = At(canvas, x, y);
            p.r *= k;
            p.g *= k;
            p.b *= k;
        }
}

void Paste(Canvas& target, const Canvas& source, int ox, int oy) {
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const Pixel& s = source.pixels[size_t(y) * source.width + x];
            int tx = x + ox, ty = y + oy;
            if (s.a <= 0 || tx < 0 || ty < 0 || tx >= target.width || ty >= target.height) continue;
            Pixel& p = At(target, tx, ty);
            float keep = 1.0f - s.a;
            p = {s.r + p.r * keep, s.g + p.g * keep, s.b + p.b * keep, s.a + p.a * keep};
        }
}

Paint Solid(Colour c) {
    return [=](Vec2) { return c; };
}

Paint LinearGradient(Vec2 from, Colour c0, Vec2 to, Colour c1) {
    Vec2 axis = to - from;
    float len2 = std::max(Dot(axis, axis), 1e-6f);
    return [=](Vec2 p) { return Mix(c0, c1, std::clamp(Dot(p - from, axis) / len2, 0.0f, 1.0f)); };
}

Paint RadialGradient(Vec2 centre, float radius, Colour inner, Colour outer) {
    return [=](Vec2 p) {
        return Mix(inner, outer, std::clamp(Length(p - centre) / radius, 0.0f, 1.0f));
    };
}

Paint Bevel(const Field& shape, Paint base, float bevel, Vec2 light) {
    float ll = Length(light);
    Vec2 l{light.x / ll, light.y / ll};
    return [=](Vec2 p) {
        float d = shape(p);
        float e = 0.35f;
        Vec2 g{shape({p.x + e, p.y}) - shape({p.x - e, p.y}),
               shape({p.x, p.y + e}) - shape({p.x, p.y - e})};
        float gl = std::max(Length(g), 1e-6f);
        g = {g.x / gl, g.y / gl};
        // The rim slopes outwards; the slope fades to flat at `bevel` pixels inside.
        float slope = std::clamp(1.0f + d / bevel, 0.0f, 1.0f);
        float facing = Dot(g, l) * slope;  // -1 shadowed .. 1 lit
        float spec = std::pow(std::max(facing, 0.0f), 6.0f) * 0.5f;
        Colour c = Scaled(base(p), 0.82f + 0.5f * facing);
        return Plus(c, {spec, spec, spec});
    };
}

Mask MakeMask(int width, int height) {
    Mask mask;
    mask.width = width;
    mask.height = height;
    mask.values.assign(size_t(width) * height, 0.0f);
    return mask;
}

// One box pass along rows (step 1) or columns (step width), zero outside.
static void BoxPass(std::vector<float>& v, int count, int length, int stride, int step,
                    int radius) {
    std::vector<float> line(length);
    float norm = 1.0f / float(2 * radius + 1);
    for (int i = 0; i < count; ++i) {
        float* base = v.data() + size_t(i) * stride;
        for (int k = 0; k < length; ++k) line[k] = base[size_t(k) * step];
        float sum = 0;
        for (int k = 0; k <= radius && k < length; ++k) sum += line[k];
        for (int k = 0; k < length; ++k) {
            base[size_t(k) * step] = sum * norm;
            if (k + radius + 1 < length) sum += line[k + radius + 1];
            if (k - radius >= 0) sum -= line[k - radius];
        }
    }
}

Mask BlurMask(const Mask& mask, int radius) {
    Mask out = mask;
    if (radius <= 0) return out;
    for (int pass = 0; pass < 3; ++pass) {
        BoxPass(out.values, out.height, out.width, out.width, 1, radius);
        BoxPass(out.values, out.width, out.height, 1, out.width, radius);
    }
    return out;
}

Mask GrowMask(const Mask& mask, int radius) {
    Mask rows = mask, out = mask;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float m = 0;
            for (int k = std::max(0, x - radius); k <= std::min(mask.width - 1, x + radius); ++k)
                m = std::max(m, mask.values[size_t(y) * mask.width + k]);
            rows.values[size_t(y) * mask.width + x] = m;
        }
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float m = 0;
            for (int k = std::max(0, y - radius); k <= std::min(mask.height - 1, y + radius); ++k)
                m = std::max(m, rows.values[size_t(k) * mask.width + x]);
            out.values[size_t(y) * mask.width + x] = m;
        }
    return out;
}

Mask PadMask(const Mask& mask, int border) {
    Mask out = MakeMask(mask.width + 2 * border, mask.height + 2 * border);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            out.values[size_t(y + border) * out.width + x + border] =
                mask.values[size_t(y) * mask.width + x];
    return out;
}

void DrawMask(Canvas& canvas, const Mask& mask, int ox, int oy, const Paint& paint, float opacity) {
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float m = mask.values[size_t(y) * mask.width + x];
            if (m <= 0) continue;
            Vec2 p{ox + x + 0.5f, oy + y + 0.5f};
            BlendPixel(canvas, ox + x, oy + y, paint(p), m * opacity);
        }
}

void GlowMask(Canvas& canvas, const Mask& mask, int ox, int oy, Colour colour, float strength) {
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            AddPixel(canvas, ox + x, oy + y, colour,
                     strength * mask.values[size_t(y) * mask.width + x]);
}

float NextFloat(Random& random) {
    uint32_t x = random.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    random.state = x;
    return float(x >> 8) / 16777216.0f;
}

float NextRange(Random& random, float lo, float hi) { return lo + (hi - lo) * NextFloat(random); }

int NextInt(Random& random, int count) {
    return std::min(count - 1, int(NextFloat(random) * float(count)));
}

static float Lattice(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float Noise(Vec2 p, uint32_t seed) {
    int ix = int(std::floor(p.x)), iy = int(std::floor(p.y));
    float fx = p.x - ix, fy = p.y - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = Lattice(ix, iy, seed), b = Lattice(ix + 1, iy, seed);
    float c = Lattice(ix, iy + 1, seed), d = Lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float Fractal(Vec2 p, int octaves, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += Noise(p, seed + uint32_t(i) * 101u) * weight;
        total += weight;
        p = p * 2.03f;
        weight *= 0.5f;
    }
    return sum / total;
}
