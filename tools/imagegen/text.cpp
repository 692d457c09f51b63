// Text on pictures, in the game's own font, rendered with SDL2_ttf into coverage masks.
#include "text.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>

bool OpenFonts(Fonts& fonts, const std::string& path) {
    if (TTF_Init() != 0) return false;
    fonts.path = path;
    return RenderText(fonts, "Q", 16).width > 0;
}

void CloseFonts(Fonts& fonts) {
    for (auto& [size, font] : fonts.bySize)
        if (font != nullptr) TTF_CloseFont(font);
    fonts.bySize.clear();
    TTF_Quit();
}

static TTF_Font* FontOfSize(Fonts& fonts, int size) {
    auto found = fonts.bySize.find(size);
    if (found != fonts.bySize.end()) return found->second;
    TTF_Font* font = TTF_OpenFont(fonts.path.c_str(), size);
    fonts.bySize[size] = font;
    return font;
}

Mask RenderText(Fonts& fonts, const std::string& utf8, int size) {
    TTF_Font* font = FontOfSize(fonts, size);
    if (font == nullptr || utf8.empty()) return {};
    SDL_Surface* rendered =
        TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (rendered == nullptr) return {};
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (argb == nullptr) return {};
    Mask mask = MakeMask(argb->w, argb->h);
    for (int y = 0; y < argb->h; ++y) {
        const Uint32* row = (const Uint32*)((const Uint8*)argb->pixels + y * argb->pitch);
        for (int x = 0; x < argb->w; ++x)
            mask.values[size_t(y) * argb->w + x] = float(row[x] >> 24) / 255.0f;
    }
    SDL_FreeSurface(argb);
    return mask;
}

int TextWidth(Fonts& fonts, const std::string& utf8, int size) {
    int w = 0, h = 0;
    TTF_Font* font = FontOfSize(fonts, size);
    if (font == nullptr || TTF_SizeUTF8(font, utf8.c_str(), &w, &h) != 0) return 0;
    return w;
}

void DrawText(Canvas& canvas, Fonts& fonts, const std::string& utf8, int size, int x, int y,
              const TextLook& look) {
    int pad = std::max({look.outline, look.shadow, look.glowRadius * 3}) + 2;
    Mask text = PadMask(RenderText(fonts, utf8, size), pad);
    int ox = x - pad, oy = y - pad;
    Mask body = look.outline > 0 ? GrowMask(text, look.outline) : text;
    if (look.glowRadius > 0)
        GlowMask(canvas, BlurMask(body, look.glowRadius), ox, oy, look.glowColour,
                 look.glowStrength);
    if (look.shadow > 0)
        DrawMask(canvas, BlurMask(body, 1), ox + look.shadow, oy + look.shadow, Solid({0, 0, 0}),
                 0.75f);
    if (look.outline > 0) DrawMask(canvas, body, ox, oy, Solid(look.outlineColour));
    DrawMask(canvas, text, ox, oy, look.fill);
}

int DrawTextCentred(Canvas& canvas, Fonts& fonts, const std::string& utf8, int size, int centreX,
                    int y, const TextLook& look) {
    int left = centreX - TextWidth(fonts, utf8, size) / 2;
    DrawText(canvas, fonts, utf8, size, left, y, look);
    return left;
}
