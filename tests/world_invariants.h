// The rules a World keeps on every frame, whatever the player does: checked by the random-play
// and soak tests after each presented frame.
#pragma once

#include <string>

// The first broken rule of the World as it stands, or "" when every rule holds.
std::string FirstBrokenWorldRule();
