// The image table: one picture per file of images/, loaded at start-up at fixed sizes.
#pragma once

#include <cstdint>

#include "gfx/display.h"

// Pure magenta in RGB565: transparent in every keyed image.
constexpr uint16_t TRANSPARENT_KEY = 0xF81F;

struct ImageTable {
    Image* introImage = nullptr;
    Image* titleImage = nullptr;
    Image* storyImage = nullptr;
    Image* selectImage = nullptr;
    Image* shipDisksImage = nullptr;
    Image* shipInfoImage = nullptr;
    Image* gameOverImage = nullptr;
    Image* levelIntro1Image = nullptr;
    Image* levelIntro2Image = nullptr;
    Image* levelClearImage = nullptr;
    Image* pauseImage = nullptr;
    Image* alphaShipImage = nullptr;
    Image* omegaShipImage = nullptr;
    Image* virusImages[4] = {};
    Image* shieldImage = nullptr;
    Image* bulletsImage = nullptr;
    Image* lifeImage = nullptr;
    Image* extraLifeImage = nullptr;
    Image* extraGunImage = nullptr;
    Image* backgroundImage = nullptr;
    Image* optionsImage = nullptr;  // the first level's background, behind the options screen
    // The slot the player's ship is drawn from: &alphaShipImage or &omegaShipImage, or null.
    Image** selectedShipImage = nullptr;
};

extern ImageTable images;

void LoadImageTable();
// Fills the slot with the file's picture scaled to width x height; a file that cannot be read
// gives a black picture and one line on stderr. Does not release what the slot held.
void LoadBitmapSurface(Image*& slot, const char* fileName, int width, int height);
// Replaces the playfield background by the picture the level set-up chose (world.background).
void LoadLevelBackground();
// Loads the options screen's backdrop the first time it is shown.
void LoadOptionsBackdrop();
