// Recordings are not kept in the browser: the page has no files to write them to or read them
// from, and Debian's emscripten brings no zlib. The session layer then plays live.
#include "platform/common/recording.h"

bool ParseRecording(const uint8_t*, size_t, Recording*, std::string* error) {
    *error = "recordings are not played in the browser";
    return false;
}

bool OpenRecording(RecordingWriter&, const std::string&, const std::string&) { return false; }
void RecordEvent(RecordingWriter&, const RecordingEvent&) {}
bool FlushRecording(RecordingWriter&) { return false; }
bool CloseRecording(RecordingWriter&) { return true; }
