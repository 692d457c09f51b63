// The two defender ships: the slim alpha interceptor and the armoured omega, their sprite
// strips (materialising, banking, exploding) and the spare-ship icon.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

// Ship parts are drawn in ship units (pixels of the 64-pixel sprite, centre at 0, nose up)
// and seen through the pose: rolled about the long axis, scaled, squeezed.
struct ShipView {
    ShipPose pose;
    float sinRoll = 0, cosRoll = 1;
};

static ShipView ViewOf(const ShipPose& pose) {
    float angle = pose.roll * 1.0f;  // fully banked: about 57 degrees
    return {pose, std::sin(angle), std::cos(angle)};
}

static Vec2 ToShip(const ShipView& v, Vec2 p, float z) {
    float x = (p.x - v.pose.centre.x) / (v.pose.scale * v.pose.squash);
    float u = (x - z * v.sinRoll) / v.cosRoll;
    // The wing that dips also moves away and looks shorter.
    if (u * v.sinRoll > 0) u /= 1.0f - 0.22f * std::fabs(v.sinRoll);
    return {u, (p.y - v.pose.centre.y) / v.pose.scale};
}

// A part at height z above the wings: the higher it sits, the further a roll moves it aside.
static Field Part(const ShipView& v, Field local, float z = 0) {
    float scale = v.pose.scale * std::min(v.pose.squash * v.cosRoll, 1.0f);
    return [=](Vec2 p) { return local(ToShip(v, p, z)) * scale; };
}

// The wing that rolls up towards the light brightens, the other darkens.
static Paint Lit(const ShipView& v, Paint base) {
    return [=](Vec2 p) {
        float side = std::clamp(ToShip(v, p, 0).x / 18.0f, -1.0f, 1.0f);
        return Scaled(base(p), 1.0f - 0.6f * v.sinRoll * side);
    };
}

static void Layer(Canvas& c, const ShipView& v, Field local, Colour colour, float bevel,
                  float z = 0) {
    Field f = Part(v, local, z);
    Fill(c, f, Lit(v, Bevel(f, Solid(colour), bevel * v.pose.scale)));
}

static void Flat(Canvas& c, const ShipView& v, Field local, Paint paint, float z = 0) {
    Fill(c, Part(v, local, z), paint);
}

static void Exhaust(Canvas& c, const ShipView& v, Vec2 at, float length, Colour hot) {
    Field flame = Part(v, Ellipse({at.x, at.y + length * 0.5f}, length * 0.3f, length * 0.7f));
    Vec2 tip{v.pose.centre.x + at.x * v.pose.scale, v.pose.centre.y + at.y * v.pose.scale};
    Fill(c, flame, RadialGradient(tip, length * v.pose.scale * 1.2f, kIce, hot));
    Fill(c, Part(v, Ellipse({at.x, at.y + length * 0.3f}, length * 0.14f, length * 0.35f)),
         Solid(Rgb(255, 255, 255)));
}

static void DrawAlpha(Canvas& c, const ShipView& v) {
    const Colour hull = Rgb(206, 220, 238), dark = Rgb(44, 58, 92);
    for (float side : {-1.0f, 1.0f}) Exhaust(c, v, {4.2f * side, 21.5f}, 7.0f, kCyan);
    Field wing = MirroredPolygon({{5, -2}, {16, 7}, {28, 14}, {28.5f, 20}, {22, 21}, {6, 17}}, 0);
    Layer(c, v, wing, Mix(hull, kSteel, 0.35f), 2.5f);
    Field canard = MirroredPolygon({{5, -13}, {11, -6}, {11, -3}, {5, -4}}, 0);
    Layer(c, v, canard, kSteel, 1.5f);
    for (float side : {-1.0f, 1.0f}) {
        Layer(c, v, Capsule({25.5f * side, 3}, {25.5f * side, 19}, 1.9f), dark, 1.0f, 0.5f);
        Flat(c, v, Circle({25.5f * side, 3}, 1.2f), Solid(kCyan), 0.5f);
        Flat(c, v, Capsule({9.5f * side, 5.5f}, {22 * side, 14.5f}, 1.1f), Solid(kCyan), 0.2f);
        Layer(c, v, Capsule({4.2f * side, 12}, {4.2f * side, 21}, 3.0f), dark, 1.2f, 0.5f);
    }
    Field body = MirroredPolygon(
        {{0, -29}, {3, -22}, {5.5f, -10}, {6.6f, 4}, {6, 16}, {3.5f, 22}, {0, 23}}, 0);
    Layer(c, v, body, hull, 3.5f, 3.0f);
    Flat(c, v, Capsule({0, -2}, {0, 15}, 0.6f), Solid(dark), 4.0f);
    Field canopy = Ellipse({0, -11}, 3.1f, 6.8f);
    Flat(c, v, canopy,
         LinearGradient({0, v.pose.centre.y - 17 * v.pose.scale}, kIce,
                        {0, v.pose.centre.y - 5 * v.pose.scale}, Rgb(20, 90, 170)),
         6.0f);
    Flat(c, v, Ellipse({-0.9f, -13}, 0.9f, 2.4f), Solid(Rgb(255, 255, 255)), 6.3f);
}

static void DrawOmega(Canvas& c, const ShipView& v) {
    const Colour hull = Rgb(108, 122, 150), plate = Rgb(232, 158, 40), dark = Rgb(38, 42, 58);
    const Colour seam = Rgb(96, 52, 10);
    for (float x : {-6.5f, 0.0f, 6.5f}) Exhaust(c, v, {x, 25.0f}, 6.0f, kFire);
    // Heavy forward-swept wings carrying the cannons at their tips.
    Field wing = MirroredPolygon({{8, -2}, {22, -12}, {30, -9}, {30, 14}, {25, 21}, {8, 20}}, 0);
    Layer(c, v, wing, hull, 2.5f);
    for (float side : {-1.0f, 1.0f}) {
        Layer(c, v, Capsule({26.5f * side, -27}, {26.5f * side, -8}, 2.4f), dark, 1.2f, 1.0f);
        Flat(c, v, Capsule({26.5f * side, -28}, {26.5f * side, -25.5f}, 1.3f), Solid(kAmber), 1.1f);
        Field armour = Polygon({{11 * side, 0},
                                {22 * side, -7.5f},
                                {27.5f * side, -5.5f},
                                {27.5f * side, 12},
                                {23.5f * side, 17.5f},
                                {11 * side, 17}});
        Layer(c, v, armour, plate, 2.0f, 0.8f);
        Flat(c, v, Capsule({11 * side, 8}, {27.5f * side, 8}, 0.6f), Solid(seam), 0.9f);
        Flat(c, v, Capsule({19 * side, -3.5f}, {19 * side, 17}, 0.6f), Solid(seam), 0.9f);
    }
    Field engine = RoundBox({0, 20}, 11, 5.5f, 2);
    Layer(c, v, engine, dark, 2.0f, 1.0f);
    Field body =
        MirroredPolygon({{0, -27}, {4, -25}, {8, -15}, {9.5f, -2}, {10, 16}, {7, 22}, {0, 23}}, 0);
    Layer(c, v, body, hull, 4.0f, 3.0f);
    Field spine = MirroredPolygon({{0, -20}, {3.8f, -16}, {5, 10}, {2.5f, 17}, {0, 18}}, 0);
    Layer(c, v, spine, plate, 2.0f, 4.5f);
    Field canopy = RoundBox({0, -11}, 2.8f, 4.6f, 1.8f);
    Flat(c, v, canopy,
         LinearGradient({0, v.pose.centre.y - 16 * v.pose.scale}, Rgb(255, 236, 180),
                        {0, v.pose.centre.y - 6 * v.pose.scale}, Rgb(150, 70, 10)),
         6.0f);
    Flat(c, v, Capsule({0, 0}, {0, 14}, 0.6f), Solid(seam), 5.0f);
}

void DrawShip(Canvas& canvas, Hull hull, const ShipPose& pose) {
    ShipView view = ViewOf(pose);
    if (hull == Hull::Alpha)
        DrawAlpha(canvas, view);
    else
        DrawOmega(canvas, view);
}

// The ship beams in: scan lines of its silhouette, then a glowing ghost, then the ship itself
// still overexposed. `step` is 0, 1 or 2.
static Canvas MaterialiseCell(Hull hull, int step) {
    Canvas ship = MakeCanvas(64, 64);
    DrawShip(ship, hull, {{32, 32}});
    const float detail[3] = {0.0f, 0.35f, 0.8f};
    const int keepEvery[3] = {3, 2, 1};
    Canvas cell = MakeCanvas(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            Pixel s = At(ship, x, y);
            if (s.a < 0.5f || y % keepEvery[step] != 0) continue;
            Colour own{s.r / s.a, s.g / s.a, s.b / s.a};
            Colour beam = Mix(kCyan, kIce, (y % 6) / 6.0f);
            At(cell, x, y) = Pixel{0, 0, 0, 1};
            BlendPixel(cell, x, y, Mix(beam, own, detail[step]), 1.0f);
        }
    // The beam's glint across the middle of the ship.
    float glint = 8.0f - 2.5f * step;
    Fill(cell, Ellipse({32, 40.0f - 8 * step}, 30, 1.2f), Solid(kIce), 1.0f);
    Fill(cell, Ellipse({32, 40.0f - 8 * step}, glint, 2.2f), Solid(Rgb(255, 255, 255)), 1.0f);
    return cell;
}

static Canvas ExplosionCell(Hull hull, int step) {
    Canvas cell = MakeCanvas(64, 64);
    Colour hot = hull == Hull::Alpha ? Rgb(255, 150, 60) : kFire;
    Colour debris = hull == Hull::Alpha ? Rgb(206, 220, 238) : Rgb(226, 152, 40);
    const float times[4] = {0.08f, 0.34f, 0.64f, 0.93f};
    if (step == 0) DrawShip(cell, hull, {{32, 32}});
    DrawExplosion(cell, {32, 32}, 29, times[step], hot, debris, hull == Hull::Alpha ? 11u : 23u);
    return cell;
}

Canvas MakeShipStrip(Hull hull) {
    Canvas strip = MakeCanvas(896, 64);
    for (int step = 0; step < 3; ++step) PlaceCell(strip, MaterialiseCell(hull, step), step);
    // Cells 3..5 bank left, ever steeper; 6 flies level; 7..9 bank right.
    const float rolls[7] = {-0.35f, -0.68f, -1.0f, 0.0f, 0.35f, 0.68f, 1.0f};
    for (int i = 0; i < 7; ++i) {
        Canvas cell = MakeCanvas(64, 64);
        DrawShip(cell, hull, {{32, 32}, 1.0f, rolls[i]});
        PlaceCell(strip, cell, 3 + i);
    }
    for (int step = 0; step < 4; ++step) PlaceCell(strip, ExplosionCell(hull, step), 10 + step);
    return strip;
}

Canvas MakeLifeIcon() {
    Canvas icon = MakeCanvas(32, 32);
    DrawShip(icon, Hull::Alpha, {{16, 16.5f}, 0.47f});
    OutlineSprite(icon, kInk);
    return icon;
}
