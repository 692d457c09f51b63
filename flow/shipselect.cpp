// The ship selection screen: a disk that turns between the alpha and the omega ship, and the
// information panel of the ship it turns to.
#include "flow/flow.h"

#include "game/world.h"
#include "gfx/images.h"
#include "sound/sound.h"

ShipSelection shipSelect;

constexpr int32_t DISK_CELL = 384;
constexpr int32_t LAST_DISK_CELL = 3 * DISK_CELL;
constexpr int32_t PANEL_WIDTH = 192;

void ResetShipSelection() {
    shipSelect.stripSource = Rect{0, 0, DISK_CELL, 320};
    shipSelect.infoSource = Rect{0, 0, PANEL_WIDTH, 320};
    shipSelect.stripStep = DISK_CELL;
}

static void MoveDisk(int32_t step) {
    shipSelect.stripSource.left += step;
    shipSelect.stripSource.right += step;
}

// While the disk turns it moves one cell per 100 ms; at rest the choice is written.
static void TurnDiskOrChoose() {
    const int32_t left = shipSelect.stripSource.left;
    if (left > 0 && left < LAST_DISK_CELL) {
        if (TimedStep(shipSelect.stripDeadline, 100)) MoveDisk(shipSelect.stripStep);
    } else if (left == 0) {
        world.shipKind = SHIP_ALPHA;
        images.selectedShipImage = &images.alphaShipImage;
    } else {
        world.shipKind = SHIP_OMEGA;
        images.selectedShipImage = &images.omegaShipImage;
    }
}

static void HandleArrows() {
    if (IsKeyDown(VK_LEFT) && shipSelect.stripSource.left != 0) {
        WaitForKeyRelease(VK_LEFT);
        shipSelect.stripStep = -DISK_CELL;
        MoveDisk(-DISK_CELL);
        shipSelect.infoSource.left = 0;
        shipSelect.infoSource.right = PANEL_WIDTH;
    }
    if (IsKeyDown(VK_RIGHT) && shipSelect.stripSource.left != LAST_DISK_CELL) {
        WaitForKeyRelease(VK_RIGHT);
        shipSelect.stripStep = DISK_CELL;
        MoveDisk(DISK_CELL);
        shipSelect.infoSource.left = PANEL_WIDTH;
        shipSelect.infoSource.right = 2 * PANEL_WIDTH;
    }
}

void RunShipSelectFrame() {
    BlitOpaque(0, 0, images.selectImage);
    BlitOpaque(320, 128, images.shipDisksImage, &shipSelect.stripSource);
    BlitOpaque(64, 128, images.shipInfoImage, &shipSelect.infoSource);
    PresentFrame();
    TurnDiskOrChoose();
    HandleArrows();
    if (IsKeyDown(VK_RETURN)) {
        WaitForKeyRelease(VK_RETURN);
        StartSound(soundBank.menuBeepSound);
        gameState = STATE_NEW_GAME;
    }
}
