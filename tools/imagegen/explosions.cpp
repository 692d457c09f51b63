// Explosions: the ship's fireball with flying hull shards, and a virus breaking into bits.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"
#include "shapes.h"

using namespace Palette;

static const float kTau = 6.2831853f;

// A lumpy ball: overlapping circles round the centre, eaten by noise as it burns out.
static Field Fireball(Vec2 centre, float radius, float t, uint32_t seed) {
    Random random{seed};
    Field ball = Circle(centre, radius * 0.7f);
    for (int i = 0; i < 7; ++i) {
        float a = NextRange(random, 0, kTau), d = NextRange(random, 0.3f, 0.75f) * radius;
        Vec2 at = centre + Vec2{std::cos(a), std::sin(a)} * d;
        ball = SmoothUnion(ball, Circle(at, radius * NextRange(random, 0.25f, 0.5f)), 3.0f);
    }
    float erosion = std::clamp((t - 0.45f) * 1.6f, 0.0f, 0.85f);
    return [=](Vec2 p) {
        float n = Fractal(p * 0.16f, 3, seed);
        return ball(p) + erosion * 26.0f * (n - 0.35f);
    };
}

static void DrawFlash(Canvas& c, Vec2 centre, float size, float t) {
    float k = 1.0f - t / 0.3f;
    for (int i = 0; i < 8; ++i) {
        float a = i * kTau / 8 + 0.2f, len = size * (i % 2 ? 0.55f : 0.95f) * (0.6f + k * 0.4f);
        Vec2 d{std::cos(a), std::sin(a)}, n{-d.y, d.x};
        Fill(c, Polygon({centre + n * 2.2f, centre + d * len, centre - n * 2.2f}),
             Solid(Rgb(255, 250, 210)));
    }
    Fill(c, Circle(centre, size * (0.22f + 0.2f * k)),
         RadialGradient(centre, size * 0.4f, Rgb(255, 255, 255), Rgb(255, 230, 140)));
}

static void DrawShards(Canvas& c, Vec2 centre, float size, float t, Colour hull, Colour hot,
                       uint32_t seed) {
    Random random{seed * 7u + 1u};
    for (int i = 0; i < 9; ++i) {
        float a = NextRange(random, 0, kTau), speed = NextRange(random, 0.55f, 1.0f);
        float spin = NextRange(random, -4, 4) * t, s = NextRange(random, 2.0f, 3.6f);
        Vec2 d{std::cos(a), std::sin(a)};
        Vec2 at = centre + d * (size * (0.15f + 0.85f * t) * speed);
        if (t > 0.25f)
            Fill(c, Capsule(at - d * (size * 0.3f * speed), at, 0.8f * (1.1f - t)),
                 Solid(Mix(hot, Rgb(255, 240, 200), 0.4f)));
        std::vector<Vec2> tri;
        for (int k = 0; k < 3; ++k) {
            float b = spin + k * kTau / 3 + NextRange(random, -0.4f, 0.4f);
            tri.push_back(at + Vec2{std::cos(b), std::sin(b)} * s);
        }
        Field shard = Polygon(tri);
        Fill(c, shard, Bevel(shard, Solid(Mix(hull, kGunmetal, t * 0.6f)), 1.5f));
    }
}

static void DrawEmbers(Canvas& c, Vec2 centre, float size, float t, Colour hot, uint32_t seed) {
    Random random{seed * 13u + 5u};
    int count = int(26 * (1.2f - t));
    for (int i = 0; i < count; ++i) {
        float a = NextRange(random, 0, kTau), d = size * NextRange(random, 0.3f, 1.0f) * (0.3f + t);
        Vec2 at = centre + Vec2{std::cos(a), std::sin(a)} * std::min(d, size * 1.02f);
        Fill(c, Circle(at, NextRange(random, 0.7f, 1.4f)),
             Solid(Mix(hot, Rgb(255, 250, 200), 0.5f)));
    }
}

void DrawExplosion(Canvas& c, Vec2 centre, float size, float t, Colour hot, Colour debris,
                   uint32_t seed) {
    if (t < 0.3f) DrawFlash(c, centre, size, t);
    float radius = size * (0.3f + 0.5f * std::sqrt(t));
    Field ball = Fireball(centre, radius, t, seed);
    // White-hot to yellow to the flame colour while it burns; smoke and embers once it cools.
    float cool = std::clamp((t - 0.45f) / 0.5f, 0.0f, 1.0f);
    Colour core = Mix(Rgb(255, 252, 220), Rgb(110, 60, 50), cool);
    Colour middle = Mix(Rgb(255, 210, 70), Rgb(80, 44, 46), cool);
    Colour rim = Mix(hot, Rgb(44, 32, 40), cool);
    Paint fire = [=](Vec2 p) {
        float k = std::clamp(Length(p - centre) / (radius * 1.1f), 0.0f, 1.0f);
        Colour base = k < 0.5f ? Mix(core, middle, k * 2) : Mix(middle, rim, (k - 0.5f) * 2);
        return Scaled(base, 0.8f + 0.4f * Fractal(p * 0.25f, 2, seed + 9u));  // billows
    };
    if (t > 0.1f) Fill(c, ball, fire);
    if (t > 0.15f && t < 0.85f) {
        float ringRadius = size * (0.35f + 0.7f * t);
        Fill(c, Ring(Circle(centre, ringRadius), 1.6f * (1.0f - t)),
             Solid(Mix(Rgb(255, 250, 220), hot, t)));
    }
    DrawShards(c, centre, size, t, debris, hot, seed);
    DrawEmbers(c, centre, size, t, hot, seed);
}

// A burst star: the virus's shell splitting open along `points` rays.
static Field Starburst(Vec2 centre, float inner, float outer, int points, float turn) {
    std::vector<Vec2> corners;
    for (int i = 0; i < points * 2; ++i) {
        float a = turn + i * kTau / (points * 2), r = i % 2 ? inner : outer;
        corners.push_back(centre + Vec2{std::cos(a), std::sin(a)} * r);
    }
    return Polygon(corners);
}

void DrawDisintegration(Canvas& c, Vec2 centre, float t, Colour body, uint32_t seed) {
    Random random{seed};
    Colour light = Mix(body, Rgb(255, 255, 255), 0.55f);
    if (t < 0.55f) {
        float outer = 20 + 16 * t, inner = 10 + 12 * t;
        Field star = Starburst(centre, inner, outer, 7, seed * 0.37f);
        if (t > 0.3f) star = Subtract(star, Circle(centre, 18 * t));  // torn open in the middle
        Fill(c, star, RadialGradient(centre, outer, Rgb(255, 255, 255), light));
    }
    if (t > 0.25f && t < 0.85f)
        Fill(c, Ring(Circle(centre, 8 + 24 * t), 2.2f * (1.0f - t)), Solid(light));
    // Lumps of the body fly off and shrink.
    for (int i = 0; i < 8; ++i) {
        float a = NextRange(random, 0, kTau), d = (6 + 24 * t) * NextRange(random, 0.7f, 1.0f);
        float r = NextRange(random, 2.5f, 4.5f) * (1.1f - t);
        Vec2 at = centre + Vec2{std::cos(a), std::sin(a)} * std::min(d, 27.0f);
        Field lump = Circle(at, r);
        if (r > 0.8f) Fill(c, lump, Bevel(lump, Solid(body), 2.0f));
    }
    // Bits: square pixels of the virus's code scattering.
    int bits = int(24 * (1.1f - t * 0.6f));
    for (int i = 0; i < bits; ++i) {
        float a = NextRange(random, 0, kTau), d = (10 + 26 * t) * NextRange(random, 0.45f, 1.0f);
        Vec2 at = centre + Vec2{std::cos(a), std::sin(a)} * std::min(d, 29.0f);
        float s = NextRange(random, 1.0f, 2.0f) * (1.2f - 0.5f * t);
        Colour colour = i % 3 == 0 ? Rgb(255, 255, 255) : (i % 3 == 1 ? light : body);
        Fill(c, RoundBox(at, s, s, 0.2f), Solid(colour));
    }
}
