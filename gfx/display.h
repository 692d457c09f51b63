// The display: the back buffer every frame is composed in, the copies, the text block, the flip.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rect.h"
#include "gfx/font.h"

// An opaque run of pixels in one row of a keyed image: [start, end).
struct OpaqueSpan {
    uint16_t start, end;
};

// An off-screen picture: RGB565 pixels, row by row, and an optional source colour key.
struct Image {
    uint32_t generation = 0;  // set once a picture is loaded: who it is, for the backdrop reuse
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
    bool keyed = false;
    uint16_t key = 0;
    // For keyed images: the opaque runs of each row, row r's in spans[rowStart[r], rowStart[r+1]).
    std::vector<OpaqueSpan> spans;
    std::vector<uint32_t> rowStart;
};

constexpr uint32_t RGB(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
constexpr uint32_t COLOUR_WHITE = RGB(255, 255, 255);
constexpr uint32_t COLOUR_YELLOW = RGB(255, 255, 0);
constexpr uint32_t COLOUR_RED = RGB(255, 0, 0);
constexpr uint32_t COLOUR_BLACK = RGB(0, 0, 0);

// What the back buffer holds under this frame's drawing: the last full-screen picture copied
// opaque, and the areas drawn over it since. The next copy of the same picture only needs to
// put those areas back to give the very same pixels.
struct Backdrop {
    const Image* image = nullptr;
    uint32_t generation = 0;
    bool whole = false;      // false: the back buffer is not known to hold the picture
    std::vector<Rect> drawn;
};

struct Display {
    Image* backBuffer = nullptr;
    Backdrop backdrop;
    uint32_t lastGeneration = 0;
    const Font* textFont = nullptr;
    bool textBlockOpen = false;
    uint32_t textColour = 0;  // red in the lowest byte, then green, then blue
    bool hidden = false;      // nobody sees the frames (a verification): nothing is drawn
};

extern Display display;

void CreateFlipChain();
void CreateTextFont();

// Every copy draws nothing unless the destination lies wholly inside the back buffer and the
// source rectangle wholly inside the image (no clipping); a null source means the whole image.
void BlitOpaque(int x, int y, const Image* image, const Rect* source = nullptr);
void BlitKeyed(int x, int y, const Image* image, const Rect* source = nullptr);
void BlitStretchKeyed(const Rect& destination, const Image* image, const Rect& source);

void BeginText(uint32_t colour);
void ChangeTextColour(uint32_t colour);
void DrawTextAt(int x, int y, const char* text);
void EndText();

void PresentFrame();

// Empties an image slot, releasing what it holds; an empty slot stays empty.
void ReleaseSurface(Image*& slot);
void ReleaseGraphics();

// Gives a loaded picture its identity; a picture is never changed once it has one.
void MarkPictureLoaded(Image& image);

// Sets the source colour key and precomputes the opaque runs the keyed copies use.
void SetColourKey(Image& image, uint16_t key);
