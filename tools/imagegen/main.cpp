// Draws every picture the game reads into one folder: imagegen FONT.ttf OUTDIR
#include <cstdio>
#include <functional>
#include <string>

#include "art.h"
#include "bmp.h"

using namespace Palette;

struct Picture {
    const char* file;
    bool keyed;
    std::function<Canvas(Fonts&)> draw;
};

static Canvas Overlay(Canvas c) {
    OutlineSprite(c, kInk);
    return c;
}

static const Picture kPictures[] = {
    {"intro.bmp", false, MakeIntro},
    {"title.bmp", false, MakeTitle},
    {"story.bmp", false, MakeStory},
    {"select.bmp", false, MakeSelect},
    {"sdisks.bmp", false, [](Fonts&) { return MakeShipDisks(); }},
    {"sinfo.bmp", false, MakeShipInfo},
    {"gameover.bmp", false, MakeGameOver},
    {"levelintro1.bmp", true, [](Fonts& f) { return Overlay(MakeLevelIntro1(f)); }},
    {"levelintro2.bmp", true, [](Fonts& f) { return Overlay(MakeLevelIntro2(f)); }},
    {"levelclear.bmp", true, [](Fonts& f) { return Overlay(MakeLevelClear(f)); }},
    {"pause.bmp", true, [](Fonts& f) { return Overlay(MakePause(f)); }},
    {"alpha.bmp", true, [](Fonts&) { return MakeShipStrip(Hull::Alpha); }},
    {"omega.bmp", true, [](Fonts&) { return MakeShipStrip(Hull::Omega); }},
    {"virus00.bmp", true, [](Fonts&) { return MakeVirusStrip(0); }},
    {"virus01.bmp", true, [](Fonts&) { return MakeVirusStrip(1); }},
    {"virus02.bmp", true, [](Fonts&) { return MakeVirusStrip(2); }},
    {"virus03.bmp", true, [](Fonts&) { return MakeVirusStrip(3); }},
    {"shield.bmp", true, [](Fonts&) { return MakeShield(); }},
    {"bullets.bmp", true, [](Fonts&) { return MakeBullets(); }},
    {"life.bmp", true, [](Fonts&) { return MakeLifeIcon(); }},
    {"extralife.bmp", true, MakeExtraLife},
    {"extragun.bmp", true, MakeExtraGun},
    {"background01.bmp", false, [](Fonts& f) { return MakeBackground(f, 1); }},
    {"background02.bmp", false, [](Fonts& f) { return MakeBackground(f, 2); }},
    {"background03.bmp", false, [](Fonts& f) { return MakeBackground(f, 3); }},
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
    for (const Picture& picture : kPictures) {
        Canvas canvas = picture.draw(fonts);
        Image image = picture.keyed ? FlattenKeyed(canvas) : FlattenOpaque(canvas);
        std::string path = std::string(argv[2]) + "/" + picture.file;
        if (!WriteBmp(image, path)) {
            std::fprintf(stderr, "imagegen: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    CloseFonts(fonts);
    return failures == 0 ? 0 : 1;
}
