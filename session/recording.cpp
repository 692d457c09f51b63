// Reading and writing recording files: a small header, then the entries as one deflate stream
// of tagged, little-endian, variable-length fields, with a CRC-32 check at every flush.
#include "session/recording.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr size_t CHUNK = 65536;
// A recording's entries pack to about two thirds of their size (the frame hashes do not pack at
// all); a file that unpacks to far more than this is a bomb, not a recording.
constexpr size_t MAX_UNPACK_RATIO = 64;

// Which parts of the input an entry changes: the high four bits of its tag byte.
enum InputChange : uint8_t {
    CHANGE_TICKS = 1,
    CHANGE_TIME = 2,
    CHANGE_KEYS = 4,
    CHANGE_MESSAGES = 8,
};

void PutVarint(std::string& out, uint64_t v) {
    for (; v >= 0x80; v >>= 7) out += char(uint8_t(v) | 0x80);
    out += char(v);
}
uint64_t ZigZag(int64_t v) { return (uint64_t(v) << 1) ^ uint64_t(v >> 63); }
int64_t UnZigZag(uint64_t v) { return int64_t(v >> 1) ^ -int64_t(v & 1); }

void PutWord(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char(uint8_t(v >> (8 * i)));
}

void PutText(std::string& out, const std::string& text) {
    const size_t n = text.size() < 255 ? text.size() : 255;
    out += char(n);
    out.append(text, 0, n);
}

// A typed character, a key or a button to bind carry their byte; a close request and quit none.
bool CarriesByte(int kind) { return kind != MESSAGE_CLOSE && kind != MESSAGE_QUIT; }

void EncodeInput(std::string& out, const PlatformInput& input, PlatformInput& last) {
    if (input.ticks != last.ticks) PutVarint(out, ZigZag(int32_t(input.ticks - last.ticks)));
    if (input.time != last.time) PutVarint(out, ZigZag(input.time - last.time));
    if (input.keys != last.keys) PutVarint(out, input.keys);
    if (input.messageCount > 0) {
        PutVarint(out, uint64_t(input.messageCount));
        for (int i = 0; i < input.messageCount; ++i) {
            out += char(input.messages[i].kind);
            if (CarriesByte(input.messages[i].kind)) out += char(input.messages[i].character);
        }
    }
    last = input;
}

uint8_t Changes(const PlatformInput& input, const PlatformInput& last) {
    return uint8_t((input.ticks != last.ticks ? CHANGE_TICKS : 0) | (input.time != last.time ? CHANGE_TIME : 0) |
                   (input.keys != last.keys ? CHANGE_KEYS : 0) | (input.messageCount > 0 ? CHANGE_MESSAGES : 0));
}

// The unpacked entries as a window over the inflate stream; an entry's bytes stay together in
// the window while it is read.
struct Unpacker {
    z_stream* z = nullptr;
    std::string& buffer;
    size_t& at;
    size_t& total;
    int status = Z_OK;
    bool Fill(size_t n) {
        while (buffer.size() - at < n && status == Z_OK) {
            char out[CHUNK];
            z->next_out = reinterpret_cast<Bytef*>(out);
            z->avail_out = sizeof out;
            status = inflate(z, Z_NO_FLUSH);
            const size_t got = sizeof out - z->avail_out;
            buffer.append(out, got);
            total += got;
            if (status == Z_BUF_ERROR && got > 0) status = Z_OK;  // more may follow
        }
        return buffer.size() - at >= n;
    }
    void Compact() {
        if (at > CHUNK) buffer.erase(0, at), at = 0;
    }
    bool Byte(uint8_t& v) {
        if (!Fill(1)) return false;
        v = uint8_t(buffer[at++]);
        return true;
    }
    bool Varint(uint64_t& v) {
        v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            uint8_t b;
            if (!Byte(b)) return false;
            v |= uint64_t(b & 0x7F) << shift;
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
    bool Word(uint32_t& v) {
        if (!Fill(4)) return false;
        const auto* p = reinterpret_cast<const uint8_t*>(buffer.data() + at);
        v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        at += 4;
        return true;
    }
    bool Bytes(std::string& out) {
        uint64_t n;
        if (!Varint(n) || n > RECORDING_MAX_ENTRY_BYTES || !Fill(size_t(n))) return false;
        out.assign(buffer, at, size_t(n));
        at += size_t(n);
        return true;
    }
};

bool DecodeInput(Unpacker& in, uint8_t changes, PlatformInput& input) {
    uint64_t v;
    input.messageCount = 0;
    if (changes & CHANGE_TICKS) {
        if (!in.Varint(v)) return false;
        input.ticks += uint32_t(UnZigZag(v));
    }
    if (changes & CHANGE_TIME) {
        if (!in.Varint(v)) return false;
        input.time = int64_t(uint64_t(input.time) + uint64_t(UnZigZag(v)));
    }
    if (changes & CHANGE_KEYS) {
        if (!in.Varint(v) || v >= (1u << PLATFORM_KEY_COUNT)) return false;
        input.keys = uint32_t(v);
    }
    if (changes & CHANGE_MESSAGES) {
        if (!in.Varint(v) || v == 0 || v > PLATFORM_MAX_MESSAGES) return false;
        input.messageCount = int(v);
        for (PlatformMessage* m = input.messages; m < input.messages + v; ++m) {
            uint8_t kind, character = 0;
            if (!in.Byte(kind) || kind < MESSAGE_CHAR || kind > MESSAGE_BUTTON) return false;
            if (CarriesByte(kind) && !in.Byte(character)) return false;
            *m = {PlatformMessageKind(kind), character};
        }
    }
    return true;
}

// One entry; false where the bytes end inside it or it makes no sense.
bool DecodeEntry(Unpacker& in, RecordingEntry& e, PlatformInput& input) {
    uint8_t tag;
    if (!in.Byte(tag)) return false;
    e = RecordingEntry{};
    e.kind = RecordingEntryKind(tag & 15);
    const uint8_t changes = tag >> 4;
    switch (e.kind) {
    case ENTRY_INPUT: break;
    case ENTRY_FRAME: if (!in.Word(e.value)) return false; break;
    case ENTRY_WAIT: {
        uint8_t key;
        if (!in.Byte(key) || PlatformKeyBit(key) == 0) return false;
        e.value = key;
        break;
    }
    case ENTRY_FILE: {
        uint8_t which, result;
        if (!in.Byte(which) || !in.Byte(result) || result > 2) return false;
        e.value = which, e.result = result;
        return changes == 0 && (which == RECORDED_FORMATIONS || which == RECORDED_TABLE) && in.Bytes(e.bytes);
    }
    case ENTRY_SUMMARY: return changes == 0 && in.Bytes(e.bytes);
    case ENTRY_CHECK: return changes == 0 && in.Word(e.value);
    default: return false;
    }
    if (!DecodeInput(in, changes, input)) return false;
    e.input = input;
    return true;
}

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
    uint32_t crc = 0;
    bool summary = false;
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
        if (!DecodeEntry(in, e, input)) {
            if (in.status == Z_OK || in.status == Z_STREAM_END) error = "damaged recording: an entry makes no sense";
            break;
        }
        if (e.kind == ENTRY_CHECK) {
            if (e.value != crc) {
                error = "damaged recording: a check of its data fails";
                break;
            }
            crc = 0;
            checkedUpTo = total - (buffer.size() - at);
            r.complete = summary;
            if (summary) {
                // Only the stream's end, with its own check, may follow.
                buffer.erase(0, at), at = 0;
                if (in.Fill(1)) error = "damaged recording: data after its end";
                break;
            }
            continue;
        }
        if (summary) break;  // nothing but a check may follow the summary
        crc = uint32_t(crc32(crc, reinterpret_cast<const Bytef*>(buffer.data() + start), uInt(at - start)));
        summary = e.kind == ENTRY_SUMMARY;
    }
    if (error.empty() && in.status != Z_OK && in.status != Z_STREAM_END && in.status != Z_BUF_ERROR)
        error = "damaged recording: " + ZlibError(in.status, z);
    inflateEnd(&z);
    r.trustedEnd = checkedUpTo;
    if (!error.empty()) return error;
    if (checkedUpTo == 0) return "damaged recording: it holds no whole second of play";
    return "";
}

bool ReadHeader(RecordingReader& r, std::string* error) {
    const std::string& f = r.file;
    if (f.size() < 12 || std::memcmp(f.data(), RECORDING_MAGIC, sizeof RECORDING_MAGIC) != 0) {
        *error = "not a Quellfort recording";
        return false;
    }
    auto word = [&](size_t at) {
        return uint32_t(uint8_t(f[at])) | uint32_t(uint8_t(f[at + 1])) << 8 |
               uint32_t(uint8_t(f[at + 2])) << 16 | uint32_t(uint8_t(f[at + 3])) << 24;
    };
    const uint32_t version = word(8);
    if (version < RECORDING_VERSION) {
        *error = "made by an older version of the game";
        return false;
    }
    if (version > RECORDING_VERSION) {
        *error = "made by a newer version of the game (recording format " + std::to_string(version) + ")";
        return false;
    }
    size_t at = 12;
    if (f.size() < at + 4) return *error = "damaged recording: its header is cut short", false;
    r.header.rulesVersion = word(at);
    at += 4;
    for (std::string* text : {&r.header.program, &r.header.platform}) {
        if (f.size() < at + 1 || f.size() < at + 1 + uint8_t(f[at]))
            return *error = "damaged recording: its header is cut short", false;
        text->assign(f, at + 1, uint8_t(f[at]));
        at += 1 + uint8_t(f[at]);
    }
    r.packedAt = at;
    return true;
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
    w.pending += char(ENTRY_CHECK);
    PutWord(w.pending, w.crc);
    w.crc = 0;
}

}  // namespace

// ---- Encoding ----

std::string EncodeRecordingHeader(const RecordingHeader& header) {
    std::string out(RECORDING_MAGIC, sizeof RECORDING_MAGIC);
    PutWord(out, RECORDING_VERSION);
    PutWord(out, header.rulesVersion);
    PutText(out, header.program);
    PutText(out, header.platform);
    return out;
}

void EncodeRecordingEntry(std::string& out, const RecordingEntry& e, PlatformInput& last) {
    const bool withInput = e.kind == ENTRY_INPUT || e.kind == ENTRY_FRAME || e.kind == ENTRY_WAIT;
    out += char(e.kind | (withInput ? Changes(e.input, last) << 4 : 0));
    switch (e.kind) {
    case ENTRY_FRAME: PutWord(out, e.value); break;
    case ENTRY_WAIT: out += char(e.value); break;
    case ENTRY_FILE:
        out += char(e.value), out += char(e.result);
        PutVarint(out, e.bytes.size()), out += e.bytes;
        break;
    case ENTRY_SUMMARY: PutVarint(out, e.bytes.size()), out += e.bytes; break;
    case ENTRY_CHECK: PutWord(out, e.value); break;
    default: break;
    }
    if (withInput) EncodeInput(out, e.input, last);
}

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
    w.crc = uint32_t(crc32(w.crc, reinterpret_cast<const Bytef*>(w.pending.data() + start), uInt(w.pending.size() - start)));
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
    std::string entries = w.copy;
    PlatformInput input = w.last;
    for (size_t i = 0; i < lastCount; ++i) EncodeRecordingEntry(entries, last[i], input);
    RecordingEntry check;
    check.kind = ENTRY_CHECK;
    check.value = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(entries.data()), uInt(entries.size())));
    EncodeRecordingEntry(entries, check, input);
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
    if (!ReadHeader(r, error)) return false;
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
        if (!DecodeEntry(in, *e, r.input)) return false;  // cannot happen: checked at open
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
