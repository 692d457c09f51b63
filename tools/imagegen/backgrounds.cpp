// The three playfield backgrounds: the circuit board, the memory grid and the processor core.
// All stay dark, and darker still along the top where the score and warnings are written.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

// Dims the rows under the text lines of play (score at y 10, warnings at y 50).
static void ShadeTextBand(Canvas& c) {
    for (int y = 0; y < 90; ++y) {
        float k = 0.45f + 0.55f * std::pow(y / 90.0f, 1.5f);
        for (int x = 0; x < c.width; ++x) {
            Pixel& p = At(c, x, y);
            p.r *= k, p.g *= k, p.b *= k;
        }
    }
}

static void DrawChip(Canvas& c, Vec2 centre, float hw, float hh, Colour tint) {
    for (float x = centre.x - hw + 6; x < centre.x + hw - 3; x += 8)
        for (float side : {-1.0f, 1.0f}) {
            Vec2 a{x, centre.y + side * hh}, b{x, centre.y + side * (hh + 7)};
            Fill(c, Capsule(a, b, 1.5f), Solid(Scaled(tint, 0.8f)), 1.0f, BoxAround(a, b, 3));
        }
    Field body = RoundBox(centre, hw, hh, 3);
    Box box = BoxAround(centre, std::max(hw, hh) + 4);
    Fill(c, body, Bevel(body, Solid(Rgb(16, 22, 38)), 3.0f), 1.0f, box);
    Fill(c, Ring(Grow(body, -4), 0.5f), Solid(tint), 0.6f, box);
    Fill(c, Circle(centre + Vec2{-hw + 8, -hh + 8}, 2), Solid(tint), 0.8f, box);
}

static Canvas CircuitBackground() {
    Canvas c = MakeCanvas(800, 600);
    FillVertical(c, Rgb(4, 8, 20), Rgb(10, 20, 40));
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            float n = Fractal({x / 140.0f, y / 140.0f}, 3, 5);
            BlendPixel(c, x, y, Rgb(14, 40, 60), std::max(0.0f, n - 0.45f) * 0.9f);
        }
    DrawCircuitBoard(c, 1234u, {0, 0, 800, 600}, 0.62f);
    DrawChip(c, {118, 250}, 42, 30, Scaled(kTrace, 1.3f));
    DrawChip(c, {672, 196}, 36, 36, Scaled(kTrace, 1.3f));
    DrawChip(c, {560, 420}, 54, 22, Scaled(kTrace, 1.3f));
    Vignette(c, 0.55f);
    ShadeTextBand(c);
    return c;
}

static void DrawGridFloor(Canvas& c, float horizon, Colour line) {
    for (int i = -14; i <= 14; ++i) {
        Vec2 a{400.0f + i * 18.0f, horizon}, b{400.0f + i * 150.0f, 620};
        Fill(c, Capsule(a, b, 0.9f), LinearGradient({0, horizon}, kDeep, {0, 600}, line), 1.0f,
             BoxAround(a, b, 2));
    }
    for (int k = 1; k < 14; ++k) {
        float y = horizon + (620 - horizon) * std::pow(k / 13.0f, 2.2f);
        float w = 0.6f + 0.9f * (y - horizon) / (620 - horizon);
        Fill(c, Capsule({0, y}, {800, y}, w),
             Solid(Mix(kDeep, line, std::clamp((y - horizon) / 300.0f, 0.0f, 1.0f))), 1.0f,
             {0, int(y) - 3, 800, int(y) + 4});
    }
}

static void DrawServerTowers(Canvas& c, float horizon, uint32_t seed) {
    Random random{seed};
    for (float x = 10; x < 800; x += NextRange(random, 34, 70)) {
        float w = NextRange(random, 12, 26), h = NextRange(random, 30, 120);
        if (std::fabs(x - 400) < 90) h *= 0.4f;
        Field tower = RoundBox({x, horizon - h * 0.5f}, w * 0.5f, h * 0.5f, 1.5f);
        Box box{int(x - w), int(horizon - h) - 2, int(x + w), int(horizon) + 1};
        Fill(c, tower,
             LinearGradient({0, horizon - h}, Rgb(22, 22, 56), {0, horizon}, Rgb(10, 10, 30)), 1.0f,
             box);
        for (float y = horizon - h + 6; y < horizon - 4; y += 7)
            if (NextFloat(random) < 0.5f)
                Fill(c, Capsule({x - w * 0.3f, y}, {x - w * 0.3f + 3, y}, 0.7f),
                     Solid(NextFloat(random) < 0.7f ? Rgb(80, 110, 220) : Rgb(200, 120, 255)), 0.8f,
                     box);
    }
}

static void DrawDataRain(Canvas& c, Fonts& fonts, uint32_t seed) {
    Random random{seed};
    const char* digits = "0123456789ABCDEF";
    for (int column = 0; column < 26; ++column) {
        int x = 14 + column * 30 + NextInt(random, 10);
        int y = 80 + NextInt(random, 120), length = 3 + NextInt(random, 7);
        for (int k = 0; k < length; ++k) {
            std::string glyph(1, digits[NextInt(random, 16)]);
            glyph += digits[NextInt(random, 16)];
            TextLook look;
            float fade = 1.0f - float(k) / length;
            look.fill = Solid(Mix(kDeep, Rgb(90, 70, 200), 0.22f * fade));
            DrawText(c, fonts, glyph, 12, x, y + k * 15, look);
        }
    }
}

static Canvas GridBackground(Fonts& fonts) {
    Canvas c = MakeCanvas(800, 600);
    const float horizon = 300;
    FillVertical(c, Rgb(6, 4, 22), Rgb(20, 10, 50));
    Glow(c, Ellipse({400, horizon}, 320, 6), Rgb(90, 40, 170), 40.0f, 0.35f);
    // A dim striped sun of data sinking behind the towers.
    Vec2 sun{400, horizon - 10};
    Field disc = Intersect(Circle(sun, 120), [=](Vec2 p) {
        float band = std::fmod(horizon - p.y, 18.0f);
        return p.y > horizon - 70 && band < 6 ? 1.0f : -1.0f;
    });
    Fill(c, disc,
         LinearGradient({0, sun.y - 120}, Rgb(96, 40, 130), {0, horizon}, Rgb(40, 14, 70)));
    DrawDataRain(c, fonts, 99u);
    DrawServerTowers(c, horizon, 4242u);
    for (int y = int(horizon); y < 600; ++y)
        for (int x = 0; x < 800; ++x) At(c, x, y) = {0.03f, 0.02f, 0.10f, 1.0f};
    DrawGridFloor(c, horizon, Rgb(90, 50, 190));
    Fill(c, Capsule({0, horizon}, {800, horizon}, 1.0f), Solid(Rgb(170, 120, 255)));
    Vignette(c, 0.5f);
    ShadeTextBand(c);
    return c;
}

// Honeycomb of processor cells round the core, lit in a few places by the attack.
static Canvas CoreBackground() {
    Canvas c = MakeCanvas(800, 600);
    FillVertical(c, Rgb(14, 4, 16), Rgb(26, 8, 24));
    Vec2 core{400, 330};
    Glow(c, Circle(core, 40), Rgb(120, 30, 40), 90.0f, 0.35f);
    const float r = 26, w = r * 1.7320508f;
    Random random{31337};
    for (int row = -1; row < 17; ++row)
        for (int col = -1; col < 18; ++col) {
            Vec2 centre{col * w + (row % 2 ? w * 0.5f : 0), row * r * 1.5f};
            std::vector<Vec2> hex;
            for (int k = 0; k < 6; ++k)
                hex.push_back(centre + Rotated({0, -r + 2.5f}, k * 1.0471976f));
            Field cell = Polygon(hex);
            float heat = std::max(0.0f, 1.0f - Length(centre - core) / 380.0f);
            Colour edge = Mix(Rgb(50, 20, 50), Rgb(140, 40, 60), heat);
            Box box = BoxAround(centre, r + 2);
            Fill(c, Ring(cell, 0.7f), Solid(edge), 1.0f, box);
            if (NextFloat(random) < 0.1f)
                Fill(c, Grow(cell, -3), Solid(Mix(Rgb(60, 14, 40), Rgb(150, 50, 40), heat)), 0.55f,
                     box);
        }
    for (float radius : {90.0f, 140.0f, 200.0f})
        Fill(c, Ring(Circle(core, radius), 1.0f), Solid(Rgb(110, 36, 60)), 0.6f);
    Field die = ChamferBox(core, 44, 44, 10);
    Fill(c, die, Bevel(die, Solid(Rgb(36, 14, 30)), 4.0f));
    Fill(c, Ring(Grow(die, -8), 0.8f), Solid(Rgb(170, 60, 70)), 0.8f);
    Glow(c, Circle(core, 6), Rgb(255, 90, 60), 10.0f, 0.6f, BoxAround(core, 80));
    Vignette(c, 0.6f);
    ShadeTextBand(c);
    return c;
}

Canvas MakeBackground(Fonts& fonts, int number) {
    if (number == 1) return CircuitBackground();
    if (number == 2) return GridBackground(fonts);
    return CoreBackground();
}
