// The Hall's judgement of a recording: replayed here with no drawing and no sound, it must hold
// one finished game of these rules, on the shipped formations, played at a plausible pace.
#pragma once

#include <cstdint>
#include <string>

struct RunVerdict {
    bool valid = false;
    std::string reason;  // one line when not valid
    int32_t score = 0, level = 0, kills = 0;
    std::string name;    // the name typed for that game's row, Windows-1252 bytes; may be empty
    uint32_t frames = 0, rulesVersion = 0;
};

// Replays the recording and judges the best finished game in it (a session may hold several;
// the one with the highest score counts). Runs the whole game in this process on its
// program-wide records: one at a time per process.
RunVerdict VerifyRun(const std::string& recording, const std::string& shippedFormations);
