// The full-screen pictures around play: intro, title, story and game over.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "shapes.h"

using namespace Palette;

// Every screen stands on the same dim circuit board.
static Canvas Backdrop(uint32_t seed, Colour top, Colour bottom) {
    Canvas c = MakeCanvas(800, 600);
    FillVertical(c, top, bottom);
    DrawCircuitBoard(c, seed, {0, 0, 800, 600}, 0.5f);
    Vignette(c, 0.6f);
    return c;
}

// The ship climbing out of the bottom of a screen, with its exhaust glow and a shot above it.
static void DrawHeroShip(Canvas& c, Hull hull, Vec2 at, float scale) {
    Glow(c, Ellipse(at + Vec2{0, 30 * scale}, 6 * scale, 10 * scale), kCyan, 12 * scale, 0.6f,
         BoxAround(at, 120 * scale));
    DrawShip(c, hull, {at, scale});
}

Canvas MakeIntro(Fonts& fonts) {
    Canvas c = Backdrop(2024u, Rgb(2, 4, 14), Rgb(8, 16, 40));
    Glow(c, Ellipse({400, 250}, 330, 2), kCyan, 30.0f, 0.25f);
    TextLook small;
    small.fill = Solid(kCyan);
    DrawTextCentred(c, fonts, "S Y S T E M   D E F E N C E   P R O T O C O L", 16, 400, 150, small);
    DrawWordmark(c, fonts, 400, 180, 100);
    DrawHeroShip(c, Hull::Alpha, {400, 440}, 2.0f);
    for (int i = 0; i < 4; ++i) {
        float x = 180.0f + i * 146, y = 360 + (i % 2) * 40;
        if (i == 1 || i == 2) continue;
        DrawVirus(c, i, {x, y}, 0.9f, 0);
    }
    TextLook boot = BodyText();
    boot.fill = Solid(Mix(kText, kDeep, 0.3f));
    DrawText(c, fonts, "> mounting firewalls ... ok", 14, 24, 540, boot);
    DrawText(c, fonts, "> defender online_", 14, 24, 560, boot);
    return c;
}

// The high-score rows are written in black at x 300..560, y 280..416: they need a light panel.
static void DrawScorePanel(Canvas& c) {
    const Box box{272, 264, 592, 432};
    Vec2 centre{(box.x0 + box.x1) * 0.5f, (box.y0 + box.y1) * 0.5f};
    Field panel = ChamferBox(centre, (box.x1 - box.x0) * 0.5f, (box.y1 - box.y0) * 0.5f, 14);
    Glow(c, panel, kCyan, 10.0f, 0.5f, {box.x0 - 70, box.y0 - 70, box.x1 + 70, box.y1 + 70});
    Fill(c, Grow(panel, 3), Solid(kInk));
    Fill(c, panel, LinearGradient({0, 264}, Rgb(236, 244, 250), {0, 432}, Rgb(206, 220, 234)));
    for (int row = 0; row < 5; row += 2)
        Fill(c, RoundBox({432, 304 + 23.0f * row + 11.5f}, 148, 11.5f, 3),
             Solid(Rgb(190, 212, 230)), 0.45f);
    Fill(c, Capsule({300, 302}, {564, 302}, 0.8f), Solid(Rgb(96, 168, 214)));
    Fill(c, Ring(Grow(panel, -1), 1.2f), Solid(kCyan));
    Fill(c, Ring(Grow(panel, -6), 0.5f), Solid(Rgb(120, 170, 210)), 0.8f);
}

Canvas MakeTitle(Fonts& fonts) {
    Canvas c = Backdrop(77u, Rgb(2, 4, 14), Rgb(10, 18, 44));
    Glow(c, Ellipse({400, 130}, 300, 40), Rgb(20, 60, 120), 60.0f, 0.35f);
    DrawWordmark(c, fonts, 400, 52, 104);
    TextLook sub = BodyText();
    sub.fill = Solid(kCyan);
    DrawTextCentred(c, fonts, "Guard the source. Purge the invaders.", 20, 400, 192, sub);
    DrawScorePanel(c);
    DrawVirus(c, 0, {150, 300}, 1.25f, 0);
    DrawVirus(c, 2, {110, 410}, 1.1f, 1);
    DrawVirus(c, 1, {660, 290}, 1.2f, 1);
    DrawVirus(c, 3, {700, 410}, 1.15f, 0);
    DrawPrompt(c, fonts, "Press Enter", 400, 456);
    DrawHeroShip(c, Hull::Alpha, {400, 548}, 1.1f);
    return c;
}

Canvas MakeStory(Fonts& fonts) {
    Canvas c = Backdrop(555u, Rgb(2, 4, 14), Rgb(10, 16, 40));
    DrawHeading(c, fonts, "INTRUSION DETECTED", 400, 44, 40);
    DrawPanel(c, {84, 124, 716, 470}, Rgb(8, 16, 36), kCyan, 0.3f);
    const char* lines[] = {
        "Something has slipped past the gateway.",
        "Thirty viruses are marching through memory,",
        "row by row, down towards the core.",
        "",
        "Three firewalls still stand in their way.",
        "They will not stand for long.",
        "",
        "You fly the last defender of Quellfort,",
        "the fortress that guards the source.",
        "Hold the line. Purge them all.",
    };
    int y = 146;
    for (const char* line : lines) {
        TextLook look = BodyText();
        if (y > 146 + 6 * 31) look.fill = Solid(kIce);
        DrawText(c, fonts, line, 21, 120, y, look);
        y += 31;
    }
    // The game in miniature: the formation on the left, the defender on the right.
    for (int i = 0; i < 4; ++i)
        DrawVirus(c, i, {64.0f + i * 44, 526.0f + (i % 2) * 10}, 0.6f, i % 2);
    DrawShip(c, Hull::Alpha, {{724, 540}, 0.8f});
    DrawShip(c, Hull::Omega, {{660, 548}, 0.7f});
    DrawPrompt(c, fonts, "Press Enter", 400, 512);
    return c;
}

// Torn rows: the screen glitches where the viruses have got in.
static void DrawGlitches(Canvas& c, uint32_t seed) {
    Random random{seed};
    for (int i = 0; i < 26; ++i) {
        int y0 = NextInt(random, 600), h = 1 + NextInt(random, 5), shift = NextInt(random, 40) - 20;
        Colour tint = i % 3 ? Rgb(255, 40, 80) : kCyan;
        for (int y = y0; y < std::min(600, y0 + h); ++y) {
            std::vector<Pixel> row(c.pixels.begin() + y * 800, c.pixels.begin() + (y + 1) * 800);
            for (int x = 0; x < 800; ++x) {
                At(c, x, y) = row[std::clamp(x - shift, 0, 799)];
                BlendPixel(c, x, y, tint, 0.06f);
            }
        }
    }
}

Canvas MakeGameOver(Fonts& fonts) {
    Canvas c = Backdrop(666u, Rgb(16, 2, 10), Rgb(34, 6, 22));
    Glow(c, Ellipse({400, 210}, 280, 30), Rgb(150, 20, 40), 60.0f, 0.4f);
    for (int i = 0; i < 4; ++i)
        DrawVirus(c, i, {130.0f + i * 180, 300.0f + (i % 2) * 18}, 0.95f, i % 2);
    TextLook look;
    look.fill = LinearGradient({0, 140}, Rgb(255, 240, 240), {0, 230}, Rgb(255, 40, 70));
    look.outline = 4;
    look.outlineColour = kInk;
    look.glowRadius = 10;
    look.glowColour = Rgb(255, 30, 60);
    look.glowStrength = 1.2f;
    DrawGlitches(c, 13u);
    DrawTextCentred(c, fonts, "GAME OVER", 100, 400, 100, look);
    DrawTextCentred(c, fonts, "The viruses have taken the system.", 22, 400, 236, BodyText());
    // The dark band that carries the white name prompt (x 135..about 600, y 400..419).
    Field band = ChamferBox({400, 410}, 300, 26, 10);
    Glow(c, band, Rgb(255, 40, 70), 8.0f, 0.4f, {60, 340, 740, 480});
    Fill(c, band, Solid(Rgb(4, 4, 12)));
    Fill(c, Ring(Grow(band, -1), 1.0f), Solid(Rgb(255, 60, 90)));
    for (float x : {116.0f, 684.0f}) {
        Field cap = RoundBox({x, 410}, 3, 14, 1.5f);
        Fill(c, cap, Bevel(cap, Solid(Rgb(255, 70, 100)), 1.5f));
    }
    DrawPrompt(c, fonts, "Press Enter", 400, 500);
    return c;
}
