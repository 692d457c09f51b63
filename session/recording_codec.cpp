// A recording's header and entries as bytes: tagged, little-endian, variable-length fields.
#include "session/recording_codec.h"

#include <cstring>

namespace {

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

bool DecodeInput(EntryBytes& in, uint8_t changes, PlatformInput& input) {
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

struct CrcTable {
    uint32_t entries[256];
    CrcTable() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};
const CrcTable crcTable;

}  // namespace

// ---- The window of unpacked bytes ----

bool EntryBytes::Fill(size_t n) {
    if (buffer->size() - *at >= n) return true;
    return more != nullptr && more(*this, n) && buffer->size() - *at >= n;
}

bool EntryBytes::Byte(uint8_t& v) {
    if (!Fill(1)) return false;
    v = uint8_t((*buffer)[(*at)++]);
    return true;
}

bool EntryBytes::Varint(uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        uint8_t b;
        if (!Byte(b)) return false;
        v |= uint64_t(b & 0x7F) << shift;
        if ((b & 0x80) == 0) return true;
    }
    return false;
}

bool EntryBytes::Word(uint32_t& v) {
    if (!Fill(4)) return false;
    const auto* p = reinterpret_cast<const uint8_t*>(buffer->data() + *at);
    v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    *at += 4;
    return true;
}

bool EntryBytes::Bytes(std::string& out) {
    uint64_t n;
    if (!Varint(n) || n > RECORDING_MAX_ENTRY_BYTES || !Fill(size_t(n))) return false;
    out.assign(*buffer, *at, size_t(n));
    *at += size_t(n);
    return true;
}

// ---- Entries ----

bool DecodeRecordingEntry(EntryBytes& in, RecordingEntry& e, PlatformInput& input) {
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

// ---- The header ----

std::string EncodeRecordingHeader(const RecordingHeader& header) {
    std::string out(RECORDING_MAGIC, sizeof RECORDING_MAGIC);
    PutWord(out, RECORDING_VERSION);
    PutWord(out, header.rulesVersion);
    PutText(out, header.program);
    PutText(out, header.platform);
    return out;
}

bool ReadRecordingHeader(RecordingReader& r, std::string* error) {
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

uint32_t RecordingCrc32(uint32_t crc, const char* data, size_t size) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = crcTable.entries[(crc ^ uint8_t(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

EntryChecks::Step EntryChecks::Take(const RecordingEntry& e, const char* bytes, size_t size) {
    if (e.kind == ENTRY_CHECK) {
        if (e.value != crc) return FAILED;
        crc = 0;
        return HELD;
    }
    if (summary) return AFTER_SUMMARY;
    crc = RecordingCrc32(crc, bytes, size);
    summary = e.kind == ENTRY_SUMMARY;
    return COUNTED;
}

std::string EntriesSoFar(const RecordingWriter& w, const RecordingEntry* last, size_t lastCount) {
    std::string entries = w.copy;
    PlatformInput input = w.last;
    for (size_t i = 0; i < lastCount; ++i) EncodeRecordingEntry(entries, last[i], input);
    RecordingEntry check;
    check.kind = ENTRY_CHECK;
    check.value = RecordingCrc32(0, entries.data(), entries.size());
    EncodeRecordingEntry(entries, check, input);
    return entries;
}
