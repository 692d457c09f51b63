// The four kinds of virus: a spiked spore, a beetle-like bug, a one-eyed jelly and a phage,
// each with a two-step living cycle, a flash, and a disintegration.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

static const float kTau = 6.2831853f;

// Virus parts are placed in virus units: pixels of the 64-pixel sprite around its centre.
struct Frame {
    Vec2 centre;
    float scale = 1;
    Vec2 P(float x, float y) const { return centre + Vec2{x, y} * scale; }
    float R(float r) const { return r * scale; }
};

// A round body lit from the upper left: highlight, own colour, shadow.
static Paint BodyShade(Vec2 highlight, float radius, Colour colour) {
    Colour light = Mix(colour, Rgb(255, 255, 255), 0.4f), dark = Mix(colour, kInk, 0.5f);
    return [=](Vec2 p) {
        float k = std::clamp(Length(p - highlight) / radius, 0.0f, 1.0f);
        return k < 0.45f ? Mix(light, colour, k / 0.45f) : Mix(colour, dark, (k - 0.45f) / 0.55f);
    };
}

static void Shaded(Canvas& c, const Field& f, Paint paint, float bevel) {
    Fill(c, f, Bevel(f, paint, bevel));
}

// An eye looking down at the ship; `lid` closes it from the top, slanted for a scowl.
static void Eye(Canvas& c, const Frame& v, Vec2 at, float r, Colour iris, float lid, float slant) {
    Vec2 centre = v.P(at.x, at.y);
    Field white = Circle(centre, v.R(r));
    Fill(c, white,
         RadialGradient(v.P(at.x - r * 0.3f, at.y - r * 0.3f), v.R(r * 1.4f), Rgb(255, 255, 255),
                        Rgb(170, 180, 200)));
    Fill(c, Intersect(white, Circle(v.P(at.x, at.y + r * 0.3f), v.R(r * 0.6f))), Solid(iris));
    Fill(c, Circle(v.P(at.x, at.y + r * 0.4f), v.R(r * 0.3f)), Solid(kInk));
    Fill(c, Circle(v.P(at.x - r * 0.35f, at.y - r * 0.3f), v.R(r * 0.22f)),
         Solid(Rgb(255, 255, 255)));
    if (lid > 0) {
        Vec2 n = Rotated({0, -1}, slant);
        float cut = r * (1.0f - 2.0f * lid);
        Field lidShape = Intersect(Grow(white, v.R(0.6f)),
                                   [=](Vec2 p) { return cut * v.scale - Dot(p - centre, n); });
        Fill(c, lidShape, Solid(kInk));
    }
}

static void DrawSpore(Canvas& c, const Frame& v, int phase) {
    Colour dark = Mix(kToxic, kInk, 0.5f), light = Mix(kToxic, Rgb(255, 255, 255), 0.4f);
    float turn = phase * kTau / 40, reach = phase ? 25.5f : 23.5f;
    for (int i = 0; i < 10; ++i) {
        Vec2 d = Rotated({0, -1}, turn + i * kTau / 10);
        Fill(c, Capsule(v.P(d.x * 13, d.y * 13), v.P(d.x * reach, d.y * reach), v.R(1.5f)),
             Solid(dark));
        Field tip = Circle(v.P(d.x * reach, d.y * reach), v.R(phase ? 3.4f : 3.0f));
        Shaded(c, tip, Solid(light), v.R(2));
    }
    Field ball = phase ? Ellipse(v.centre, v.R(16.2f), v.R(14.6f)) : Circle(v.centre, v.R(15.5f));
    Shaded(c, ball, BodyShade(v.P(-5, -6), v.R(24), kToxic), v.R(4));
    for (Vec2 s : {Vec2{-9, 6}, Vec2{10, -8}, Vec2{7, 9}})
        Fill(c, Circle(v.P(s.x, s.y), v.R(2.2f)), Solid(dark), 0.6f);
    for (float side : {-1.0f, 1.0f})
        Eye(c, v, {5.5f * side, -2}, 4.0f, Rgb(255, 60, 40), 0.35f, -0.45f * side);
    Field mouth = Ellipse(v.P(0, 7.5f), v.R(6), v.R(phase ? 2.8f : 2.0f));
    Fill(c, mouth, Solid(kInk));
    for (float x : {-3.5f, 0.0f, 3.5f})
        Fill(c, Polygon({v.P(x - 1.3f, 5.8f), v.P(x + 1.3f, 5.8f), v.P(x, 8.2f)}),
             Solid(Rgb(240, 255, 230)));
}

static void DrawBug(Canvas& c, const Frame& v, int phase) {
    Colour dark = Rgb(110, 20, 40);
    for (int i = 0; i < 3; ++i)
        for (float side : {-1.0f, 1.0f}) {
            // Tripod gait: front and back legs of one side swing with the middle of the other.
            float swing = ((i % 2 == 0) == (side > 0) ? 1.0f : -1.0f) * (phase ? 1.0f : -1.0f);
            float y = -10.0f + i * 9.0f, a = (i - 1) * 0.55f + swing * 0.22f;
            Vec2 hip = v.P(9 * side, y),
                 knee = v.P((18 + 2 * std::cos(a)) * side, y + 10 * std::sin(a) - 2);
            Vec2 foot = v.P(27 * side, y + 18 * std::sin(a) + 3 * (i - 1));
            Fill(c, Capsule(hip, knee, v.R(1.7f)), Solid(dark));
            Fill(c, Capsule(knee, foot, v.R(1.2f)), Solid(dark));
        }
    float open = phase ? 1.6f : 0.0f;
    for (float side : {-1.0f, 1.0f}) {
        Fill(c, Capsule(v.P(3 * side, 19), v.P((11 + open) * side, 28), v.R(0.9f)), Solid(dark));
        Fill(c, Capsule(v.P(4 * side, 21), v.P((4 + open) * side, 26.5f), v.R(1.4f)), Solid(dark));
    }
    Field head = Ellipse(v.P(0, 15), v.R(9), v.R(6.5f));
    Shaded(c, head, Solid(Rgb(92, 22, 40)), v.R(2.5f));
    Field back = Ellipse(v.P(0, -3), v.R(14.5f), v.R(17));
    Shaded(c, back, BodyShade(v.P(-5, -10), v.R(26), kCrimson), v.R(4));
    Fill(c, Capsule(v.P(0, -19), v.P(0, 13), v.R(0.8f)), Solid(dark));
    for (Vec2 s : {Vec2{-6.5f, -8}, Vec2{6.5f, -8}, Vec2{-7, 4}, Vec2{7, 4}})
        Fill(c, Circle(v.P(s.x, s.y), v.R(2.7f)), Solid(dark));
    Fill(c, Ellipse(v.P(-6, -12), v.R(2.2f), v.R(4)), Solid(Rgb(255, 235, 240)), 0.7f);
    for (float side : {-1.0f, 1.0f}) {
        Fill(c, Circle(v.P(4.2f * side, 16.5f), v.R(2.3f)), Solid(Rgb(255, 220, 60)));
        Fill(c, Circle(v.P(4.2f * side, 17.2f), v.R(1.0f)), Solid(kInk));
    }
}

static void DrawJelly(Canvas& c, const Frame& v, int phase) {
    Colour body = kViolet, dark = Mix(kViolet, kInk, 0.5f),
           light = Mix(kViolet, Rgb(255, 255, 255), 0.4f);
    for (int i = 0; i < 5; ++i) {
        float x0 = -12.0f + i * 6.0f, wave = (phase ? 1.0f : -1.0f) * (i % 2 ? 1.0f : -1.0f);
        Vec2 prev = v.P(x0, 6);
        for (int k = 1; k <= 4; ++k) {
            float y = 6 + k * 5.5f, x = x0 * (1 + k * 0.06f) + wave * 2.2f * std::sin(k * 1.7f);
            Vec2 next = v.P(x, y);
            Fill(c, Capsule(prev, next, v.R(2.8f - k * 0.45f)), Solid(Mix(body, dark, k / 5.0f)));
            prev = next;
        }
    }
    Field dome =
        Union(Circle(v.P(0, -6), v.R(16.5f)), RoundBox(v.P(0, 1), v.R(16.5f), v.R(7), v.R(3)));
    float squeeze = phase ? 0.96f : 1.0f;
    dome = Transformed(dome, v.centre, 0, 1.0f / squeeze, squeeze);
    Shaded(c, dome, BodyShade(v.P(-6, -16), v.R(30), body), v.R(4));
    for (Vec2 b : {Vec2{-8, -14}, Vec2{3, -18}, Vec2{10, -10}})
        Fill(c, Circle(v.P(b.x, b.y), v.R(3.2f)), Solid(light), 0.45f);
    for (int i = 0; i < 6; ++i)
        Fill(c, Circle(v.P(-12.5f + i * 5, 5.5f), v.R(1.3f)),
             Solid((i + phase) % 2 ? Rgb(255, 200, 255) : Rgb(120, 255, 240)));
    Eye(c, v, {0, -4}, 7.0f, Mix(kViolet, kInk, 0.2f), phase ? 0.42f : 0.28f, 0);
}

// The phage's head: a faceted hexagonal capsid, each facet lit by its own slope, and two eyes.
static void DrawCapsid(Canvas& c, const Frame& v, Vec2 hc) {
    Colour body = kYellow, dark = Mix(kYellow, kInk, 0.55f),
           light = Mix(kYellow, Rgb(255, 255, 255), 0.5f);
    float r = v.R(14.5f);
    for (int k = 0; k < 6; ++k) {
        float a0 = kTau * k / 6 + kTau / 12, a1 = a0 + kTau / 6;
        Vec2 p0 = hc + Vec2{std::cos(a0), std::sin(a0)} * r,
             p1 = hc + Vec2{std::cos(a1), std::sin(a1)} * r;
        float mid = (a0 + a1) * 0.5f;
        float lit = 0.55f + 0.45f * (-0.6f * std::cos(mid) - 0.8f * std::sin(mid));
        lit = std::clamp(lit, 0.0f, 1.0f);
        Colour facet = lit < 0.5f ? Mix(dark, body, lit * 2) : Mix(body, light, lit * 2 - 1);
        Fill(c, Polygon({hc, p0, p1}), Solid(facet));
    }
    Fill(c, Circle(hc, v.R(6.5f)), RadialGradient(hc, v.R(7), Rgb(255, 250, 200), body));
    for (float side : {-1.0f, 1.0f}) {
        Vec2 eye = hc + Vec2{3.0f * side, 1.0f} * v.scale;
        Fill(c, Circle(eye, v.R(2.2f)), Solid(kInk));
        Fill(c, Circle(eye, v.R(1.2f)), Solid(Rgb(255, 40, 30)));
    }
}

static void DrawPhage(Canvas& c, const Frame& v, int phase) {
    Colour body = kYellow, dark = Mix(kYellow, kInk, 0.55f),
           light = Mix(kYellow, Rgb(255, 255, 255), 0.5f);
    float bend = phase ? 3.0f : 0.0f;
    for (int i = 0; i < 3; ++i)
        for (float side : {-1.0f, 1.0f}) {
            Vec2 hip = v.P(5 * side, 17), knee = v.P((13 + i * 3) * side, 10 - i * 2 + bend);
            Vec2 foot = v.P((17 + i * 4.5f - bend * 0.5f) * side, 28 - std::abs(i - 1) * 1.5f);
            Fill(c, Capsule(hip, knee, v.R(1.3f)), Solid(dark));
            Fill(c, Capsule(knee, foot, v.R(1.1f)), Solid(dark));
            Fill(c, Circle(foot, v.R(1.6f)), Solid(light));
        }
    float tail = phase ? 5.0f : 6.5f;
    Field sheath = RoundBox(v.P(0, 17 - tail - 1), v.R(3.2f), v.R(tail), v.R(1.2f));
    Shaded(c, sheath, Solid(Mix(body, dark, 0.35f)), v.R(1.5f));
    for (int k = 0; k < 4; ++k)
        Fill(c,
             Capsule(v.P(-3, 17 - 2 * tail + 1.5f + k * tail * 0.5f),
                     v.P(3, 17 - 2 * tail + 1.5f + k * tail * 0.5f), v.R(0.5f)),
             Solid(dark));
    Shaded(c, RoundBox(v.P(0, 17), v.R(7.5f), v.R(2), v.R(1)), Solid(body), v.R(1.2f));
    DrawCapsid(c, v, v.P(0, -10 + (phase ? 1.0f : 0.0f)));
}

// Lights a drawn shape towards white and gives it a white-hot rim.
static void Brighten(Canvas& c, float amount) {
    for (Pixel& p : c.pixels) {
        p.r += (p.a - p.r) * amount;
        p.g += (p.a - p.g) * amount;
        p.b += (p.a - p.b) * amount;
    }
    Canvas before = c;
    auto solid = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < c.width && y < c.height && At(before, x, y).a >= 0.5f;
    };
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (solid(x, y) &&
                !(solid(x - 1, y) && solid(x + 1, y) && solid(x, y - 1) && solid(x, y + 1)))
                At(c, x, y) = {1, 1, 1, 1};
}

void DrawVirus(Canvas& canvas, int kind, Vec2 centre, float scale, int phase) {
    if (phase == 2) {
        // The flash: the living shape swollen and lit white, which also starts the explosion.
        Canvas flash = MakeCanvas(canvas.width, canvas.height);
        DrawVirus(flash, kind, centre, scale * 1.07f, 0);
        Brighten(flash, 0.3f);
        Paste(canvas, flash, 0, 0);
        return;
    }
    Frame v{centre, scale};
    switch (kind) {
        case 0: DrawSpore(canvas, v, phase); break;
        case 1: DrawBug(canvas, v, phase); break;
        case 2: DrawJelly(canvas, v, phase); break;
        default: DrawPhage(canvas, v, phase); break;
    }
}

Canvas MakeVirusStrip(int kind) {
    Canvas strip = MakeCanvas(448, 64);
    for (int phase = 0; phase < 3; ++phase) {
        Canvas cell = MakeCanvas(64, 64);
        DrawVirus(cell, kind, {32, 32}, 1.0f, phase);
        PlaceCell(strip, cell, phase);
    }
    const float times[4] = {0.15f, 0.4f, 0.68f, 0.93f};
    for (int i = 0; i < 4; ++i) {
        Canvas cell = MakeCanvas(64, 64);
        DrawDisintegration(cell, {32, 32}, times[i], VirusColour(kind), 100u + uint32_t(kind));
        PlaceCell(strip, cell, 3 + i);
    }
    return strip;
}
