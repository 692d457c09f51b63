// The SDL backend's sound device on SDL2_mixer: one mixer channel per sound, copies of one
// effect sharing its decoded samples.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>
#include <vector>

#include "platform/common/settings.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_input.h"

namespace {

struct MixerSound {
    Mix_Chunk* chunk = nullptr;
    int channel = -1;
    bool ownsChunk = false;
};

struct Mixer {
    bool open = false;
    std::vector<MixerSound> sounds;  // handle h is sounds[h - 1]
    int shipExplosion = 0;           // the sound of the player's ship exploding: pads rumble
};
Mixer mixer;

MixerSound* Find(int sound) {
    if (!mixer.open || sound <= 0 || size_t(sound) > mixer.sounds.size()) return nullptr;
    MixerSound* s = &mixer.sounds[size_t(sound) - 1];
    return s->chunk != nullptr ? s : nullptr;
}

// A complete WAVE image of the samples, which SDL_mixer converts to the device's format.
std::vector<uint8_t> WaveImage(const PlatformWaveFormat& f, const uint8_t* data, uint32_t bytes) {
    std::vector<uint8_t> image(44 + size_t(bytes));
    auto put16 = [&](size_t at, uint32_t v) { image[at] = uint8_t(v), image[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF), put16(at + 2, v >> 16); };
    std::memcpy(image.data(), "RIFF", 4);
    put32(4, 36 + bytes);
    std::memcpy(image.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, f.formatTag);
    put16(22, f.channels);
    put32(24, f.samplesPerSecond);
    const uint32_t blockAlign = f.channels * f.bitsPerSample / 8;
    put32(28, f.samplesPerSecond * blockAlign);
    put16(32, blockAlign);
    put16(34, f.bitsPerSample);
    std::memcpy(image.data() + 36, "data", 4);
    put32(40, bytes);
    std::memcpy(image.data() + 44, data, bytes);
    return image;
}

// The player's effects volume; at 100 every channel plays at full volume, as it always has.
int ChannelVolume() {
    const PlatformSettings& s = settingsStore.current;
    return s.mute ? 0 : s.volume * MIX_MAX_VOLUME / VOLUME_MAX;
}

int AddSound(Mix_Chunk* chunk, bool owns) {
    const int channel = int(mixer.sounds.size());
    Mix_AllocateChannels(channel + 1);
    Mix_Volume(channel, ChannelVolume());
    mixer.sounds.push_back({chunk, channel, owns});
    return int(mixer.sounds.size());
}

}  // namespace

void ApplyMixerVolume() {
    if (mixer.open) Mix_Volume(-1, ChannelVolume());
}

bool PlatformOpenAudio() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    mixer.open = true;
    return true;
}

int PlatformCreateSound(const char* name, const PlatformWaveFormat& format, const uint8_t* data,
                        uint32_t bytes) {
    if (!mixer.open || data == nullptr || bytes == 0) return 0;
    std::vector<uint8_t> image = WaveImage(format, data, bytes);
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(image.data(), int(image.size())), 1);
    if (chunk == nullptr) return 0;
    const int sound = AddSound(chunk, true);
    if (name != nullptr && SDL_strcasecmp(name, "PLAYER_EXPLOSION_SOUND") == 0) mixer.shipExplosion = sound;
    return sound;
}

int PlatformDuplicateSound(int source, const char*) {
    MixerSound* s = Find(source);
    return s != nullptr ? AddSound(s->chunk, false) : 0;
}

void PlatformStartSound(int sound) {
    if (MixerSound* s = Find(sound)) {
        if (Mix_Playing(s->channel)) return;
        Mix_PlayChannel(s->channel, s->chunk, 0);
        if (sound == mixer.shipExplosion) RumbleControllers();
    }
}

void PlatformRestartSound(int sound) {
    if (MixerSound* s = Find(sound)) {
        Mix_HaltChannel(s->channel);
        Mix_PlayChannel(s->channel, s->chunk, 0);
        if (sound == mixer.shipExplosion) RumbleControllers();
    }
}

void PlatformSilenceSound(int sound) {
    if (MixerSound* s = Find(sound)) Mix_HaltChannel(s->channel);
}

bool PlatformSoundPlaying(int sound) {
    MixerSound* s = Find(sound);
    return s != nullptr && Mix_Playing(s->channel);
}

// Releasing a copy leaves the shared samples to the sound that owns them.
void PlatformReleaseSound(int sound) {
    MixerSound* s = Find(sound);
    if (s == nullptr) return;
    Mix_HaltChannel(s->channel);
    if (s->ownsChunk) {
        for (MixerSound& other : mixer.sounds)
            if (&other != s && other.chunk == s->chunk) Mix_HaltChannel(other.channel);
        Mix_FreeChunk(s->chunk);
        for (MixerSound& other : mixer.sounds)
            if (other.chunk == s->chunk) other.chunk = nullptr;
    }
    s->chunk = nullptr;
}

void PlatformCloseAudio() {
    if (!mixer.open) return;
    Mix_HaltChannel(-1);
    for (MixerSound& s : mixer.sounds)
        if (s.ownsChunk && s.chunk != nullptr) Mix_FreeChunk(s.chunk);
    mixer.sounds.clear();
    mixer.shipExplosion = 0;
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mixer.open = false;
}
