// Draws every picture the game reads into one folder: imagegen FONT.ttf OUTDIR
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "art.h"
#include "gfx/picture_files.h"
#include "formats/bmp_writer.h"

using namespace Palette;

// How each picture of the game's table is drawn, by its file name.
struct Picture {
    const char* file;
    std::function<Canvas(Fonts&)> draw;
};

static Canvas Overlay(Canvas c) {
    OutlineSprite(c, kInk);
    return c;
}

static const Picture kPictures[] = {
    {"intro.bmp", MakeIntro},
    {"title.bmp", MakeTitle},
    {"story.bmp", MakeStory},
    {"select.bmp", MakeSelect},
    {"sdisks.bmp", [](Fonts&) { return MakeShipDisks(); }},
    {"sinfo.bmp", MakeShipInfo},
    {"gameover.bmp", MakeGameOver},
    {"levelintro1.bmp", [](Fonts& f) { return Overlay(MakeLevelIntro1(f)); }},
    {"levelintro2.bmp", [](Fonts& f) { return Overlay(MakeLevelIntro2(f)); }},
    {"levelclear.bmp", [](Fonts& f) { return Overlay(MakeLevelClear(f)); }},
    {"pause.bmp", [](Fonts& f) { return Overlay(MakePause(f)); }},
    {"alpha.bmp", [](Fonts&) { return MakeShipStrip(Hull::Alpha); }},
    {"omega.bmp", [](Fonts&) { return MakeShipStrip(Hull::Omega); }},
    {"virus00.bmp", [](Fonts&) { return MakeVirusStrip(0); }},
    {"virus01.bmp", [](Fonts&) { return MakeVirusStrip(1); }},
    {"virus02.bmp", [](Fonts&) { return MakeVirusStrip(2); }},
    {"virus03.bmp", [](Fonts&) { return MakeVirusStrip(3); }},
    {"shield.bmp", [](Fonts&) { return MakeShield(); }},
    {"bullets.bmp", [](Fonts&) { return MakeBullets(); }},
    {"life.bmp", [](Fonts&) { return MakeLifeIcon(); }},
    {"extralife.bmp", MakeExtraLife},
    {"extragun.bmp", MakeExtraGun},
    {"background01.bmp", [](Fonts& f) { return MakeBackground(f, 1); }},
    {"background02.bmp", [](Fonts& f) { return MakeBackground(f, 2); }},
    {"background03.bmp", [](Fonts& f) { return MakeBackground(f, 3); }},
};

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: imagegen FONT.ttf OUTDIR\n");
        return 2;
    }
    Fonts fonts;
    if (!OpenFonts(fonts, argv[1])) {
        std::fprintf(stderr, "imagegen: cannot open font %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const PictureFile& file : kPictureFiles) {
        const std::string name = std::strrchr(file.path, '/') + 1;
        const std::string path = std::string(argv[2]) + "/" + name;
        const Picture* picture = nullptr;
        for (const Picture& p : kPictures)
            if (name == p.file) picture = &p;
        Canvas canvas = picture != nullptr ? picture->draw(fonts) : Canvas{};
        // Drawn at exactly the size the game loads it at, so the game never scales it.
        if (canvas.width != file.width || canvas.height != file.height) {
            std::fprintf(stderr, "imagegen: %s is drawn at %d x %d, the game loads it at %d x %d\n",
                         name.c_str(), canvas.width, canvas.height, file.width, file.height);
            ++failures;
            continue;
        }
        Image image = file.keyed ? FlattenKeyed(canvas) : FlattenOpaque(canvas);
        // The resolution fields say 72 dpi.
        if (!WriteBmp(path, image.width, image.height, image.rgb.data(), 2835)) {
            std::fprintf(stderr, "imagegen: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    CloseFonts(fonts);
    return failures == 0 ? 0 : 1;
}
