// Tests of the sound bank: WAVE parsing of damaged images, the seven embedded effects, and the
// bank's buffers on the headless sound device.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/world.h"
#include "sound/sound.h"
#include "tests/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// A chunk with its declared size (the body may be shorter, as in a damaged file) and pad byte.
void PutChunk(Bytes& out, const char* tag, const Bytes& body, bool pad = true) {
    out.insert(out.end(), tag, tag + 4);
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 != 0) out.push_back(0);
}

// RIFF header around the chunks; the size is right unless one is given.
Bytes Riff(const Bytes& chunks, int64_t riffSize = -1) {
    Bytes image = {'R', 'I', 'F', 'F'};
    Put32(image, riffSize >= 0 ? uint32_t(riffSize) : uint32_t(4 + chunks.size()));
    image.insert(image.end(), {'W', 'A', 'V', 'E'});
    image.insert(image.end(), chunks.begin(), chunks.end());
    return image;
}

const Bytes kFormat = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};
const Bytes kSamples = {1, 2, 3, 4, 5, 6, 7, 8};

// Parses a copy held in an allocation of exactly the image's size, so that the sanitizer
// build catches any read past its end.
struct Parsed {
    bool ok;
    WaveImage wave;
    size_t formatAt, dataAt;  // offsets into the image, when found
};
Parsed Parse(const Bytes& image) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[image.size() + (image.empty() ? 1 : 0)]);
    if (!image.empty()) std::memcpy(copy.get(), image.data(), image.size());
    Parsed result{};
    result.ok = ParseWave(copy.get(), image.size(), &result.wave);
    if (result.wave.format) result.formatAt = size_t(result.wave.format - copy.get());
    if (result.wave.data) result.dataAt = size_t(result.wave.data - copy.get());
    return result;
}

Bytes Chunks(std::initializer_list<std::pair<const char*, Bytes>> list) {
    Bytes out;
    for (const auto& [tag, body] : list) PutChunk(out, tag, body);
    return out;
}

}  // namespace

TEST(ParseWave, FindsFormatAndDataInEitherOrder) {
    Parsed usual =
        Parse(Riff(Chunks({{"fmt ", kFormat}, {"fact", {0, 0, 0, 0}}, {"data", kSamples}})));
    ASSERT_TRUE(usual.ok);
    EXPECT_EQ(usual.formatAt, 20u);
    EXPECT_EQ(usual.wave.formatSize, 18u);
    EXPECT_EQ(usual.dataAt, 20u + 18 + 12 + 8);
    EXPECT_EQ(usual.wave.dataSize, 8u);

    Parsed swapped = Parse(Riff(Chunks({{"data", kSamples}, {"fmt ", kFormat}})));
    ASSERT_TRUE(swapped.ok);
    EXPECT_EQ(swapped.dataAt, 20u);
    EXPECT_EQ(swapped.formatAt, 20u + 8 + 8);
    EXPECT_EQ(swapped.wave.formatSize, 18u);
}

TEST(ParseWave, SkipsThePadByteAfterAnOddChunk) {
    Parsed padded =
        Parse(Riff(Chunks({{"LIST", {'a', 'b', 'c'}}, {"fmt ", kFormat}, {"data", kSamples}})));
    ASSERT_TRUE(padded.ok);
    EXPECT_EQ(padded.formatAt, 12u + 8 + 4 + 8);

    // Without its pad byte the next header is read one byte early and is no "fmt ".
    Bytes unpadded;
    PutChunk(unpadded, "LIST", {'a', 'b', 'c'}, false);
    PutChunk(unpadded, "fmt ", kFormat);
    PutChunk(unpadded, "data", kSamples);
    EXPECT_FALSE(Parse(Riff(unpadded)).ok);
}

TEST(ParseWave, FormatShorterThanFourteenBytesFails) {
    Bytes thirteen(kFormat.begin(), kFormat.begin() + 13);
    EXPECT_FALSE(Parse(Riff(Chunks({{"fmt ", thirteen}, {"data", kSamples}}))).ok);
    Bytes fourteen(kFormat.begin(), kFormat.begin() + 14);
    Parsed ok = Parse(Riff(Chunks({{"fmt ", fourteen}, {"data", kSamples}})));
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.wave.formatSize, 14u);
    // Only the first "fmt " counts; a later short one is not looked at.
    EXPECT_TRUE(
        Parse(Riff(Chunks({{"fmt ", kFormat}, {"fmt ", thirteen}, {"data", kSamples}}))).ok);
}

TEST(ParseWave, MissingChunkFailsAndLeavesNothing) {
    Parsed noData = Parse(Riff(Chunks({{"fmt ", kFormat}, {"LIST", {1, 2}}})));
    EXPECT_FALSE(noData.ok);
    EXPECT_EQ(noData.wave.format, nullptr);
    EXPECT_FALSE(Parse(Riff(Chunks({{"data", kSamples}}))).ok);
    EXPECT_FALSE(Parse(Riff({})).ok);
}

TEST(ParseWave, RefusesWrongMagicAndTruncatedHeaders) {
    Bytes good = Riff(Chunks({{"fmt ", kFormat}, {"data", kSamples}}));
    Bytes rifx = good, wavx = good;
    rifx[3] = 'X';
    wavx[11] = 'X';
    EXPECT_FALSE(Parse(rifx).ok);
    EXPECT_FALSE(Parse(wavx).ok);
    for (size_t size : {0, 4, 11, 12, 19, 20 + 13})
        EXPECT_FALSE(Parse(Bytes(good.begin(), good.begin() + size)).ok) << size;
    WaveImage wave;
    EXPECT_FALSE(ParseWave(nullptr, 100, &wave));
}

// A RIFF size that claims more than there is must not lead the walk past the image.
TEST(ParseWave, NeverReadsPastTheImage) {
    EXPECT_FALSE(Parse(Riff(Chunks({{"fmt ", kFormat}}), 0xFFFFFFFF)).ok);

    // A chunk claiming nearly 4 GB: skipping it must not wrap around to an earlier offset.
    Bytes huge;
    PutChunk(huge, "fmt ", kFormat);
    huge.insert(huge.end(), {'j', 'u', 'n', 'k'});
    Put32(huge, 0xFFFFFFF0);
    PutChunk(huge, "data", kSamples);
    EXPECT_FALSE(Parse(Riff(huge, 0xFFFFFFFF)).ok);

    // A data chunk cut short keeps the bytes that are there; a cut format is refused.
    Bytes cut = Riff(Chunks({{"fmt ", kFormat}, {"data", Bytes(100, 7)}}));
    Parsed shortData = Parse(Bytes(cut.begin(), cut.end() - 60));
    ASSERT_TRUE(shortData.ok);
    EXPECT_EQ(shortData.wave.dataSize, 40u);
    Bytes cutFormat = Riff(Chunks({{"data", kSamples}, {"fmt ", kFormat}}));
    EXPECT_FALSE(Parse(Bytes(cutFormat.begin(), cutFormat.end() - 6)).ok);
}

TEST(ParseWave, ChunksAfterTheStatedEndAreNotRead) {
    Bytes chunks = Chunks({{"fmt ", kFormat}, {"data", kSamples}});
    EXPECT_FALSE(Parse(Riff(chunks, 4 + 8 + 18)).ok);
    EXPECT_TRUE(Parse(Riff(chunks, 4 + 8 + 18 + 1)).ok);  // the data header starts inside
}

namespace {

struct EffectFacts {
    const char* name;
    uint32_t rate;
    double ms;
};
const EffectFacts kEffects[] = {
    {"menu_beep_sound", 11025, 1222},       {"enemy_explosion_sound", 16000, 735},
    {"player_explosion_sound", 8000, 1833}, {"projectile_sound", 44100, 131},
    {"extra_life_sound", 8000, 1503},       {"extra_weapon_sound", 11025, 990},
    {"shield_sound", 44100, 203},
};

uint16_t Half(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Word(const uint8_t* p) { return Half(p) | uint32_t(Half(p + 2)) << 16; }

// The chunk identifiers of an image, walked to its very end: the sizes must add up exactly.
std::string ChunkTags(const std::string& name) {
    const uint8_t* image = nullptr;
    size_t size = 0;
    if (!PlatformFindResource(name.c_str(), &image, &size)) return "missing";
    std::string tags;
    size_t at = 12;
    while (at + 8 <= size) {
        tags += std::string(reinterpret_cast<const char*>(image + at), 4) + ",";
        uint32_t chunk = Word(image + at + 4);
        at += 8 + chunk + (chunk & 1);
    }
    if (at != size || Word(image + 4) + 8 != size) tags += "bad-size";
    return tags;
}

}  // namespace

TEST(SoundEffects, EveryEffectIsLevelledStereoPcmOfItsLength) {
    for (const EffectFacts& effect : kEffects) {
        SCOPED_TRACE(effect.name);
        WaveImage wave;
        ASSERT_TRUE(FindWaveResource(effect.name, &wave));
        ASSERT_EQ(wave.formatSize, 18u);
        EXPECT_EQ(Half(wave.format), 1);      // PCM
        EXPECT_EQ(Half(wave.format + 2), 2);  // stereo
        EXPECT_EQ(Word(wave.format + 4), effect.rate);
        EXPECT_EQ(Half(wave.format + 12), 4);  // bytes per frame
        EXPECT_EQ(Half(wave.format + 14), 16);
        EXPECT_EQ(Half(wave.format + 16), 0);  // no extra format bytes
        ASSERT_EQ(wave.dataSize % 4, 0u);
        const size_t samples = wave.dataSize / 2;
        EXPECT_NEAR(samples / 2 * 1000.0 / effect.rate, effect.ms, effect.ms * 0.1);

        int peak = 0;
        for (size_t i = 0; i < samples; ++i)
            peak = std::max(peak, std::abs(int16_t(Half(wave.data + 2 * i))));
        EXPECT_LT(peak, 32767 * 0.9);   // -1 dBFS: headroom, never clipped
        EXPECT_GT(peak, 32767 * 0.65);  // -3.7 dBFS: as loud as its neighbours
        for (size_t i : {size_t(0), size_t(1), samples - 2, samples - 1})
            EXPECT_LE(std::abs(int16_t(Half(wave.data + 2 * i))), 16) << "a click at sample " << i;
    }
}

TEST(SoundEffects, ImagesCarryTheirChunksAndAreFoundInAnyCase) {
    EXPECT_EQ(ChunkTags("MENU_BEEP_SOUND"), "fmt ,fact,data,LIST,");
    EXPECT_EQ(ChunkTags("shield_sound"), "fmt ,fact,data,cue ,LIST,LIST,");
    WaveImage lower, upper, mixed;
    ASSERT_TRUE(FindWaveResource("extra_life_sound", &lower));
    ASSERT_TRUE(FindWaveResource("EXTRA_LIFE_SOUND", &upper));
    ASSERT_TRUE(FindWaveResource("Extra_Life_Sound", &mixed));
    EXPECT_EQ(lower.data, upper.data);
    EXPECT_EQ(lower.data, mixed.data);
    EXPECT_FALSE(FindWaveResource("extra_lives_sound", &lower));
    EXPECT_EQ(CreateSoundFromResource("no_such_sound"), 0);
}

class SoundBankTest : public GameTest {};

TEST_F(SoundBankTest, LoadsSevenSoundsAndFifteenShotCopiesAndReleasesThemAll) {
    OpenSoundDevice();
    ASSERT_TRUE(soundBank.directSound);
    LoadSoundBank();
    std::vector<int> handles = {soundBank.menuBeepSound,        soundBank.enemyExplosionSound,
                                soundBank.playerExplosionSound, soundBank.projectileSound,
                                soundBank.extraLifeSound,       soundBank.extraWeaponSound,
                                soundBank.shieldSound};
    for (int copy : soundBank.shotSounds) handles.push_back(copy);
    std::sort(handles.begin(), handles.end());
    EXPECT_GT(handles.front(), 0);
    EXPECT_EQ(std::unique(handles.begin(), handles.end()), handles.end()) << "a shared handle";

    ReleaseSoundBank();
    EXPECT_FALSE(soundBank.directSound);
    EXPECT_EQ(soundBank.menuBeepSound | soundBank.projectileSound | soundBank.shieldSound, 0);
    for (int copy : soundBank.shotSounds) EXPECT_EQ(copy, 0);
}

// The platform is told each effect's real format: a shot copy plays for the shot's 131 ms.
TEST_F(SoundBankTest, ShotCopyPlaysForTheLengthOfTheShot) {
    OpenSoundDevice();
    LoadSoundBank();
    const int copy = soundBank.shotSounds[4];
    SetTestTicks(5000);
    StartSound(copy);
    EXPECT_TRUE(PlatformSoundPlaying(copy));
    EXPECT_FALSE(PlatformSoundPlaying(soundBank.shotSounds[5]));
    SetTestTicks(5130);
    EXPECT_TRUE(PlatformSoundPlaying(copy));
    SilenceSound(copy);
    EXPECT_FALSE(PlatformSoundPlaying(copy));
    RestartSound(copy);
    SetTestTicks(5130 + 131);
    EXPECT_FALSE(PlatformSoundPlaying(copy));
    ReleaseSoundBank();
}

TEST_F(SoundBankTest, WithoutADeviceEverythingStaysEmptyAndSilent) {
    LoadSoundBank();
    EXPECT_EQ(soundBank.menuBeepSound, 0);
    EXPECT_EQ(soundBank.projectileSound, 0);
    for (int copy : soundBank.shotSounds) EXPECT_EQ(copy, 0);
    StartSound(soundBank.menuBeepSound);
    RestartSound(soundBank.shotSounds[0]);
    SilenceSound(0);
    ReleaseSoundBank();
    EXPECT_FALSE(soundBank.directSound);
}
