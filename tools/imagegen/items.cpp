// Small sprites of play: the firewall shield, the shots, and the two falling bonus items.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

static const float kTau = 6.2831853f;

// The shield is drawn at 128 x 32 and shrunk by nearest pixel to 96 x 24, 64 x 16 and 32 x 8.
// Every seam is three pixels wide and starts on a multiple of four, so whichever pixel of four
// the shrinking keeps, the seams survive.
static void DrawBricks(Canvas& c) {
    const int rowTop[3] = {12, 19, 27}, rowBottom[3] = {16, 24, 32};
    Fill(c, RoundBox({64, 22}, 63, 10, 2), Solid(Rgb(255, 150, 40)));
    for (int row = 0; row < 3; ++row)
        for (int x = (row % 2 ? -8 : 0); x < 128; x += 16) {
            float x0 = std::max(x + 3, 1), x1 = std::min(x + 16, 127);
            float y0 = float(rowTop[row]), y1 = float(rowBottom[row]);
            if (x1 - x0 < 2) continue;
            Field brick = RoundBox({(x0 + x1) * 0.5f, (y0 + y1) * 0.5f}, (x1 - x0) * 0.5f,
                                   (y1 - y0) * 0.5f, 1.0f);
            Colour face = Mix(Rgb(120, 22, 12), Rgb(70, 12, 16), float((x / 16 + row) % 3) / 3);
            Fill(
                c, brick,
                Bevel(brick, LinearGradient({0, y0}, Mix(face, kFire, 0.3f), {0, y1}, face), 1.5f));
        }
}

static void DrawFlames(Canvas& c) {
    Random random{77};
    for (int i = 0; i < 11; ++i) {
        float x = 6 + i * 11.6f + NextRange(random, -2, 2), h = NextRange(random, 6, 11);
        float w = NextRange(random, 4.0f, 5.5f);
        Field tongue = SmoothUnion(
            Ellipse({x, 12.5f}, w, 3.0f),
            Polygon(
                {{x - w * 0.8f, 12}, {x + NextRange(random, -2, 2), 12 - h}, {x + w * 0.8f, 12}}),
            1.5f);
        Fill(c, tongue, LinearGradient({0, 12 - h}, Rgb(255, 80, 20), {0, 13}, Rgb(255, 226, 90)));
        Fill(c, Ellipse({x, 12.5f}, w * 0.4f, 2.0f), Solid(Rgb(255, 250, 190)));
    }
}

Canvas MakeShield() {
    Canvas shield = MakeCanvas(128, 32);
    DrawFlames(shield);
    DrawBricks(shield);
    // Hard edge, no outline: an outline would be lost unevenly as the wall shrinks.
    for (Pixel& p : shield.pixels)
        if (p.a >= 0.5f) p = {p.r / p.a, p.g / p.a, p.b / p.a, 1.0f};
    return shield;
}

// A plasma bolt with four sparks turning round it, 30 degrees a cell: with four-fold symmetry
// the three cells loop seamlessly. It serves shots going up and down alike.
Canvas MakeBullets() {
    Canvas strip = MakeCanvas(48, 16);
    for (int k = 0; k < 3; ++k) {
        Canvas cell = MakeCanvas(16, 16);
        Vec2 centre{8, 8};
        for (int s = 0; s < 4; ++s) {
            Vec2 d = Rotated({0, -1}, kTau * (k / 12.0f + s / 4.0f) + 0.3f), n{-d.y, d.x};
            Fill(cell,
                 Polygon({centre, centre + d * 3.6f + n * 2.0f, centre + d * 7.2f,
                          centre + d * 3.6f - n * 2.0f}),
                 LinearGradient(centre, Rgb(255, 255, 200), centre + d * 7, Rgb(255, 200, 40)));
        }
        Fill(cell, Ellipse(centre, 2.8f, 4.0f),
             RadialGradient({7.3f, 6.6f}, 5.5f, Rgb(255, 255, 255), Rgb(255, 150, 40)));
        PlaceCell(strip, cell, k);
    }
    return strip;
}

// The orbit round an item's orb: a tilted ellipse, its back half behind the orb.
static Field OrbitHalf(Vec2 c, float rx, float ry, bool front) {
    const float tilt = -0.3f;
    Field ring = Transformed(Ring(Ellipse(c, rx, ry), 0.9f), c, tilt, 1, 1);
    return Intersect(ring, [=](Vec2 p) {
        float side = Rotated(p - c, -tilt).y;
        return front ? -side : side;
    });
}

static Vec2 OrbitPoint(Vec2 c, float rx, float ry, float angle) {
    return c + Rotated({rx * std::cos(angle), ry * std::sin(angle)}, -0.3f);
}

using Emblem = void (*)(Canvas&, Vec2, float);

static void ShipEmblem(Canvas& c, Vec2 at, float scale) {
    DrawShip(c, Hull::Alpha, {at + Vec2{0, 1}, 0.34f * scale});
}

static void GunEmblem(Canvas& c, Vec2 at, float scale) {
    for (float side : {-1.0f, 1.0f}) {
        Vec2 base = at + Vec2{4.5f * side, 6} * scale, tip = at + Vec2{4.5f * side, -5} * scale;
        Field round =
            Union(Capsule(base, tip, 2.6f * scale),
                  Polygon({tip + Vec2{-2.6f, 0} * scale, at + Vec2{4.5f * side, -10} * scale,
                           tip + Vec2{2.6f, 0} * scale}));
        Fill(c, round, Bevel(round, Solid(kAmber), 1.5f));
        Fill(c, Capsule(base + Vec2{-2.6f, -1} * scale, base + Vec2{2.6f, -1} * scale, 0.7f),
             Solid(Rgb(120, 60, 10)));
    }
}

static void DrawToken(Canvas& c, Colour rim, Emblem emblem, int step, float swell) {
    Vec2 centre{32, 31};
    float r = 14.5f * swell, rx = 25 * swell, ry = 8 * swell;
    float angle = kTau * step / 6;
    Vec2 dot = OrbitPoint(centre, rx, ry, angle);
    bool dotInFront = std::sin(angle) > 0;
    Fill(c, OrbitHalf(centre, rx, ry, false), Solid(Mix(rim, kInk, 0.35f)));
    if (!dotInFront) Fill(c, Circle(dot, 2.6f), Solid(kIce));
    Field orb = Circle(centre, r);
    float pulse = 0.7f + 0.3f * std::cos(kTau * step / 3);
    Fill(c, orb, RadialGradient({32, 27}, r * 1.2f, Mix(kNavy, rim, 0.45f * pulse), kInk));
    Fill(c, Ring(Grow(orb, -1.2f), 1.3f), Solid(Mix(rim, kIce, 0.3f * pulse)));
    emblem(c, centre, swell);
    Fill(c, Ellipse({27, 23}, 5 * swell, 2.5f * swell), Solid(Rgb(255, 255, 255)), 0.55f);
    Fill(c, OrbitHalf(centre, rx, ry, true), Solid(rim));
    if (dotInFront) Fill(c, Circle(dot, 2.6f), Solid(Rgb(255, 255, 255)));
}

static void DrawSparkles(Canvas& c, Vec2 centre, float radius, float size, Colour colour,
                         int count) {
    for (int i = 0; i < count; ++i) {
        Vec2 d = Rotated({0, -radius}, kTau * i / count + 0.3f);
        Vec2 at = centre + d;
        Fill(c,
             Polygon({at + Vec2{0, -size}, at + Vec2{size * 0.3f, 0}, at + Vec2{0, size},
                      at + Vec2{-size * 0.3f, 0}}),
             Solid(colour));
        Fill(c,
             Polygon({at + Vec2{-size, 0}, at + Vec2{0, size * 0.3f}, at + Vec2{size, 0},
                      at + Vec2{0, -size * 0.3f}}),
             Solid(colour));
    }
}

// Cells 0..5 spin the orbit once round the orb; 6..8 burst and show what was gained.
static Canvas MakeItem(Fonts& fonts, Colour rim, Emblem emblem, const std::string& gain) {
    Canvas strip = MakeCanvas(576, 64);
    for (int step = 0; step < 6; ++step) {
        Canvas cell = MakeCanvas(64, 64);
        DrawToken(cell, rim, emblem, step, 1.0f);
        PlaceCell(strip, cell, step);
    }
    Canvas flash = MakeCanvas(64, 64);
    DrawToken(flash, Mix(rim, kIce, 0.6f), emblem, 0, 1.15f);
    DrawSparkles(flash, {32, 31}, 25, 4, kIce, 4);
    PlaceCell(strip, flash, 6);
    TextLook look;
    look.fill = LinearGradient({0, 18}, Rgb(255, 255, 255), {0, 40}, Mix(rim, kIce, 0.3f));
    look.outline = 2;
    look.outlineColour = kInk;
    for (int k = 0; k < 2; ++k) {
        Canvas cell = MakeCanvas(64, 64);
        DrawSparkles(cell, {32, 31}, 20.0f + 7 * k, 4.5f - 1.5f * k, k ? rim : kIce, 8);
        DrawTextCentred(cell, fonts, gain, 24, 32, 16 - 7 * k, look);
        PlaceCell(strip, cell, 7 + k);
    }
    return strip;
}

Canvas MakeExtraLife(Fonts& fonts) { return MakeItem(fonts, kCyan, ShipEmblem, "+1"); }
Canvas MakeExtraGun(Fonts& fonts) { return MakeItem(fonts, kAmber, GunEmblem, "x2"); }
