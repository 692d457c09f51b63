// Writes an effect as a complete RIFF WAVE image, chunk by chunk, little-endian throughout.
#include "riff.h"

#include <algorithm>
#include <cmath>

using Bytes = std::vector<uint8_t>;

static void Put16(Bytes& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

static void Put32(Bytes& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

static void PutTag(Bytes& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(tag[i]));
}

// A chunk is its tag, its size and its bytes, padded to an even length.
static void PutChunk(Bytes& out, const char* tag, const Bytes& body) {
    PutTag(out, tag);
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) out.push_back(0);
}

// A WAVEFORMATEX for 16-bit stereo PCM, with its zero extra-size field: 18 bytes.
static Bytes FormatChunk(uint32_t rate) {
    Bytes fmt;
    Put16(fmt, 1);  // PCM
    Put16(fmt, 2);  // channels
    Put32(fmt, rate);
    Put32(fmt, rate * 4);  // bytes per second
    Put16(fmt, 4);         // bytes per frame
    Put16(fmt, 16);        // bits per sample
    Put16(fmt, 0);         // no extra format bytes
    return fmt;
}

static int16_t ToPcm(double sample) {
    return int16_t(std::lround(std::clamp(sample, -1.0, 1.0) * 32767.0));
}

static Bytes DataChunk(const Stereo& sound) {
    Bytes data;
    for (size_t i = 0; i < sound.left.size(); ++i) {
        Put16(data, uint16_t(ToPcm(sound.left[i])));
        Put16(data, uint16_t(ToPcm(sound.right[i])));
    }
    return data;
}

// A text entry of a LIST: zero-terminated, padded by PutChunk.
static void PutText(Bytes& list, const char* tag, const std::string& text) {
    Bytes body(text.begin(), text.end());
    body.push_back(0);
    PutChunk(list, tag, body);
}

static Bytes InfoList(const std::string& title) {
    Bytes list;
    PutTag(list, "INFO");
    PutText(list, "INAM", title);
    PutText(list, "IPRD", "Quellfort");
    PutText(list, "ISFT", "Quellfort wavegen");
    return list;
}

// One cue point on the data chunk, and the associated-data list that names it.
static void PutCue(Bytes& out, const WaveCue& cue) {
    Bytes points;
    Put32(points, 1);  // number of cue points
    Put32(points, 1);  // its identifier
    Put32(points, cue.frame);
    PutTag(points, "data");
    Put32(points, 0);  // chunk start
    Put32(points, 0);  // block start
    Put32(points, cue.frame);
    PutChunk(out, "cue ", points);

    Bytes label;
    Put32(label, 1);
    label.insert(label.end(), cue.label.begin(), cue.label.end());
    label.push_back(0);
    Bytes adtl;
    PutTag(adtl, "adtl");
    PutChunk(adtl, "labl", label);
    PutChunk(out, "LIST", adtl);
}

std::vector<uint8_t> BuildWaveImage(const Stereo& sound, const std::string& title,
                                    const WaveCue& cue) {
    Bytes body;
    PutTag(body, "WAVE");
    PutChunk(body, "fmt ", FormatChunk(uint32_t(sound.rate)));
    Bytes fact;
    Put32(fact, uint32_t(sound.left.size()));
    PutChunk(body, "fact", fact);
    PutChunk(body, "data", DataChunk(sound));
    if (cue.present) PutCue(body, cue);
    PutChunk(body, "LIST", InfoList(title));

    Bytes image;
    PutTag(image, "RIFF");
    Put32(image, uint32_t(body.size()));
    image.insert(image.end(), body.begin(), body.end());
    return image;
}
