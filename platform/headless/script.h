// The headless runner's script: parsed up front, refused whole when any line is malformed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum ScriptEventKind { EVENT_KEY_DOWN, EVENT_KEY_UP, EVENT_CHAR, EVENT_CLOSE, EVENT_SHOT };

struct ScriptEvent {
    uint64_t ms;
    ScriptEventKind kind;
    int value;         // virtual key or character byte
    std::string file;  // for shots
};

struct Script {
    int64_t time = 1700000000;
    uint32_t ticks = 1000;
    int refresh = 60;
    int repeatDelay = 0;  // auto-repeat of SPACE and P while held: first after this many ms,
    int repeatRate = 0;   // then every this many ms; 0 types nothing while held
    std::vector<ScriptEvent> events;  // in order of time
    uint64_t end = 0;                 // the cursor after the last line: the run lasts this long
};

// Parses the script text; on a malformed line returns false with error naming the line.
bool ParseScript(const std::string& text, Script& script, std::string& error);
