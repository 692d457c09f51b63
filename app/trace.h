// The program's whole state for the headless runner's trace, and its hash and summary for
// recordings and replays.
#pragma once

#include <cstdint>
#include <string>

// The program's whole state as JSON members (no braces), appended to out.
void WriteTraceState(std::string& out);
// A hash of the whole game state (everything the trace shows), checked frame by frame by replays.
uint32_t HashState();
// The final state of a session in a few lines: score, level, kills, the table, the state hash.
void WriteSummary(std::string& out);
