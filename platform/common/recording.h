// The recording file of a played session: everything that crossed the platform seam, in the
// order the game asked for it, so that any build on any backend plays the same session again.
// The format is described in docs/recording-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr char RECORDING_MAGIC[8] = {'Q', 'F', 'R', 'E', 'C', 'O', 'R', 'D'};
constexpr uint32_t RECORDING_VERSION = 1;
// A recording may not unpack to more than this; a ten-minute game takes a few megabytes.
constexpr size_t RECORDING_MAX_EVENTS_BYTES = size_t(256) << 20;

enum RecordingEventKind : uint8_t {
    REC_TICKS = 1,      // value: the tick count the game read
    REC_TIME = 2,       // time: the calendar seconds the game read
    REC_KEY = 3,        // key, value 0/1: the key state the game read
    REC_WAIT_KEY = 4,   // key: the game waited for the key's release
    REC_NO_MESSAGE = 5, // the game looked for a message and none was waiting
    REC_MESSAGE = 6,    // key: the message kind, value: its character
    REC_FRAME = 7,      // value: a hash of the game state at this present
    REC_FILE = 8,       // key: which file, value 0/1: found; bytes: its contents
    REC_SUMMARY = 9,    // bytes: the summary of the final state; the last event
};

enum RecordedFile : uint8_t {
    RECORDED_FORMATIONS = 1,  // qfel.dat
    RECORDED_TABLE = 2,       // qfhs.dat
};

struct RecordingEvent {
    RecordingEvent() = default;
    explicit RecordingEvent(RecordingEventKind kind, uint8_t key = 0, uint32_t value = 0)
        : kind(kind), key(key), value(value) {}
    RecordingEventKind kind = REC_SUMMARY;
    uint8_t key = 0;
    uint32_t value = 0;
    int64_t time = 0;
    std::string bytes;
};

struct Recording {
    std::string build;  // the identity of the build that recorded it
    std::vector<RecordingEvent> events;
    bool complete = false;  // ends with its summary; otherwise cut short where events end
};

// Reads a whole recording file image. False with a one-line reason for anything that is not a
// recording of this version (wrong magic, version, a header cut short, garbage). A recording
// whose events stop early (a killed game, a cut file) reads as far as it is whole, with
// complete false.
bool ParseRecording(const uint8_t* data, size_t size, Recording* recording, std::string* error);

// Writes a recording as the game runs: the header at once, then compressed events, flushed to
// the file whenever Flush is called (at least once a second by the session).
struct RecordingWriter {
    std::FILE* file = nullptr;
    void* stream = nullptr;  // the deflate stream
    std::string pending;     // encoded events not yet compressed
    uint32_t lastTicks = 0;
    int64_t lastTime = 0;
};
bool OpenRecording(RecordingWriter& writer, const std::string& path, const std::string& build);
void RecordEvent(RecordingWriter& writer, const RecordingEvent& event);
bool FlushRecording(RecordingWriter& writer);
bool CloseRecording(RecordingWriter& writer);
