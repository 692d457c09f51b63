// Until the session layer's verification lands: the verdict it will give.
#pragma once

#include <cstdint>
#include <string>

struct RunVerdict {
    bool valid = false;
    std::string reason;
    int32_t score = 0, level = 0, kills = 0;
    std::string name;
    uint32_t frames = 0, rulesVersion = 0;
};
