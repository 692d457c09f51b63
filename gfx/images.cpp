// The image table: every picture file of images/ read into its slot at its fixed size.
#include "gfx/images.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "game/world.h"
#include "gfx/bmp.h"
#include "platform/platform.h"

ImageTable images;

namespace {

struct ImageFile {
    Image* ImageTable::*slot;
    const char* fileName;
    int width, height;
    bool keyed;
};

const ImageFile kImageFiles[] = {
    {&ImageTable::introImage, "images/intro.bmp", 800, 600, false},
    {&ImageTable::titleImage, "images/title.bmp", 800, 600, false},
    {&ImageTable::storyImage, "images/story.bmp", 800, 600, false},
    {&ImageTable::selectImage, "images/select.bmp", 800, 600, false},
    {&ImageTable::shipDisksImage, "images/sdisks.bmp", 1536, 320, false},
    {&ImageTable::shipInfoImage, "images/sinfo.bmp", 384, 320, false},
    {&ImageTable::gameOverImage, "images/gameover.bmp", 800, 600, false},
    {&ImageTable::levelIntro1Image, "images/levelintro1.bmp", 400, 200, true},
    {&ImageTable::levelIntro2Image, "images/levelintro2.bmp", 400, 200, true},
    {&ImageTable::levelClearImage, "images/levelclear.bmp", 400, 200, true},
    {&ImageTable::pauseImage, "images/pause.bmp", 400, 200, true},
    {&ImageTable::alphaShipImage, "images/alpha.bmp", 896, 64, true},
    {&ImageTable::omegaShipImage, "images/omega.bmp", 896, 64, true},
};

const char* const kVirusFiles[4] = {"images/virus00.bmp", "images/virus01.bmp",
                                    "images/virus02.bmp", "images/virus03.bmp"};

const ImageFile kSpriteFiles[] = {
    {&ImageTable::shieldImage, "images/shield.bmp", 128, 32, true},
    {&ImageTable::bulletsImage, "images/bullets.bmp", 48, 16, true},
    {&ImageTable::lifeImage, "images/life.bmp", 32, 32, true},
    {&ImageTable::extraLifeImage, "images/extralife.bmp", 576, 64, true},
    {&ImageTable::extraGunImage, "images/extragun.bmp", 576, 64, true},
};

void LoadFile(Image*& slot, const char* fileName, int width, int height, bool keyed) {
    LoadBitmapSurface(slot, fileName, width, height);
    if (keyed && slot != nullptr) SetColourKey(*slot, TRANSPARENT_KEY);
}

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
    for (const ImageFile& f : kImageFiles) LoadFile(images.*f.slot, f.fileName, f.width, f.height, f.keyed);
    for (int kind = 0; kind < 4; ++kind)
        LoadFile(images.virusImages[kind], kVirusFiles[kind], 448, 64, true);
    for (const ImageFile& f : kSpriteFiles) LoadFile(images.*f.slot, f.fileName, f.width, f.height, f.keyed);
}

void LoadLevelBackground() {
    if (world.background < 1 || world.background > 3) return;
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "images/background0%d.bmp", int(world.background));
    ReleaseSurface(images.backgroundImage);
    LoadBitmapSurface(images.backgroundImage, fileName, SCREEN_WIDTH, SCREEN_HEIGHT);
}
