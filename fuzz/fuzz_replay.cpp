// libFuzzer target: the recording reader on any bytes either refuses them with a reason or reads
// events that all make sense, and stops after the summary.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/common/recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Recording recording;
    std::string error;
    if (!ParseRecording(bytes, size, &recording, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (recording.events.empty()) std::abort();
    for (size_t i = 0; i < recording.events.size(); ++i) {
        const RecordingEvent& e = recording.events[i];
        if (e.kind < REC_TICKS || e.kind > REC_SUMMARY) std::abort();
        if (e.kind == REC_SUMMARY && i + 1 != recording.events.size()) std::abort();
        if ((e.kind == REC_KEY && e.value > 1) || (e.kind == REC_FILE && e.value > 2)) std::abort();
    }
    if (recording.complete != (recording.events.back().kind == REC_SUMMARY)) std::abort();
    return 0;
}
