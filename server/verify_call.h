// The server's one call into the game: the replay that judges a recording as one finished game.
#pragma once

#include "app/verify.h"

#include <cstdint>
#include <string>

// Judges the recording with the game's own replay against the formation file shipped with the
// game. Runs the whole game on the program-wide records: call it only in a child process.
RunVerdict VerifyRecording(const std::string& recording);
// The rules version this server's game plays by.
uint32_t ServerRulesVersion();
