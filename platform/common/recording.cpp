// Reading and writing recording files: a small fixed header, then the events as one deflate
// stream of tagged, little-endian, variable-length fields.
#include "platform/common/recording.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t HEADER_FIXED = sizeof RECORDING_MAGIC + 4 + 2;

void PutVarint(std::string& out, uint64_t v) {
    for (; v >= 0x80; v >>= 7) out += char(uint8_t(v) | 0x80);
    out += char(v);
}
uint64_t ZigZag(int64_t v) { return (uint64_t(v) << 1) ^ uint64_t(v >> 63); }
int64_t UnZigZag(uint64_t v) { return int64_t(v >> 1) ^ -int64_t(v & 1); }

void PutWord(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char(uint8_t(v >> (8 * i)));
}

// A cursor over decoded event bytes; every read checks that the bytes are there.
struct Reader {
    const uint8_t* at;
    const uint8_t* end;
    bool Byte(uint8_t& v) {
        if (at >= end) return false;
        v = *at++;
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
        if (end - at < 4) return false;
        v = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
        at += 4;
        return true;
    }
    bool Bytes(std::string& out) {
        uint64_t n;
        if (!Varint(n) || n > uint64_t(end - at)) return false;
        out.assign(reinterpret_cast<const char*>(at), size_t(n));
        at += n;
        return true;
    }
};

// One event; false where the bytes end inside it or it makes no sense.
bool ReadEvent(Reader& in, RecordingEvent& e, uint32_t& ticks, int64_t& time) {
    uint8_t kind;
    uint64_t v;
    if (!in.Byte(kind)) return false;
    e = RecordingEvent(RecordingEventKind(kind));
    switch (kind) {
    case REC_TICKS:
        if (!in.Varint(v)) return false;
        e.value = ticks = uint32_t(ticks + uint32_t(UnZigZag(v)));
        return true;
    case REC_TIME:
        if (!in.Varint(v)) return false;
        e.time = time = int64_t(uint64_t(time) + uint64_t(UnZigZag(v)));
        return true;
    case REC_KEY: {
        uint8_t down;
        if (!in.Byte(e.key) || !in.Byte(down) || down > 1) return false;
        e.value = down;
        return true;
    }
    case REC_WAIT_KEY: return in.Byte(e.key);
    case REC_NO_MESSAGE: return true;
    case REC_MESSAGE: {
        uint8_t character;
        if (!in.Byte(e.key) || !in.Byte(character) || e.key < 1 || e.key > 3) return false;
        e.value = character;
        return true;
    }
    case REC_FRAME: return in.Word(e.value);
    case REC_FILE: {
        uint8_t result;  // read or not; for the table, read, missing or left alone
        if (!in.Byte(e.key) || !in.Byte(result) || result > 2) return false;
        e.value = result;
        return (e.key == RECORDED_FORMATIONS || e.key == RECORDED_TABLE) && in.Bytes(e.bytes);
    }
    case REC_SUMMARY: return in.Bytes(e.bytes);
    default: return false;
    }
}

// Inflates as much of the stream as is whole; a cut or damaged stream keeps what came before.
std::string Inflate(const uint8_t* data, size_t size) {
    std::string out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return out;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    char buffer[65536];
    for (int status = Z_OK; status == Z_OK;) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        if (status == Z_BUF_ERROR || out.size() > RECORDING_MAX_EVENTS_BYTES) break;
    }
    inflateEnd(&z);
    return out;
}

bool Compress(RecordingWriter& w, int flush) {
    z_stream* z = static_cast<z_stream*>(w.stream);
    z->next_in = reinterpret_cast<Bytef*>(w.pending.data());
    z->avail_in = uInt(w.pending.size());
    char buffer[65536];
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

}  // namespace

bool ParseRecording(const uint8_t* data, size_t size, Recording* recording, std::string* error) {
    *recording = Recording{};
    if (size < HEADER_FIXED || std::memcmp(data, RECORDING_MAGIC, sizeof RECORDING_MAGIC) != 0) {
        *error = "not a Quellfort recording";
        return false;
    }
    Reader header{data + sizeof RECORDING_MAGIC, data + size};
    uint32_t version = 0;
    header.Word(version);
    if (version != RECORDING_VERSION) {
        *error = "recording format version " + std::to_string(version) + ", this game reads version " +
                 std::to_string(RECORDING_VERSION);
        return false;
    }
    const size_t buildLength = size_t(header.at[0]) | size_t(header.at[1]) << 8;
    if (size - HEADER_FIXED < buildLength) {
        *error = "the recording's header is cut short";
        return false;
    }
    recording->build.assign(reinterpret_cast<const char*>(data + HEADER_FIXED), buildLength);
    const std::string events = Inflate(data + HEADER_FIXED + buildLength, size - HEADER_FIXED - buildLength);
    Reader in{reinterpret_cast<const uint8_t*>(events.data()),
              reinterpret_cast<const uint8_t*>(events.data()) + events.size()};
    uint32_t ticks = 0;
    int64_t time = 0;
    RecordingEvent event;
    while (!recording->complete && ReadEvent(in, event, ticks, time)) {
        recording->complete = event.kind == REC_SUMMARY;
        recording->events.push_back(std::move(event));
    }
    if (recording->events.empty()) {
        *error = "the recording holds no events (damaged or empty)";
        return false;
    }
    return true;
}

bool OpenRecording(RecordingWriter& w, const std::string& path, const std::string& build) {
    w = RecordingWriter{};
    w.file = std::fopen(path.c_str(), "wb");
    if (w.file == nullptr) return false;
    std::string header(RECORDING_MAGIC, sizeof RECORDING_MAGIC);
    PutWord(header, RECORDING_VERSION);
    const size_t n = std::min<size_t>(build.size(), 0xFFFF);
    header += char(n & 0xFF);
    header += char(n >> 8);
    header.append(build, 0, n);
    auto* z = new z_stream{};
    w.stream = z;
    if (deflateInit(z, Z_BEST_COMPRESSION) != Z_OK ||
        std::fwrite(header.data(), 1, header.size(), w.file) != header.size()) {
        CloseRecording(w);
        return false;
    }
    return true;
}

void RecordEvent(RecordingWriter& w, const RecordingEvent& e) {
    if (w.file == nullptr) return;
    std::string& out = w.pending;
    out += char(e.kind);
    switch (e.kind) {
    case REC_TICKS: PutVarint(out, ZigZag(int32_t(e.value - w.lastTicks))), w.lastTicks = e.value; break;
    case REC_TIME: PutVarint(out, ZigZag(e.time - w.lastTime)), w.lastTime = e.time; break;
    case REC_KEY: out += char(e.key), out += char(e.value != 0); break;
    case REC_WAIT_KEY: out += char(e.key); break;
    case REC_NO_MESSAGE: break;
    case REC_MESSAGE: out += char(e.key), out += char(e.value); break;
    case REC_FRAME: PutWord(out, e.value); break;
    case REC_FILE:
        out += char(e.key), out += char(e.value);
        PutVarint(out, e.bytes.size()), out += e.bytes;
        break;
    case REC_SUMMARY: PutVarint(out, e.bytes.size()), out += e.bytes; break;
    }
    if (w.pending.size() >= 65536) Compress(w, Z_NO_FLUSH);
}

bool FlushRecording(RecordingWriter& w) {
    if (w.file == nullptr) return false;
    return Compress(w, Z_SYNC_FLUSH) && std::fflush(w.file) == 0;
}

bool CloseRecording(RecordingWriter& w) {
    bool ok = w.file != nullptr;
    if (w.stream != nullptr) {
        if (ok) ok = Compress(w, Z_FINISH);
        deflateEnd(static_cast<z_stream*>(w.stream));
        delete static_cast<z_stream*>(w.stream);
    }
    if (w.file != nullptr && std::fclose(w.file) != 0) ok = false;
    w = RecordingWriter{};
    return ok;
}
