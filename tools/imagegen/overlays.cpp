// The 400 x 200 pictures laid over the playfield: get ready, go, level clear, paused.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

// A chamfered badge with a neon rim and bracketed corners; everything outside it is keyed.
static void DrawBadge(Canvas& c, float hw, float hh, Colour rim) {
    Vec2 centre{200, 100};
    Field badge = ChamferBox(centre, hw, hh, 16);
    Fill(c, badge, Solid(kInk));
    Field inner = Grow(badge, -3);
    Fill(c, inner, LinearGradient({0, 100 - hh}, Mix(kNavy, rim, 0.18f), {0, 100 + hh}, kDeep));
    Glow(c, Ring(inner, 0.5f), rim, 4.0f, 0.35f);
    // Scan lines across the glass.
    for (float y = 100 - hh + 6; y < 100 + hh - 4; y += 4)
        Fill(c, Intersect(inner, Capsule({0, y}, {400, y}, 0.5f)), Solid(rim), 0.07f);
    Fill(c, Ring(inner, 1.2f), Solid(rim));
    Fill(c, Ring(Grow(badge, -8), 0.5f), Solid(rim), 0.35f);
    for (float sx : {-1.0f, 1.0f})
        for (float sy : {-1.0f, 1.0f}) {
            Vec2 corner{200 + sx * (hw + 6), 100 + sy * (hh + 6)};
            Field bracket = Union(Capsule(corner, corner - Vec2{sx * 22, 0}, 1.6f),
                                  Capsule(corner, corner - Vec2{0, sy * 14}, 1.6f));
            Fill(c, Grow(bracket, 1.5f), Solid(kInk));
            Fill(c, bracket, Solid(Mix(rim, kIce, 0.4f)));
        }
}

static TextLook BigLook(Colour top, Colour bottom, int y, int size) {
    TextLook look;
    look.fill = LinearGradient({0, y + size * 0.3f}, top, {0, y + size * 1.05f}, bottom);
    look.outline = std::max(2, size / 18);
    look.outlineColour = kInk;
    look.glowRadius = 3;
    look.glowColour = bottom;
    look.glowStrength = 0.5f;
    return look;
}

static void Caption(Canvas& c, Fonts& fonts, const std::string& text, int y, Colour colour) {
    TextLook look;
    look.fill = Solid(colour);
    DrawTextCentred(c, fonts, text, 16, 200, y, look);
}

Canvas MakeLevelIntro1(Fonts& fonts) {
    Canvas c = MakeCanvas(400, 200);
    DrawBadge(c, 168, 52, kCyan);
    DrawTextCentred(c, fonts, "GET READY", 46, 200, 54, BigLook(kIce, kCyan, 54, 46));
    Caption(c, fonts, "Viruses entering the system", 112, kText);
    return c;
}

Canvas MakeLevelIntro2(Fonts& fonts) {
    Canvas c = MakeCanvas(400, 200);
    // Speed streaks either side of the word.
    for (int i = 0; i < 4; ++i)
        for (float side : {-1.0f, 1.0f}) {
            float y = 72.0f + i * 18, x0 = 200 + side * (112 + (i % 2) * 12);
            Field streak = Capsule({x0, y}, {x0 + side * (60.0f - i * 8), y}, 3.0f);
            Fill(c, Grow(streak, 2), Solid(kInk));
            Fill(c, streak,
                 LinearGradient({x0, y}, Rgb(255, 240, 170), {x0 + side * 60, y}, kFire));
        }
    DrawTextCentred(c, fonts, "GO!", 112, 204, 20, BigLook(Rgb(255, 250, 200), kAmber, 20, 112));
    return c;
}

Canvas MakeLevelClear(Fonts& fonts) {
    Canvas c = MakeCanvas(400, 200);
    DrawBadge(c, 176, 52, kAmber);
    DrawTextCentred(c, fonts, "LEVEL CLEAR", 40, 200, 56,
                    BigLook(Rgb(255, 248, 210), kAmber, 56, 40));
    Caption(c, fonts, "Sector purged. Next wave incoming", 110, Rgb(255, 226, 160));
    return c;
}

Canvas MakePause(Fonts& fonts) {
    Canvas c = MakeCanvas(400, 200);
    DrawBadge(c, 150, 52, kCyan);
    for (float x : {92.0f, 110.0f}) {
        Field bar = RoundBox({x, 88}, 5, 18, 2);
        Fill(c, bar, Bevel(bar, Solid(kCyan), 2.0f));
    }
    TextLook look = BigLook(kIce, kCyan, 58, 44);
    DrawText(c, fonts, "PAUSED", 44, 134, 58, look);
    Caption(c, fonts, "Press P to resume", 116, kText);
    return c;
}
