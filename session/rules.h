// The rules version: which recordings this build plays and the Hall accepts.
#pragma once

#include <cstdint>

// Raise this by one in the same change whenever the same inputs may give another game: any
// change to a rule, a timing, a speed, a score, the random generator, the formation reader,
// the order in which the game reads its input, or the state that is hashed each frame. Then
// re-record the committed recordings (scripts/update-recordings.sh). A change that only moves
// code around, renames, or touches drawing, sound or the platforms leaves it as it is.
constexpr uint32_t RULES_VERSION = 1;
