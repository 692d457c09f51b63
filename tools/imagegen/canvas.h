// Raster helpers of the picture generator: a float canvas, shapes as signed distance fields,
// paints, coverage masks, glow, and the conversion to 8-bit pixels for the BMP writer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Vec2 {
    float x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
float Dot(Vec2 a, Vec2 b);
float Length(Vec2 a);
Vec2 Rotated(Vec2 a, float radians);

// Channels 0..1, not premultiplied.
struct Colour {
    float r = 0, g = 0, b = 0;
};
Colour Rgb(int r, int g, int b);
Colour Mix(Colour a, Colour b, float t);
Colour Scaled(Colour c, float s);
Colour Plus(Colour a, Colour b);

// Premultiplied: a pixel with alpha 0 is empty.
struct Pixel {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Canvas {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
};

// Pixel-space box, right and bottom exclusive.
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// A shape: signed distance in pixels from a point to its outline, negative inside.
using Field = std::function<float(Vec2)>;
// A colour for every point of a shape.
using Paint = std::function<Colour(Vec2)>;

Canvas MakeCanvas(int width, int height);               // transparent
Canvas MakeCanvas(int width, int height, Colour fill);  // opaque
Pixel& At(Canvas& canvas, int x, int y);
// Source-over at one pixel, with the colour's own opacity.
void BlendPixel(Canvas& canvas, int x, int y, Colour c, float alpha);
// Adds light: brightens what is there and, on a transparent canvas, makes it more opaque.
void AddPixel(Canvas& canvas, int x, int y, Colour c, float amount);

// Anti-aliased fill of a shape, coverage from the distance at each pixel centre.
void Fill(Canvas& canvas, const Field& shape, const Paint& paint, float opacity = 1.0f);
void Fill(Canvas& canvas, const Field& shape, const Paint& paint, float opacity, Box bounds);
void Fill(Canvas& canvas, const Field& shape, Colour colour, float opacity = 1.0f);
// A soft halo that falls off with distance outside the shape (and is full inside).
void Glow(Canvas& canvas, const Field& shape, Colour colour, float radius, float strength);
void Glow(Canvas& canvas, const Field& shape, Colour colour, float radius, float strength,
          Box bounds);
// Darkens towards the edges of the canvas.
void Vignette(Canvas& canvas, float strength);
// Copies a canvas onto another at (x, y), source-over.
void Paste(Canvas& target, const Canvas& source, int x, int y);

// Paints.
Paint Solid(Colour c);
Paint LinearGradient(Vec2 from, Colour c0, Vec2 to, Colour c1);
Paint RadialGradient(Vec2 centre, float radius, Colour inner, Colour outer);
// Lit relief: the shape rises over `bevel` pixels from its outline, lit from the upper left.
Paint Bevel(const Field& shape, Paint base, float bevel, Vec2 light = {-0.55f, -0.8f});

// Coverage masks (text, blurred glows).
struct Mask {
    int width = 0, height = 0;
    std::vector<float> values;
};
Mask MakeMask(int width, int height);
Mask BlurMask(const Mask& mask, int radius);  // three box passes, close to a gaussian
Mask GrowMask(const Mask& mask, int radius);  // the largest value within a square
Mask PadMask(const Mask& mask, int border);   // more room around, for glows and outlines
void DrawMask(Canvas& canvas, const Mask& mask, int x, int y, const Paint& paint,
              float opacity = 1.0f);
void GlowMask(Canvas& canvas, const Mask& mask, int x, int y, Colour colour, float strength);

// Deterministic pseudo-random numbers (xorshift32).
struct Random {
    uint32_t state = 0x9E3779B9u;
};
float NextFloat(Random& random);  // 0 <= value < 1
float NextRange(Random& random, float lo, float hi);
int NextInt(Random& random, int count);  // 0 <= value < count
// Smooth value noise in 0..1 with features about one unit apart, and its sum over octaves.
float Noise(Vec2 p, uint32_t seed);
float Fractal(Vec2 p, int octaves, uint32_t seed);

// 8-bit pictures, ready for the BMP writer.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first, 3 bytes per pixel
};
// Opaque picture over black, dithered to the game's 16-bit levels so gradients do not band.
Image FlattenOpaque(const Canvas& canvas);
// Keyed picture: every pixel under half coverage becomes the key (255, 0, 255); the rest is
// opaque and never falls into the key's 16-bit range.
Image FlattenKeyed(const Canvas& canvas);
// Prepares one sprite cell for keying: a one-pixel outline round the visible part and edges
// blended into that outline instead of into the background.
void OutlineSprite(Canvas& cell, Colour outline);
bool IsKeyColour(int r, int g, int b);
