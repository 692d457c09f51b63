// Motifs shared by several pictures: circuit boards, panels, the word mark, headings, prompts.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art.h"
#include "shapes.h"

using namespace Palette;

Colour VirusColour(int kind) {
    const Colour colours[4] = {kToxic, kCrimson, kViolet, kYellow};
    return colours[std::clamp(kind, 0, 3)];
}

Box BoxAround(Vec2 c, float reach) {
    return {int(c.x - reach) - 1, int(c.y - reach) - 1, int(c.x + reach) + 2, int(c.y + reach) + 2};
}

Box BoxAround(Vec2 a, Vec2 b, float reach) {
    return {int(std::min(a.x, b.x) - reach) - 1, int(std::min(a.y, b.y) - reach) - 1,
            int(std::max(a.x, b.x) + reach) + 2, int(std::max(a.y, b.y) + reach) + 2};
}

void FillVertical(Canvas& canvas, Colour top, Colour bottom) {
    for (int y = 0; y < canvas.height; ++y) {
        Colour c = Mix(top, bottom, (y + 0.5f) / canvas.height);
        for (int x = 0; x < canvas.width; ++x) At(canvas, x, y) = {c.r, c.g, c.b, 1.0f};
    }
}

// Circuit traces run on a 12-pixel grid in the eight directions, never crossing each other,
// and end in solder pads; a few of them carry a signal and glow.
struct TraceGrid {
    int columns = 0, rows = 0;
    std::vector<bool> used;
};

static bool Free(const TraceGrid& g, int c, int r) {
    return c >= 0 && r >= 0 && c < g.columns && r < g.rows && !g.used[size_t(r) * g.columns + c];
}

static void DrawTrace(Canvas& canvas, const std::vector<Vec2>& path, float brightness, bool live,
                      Random& random) {
    Colour trace = Scaled(kTrace, brightness);
    Colour glow = Scaled(kCyan, brightness);
    for (size_t i = 1; i < path.size(); ++i) {
        Field f = Capsule(path[i - 1], path[i], 1.1f);
        Box b = BoxAround(path[i - 1], path[i], live ? 14.0f : 3.0f);
        if (live) Glow(canvas, f, glow, 3.5f, 0.16f, b);
        Fill(canvas, f, Solid(live ? Mix(trace, glow, 0.55f) : trace), 1.0f, b);
    }
    for (Vec2 end : {path.front(), path.back()}) {
        Field pad = Ring(Circle(end, 2.6f), 1.0f);
        Fill(canvas, pad, Solid(Mix(trace, glow, live ? 0.8f : 0.25f)), 1.0f, BoxAround(end, 5));
    }
    if (live && path.size() > 2) {
        Vec2 spark = path[1 + NextInt(random, int(path.size()) - 2)];
        Glow(canvas, Circle(spark, 1.0f), kIce, 3.0f, 0.5f * brightness, BoxAround(spark, 24));
    }
}

void DrawCircuitBoard(Canvas& canvas, uint32_t seed, Box area, float brightness) {
    const int step = 12;
    TraceGrid grid{(area.x1 - area.x0) / step, (area.y1 - area.y0) / step, {}};
    grid.used.assign(size_t(grid.columns) * grid.rows, false);
    Random random{seed};
    const int dirs[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    int traces = grid.columns * grid.rows / 14;
    for (int t = 0; t < traces; ++t) {
        int c = NextInt(random, grid.columns), r = NextInt(random, grid.rows);
        if (!Free(grid, c, r)) continue;
        int dir = NextInt(random, 4) * 2;
        std::vector<Vec2> path{
            {area.x0 + c * step + step * 0.5f, area.y0 + r * step + step * 0.5f}};
        grid.used[size_t(r) * grid.columns + c] = true;
        int length = 3 + NextInt(random, 14), lastDir = -1;
        for (int s = 0; s < length; ++s) {
            if (NextFloat(random) < 0.18f) dir = (dir + (NextFloat(random) < 0.5f ? 1 : 7)) % 8;
            int nc = c + dirs[dir][0], nr = r + dirs[dir][1];
            if (!Free(grid, nc, nr)) break;
            c = nc, r = nr;
            grid.used[size_t(r) * grid.columns + c] = true;
            Vec2 p{area.x0 + c * step + step * 0.5f, area.y0 + r * step + step * 0.5f};
            if (dir == lastDir)
                path.back() = p;  // still straight: lengthen the last segment
            else
                path.push_back(p);
            lastDir = dir;
        }
        if (path.size() >= 2)
            DrawTrace(canvas, path, brightness, NextFloat(random) < 0.12f, random);
    }
}

void DrawScanlines(Canvas& canvas, float strength) {
    for (int y = 1; y < canvas.height; y += 3)
        for (int x = 0; x < canvas.width; ++x) {
            Pixel& p = At(canvas, x, y);
            p.r *= 1 - strength, p.g *= 1 - strength, p.b *= 1 - strength;
        }
}

void DrawPanel(Canvas& canvas, Box box, Colour fill, Colour rim, float glow) {
    Vec2 centre{(box.x0 + box.x1) * 0.5f, (box.y0 + box.y1) * 0.5f};
    float hw = (box.x1 - box.x0) * 0.5f, hh = (box.y1 - box.y0) * 0.5f;
    Field panel = ChamferBox(centre, hw, hh, std::min(12.0f, hh * 0.5f));
    Box around{box.x0 - 40, box.y0 - 40, box.x1 + 40, box.y1 + 40};
    if (glow > 0) Glow(canvas, panel, rim, 7.0f, glow, around);
    Fill(canvas, panel,
         LinearGradient({0, float(box.y0)}, Mix(fill, rim, 0.08f), {0, float(box.y1)},
                        Scaled(fill, 0.8f)),
         1.0f, around);
    Fill(canvas, Ring(Grow(panel, -1.5f), 1.0f), Solid(rim), 1.0f, around);
    Field inner = Ring(Grow(panel, -5.0f), 0.5f);
    Fill(canvas, inner, Solid(rim), 0.25f, around);
}

// Rows of a mask that hold ink.
static void InkRows(const Mask& mask, int& top, int& bottom) {
    top = mask.height, bottom = 0;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.values[size_t(y) * mask.width + x] > 0.5f) {
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
}

// Chrome: pale sky above a hard horizon at the middle, deep blue below rising to cyan.
static Paint Chrome(float top, float bottom) {
    return [=](Vec2 p) {
        float t = std::clamp((p.y - top) / std::max(bottom - top, 1.0f), 0.0f, 1.0f);
        if (t < 0.52f) return Mix(Rgb(255, 255, 255), Rgb(120, 214, 255), t / 0.52f);
        return Mix(Rgb(16, 64, 150), Rgb(120, 240, 255), (t - 0.52f) / 0.48f);
    };
}

void DrawWordmark(Canvas& canvas, Fonts& fonts, int centreX, int top, int size) {
    const std::string name = "QUELLFORT";
    int left = centreX - TextWidth(fonts, name, size) / 2;
    int inkTop = 0, inkBottom = 0;
    InkRows(RenderText(fonts, name, size), inkTop, inkBottom);
    TextLook look;
    look.fill = Chrome(float(top + inkTop), float(top + inkBottom));
    look.outline = std::max(2, size / 30);
    look.outlineColour = kInk;
    look.glowRadius = std::max(4, size / 10);
    look.glowColour = kCyan;
    look.glowStrength = 1.4f;
    DrawText(canvas, fonts, name, size, left, top, look);
    // A glint on the horizon line, across the whole word.
    float y = top + inkTop + (inkBottom - inkTop) * 0.52f;
    int width = TextWidth(fonts, name, size);
    Field flare = Ellipse({float(centreX), y}, width * 0.55f, 1.2f);
    Glow(canvas, flare, kCyan, 3.0f, 0.5f,
         {left - 80, int(y) - 30, left + width + 80, int(y) + 30});
    Glow(canvas, Circle({float(left + width * 0.73f), y}, 1.0f), kIce, 5.0f, 0.9f,
         BoxAround({float(left + width * 0.73f), y}, 60));
}

void DrawHeading(Canvas& canvas, Fonts& fonts, const std::string& text, int centreX, int top,
                 int size) {
    TextLook look;
    look.fill =
        LinearGradient({0, float(top + size * 0.25f)}, kIce, {0, float(top + size * 1.1f)}, kCyan);
    look.outline = 2;
    look.outlineColour = kInk;
    look.glowRadius = 5;
    look.glowColour = kCyan;
    look.glowStrength = 0.9f;
    DrawTextCentred(canvas, fonts, text, size, centreX, top, look);
}

void DrawPrompt(Canvas& canvas, Fonts& fonts, const std::string& text, int centreX, int top) {
    const int size = 24;
    TextLook look;
    look.fill =
        LinearGradient({0, float(top + 6)}, Rgb(255, 236, 160), {0, float(top + 26)}, kAmber);
    look.outline = 2;
    look.outlineColour = kInk;
    look.glowRadius = 4;
    look.glowColour = kFire;
    look.glowStrength = 0.6f;
    int left = DrawTextCentred(canvas, fonts, text, size, centreX, top, look);
    int right = left + TextWidth(fonts, text, size);
    float y = top + size * 0.62f;
    for (int side = -1; side <= 1; side += 2) {
        float x = side < 0 ? left - 18.0f : right + 18.0f;
        Field chevron = Polygon({{x - 6.0f * side, y - 7},
                                 {x + 4.0f * side, y},
                                 {x - 6.0f * side, y + 7},
                                 {x - 3.0f * side, y}});
        Glow(canvas, chevron, kFire, 3.0f, 0.5f, BoxAround({x, y}, 24));
        Fill(canvas, chevron, Solid(kAmber), 1.0f, BoxAround({x, y}, 10));
    }
}

TextLook BodyText() {
    TextLook look;
    look.fill = Solid(kText);
    look.shadow = 2;
    return look;
}

void PlaceCell(Canvas& strip, Canvas cell, int index) {
    OutlineSprite(cell, kInk);
    Paste(strip, cell, index * cell.width, 0);
}
