// The recording file of a played session: the data files read at start, then one entry per
// frame (the frame's input as a difference from the last, and a hash of the game state), the
// waits for a key's release, and a summary at the end. The format is described in
// docs/recording-format.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"

constexpr char RECORDING_MAGIC[8] = {'Q', 'F', 'R', 'E', 'C', 'O', 'R', 'D'};
constexpr uint32_t RECORDING_VERSION = 2;
// No recording file is larger than this: a ten-minute game takes about 150 KB.
constexpr size_t RECORDING_MAX_FILE_BYTES = size_t(16) << 20;
// No single entry unpacks to more than this (the largest is a data file the game read).
constexpr size_t RECORDING_MAX_ENTRY_BYTES = size_t(1) << 20;

enum RecordingEntryKind : uint8_t {
    ENTRY_INPUT = 1,    // the input read at the top of a pass that presented nothing
    ENTRY_FRAME = 2,    // a frame was presented (hash), then its input read
    ENTRY_WAIT = 3,     // the game waited for a key's release (key), then read its input
    ENTRY_FILE = 4,     // the game read a data file (which, result, bytes)
    ENTRY_SUMMARY = 5,  // the summary of the final state; the last entry
    ENTRY_CHECK = 6,    // CRC-32 of the unpacked entries since the last check
};

enum RecordedFile : uint8_t {
    RECORDED_FORMATIONS = 1,  // qfel.dat
    RECORDED_TABLE = 2,       // qfhs.dat
};

struct RecordingEntry {
    RecordingEntryKind kind = ENTRY_SUMMARY;
    uint32_t value = 0;     // FRAME: state hash; WAIT: key; FILE: which
    uint32_t result = 0;    // FILE: the read's result
    PlatformInput input;    // INPUT, FRAME, WAIT: the whole input after this entry
    std::string bytes;      // FILE: contents; SUMMARY: text
};

// What the header says of the build that made a recording.
struct RecordingHeader {
    uint32_t rulesVersion = 0;
    std::string program;   // "1.0.0", for information only
    std::string platform;  // "linux-sdl", "headless", "windows", "web", for information only
};

// Reads a recording entry by entry as a replay plays, so memory stays bounded by the file's
// size whatever it unpacks to. The packed data is checked whole when it is opened: a recording
// whose data is damaged is refused there, never blamed on the game later.
struct RecordingReader {
    std::string file;         // the whole file
    RecordingHeader header;
    void* stream = nullptr;   // the inflate stream
    size_t packedAt = 0;      // where the packed entries start in file
    std::string unpacked;     // unpacked bytes not yet read
    size_t at = 0;
    size_t trustedEnd = 0;    // unpacked bytes up to the last check, counted from the start
    size_t consumed = 0;      // unpacked bytes taken by entries so far
    size_t unpackedTotal = 0; // unpacked bytes handed to `unpacked` so far
    bool complete = false;    // the recording ends with its summary
    PlatformInput input;      // the input as the entries so far leave it
};

// Opens a recording from its bytes. False with a one-line reason for anything that is not a
// whole, undamaged recording of this format: "not a Quellfort recording", "made by an older
// version of the game", "damaged recording: ...". A recording cut short (a killed game) opens,
// with complete false; its entries stop at its last whole second.
bool OpenRecordingReader(RecordingReader& reader, std::string bytes, std::string* error);
// The next entry; false at the end of the recording (its summary was the last, or it is cut).
bool NextRecordingEntry(RecordingReader& reader, RecordingEntry* entry);
void CloseRecordingReader(RecordingReader& reader);

// Encodes entries as the game runs and packs them to the file, flushing at least once a second
// (and before every wait) so that a killed game leaves a recording that plays to its last flush.
struct RecordingWriter {
    std::FILE* file = nullptr;
    void* stream = nullptr;  // the deflate stream
    std::string pending;     // encoded entries not yet packed
    uint32_t crc = 0;        // of the entries since the last check
    PlatformInput last;      // the input the last entry left
    bool failed = false;
    bool keepCopy = false;   // keep every entry in memory too (a session whose games go to a Hall)
    std::string copy;        // the entries recorded so far, encoded, when keepCopy
};
bool OpenRecording(RecordingWriter& writer, const std::string& path, const RecordingHeader& header);
void RecordEntry(RecordingWriter& writer, const RecordingEntry& entry);
bool FlushRecording(RecordingWriter& writer);
bool CloseRecording(RecordingWriter& writer);
// A whole recording made from the writer's copy while the session goes on: the entries recorded
// so far, then `last` (a last input and a summary the session has not recorded), packed with a
// check as a file is. Empty when the writer keeps no copy.
std::string WholeRecordingSoFar(const RecordingWriter& writer, const RecordingHeader& header,
                                const RecordingEntry* last, size_t lastCount);

// The entry's encoding alone, for a writer that packs elsewhere (the browser): appends the
// bytes of one entry, given the input the last entry left, to out.
void EncodeRecordingEntry(std::string& out, const RecordingEntry& entry, PlatformInput& last);
std::string EncodeRecordingHeader(const RecordingHeader& header);
