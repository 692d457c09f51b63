// Reading and writing recording files: a small header, then the entries as one deflate stream
// of tagged, little-endian, variable-length fields, with a CRC-32 check at every flush.
#include "session/recording.h"

#include <zlib.h>

#include "session/recording_codec.h"

namespace {

constexpr size_t CHUNK = 65536;
// A recording's entries pack to about two thirds of their size (the frame hashes do not pack at
// all); a file that unpacks to far more than this is a bomb, not a recording.
constexpr size_t MAX_UNPACK_RATIO = 16;

// The unpacked entries as a window over the inflate stream.
struct Unpacker {
    z_stream* z = nullptr;
    size_t* total = nullptr;
    int status = Z_OK;
    EntryBytes bytes;
    Unpacker(z_stream* stream, std::string& buffer, size_t& at, size_t& unpackedTotal)
        : z(stream), total(&unpackedTotal), bytes{&buffer, &at, Inflate, this} {}
    Unpacker(const Unpacker&) = delete;
    bool Fill(size_t n) { return bytes.Fill(n); }
    void Compact() {
        if (*bytes.at > CHUNK) bytes.buffer->erase(0, *bytes.at), *bytes.at = 0;
    }
    static bool Inflate(EntryBytes& in, size_t n) {
        Unpacker& u = *static_cast<Unpacker*>(in.source);
        while (in.buffer->size() - *in.at < n && u.status == Z_OK) {
            char out[CHUNK];
            u.z->next_out = reinterpret_cast<Bytef*>(out);
            u.z->avail_out = sizeof out;
            u.status = inflate(u.z, Z_NO_FLUSH);
            const size_t got = sizeof out - u.z->avail_out;
            in.buffer->append(out, got);
            *u.total += got;
            if (u.status == Z_BUF_ERROR && got > 0) u.status = Z_OK;  // more may follow
        }
        return in.buffer->size() - *in.at >= n;
    }
};

std::string ZlibError(int status, const z_stream& z) {
    return z.msg != nullptr ? z.msg : "zlib error " + std::to_string(status);
}

// Reads the whole packed stream once: every check must hold. Leaves how far the entries can be
// trusted and whether the summary is among them.
std::string CheckPackedEntries(RecordingReader& r) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return "damaged recording: cannot unpack it";
    z.next_in = reinterpret_cast<Bytef*>(r.file.data() + r.packedAt);
    z.avail_in = uInt(r.file.size() - r.packedAt);
    std::string buffer;
    size_t at = 0, total = 0, checkedUpTo = 0;
    Unpacker in{&z, buffer, at, total};
    EntryChecks checks;
    std::string error;
    PlatformInput input;
    const size_t unpackLimit = (r.file.size() - r.packedAt) * MAX_UNPACK_RATIO + RECORDING_MAX_ENTRY_BYTES;
    for (RecordingEntry e;;) {
        in.Compact();
        const size_t start = at;
        if (total > unpackLimit) {
            error = "damaged recording: it unpacks to far more than any recording";
            break;
        }
        if (!in.Fill(1)) break;
        if (!DecodeRecordingEntry(in.bytes, e, input)) {
            if (in.status == Z_OK || in.status == Z_STREAM_END) error = "damaged recording: an entry makes no sense";
            break;
        }
        const EntryChecks::Step step = checks.Take(e, buffer.data() + start, at - start);
        if (step == EntryChecks::FAILED) error = CHECK_FAILS;
        if (step == EntryChecks::FAILED || step == EntryChecks::AFTER_SUMMARY) break;
        if (step == EntryChecks::HELD) {
            checkedUpTo = total - (buffer.size() - at);
            r.complete = checks.summary;
            if (checks.summary) {
                // Only the stream's end, with its own check, may follow.
                buffer.erase(0, at), at = 0;
                if (in.Fill(1)) error = DATA_AFTER_END;
                break;
            }
        }
    }
    if (error.empty() && in.status != Z_OK && in.status != Z_STREAM_END && in.status != Z_BUF_ERROR)
        error = "damaged recording: " + ZlibError(in.status, z);
    inflateEnd(&z);
    r.trustedEnd = checkedUpTo;
    if (!error.empty()) return error;
    if (checkedUpTo == 0) return "damaged recording: it holds no whole second of play";
    return "";
}

bool Pack(RecordingWriter& w, int flush) {
    z_stream* z = static_cast<z_stream*>(w.stream);
    z->next_in = reinterpret_cast<Bytef*>(w.pending.data());
    z->avail_in = uInt(w.pending.size());
    char buffer[CHUNK];
    do {
        z->next_out = reinterpret_cast<Bytef*>(buffer);
        z->avail_out = sizeof buffer;
        if (deflate(z, flush) == Z_STREAM_ERROR) return false;
        const size_t n = sizeof buffer - z->avail_out;
        if (n > 0 && std::fwrite(buffer, 1, n, w.file) != n) return false;
    } while (z->avail_out == 0);
    w.pending.clear();
    return true;
}

// A check of the entries since the last one; the reader trusts entries up to a check only.
void PutCheck(RecordingWriter& w) {
    RecordingEntry check;
    check.kind = ENTRY_CHECK;
    check.value = w.crc;
    EncodeRecordingEntry(w.pending, check, w.last);
    w.crc = 0;
}

}  // namespace

// ---- Encoding ----

bool OpenRecording(RecordingWriter& w, const std::string& path, const RecordingHeader& header) {
    w = RecordingWriter{};
    w.file = std::fopen(path.c_str(), "wb");
    if (w.file == nullptr) return false;
    const std::string bytes = EncodeRecordingHeader(header);
    auto* z = new z_stream{};
    w.stream = z;
    if (deflateInit(z, Z_BEST_COMPRESSION) != Z_OK || std::fwrite(bytes.data(), 1, bytes.size(), w.file) != bytes.size()) {
        CloseRecording(w);
        return false;
    }
    return true;
}

void RecordEntry(RecordingWriter& w, const RecordingEntry& e) {
    if (w.file == nullptr) return;
    const size_t start = w.pending.size();
    EncodeRecordingEntry(w.pending, e, w.last);
    if (w.keepCopy) w.copy.append(w.pending, start, std::string::npos);
    w.crc = RecordingCrc32(w.crc, w.pending.data() + start, w.pending.size() - start);
    if (w.pending.size() >= CHUNK && !Pack(w, Z_NO_FLUSH)) w.failed = true;
}

bool FlushRecording(RecordingWriter& w) {
    if (w.file == nullptr) return false;
    PutCheck(w);
    if (!Pack(w, Z_SYNC_FLUSH) || std::fflush(w.file) != 0) w.failed = true;
    return !w.failed;
}

bool CloseRecording(RecordingWriter& w) {
    bool ok = w.file != nullptr && !w.failed;
    if (w.stream != nullptr) {
        if (ok) PutCheck(w), ok = Pack(w, Z_FINISH);
        deflateEnd(static_cast<z_stream*>(w.stream));
        delete static_cast<z_stream*>(w.stream);
    }
    if (w.file != nullptr && std::fclose(w.file) != 0) ok = false;
    w = RecordingWriter{};
    return ok;
}

std::string WholeRecordingSoFar(const RecordingWriter& w, const RecordingHeader& header,
                                const RecordingEntry* last, size_t lastCount) {
    if (!w.keepCopy) return "";
    const std::string entries = EntriesSoFar(w, last, lastCount);
    uLongf size = compressBound(uLong(entries.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(entries.data()),
                  uLong(entries.size()), Z_BEST_COMPRESSION) != Z_OK)
        return "";
    packed.resize(size);
    return EncodeRecordingHeader(header) + packed;
}

// ---- Reading ----

bool OpenRecordingReader(RecordingReader& r, std::string bytes, std::string* error) {
    CloseRecordingReader(r);
    r.file = std::move(bytes);
    if (r.file.size() > RECORDING_MAX_FILE_BYTES) return *error = "too large to be a recording", false;
    if (!ReadRecordingHeader(r, error)) return false;
    if (std::string why = CheckPackedEntries(r); !why.empty()) return *error = why, false;
    auto* z = new z_stream{};
    r.stream = z;
    if (inflateInit(z) != Z_OK) return *error = "damaged recording: cannot unpack it", false;
    z->next_in = reinterpret_cast<Bytef*>(r.file.data() + r.packedAt);
    z->avail_in = uInt(r.file.size() - r.packedAt);
    return true;
}

bool NextRecordingEntry(RecordingReader& r, RecordingEntry* e) {
    if (r.stream == nullptr) return false;
    Unpacker in{static_cast<z_stream*>(r.stream), r.unpacked, r.at, r.unpackedTotal};
    for (;;) {
        in.Compact();
        const size_t entryAt = r.consumed;
        if (entryAt >= r.trustedEnd) return false;
        const size_t before = r.at;
        if (!DecodeRecordingEntry(in.bytes, *e, r.input)) return false;  // cannot happen: checked at open
        r.consumed += r.at - before;
        if (e->kind != ENTRY_CHECK) return true;
    }
}

void CloseRecordingReader(RecordingReader& r) {
    if (r.stream != nullptr) {
        inflateEnd(static_cast<z_stream*>(r.stream));
        delete static_cast<z_stream*>(r.stream);
    }
    r = RecordingReader{};
}
