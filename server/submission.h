// What a POST of a run carries, checked before any replay is spent on it: the name and the body.
#pragma once

#include <cstddef>
#include <string>

// The largest recording taken: a ten-minute game is about a fifth of this.
constexpr size_t MAX_RECORDING_BYTES = size_t(1) << 20;

struct Submission {
    std::string name;   // UTF-8, at most ten of the game's characters; empty: the one typed in the game
    std::string error;  // one line when the submission is refused before its replay
};

// nameParam is the decoded ?name= value, or null when there was none.
bool ParseSubmission(const std::string* nameParam, const std::string& body, Submission* submission);

// The identity of a recording: SHA-256 of its bytes, in hex. The same recording sent twice is
// one run.
std::string RecordingHash(const std::string& body);
