// Recordings are not kept in the browser yet: the page has no files to write them to or read
// them from, and Debian's emscripten brings no zlib. The session layer then plays live.
#include "session/recording.h"

bool OpenRecordingReader(RecordingReader&, std::string, std::string* error) {
    *error = "recordings are not played in the browser";
    return false;
}
bool NextRecordingEntry(RecordingReader&, RecordingEntry*) { return false; }
void CloseRecordingReader(RecordingReader& reader) { reader = RecordingReader{}; }

bool OpenRecording(RecordingWriter&, const std::string&, const RecordingHeader&) { return false; }
void RecordEntry(RecordingWriter&, const RecordingEntry&) {}
bool FlushRecording(RecordingWriter&) { return false; }
bool CloseRecording(RecordingWriter&) { return true; }
std::string WholeRecordingSoFar(const RecordingWriter&, const RecordingHeader&, const RecordingEntry*, size_t) {
    return "";
}
