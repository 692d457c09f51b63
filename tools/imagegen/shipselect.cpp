// The ship selection screen: its background, the turning display disk, the two info panels.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

static const float kTau = 6.2831853f;

// The info panel is copied to x 64..255 and the disk to x 320..703, both y 128..447.
static const Box kInfoArea{64, 128, 256, 448};
static const Box kDiskArea{320, 128, 704, 448};

static void DrawKeyCap(Canvas& c, Vec2 centre, float halfWidth) {
    Field cap = RoundBox(centre, halfWidth, 17, 5);
    Box box = BoxAround(centre, halfWidth + 20);
    Fill(c, Grow(cap, 2), Solid(kInk), 1.0f, box);
    Fill(c, cap,
         Bevel(cap,
               LinearGradient(centre - Vec2{0, 17}, Rgb(200, 214, 232), centre + Vec2{0, 17},
                              Rgb(120, 138, 170)),
               5.0f),
         1.0f, box);
}

static void DrawArrowKey(Canvas& c, Vec2 centre, float direction) {
    DrawKeyCap(c, centre, 19);
    Vec2 tip = centre + Vec2{8 * direction, -1};
    Field arrow =
        Union(Polygon({tip, tip + Vec2{-8 * direction, -7}, tip + Vec2{-8 * direction, 7}}),
              Capsule(centre + Vec2{-8 * direction, -1}, tip, 2.2f));
    Fill(c, arrow, Solid(Rgb(20, 30, 56)), 1.0f, BoxAround(centre, 20));
}

static void DrawControls(Canvas& c, Fonts& fonts) {
    TextLook label = BodyText();
    DrawArrowKey(c, {150, 500}, -1);
    DrawArrowKey(c, {196, 500}, 1);
    DrawText(c, fonts, "choose a ship", 20, 230, 488, label);
    DrawKeyCap(c, {500, 500}, 38);
    TextLook key;
    key.fill = Solid(Rgb(20, 30, 56));
    DrawTextCentred(c, fonts, "Enter", 16, 500, 490, key);
    DrawText(c, fonts, "start", 20, 552, 488, label);
}

Canvas MakeSelect(Fonts& fonts) {
    Canvas c = MakeCanvas(800, 600);
    FillVertical(c, Rgb(2, 4, 14), Rgb(10, 18, 44));
    DrawCircuitBoard(c, 314u, {0, 0, 800, 600}, 0.5f);
    Vignette(c, 0.6f);
    DrawHeading(c, fonts, "CHOOSE YOUR SHIP", 400, 40, 42);
    // The info panel brings its own rim in its ship's colour; its frame here stays neutral.
    DrawPanel(c, {kInfoArea.x0 - 8, kInfoArea.y0 - 8, kInfoArea.x1 + 8, kInfoArea.y1 + 8}, kDeep,
              kSteel, 0.15f);
    DrawPanel(c, {kDiskArea.x0 - 10, kDiskArea.y0 - 10, kDiskArea.x1 + 10, kDiskArea.y1 + 10},
              kDeep, kCyan, 0.45f);
    Fill(c, Capsule({60, 472}, {740, 472}, 0.6f), Solid(kTrace));
    DrawControls(c, fonts);
    return c;
}

// The display disk in perspective; its markings turn with `angle`.
static void DrawDisk(Canvas& c, Vec2 centre, float angle) {
    const float rx = 150, ry = 40, depth = 14;
    Fill(c, Ellipse(centre + Vec2{0, depth}, rx, ry), Solid(Rgb(12, 20, 40)));
    Fill(c,
         Intersect(RoundBox(centre + Vec2{0, depth * 0.5f}, rx, depth * 0.5f, 0),
                   Ellipse(centre + Vec2{0, depth * 0.5f}, rx, ry + depth)),
         LinearGradient(centre + Vec2{-rx, 0}, Rgb(30, 44, 80), centre + Vec2{rx, 0},
                        Rgb(12, 20, 40)));
    Fill(c, Ring(Ellipse(centre + Vec2{0, depth}, rx, ry), 1.0f), Solid(kCyan), 0.6f);
    Field top = Ellipse(centre, rx, ry);
    Fill(c, top, RadialGradient(centre - Vec2{30, 12}, rx, Rgb(54, 70, 110), Rgb(18, 26, 52)));
    for (float k : {0.92f, 0.62f, 0.34f})
        Fill(c, Ring(Ellipse(centre, rx * k, ry * k), 0.9f), Solid(kCyan), 0.45f + 0.3f * k);
    for (int i = 0; i < 12; ++i) {
        float a = angle + i * kTau / 12;
        Vec2 dir{std::cos(a), std::sin(a)};
        Vec2 from = centre + Vec2{dir.x * rx * 0.66f, dir.y * ry * 0.66f};
        Vec2 to = centre + Vec2{dir.x * rx * 0.88f, dir.y * ry * 0.88f};
        Fill(c, Capsule(from, to, 1.6f), Solid(i % 3 ? kTrace : kCyan));
    }
    Glow(c, Ring(top, 0.5f), kCyan, 5.0f, 0.5f);
    Fill(c, Ring(top, 1.0f), Solid(kIce));
}

// The beam of light the ship hovers in.
static void DrawBeam(Canvas& c, Vec2 base, float strength) {
    for (int y = 40; y < int(base.y); ++y) {
        float t = (y - 40.0f) / (base.y - 40.0f);
        float half = 60 + 80 * t;
        for (int x = int(base.x - half); x < int(base.x + half); ++x) {
            float edge = 1.0f - std::fabs(x - base.x) / half;
            BlendPixel(c, x, y, kCyan, strength * t * t * edge * 0.35f);
        }
    }
}

static Canvas DiskCell(Hull hull, float squash, float angle, float dim) {
    Canvas c = MakeCanvas(384, 320);
    FillVertical(c, Rgb(4, 8, 22), Rgb(12, 20, 46));
    DrawCircuitBoard(c, 900u, {0, 0, 384, 320}, 0.35f);
    Vec2 disk{192, 250};
    DrawBeam(c, disk, 1.0f - dim * 0.5f);
    DrawDisk(c, disk, angle);
    Fill(c, Ellipse(disk + Vec2{0, 2}, 70 * squash, 14), Solid(kInk), 0.6f);
    Vec2 at{192, 148};
    Glow(c, Ellipse(at, 60 * squash, 70), kCyan, 24.0f, 0.18f);
    DrawShip(c, hull, {at, 3.1f, 0, squash});
    if (dim > 0)
        for (Pixel& p : c.pixels) p.r *= 1 - dim, p.g *= 1 - dim * 0.6f, p.b *= 1 - dim * 0.3f;
    // Motion arcs while the disk turns.
    if (squash < 1)
        for (float side : {-1.0f, 1.0f})
            Fill(c,
                 Intersect(Ring(Ellipse(at, 110, 90), 1.5f),
                           [=](Vec2 p) { return side * (at.x - p.x) + 70; }),
                 Solid(kCyan), 0.5f);
    Vignette(c, 0.4f);
    return c;
}

Canvas MakeShipDisks() {
    Canvas strip = MakeCanvas(1536, 320);
    Paste(strip, DiskCell(Hull::Alpha, 1.0f, 0.0f, 0.0f), 0, 0);
    Paste(strip, DiskCell(Hull::Alpha, 0.38f, kTau / 36, 0.25f), 384, 0);
    Paste(strip, DiskCell(Hull::Omega, 0.38f, kTau * 2 / 36, 0.25f), 768, 0);
    Paste(strip, DiskCell(Hull::Omega, 1.0f, kTau * 3 / 36, 0.0f), 1152, 0);
    return strip;
}

struct ShipFacts {
    Hull hull;
    const char* name;
    const char* role;
    const char* speed;
    int speedBars;
    const char* armour;
    const char* armourDetail;
    const char* motto;
    Colour rim;
};

static void DrawMeter(Canvas& c, int x, int y, int lit, Colour colour) {
    for (int i = 0; i < 5; ++i) {
        Field bar = ChamferBox({x + i * 22.0f + 9, y + 6.0f}, 9, 5, 2);
        Fill(c, bar, Solid(i < lit ? colour : Rgb(30, 40, 64)));
    }
}

static void DrawInfoPanel(Canvas& c, Fonts& fonts, int x0, const ShipFacts& f) {
    DrawPanel(c, {x0 + 4, 4, x0 + 188, 316}, kDeep, f.rim, 0);
    int cx = x0 + 96;
    DrawHeading(c, fonts, f.name, cx, 14, 30);
    TextLook role = BodyText();
    role.fill = Solid(f.rim);
    DrawTextCentred(c, fonts, f.role, 14, cx, 52, role);
    DrawShip(c, f.hull, {{float(cx), 108}, 1.15f});
    TextLook label = BodyText();
    label.fill = Solid(Mix(kText, kDeep, 0.35f));
    TextLook value = BodyText();
    value.fill = Solid(kIce);
    DrawText(c, fonts, "SPEED", 13, x0 + 20, 150, label);
    DrawText(c, fonts, f.speed, 20, x0 + 20, 166, value);
    DrawMeter(c, x0 + 20, 194, f.speedBars, f.rim);
    DrawText(c, fonts, "ARMOUR", 13, x0 + 20, 216, label);
    DrawText(c, fonts, f.armour, 20, x0 + 20, 232, value);
    DrawText(c, fonts, f.armourDetail, 13, x0 + 20, 258, BodyText());
    TextLook motto = BodyText();
    motto.fill = Solid(f.rim);
    DrawTextCentred(c, fonts, f.motto, 13, cx, 286, motto);
}

Canvas MakeShipInfo(Fonts& fonts) {
    Canvas c = MakeCanvas(384, 320);
    FillVertical(c, Rgb(4, 8, 22), Rgb(12, 20, 46));
    DrawInfoPanel(c, fonts, 0,
                  {Hull::Alpha, "ALPHA", "interceptor", "Fast", 5, "None", "one hit destroys it",
                   "Quick, but fragile.", kCyan});
    DrawInfoPanel(c, fonts, 192,
                  {Hull::Omega, "OMEGA", "guardian", "Slow", 2, "Heavy", "absorbs one hit",
                   "Slow, but tough.", kAmber});
    return c;
}
