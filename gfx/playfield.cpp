// Playfield drawing: the background, ship, formation, shields, shots, bonus items and spare ships.
#include "gfx/playfield.h"

#include "game/world.h"
#include "gfx/display.h"
#include "gfx/images.h"

namespace {

constexpr int SHOT_SIZE = 16;
constexpr int ICON_SIZE = 32;
constexpr int ICONS_LEFT = 650;

Rect Cell(int32_t frameX, int32_t frameY, int size) {
    return Rect{frameX, frameY, frameX + size, frameY + size};
}

// A sprite whose cell lies outside its strip, or which does not fit wholly on the screen,
// draws nothing: that hides the explosion's end marker and objects leaving the screen.
void DrawSprite(const Image* image, int32_t x, int32_t y, int32_t frameX, int32_t frameY,
                int size) {
    if (!image) return;
    Rect cell = Cell(frameX, frameY, size);
    BlitKeyed(x, y, image, &cell);
}

void DrawShip() {
    if (!images.selectedShipImage) return;
    const PlayerShip& ship = world.ship;
    DrawSprite(*images.selectedShipImage, ship.x, ship.y, ship.frameX, ship.frameY, SPRITE_SIZE);
}

void DrawViruses() {
    for (const auto& column : world.viruses) {
        for (const Virus& virus : column) {
            if (virus.state == ACTOR_GONE || virus.kind < 0 || virus.kind > 3) continue;
            DrawSprite(images.virusImages[virus.kind], virus.x, virus.y, virus.frameX,
                       virus.frameY, SPRITE_SIZE);
        }
    }
}

// The shields are the one scaled copy: the whole picture shrinks into each worn rectangle.
void DrawShields() {
    if (!images.shieldImage) return;
    const Rect whole{0, 0, 128, 32};
    for (const Shield& shield : world.shields) BlitStretchKeyed(shield, images.shieldImage, whole);
}

void DrawShots() {
    for (const Projectile& shot : world.projectiles)
        if (shot.owner != SHOT_NONE)
            DrawSprite(images.bulletsImage, shot.x, shot.y, shot.frameX, shot.frameY, SHOT_SIZE);
}

void DrawItem(const PowerUp& item, const Image* image) {
    if (item.active) DrawSprite(image, item.x, item.y, item.frameX, item.frameY, SPRITE_SIZE);
}

// One icon per spare ship along the top edge; from the fifth on they lie past the right edge.
void DrawLifeIcons() {
    for (int32_t i = 0; i < world.lives; ++i)
        DrawSprite(images.lifeImage, ICONS_LEFT + ICON_SIZE * i, 0, 0, 0, ICON_SIZE);
}

}  // namespace

// Later steps lie on top of earlier ones.
void DrawPlayfield() {
    if (images.backgroundImage) BlitOpaque(0, 0, images.backgroundImage);
    DrawShip();
    DrawViruses();
    DrawShields();
    DrawShots();
    DrawItem(world.extraGunItem, images.extraGunImage);
    DrawItem(world.extraLifeItem, images.extraLifeImage);
    DrawLifeIcons();
}
