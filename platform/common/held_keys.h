// Characters of keys held into name entry: fire held as the last ship goes would otherwise type
// a row of spaces by the keyboard's auto-repeat. Shared by every backend's input read.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct HeldKeys {
    uint32_t held = 0;  // PlatformKeyBit of keys down since before name entry began
};

// Called by a backend's input read with the keys the keyboard holds now (not latched presses):
// drops from the input the characters typed by a key that was already down when name entry
// began, until that key is let go. Outside name entry such characters mean nothing either.
void DropHeldKeyCharacters(HeldKeys& keys, const PlatformInputWanted& wanted, uint32_t downNow, PlatformInput* input);
