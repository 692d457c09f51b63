// libFuzzer target: the recording reader on any bytes either refuses them with a reason, or hands
// out entries that all make sense and stop after the summary, in memory bounded by the file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "session/recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    RecordingReader reader;
    std::string error;
    if (!OpenRecordingReader(reader, std::string(reinterpret_cast<const char*>(bytes), size), &error)) {
        if (error.empty()) std::abort();
        CloseRecordingReader(reader);
        return 0;
    }
    RecordingEntry e;
    bool summary = false;
    while (NextRecordingEntry(reader, &e)) {
        if (summary || e.kind < ENTRY_INPUT || e.kind > ENTRY_SUMMARY) std::abort();
        if (e.input.messageCount < 0 || e.input.messageCount > PLATFORM_MAX_MESSAGES) std::abort();
        if (e.bytes.size() > RECORDING_MAX_ENTRY_BYTES || reader.unpacked.size() > 2 * RECORDING_MAX_ENTRY_BYTES)
            std::abort();
        summary = e.kind == ENTRY_SUMMARY;
    }
    if (summary != reader.complete) std::abort();
    CloseRecordingReader(reader);
    return 0;
}
