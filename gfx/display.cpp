// The display: the back buffer, the three copies with the blitter's all-or-nothing rules, the
// text block, the flip and the release of every surface.
#include "gfx/display.h"

#include <algorithm>
#include <cstring>

#include "core/core.h"
#include "gfx/images.h"
#include "platform/platform.h"

Display display;

void CreateFlipChain() {
    if (display.backBuffer != nullptr) return;
    display.backBuffer = new Image;
    display.backBuffer->width = SCREEN_WIDTH;
    display.backBuffer->height = SCREEN_HEIGHT;
    display.backBuffer->pixels.assign(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
}

void CreateTextFont() { display.textFont = &gameFont; }

void MarkPictureLoaded(Image& image) { image.generation = ++display.lastGeneration; }

constexpr size_t MAX_DRAWN_AREAS = 256;

// Records an area drawn over the backdrop, cut to the screen; too many and the whole picture
// is copied again. Text may lie partly or wholly off the screen: what is left of it may be
// nothing at all, and an empty area must not be copied back.
static void MarkDrawn(int left, int top, int right, int bottom) {
    Backdrop& b = display.backdrop;
    if (!b.whole) return;
    const Rect onScreen{std::max(left, 0), std::max(top, 0), std::min(right, SCREEN_WIDTH),
                        std::min(bottom, SCREEN_HEIGHT)};
    if (RectIsEmpty(onScreen)) return;
    if (b.drawn.size() == MAX_DRAWN_AREAS) {
        b.whole = false;
        b.drawn.clear();
        return;
    }
    b.drawn.push_back(onScreen);
}

// A full-screen opaque picture: when the back buffer already holds it under this frame's
// drawing, only the drawn areas are copied back; otherwise all of it.
static void CopyBackdrop(const Image* image) {
    Backdrop& b = display.backdrop;
    uint16_t* dst = display.backBuffer->pixels.data();
    const uint16_t* from = image->pixels.data();
    if (b.whole && image->generation != 0 && b.image == image && b.generation == image->generation) {
        for (const Rect& r : b.drawn)
            for (int row = r.top; row < r.bottom; ++row)
                std::memcpy(dst + row * SCREEN_WIDTH + r.left, from + row * SCREEN_WIDTH + r.left,
                            size_t(r.right - r.left) * sizeof(uint16_t));
    } else {
        std::memcpy(dst, from, size_t(SCREEN_WIDTH) * SCREEN_HEIGHT * sizeof(uint16_t));
    }
    b.image = image;
    b.generation = image->generation;
    b.whole = image->generation != 0;
    b.drawn.clear();
}

// The source rectangle a copy uses, or false when it does not lie wholly inside the image.
static bool SourceRect(const Image* image, const Rect* source, Rect& out) {
    if (image == nullptr || image->pixels.empty()) return false;
    out = source != nullptr ? *source : Rect{0, 0, image->width, image->height};
    return !RectIsEmpty(out) && out.left >= 0 && out.top >= 0 && out.right <= image->width &&
           out.bottom <= image->height;
}

// A destination wholly inside the back buffer; a copy never draws part of itself.
static bool DestinationFits(int x, int y, int width, int height) {
    return display.backBuffer != nullptr && x >= 0 && y >= 0 && width > 0 && height > 0 &&
           x <= SCREEN_WIDTH - width && y <= SCREEN_HEIGHT - height;
}

void BlitOpaque(int x, int y, const Image* image, const Rect* source) {
    if (display.hidden) return;
    Rect src;
    if (!SourceRect(image, source, src)) return;
    const int width = src.right - src.left, height = src.bottom - src.top;
    if (!DestinationFits(x, y, width, height)) return;
    // The backdrop's copy takes the first 600 rows of an 800-pixel-wide picture; any other
    // full-screen copy (a lower part of a taller picture, a part of a wider one) is an ordinary one.
    if (width == SCREEN_WIDTH && height == SCREEN_HEIGHT && src.left == 0 && src.top == 0 &&
        image->width == SCREEN_WIDTH)
        return CopyBackdrop(image);
    MarkDrawn(x, y, x + width, y + height);
    uint16_t* dst = display.backBuffer->pixels.data() + y * SCREEN_WIDTH + x;
    const uint16_t* from = image->pixels.data() + src.top * image->width + src.left;
    for (int row = 0; row < height; ++row)
        std::memcpy(dst + row * SCREEN_WIDTH, from + row * image->width, width * sizeof(uint16_t));
}

// Copies the opaque runs of one image row that fall inside [left, right) to dst.
static void CopyKeyedRow(const Image& image, int row, int left, int right, uint16_t* dst) {
    const OpaqueSpan* first = image.spans.data() + image.rowStart[row];
    const OpaqueSpan* last = image.spans.data() + image.rowStart[row + 1];
    // Runs are sorted, so skip straight to the first one that ends after the left edge.
    first = std::upper_bound(first, last, left,
                             [](int value, const OpaqueSpan& s) { return value < s.end; });
    const uint16_t* from = image.pixels.data() + row * image.width;
    for (; first != last && first->start < right; ++first) {
        const int start = std::max<int>(first->start, left);
        const int end = std::min<int>(first->end, right);
        std::memcpy(dst + (start - left), from + start, (end - start) * sizeof(uint16_t));
    }
}

void BlitKeyed(int x, int y, const Image* image, const Rect* source) {
    if (display.hidden) return;
    if (image != nullptr && !image->keyed) return BlitOpaque(x, y, image, source);
    Rect src;
    if (!SourceRect(image, source, src)) return;
    const int width = src.right - src.left, height = src.bottom - src.top;
    if (!DestinationFits(x, y, width, height)) return;
    MarkDrawn(x, y, x + width, y + height);
    uint16_t* dst = display.backBuffer->pixels.data() + y * SCREEN_WIDTH + x;
    for (int row = 0; row < height; ++row)
        CopyKeyedRow(*image, src.top + row, src.left, src.right, dst + row * SCREEN_WIDTH);
}

void BlitStretchKeyed(const Rect& destination, const Image* image, const Rect& source) {
    if (display.hidden) return;
    Rect src;
    if (!SourceRect(image, &source, src) || RectIsEmpty(destination)) return;
    const int dw = destination.right - destination.left, dh = destination.bottom - destination.top;
    if (!DestinationFits(destination.left, destination.top, dw, dh)) return;
    MarkDrawn(destination.left, destination.top, destination.right, destination.bottom);
    const int sw = src.right - src.left, sh = src.bottom - src.top;
    // Nearest source pixel, so key-coloured pixels stay transparent at every size; the source
    // column of each destination column is worked out once, not once per row.
    int columns[SCREEN_WIDTH];
    for (int dx = 0; dx < dw; ++dx) columns[dx] = src.left + dx * sw / dw;
    for (int dy = 0; dy < dh; ++dy) {
        const uint16_t* from = image->pixels.data() + (src.top + dy * sh / dh) * image->width;
        uint16_t* dst = display.backBuffer->pixels.data() +
                        (destination.top + dy) * SCREEN_WIDTH + destination.left;
        for (int dx = 0; dx < dw; ++dx) {
            const uint16_t pixel = from[columns[dx]];
            if (!image->keyed || pixel != image->key) dst[dx] = pixel;
        }
    }
}

void BeginText(uint32_t colour) {
    display.textBlockOpen = true;
    display.textColour = colour;
}

void ChangeTextColour(uint32_t colour) { display.textColour = colour; }

// Mixes the text colour into one RGB565 pixel by the glyph's coverage of it.
static uint16_t MixPixel(uint16_t pixel, uint32_t colour, int coverage) {
    const int r = ((pixel >> 11) & 31) * 255 / 31, g = ((pixel >> 5) & 63) * 255 / 63,
              b = (pixel & 31) * 255 / 31;
    const int cr = colour & 255, cg = (colour >> 8) & 255, cb = (colour >> 16) & 255;
    const int mr = r + (cr - r) * coverage / 255, mg = g + (cg - g) * coverage / 255,
              mb = b + (cb - b) * coverage / 255;
    return uint16_t(((mr >> 3) << 11) | ((mg >> 2) << 5) | (mb >> 3));
}

static void DrawGlyph(int penX, int top, const Glyph& glyph, uint32_t colour) {
    const uint8_t* mask = display.textFont->coverage + glyph.offset;
    const uint16_t solid = MixPixel(0, colour, 255);  // full coverage is the colour itself
    // Only the columns of the mask that land on the screen.
    const int left = penX + glyph.left;
    if (glyph.width > 0) MarkDrawn(left, top + glyph.top, left + glyph.width, top + glyph.top + glyph.height);
    const int firstCol = std::max(0, -left), endCol = std::min<int>(glyph.width, SCREEN_WIDTH - left);
    for (int row = 0; row < glyph.height; ++row) {
        const int y = top + glyph.top + row;
        if (y < 0 || y >= SCREEN_HEIGHT) continue;
        uint16_t* line = display.backBuffer->pixels.data() + y * SCREEN_WIDTH;
        const uint8_t* coverage = mask + row * glyph.width;
        for (int col = firstCol; col < endCol; ++col) {
            if (coverage[col] == 0) continue;
            uint16_t& pixel = line[left + col];
            pixel = coverage[col] == 255 ? solid : MixPixel(pixel, colour, coverage[col]);
        }
    }
}

void DrawTextAt(int x, int y, const char* text) {
    if (display.hidden) return;
    if (!display.textBlockOpen || display.textFont == nullptr || display.backBuffer == nullptr ||
        text == nullptr)
        return;
    for (const unsigned char* c = (const unsigned char*)text; *c != 0; ++c) {
        const Glyph& glyph = display.textFont->glyphs[*c];
        DrawGlyph(x, y, glyph, display.textColour);
        x += glyph.advance;
    }
}

void EndText() { display.textBlockOpen = false; }

// The frame's input is read as it is shown: the rest of the pass sees the clock of the new frame.
void PresentFrame() {
    PlatformPresent(display.backBuffer != nullptr ? display.backBuffer->pixels.data() : nullptr);
    ReadFrameInput();
}

void ReleaseSurface(Image*& slot) {
    delete slot;
    slot = nullptr;
}

void ReleaseGraphics() {
    Image** order[] = {
        &images.extraGunImage, &images.extraLifeImage, &images.lifeImage, &images.bulletsImage,
        &images.shieldImage, &images.alphaShipImage, &images.omegaShipImage,
        &images.backgroundImage, &images.optionsImage, &images.pauseImage, &images.gameOverImage,
        &images.levelClearImage, &images.levelIntro2Image, &images.levelIntro1Image,
        &images.shipInfoImage, &images.shipDisksImage, &images.selectImage, &images.storyImage,
        &images.titleImage, &images.introImage, &display.backBuffer,
        &images.virusImages[0], &images.virusImages[1], &images.virusImages[2],
        &images.virusImages[3]};
    for (Image** slot : order) ReleaseSurface(*slot);
    display.textFont = nullptr;
}

void SetColourKey(Image& image, uint16_t key) {
    image.keyed = true;
    image.key = key;
    image.spans.clear();
    image.rowStart.assign(1, 0);
    for (int row = 0; row < image.height; ++row) {
        const uint16_t* line = image.pixels.data() + row * image.width;
        for (int x = 0; x < image.width;) {
            if (line[x] == key) { ++x; continue; }
            const int start = x;
            while (x < image.width && line[x] != key) ++x;
            image.spans.push_back({uint16_t(start), uint16_t(x)});
        }
        image.rowStart.push_back(uint32_t(image.spans.size()));
    }
}
