// The image table: every picture file of images/ read into its slot at its fixed size.
#include "gfx/images.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "game/world.h"
#include "gfx/bmp.h"
#include "gfx/picture_files.h"
#include "platform/platform.h"

ImageTable images;

namespace {

// Nearest-pixel scaling into the slot's size, keeping the top bits of each channel.
void ConvertPicture(const BmpPicture& picture, Image& image) {
    // The source column of each slot column, worked out once rather than once per pixel.
    std::vector<int> columns(size_t(image.width));
    for (int x = 0; x < image.width; ++x) columns[x] = int(int64_t(x) * picture.width / image.width);
    for (int y = 0; y < image.height; ++y) {
        const int sy = int(int64_t(y) * picture.height / image.height);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = picture.rgb.data() + (size_t(sy) * picture.width + columns[x]) * 3;
            image.pixels[size_t(y) * image.width + x] =
                uint16_t(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
        }
    }
}

}  // namespace

void LoadBitmapSurface(Image*& slot, const char* fileName, int width, int height) {
    Image* image = new Image;
    image->width = width;
    image->height = height;
    image->pixels.assign(size_t(width) * height, 0);
    slot = image;
    // Nobody sees a verification's frames: its pictures stay black and need no files.
    if (display.hidden) return MarkPictureLoaded(*image);
    std::string file;
    const bool found = PlatformReadDataFile(fileName, &file);
    const std::vector<uint8_t> bytes(file.begin(), file.end());
    BmpPicture picture;
    std::string error = "cannot open the file";
    if (found && DecodeBmp(bytes, picture, error))
        ConvertPicture(picture, *image);
    else
        std::fprintf(stderr, "quellfort: %s: %s; showing black instead\n", fileName, error.c_str());
    MarkPictureLoaded(*image);
}

void LoadImageTable() {
    // The slots in the order of the picture files.
    Image** const slots[] = {
        &images.introImage, &images.titleImage, &images.storyImage, &images.selectImage,
        &images.shipDisksImage, &images.shipInfoImage, &images.gameOverImage,
        &images.levelIntro1Image, &images.levelIntro2Image, &images.levelClearImage,
        &images.pauseImage, &images.alphaShipImage, &images.omegaShipImage,
        &images.virusImages[0], &images.virusImages[1], &images.virusImages[2],
        &images.virusImages[3], &images.shieldImage, &images.bulletsImage, &images.lifeImage,
        &images.extraLifeImage, &images.extraGunImage};
    static_assert(sizeof slots / sizeof slots[0] == FIRST_BACKGROUND_FILE);
    for (int i = 0; i < FIRST_BACKGROUND_FILE; ++i) {
        const PictureFile& file = kPictureFiles[i];
        LoadBitmapSurface(*slots[i], file.path, file.width, file.height);
        if (file.keyed && *slots[i] != nullptr) SetColourKey(**slots[i], TRANSPARENT_KEY);
    }
}

void LoadOptionsBackdrop() {
    if (images.optionsImage != nullptr) return;
    const PictureFile& file = kPictureFiles[FIRST_BACKGROUND_FILE];
    LoadBitmapSurface(images.optionsImage, file.path, file.width, file.height);
}

void LoadLevelBackground() {
    if (world.background < 1 || world.background > 3) return;
    const PictureFile& file = kPictureFiles[FIRST_BACKGROUND_FILE - 1 + world.background];
    ReleaseSurface(images.backgroundImage);
    LoadBitmapSurface(images.backgroundImage, file.path, file.width, file.height);
}
