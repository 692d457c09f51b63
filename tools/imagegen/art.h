// The look of Quellfort: one palette, the shared motifs, and one function per picture family.
#pragma once

#include <string>

#include "canvas.h"
#include "text.h"

// The palette. Deep navy space inside the machine, cyan for the defender and its interface,
// hot orange for the firewalls, one acid colour per kind of virus.
namespace Palette {
inline const Colour kInk = Rgb(6, 8, 20);    // outlines, darkest shade
inline const Colour kDeep = Rgb(7, 11, 28);  // screen base
inline const Colour kNavy = Rgb(18, 30, 66);
inline const Colour kTrace = Rgb(22, 74, 96);   // circuit traces
inline const Colour kCyan = Rgb(56, 226, 255);  // the defender, headings, frames
inline const Colour kIce = Rgb(210, 248, 255);  // highlights
inline const Colour kSteel = Rgb(150, 168, 196);
inline const Colour kGunmetal = Rgb(70, 80, 102);
inline const Colour kAmber = Rgb(255, 178, 36);  // the omega ship, prompts, gold
inline const Colour kFire = Rgb(255, 104, 20);   // firewalls, flames
inline const Colour kEmber = Rgb(150, 24, 8);
inline const Colour kToxic = Rgb(120, 255, 70);   // virus kind 0
inline const Colour kCrimson = Rgb(255, 52, 84);  // virus kind 1
inline const Colour kViolet = Rgb(172, 86, 255);  // virus kind 2
inline const Colour kYellow = Rgb(255, 214, 40);  // virus kind 3
inline const Colour kPanelLight = Rgb(222, 234, 244);
inline const Colour kText = Rgb(176, 204, 232);  // body text on dark screens
}  // namespace Palette

Colour VirusColour(int kind);

// Shared motifs (motifs.cpp).
Box BoxAround(Vec2 centre, float reach);
Box BoxAround(Vec2 a, Vec2 b, float reach);
void FillVertical(Canvas& canvas, Colour top, Colour bottom);
void DrawCircuitBoard(Canvas& canvas, uint32_t seed, Box area, float brightness);
void DrawScanlines(Canvas& canvas, float strength);
// A chamfered panel: dark glassy fill, a neon rim and a soft glow around it.
void DrawPanel(Canvas& canvas, Box box, Colour fill, Colour rim, float glow);
void DrawWordmark(Canvas& canvas, Fonts& fonts, int centreX, int top, int size);
void DrawHeading(Canvas& canvas, Fonts& fonts, const std::string& text, int centreX, int top,
                 int size);
void DrawPrompt(Canvas& canvas, Fonts& fonts, const std::string& text, int centreX, int top);
TextLook BodyText();
// Finishes a sprite cell for keying (outline, hard edge) and puts it into its strip.
void PlaceCell(Canvas& strip, Canvas cell, int index);

// Ships (ships.cpp).
enum class Hull { Alpha, Omega };
struct ShipPose {
    Vec2 centre;
    float scale = 1;   // 1: the 64-pixel sprite
    float roll = 0;    // -1 fully banked left .. 1 fully banked right
    float squash = 1;  // horizontal squeeze, for the turning disk
};
void DrawShip(Canvas& canvas, Hull hull, const ShipPose& pose);
Canvas MakeShipStrip(Hull hull);
Canvas MakeLifeIcon();

// Viruses (viruses.cpp): phase 0 and 1 are the living cycle, 2 the flash.
void DrawVirus(Canvas& canvas, int kind, Vec2 centre, float scale, int phase);
Canvas MakeVirusStrip(int kind);

// Explosions (explosions.cpp), t from 0 (flash) to 1 (last embers).
void DrawExplosion(Canvas& canvas, Vec2 centre, float size, float t, Colour hot, Colour debris,
                   uint32_t seed);
void DrawDisintegration(Canvas& canvas, Vec2 centre, float t, Colour body, uint32_t seed);

// Items (items.cpp).
Canvas MakeShield();
Canvas MakeBullets();
Canvas MakeExtraLife(Fonts& fonts);
Canvas MakeExtraGun(Fonts& fonts);

// Overlays over the playfield, 400 x 200 keyed (overlays.cpp).
Canvas MakeLevelIntro1(Fonts& fonts);
Canvas MakeLevelIntro2(Fonts& fonts);
Canvas MakeLevelClear(Fonts& fonts);
Canvas MakePause(Fonts& fonts);

// Full screens (screens.cpp, shipselect.cpp, backgrounds.cpp).
Canvas MakeIntro(Fonts& fonts);
Canvas MakeTitle(Fonts& fonts);
Canvas MakeStory(Fonts& fonts);
Canvas MakeGameOver(Fonts& fonts);
Canvas MakeSelect(Fonts& fonts);
Canvas MakeShipDisks();
Canvas MakeShipInfo(Fonts& fonts);
Canvas MakeBackground(Fonts& fonts, int number);
