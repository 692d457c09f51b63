// The screen state machine: which screen runs, its timers, and the key helpers of the menus.
#pragma once

#include <cstdint>
#include <string>

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

// The options screen: where the cursor is and the settings as it shows them. Outside the game's
// state: neither traced nor hashed, and it never changes a game.
struct OptionsScreen {
    int row = 0;
    int column = 0;         // on an action's row: key, key, button, button
    bool binding = false;   // waiting for the key or button to bind
    uint32_t held = 0;      // the game keys down at the last pass: a press acts once
    PlatformSettings edited{};
    std::string note;       // what the last change said: a refusal, or what to press
    bool noteIsRefusal = false;
};
extern OptionsScreen optionsScreen;

void RunFrame();
void ResetShipSelection();
void RunShipSelectFrame();
// Called by the title screen on F1 or O.
void OpenOptions();
void RunOptionsFrame();
// A key or a button pressed while the options screen waits for one to bind. Called by the
// window procedure.
void TakeOptionsMessage(const PlatformMessage& message);

