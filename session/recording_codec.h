// The bytes of a recording before packing: its header, the encoding of its entries and their
// CRC-32 checks. Shared by the zlib reader and writer (recording.cpp) and the browser's, which
// packs with the browser's own deflate (recording_browser.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "session/recording.h"

// The unpacked entries as a window over their source: an entry's bytes stay together in
// `buffer` from `at` while it is read; `more` (when set) is asked to add bytes while too few wait.
struct EntryBytes {
    std::string* buffer = nullptr;
    size_t* at = nullptr;
    bool (*more)(EntryBytes& in, size_t wanted) = nullptr;
    void* source = nullptr;  // what `more` reads from

    bool Fill(size_t n);
    bool Byte(uint8_t& v);
    bool Varint(uint64_t& v);
    bool Word(uint32_t& v);
    bool Bytes(std::string& out);  // a varint length (at most one entry's size), then the bytes
};

// One entry, given the input the entries before it left; false where the bytes end inside it or
// it makes no sense.
bool DecodeRecordingEntry(EntryBytes& in, RecordingEntry& e, PlatformInput& input);
// The header of r.file: sets r.header and r.packedAt; false with the one-line reason.
bool ReadRecordingHeader(RecordingReader& r, std::string* error);
// The checks of a recording's entries, taken in the order they are read: each check entry must
// hold over the entries since the one before, and after the summary only its check may come.
struct EntryChecks {
    enum Step { COUNTED, HELD, FAILED, AFTER_SUMMARY };
    uint32_t crc = 0;
    bool summary = false;  // the summary is among the entries read
    // One decoded entry and its bytes: COUNTED into the next check, a check that HELD (the entries
    // so far can be trusted) or FAILED, or an entry AFTER_SUMMARY, where the reading ends.
    Step Take(const RecordingEntry& e, const char* bytes, size_t size);
};
constexpr const char* CHECK_FAILS = "damaged recording: a check of its data fails";
constexpr const char* DATA_AFTER_END = "damaged recording: data after its end";
// The CRC-32 of the check entries (the one zlib and PNG use), continued from `crc`.
uint32_t RecordingCrc32(uint32_t crc, const char* data, size_t size);
// The session's entries up to now, unpacked: the writer's copy, the entries of this pass not yet
// recorded, and a check entry over them all, as a recording that ended here would hold them.
std::string EntriesSoFar(const RecordingWriter& w, const RecordingEntry* last, size_t lastCount);
