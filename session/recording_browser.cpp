// Recordings in the browser, in the same format as the desktop's: Debian's emscripten brings no
// zlib, so the entries are packed and unpacked by the browser's own deflate (CompressionStream,
// DecompressionStream in page/recordings.js). The writer keeps the session's entries in memory
// and hands each finished game's recording to the page unpacked; the reader has the page unpack
// a file whole, within the same bound on its size as the desktop's, then checks it as the
// desktop's reader does.
#include <emscripten.h>

#include <cstdlib>

#include "session/recording.h"
#include "session/recording_codec.h"

namespace {

// A file that unpacks to far more than this is a bomb, not a recording (as on the desktop).
constexpr size_t MAX_UNPACK_RATIO = 16;

// Unpacks `size` packed bytes, at most `limit` of them out: returns the unpacked bytes (malloc'd,
// their count in *unpacked) or null with the reason in `why`; *cut is 1 when the stream stops
// before its end (a killed game) after giving some bytes.
EM_ASYNC_JS(uint8_t*, JsInflate, (const uint8_t* packed, int size, int limit, int* unpacked, int* cut,
                                  char* why, int whySize), {
    const result = await Recordings.inflate(HEAPU8.slice(packed, packed + size), limit);
    if (result.error) {
        stringToUTF8(result.error, why, whySize);
        return 0;
    }
    const out = _malloc(Math.max(1, result.bytes.length));
    HEAPU8.set(result.bytes, out);
    HEAP32[unpacked >> 2] = result.bytes.length;
    HEAP32[cut >> 2] = result.cut ? 1 : 0;
    return out;
});

// Reads every entry once: every check must hold. Leaves how far the entries can be trusted and
// whether the summary is among them.
std::string CheckEntries(RecordingReader& r, bool cut) {
    size_t at = 0;
    EntryBytes in{&r.unpacked, &at};
    EntryChecks checks;
    PlatformInput input;
    for (RecordingEntry e; at < r.unpacked.size();) {
        const size_t start = at;
        if (!DecodeRecordingEntry(in, e, input)) {
            if (cut) break;  // the tail of a killed game, after its last whole second
            return "damaged recording: an entry makes no sense";
        }
        const EntryChecks::Step step = checks.Take(e, r.unpacked.data() + start, at - start);
        if (step == EntryChecks::FAILED) return CHECK_FAILS;
        if (step == EntryChecks::AFTER_SUMMARY) break;
        if (step == EntryChecks::HELD) {
            r.trustedEnd = at;
            r.complete = checks.summary;
            if (checks.summary && at != r.unpacked.size()) return DATA_AFTER_END;
        }
    }
    if (r.complete && cut) return "damaged recording: its packed data fails the stream's own check";
    if (r.trustedEnd == 0) return "damaged recording: it holds no whole second of play";
    return "";
}

}  // namespace

bool OpenRecordingReader(RecordingReader& r, std::string bytes, std::string* error) {
    CloseRecordingReader(r);
    r.file = std::move(bytes);
    if (r.file.size() > RECORDING_MAX_FILE_BYTES) return *error = "too large to be a recording", false;
    if (!ReadRecordingHeader(r, error)) return false;
    const size_t packed = r.file.size() - r.packedAt;
    int unpacked = 0, cut = 0;
    char why[256] = {};
    uint8_t* out = JsInflate(reinterpret_cast<const uint8_t*>(r.file.data() + r.packedAt), int(packed),
                             int(packed * MAX_UNPACK_RATIO + RECORDING_MAX_ENTRY_BYTES), &unpacked, &cut, why,
                             int(sizeof why));
    if (out == nullptr) return *error = why, false;
    r.unpacked.assign(reinterpret_cast<const char*>(out), size_t(unpacked));
    std::free(out);
    if (std::string reason = CheckEntries(r, cut != 0); !reason.empty()) return *error = reason, false;
    return true;
}

bool NextRecordingEntry(RecordingReader& r, RecordingEntry* e) {
    EntryBytes in{&r.unpacked, &r.at};
    while (r.at < r.trustedEnd) {
        if (!DecodeRecordingEntry(in, *e, r.input)) return false;  // cannot happen: checked at open
        if (e->kind != ENTRY_CHECK) return true;
    }
    return false;
}

void CloseRecordingReader(RecordingReader& reader) { reader = RecordingReader{}; }

// The writer keeps every entry, encoded, as a session that sends its games to a Hall does.
bool OpenRecording(RecordingWriter& w, const std::string&, const RecordingHeader&) {
    w = RecordingWriter{};
    w.keepCopy = true;
    return true;
}

void RecordEntry(RecordingWriter& w, const RecordingEntry& e) {
    if (w.keepCopy) EncodeRecordingEntry(w.copy, e, w.last);
}

bool FlushRecording(RecordingWriter& w) { return w.keepCopy; }

bool CloseRecording(RecordingWriter& w) {
    w = RecordingWriter{};
    return true;
}

// The header, then the entries with a check after them, unpacked: the page packs them.
std::string WholeRecordingSoFar(const RecordingWriter& w, const RecordingHeader& header, const RecordingEntry* last,
                                size_t lastCount) {
    if (!w.keepCopy) return "";
    return EncodeRecordingHeader(header) + EntriesSoFar(w, last, lastCount);
}
