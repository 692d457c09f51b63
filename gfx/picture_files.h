// The picture files of images/: the size each is loaded at and whether its magenta is
// transparent. The game loads them from this table, the picture generator draws them to it and
// the tests check the generated files against it.
#pragma once

struct PictureFile {
    const char* path;  // relative to the game folder
    int width, height;
    bool keyed;
};

// In the order the image table is filled at start-up, then the three level backgrounds, which
// each level start reads again.
inline constexpr PictureFile kPictureFiles[] = {
    {"images/intro.bmp", 800, 600, false},
    {"images/title.bmp", 800, 600, false},
    {"images/story.bmp", 800, 600, false},
    {"images/select.bmp", 800, 600, false},
    {"images/sdisks.bmp", 1536, 320, false},
    {"images/sinfo.bmp", 384, 320, false},
    {"images/gameover.bmp", 800, 600, false},
    {"images/levelintro1.bmp", 400, 200, true},
    {"images/levelintro2.bmp", 400, 200, true},
    {"images/levelclear.bmp", 400, 200, true},
    {"images/pause.bmp", 400, 200, true},
    {"images/alpha.bmp", 896, 64, true},
    {"images/omega.bmp", 896, 64, true},
    {"images/virus00.bmp", 448, 64, true},
    {"images/virus01.bmp", 448, 64, true},
    {"images/virus02.bmp", 448, 64, true},
    {"images/virus03.bmp", 448, 64, true},
    {"images/shield.bmp", 128, 32, true},
    {"images/bullets.bmp", 48, 16, true},
    {"images/life.bmp", 32, 32, true},
    {"images/extralife.bmp", 576, 64, true},
    {"images/extragun.bmp", 576, 64, true},
    {"images/background01.bmp", 800, 600, false},
    {"images/background02.bmp", 800, 600, false},
    {"images/background03.bmp", 800, 600, false},
};

constexpr int FIRST_BACKGROUND_FILE = 22;  // background n (1..3) is entry 21 + n
