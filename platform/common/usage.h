// The game's --help text, for the backends of the real game (SDL, Windows).
#pragma once

#include <cstdio>

// Prints the usage, the places of the game's files and the exit statuses. Called by --help (to
// stdout) and after an unknown option (to stderr). A backend's own options (lines of the same
// shape) come after the common ones.
void PrintGameUsage(std::FILE* out, const char* backendOptions = "");
