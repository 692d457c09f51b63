// The screen state machine: which screen runs, its timers, and the key helpers of the menus.
#pragma once

#include <cstdint>

#include "core/core.h"
#include "core/rect.h"

extern uint32_t introDeadline;  // set on the first intro pass, never cleared
extern uint32_t screenDeadline; // level-intro phases and level clear; 0 = not armed

// The ship selection screen's values, kept between visits.
struct ShipSelection {
    Rect stripSource;
    Rect infoSource;
    int32_t stripStep;
    uint32_t stripDeadline;
};
extern ShipSelection shipSelect;

void RunFrame();
void ResetShipSelection();
void RunShipSelectFrame();

