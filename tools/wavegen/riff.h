// Writes an effect as a complete RIFF WAVE image: 16-bit PCM with "fmt ", "fact", "data" and
// an INFO list naming it, and optionally one cue point with its label.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "synth.h"

struct WaveCue {
    bool present = false;
    uint32_t frame = 0;  // the sample frame the cue marks
    std::string label;   // its name in the associated-data list
};

std::vector<uint8_t> BuildWaveImage(const Stereo& sound, const std::string& title,
                                    const WaveCue& cue);
