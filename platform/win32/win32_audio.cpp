// The native Windows backend's sound device on DirectSound: one static buffer per effect, each
// shot slot a duplicate of the shot sound with its own play state on the same samples.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/common/settings.h"

#include "platform/win32/win32.h"

#include <mmsystem.h>
#include <dsound.h>

namespace {

struct SoundDevice {
    IDirectSound* directSound = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;  // handle h is buffers[h - 1]; null once released
    int shipExplosion = 0;  // the sound of the player's ship exploding: pads rumble
};
SoundDevice device;

IDirectSoundBuffer* Find(int sound) {
    if (sound <= 0 || size_t(sound) > device.buffers.size()) return nullptr;
    return device.buffers[size_t(sound) - 1];
}

// DirectSound's volume is an attenuation in hundredths of a decibel: the player's 0..100 is
// taken as a share of the samples' amplitude, so 100 leaves them as they are and 50 is 6 dB down.
LONG Attenuation() {
    const PlatformSettings& s = settingsStore.current;
    if (s.mute || s.volume <= 0) return DSBVOLUME_MIN;
    return std::max<LONG>(DSBVOLUME_MIN, LONG(std::lround(2000.0 * std::log10(s.volume / double(VOLUME_MAX)))));
}

int Add(IDirectSoundBuffer* buffer) {
    buffer->SetVolume(Attenuation());
    device.buffers.push_back(buffer);
    return int(device.buffers.size());
}

// The samples are written once; a new buffer locked whole comes back as one region, but a
// second one is honoured all the same.
bool FillBuffer(IDirectSoundBuffer* buffer, const uint8_t* data, uint32_t bytes) {
    void *first = nullptr, *second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    if (FAILED(buffer->Lock(0, bytes, &first, &firstBytes, &second, &secondBytes, 0))) return false;
    if (firstBytes > bytes) firstBytes = bytes;
    if (secondBytes > bytes - firstBytes) secondBytes = bytes - firstBytes;
    std::memcpy(first, data, firstBytes);
    if (second != nullptr && secondBytes != 0) std::memcpy(second, data + firstBytes, secondBytes);
    buffer->Unlock(first, firstBytes, second, secondBytes);
    return true;
}

}  // namespace

void ApplySoundVolume() {
    for (IDirectSoundBuffer* buffer : device.buffers)
        if (buffer != nullptr) buffer->SetVolume(Attenuation());
}

// DirectSound on the default device, at the normal cooperative level for the game window.
bool PlatformOpenAudio() {
    if (FAILED(DirectSoundCreate(nullptr, &device.directSound, nullptr))) {
        device.directSound = nullptr;
        return false;
    }
    device.directSound->SetCooperativeLevel(win32.mainWindow, DSSCL_NORMAL);
    return true;
}

// A static secondary buffer in the sound's own format, with the controls the game has always
// asked for (frequency, pan, volume, exact position), though it changes none of them.
int PlatformCreateSound(const char* name, const PlatformWaveFormat& format, const uint8_t* data,
                        uint32_t bytes) {
    if (device.directSound == nullptr || data == nullptr || bytes == 0) return 0;
    WAVEFORMATEX wave = {};
    wave.wFormatTag = format.formatTag;
    wave.nChannels = format.channels;
    wave.nSamplesPerSec = format.samplesPerSecond;
    wave.wBitsPerSample = format.bitsPerSample;
    wave.nBlockAlign = WORD(format.channels * format.bitsPerSample / 8);
    wave.nAvgBytesPerSec = format.samplesPerSecond * wave.nBlockAlign;
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                   DSBCAPS_GETCURRENTPOSITION2;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &wave;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(device.directSound->CreateSoundBuffer(&desc, &buffer, nullptr))) return 0;
    if (!FillBuffer(buffer, data, bytes)) {
        buffer->Release();
        return 0;
    }
    const int sound = Add(buffer);
    if (name != nullptr && lstrcmpiA(name, "PLAYER_EXPLOSION_SOUND") == 0) device.shipExplosion = sound;
    return sound;
}

int PlatformDuplicateSound(int source, const char*) {
    IDirectSoundBuffer* original = Find(source);
    IDirectSoundBuffer* copy = nullptr;
    if (original == nullptr || FAILED(device.directSound->DuplicateSoundBuffer(original, &copy)))
        return 0;
    return Add(copy);
}

// Play goes on unchanged while the buffer plays; one that ended or was silenced starts over.
void PlatformStartSound(int sound) {
    if (IDirectSoundBuffer* buffer = Find(sound)) {
        if (sound == device.shipExplosion && !PlatformSoundPlaying(sound)) RumbleControllers();
        buffer->Play(0, 0, 0);
    }
}

void PlatformRestartSound(int sound) {
    if (IDirectSoundBuffer* buffer = Find(sound)) {
        buffer->Stop();
        buffer->SetCurrentPosition(0);
        buffer->Play(0, 0, 0);
        if (sound == device.shipExplosion) RumbleControllers();
    }
}

void PlatformSilenceSound(int sound) {
    if (IDirectSoundBuffer* buffer = Find(sound)) {
        buffer->Stop();
        buffer->SetCurrentPosition(0);
    }
}

bool PlatformSoundPlaying(int sound) {
    IDirectSoundBuffer* buffer = Find(sound);
    DWORD status = 0;
    return buffer != nullptr && SUCCEEDED(buffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

// A duplicate keeps the shared samples alive on its own, so any release order is safe.
void PlatformReleaseSound(int sound) {
    if (IDirectSoundBuffer* buffer = Find(sound)) {
        buffer->Release();
        device.buffers[size_t(sound) - 1] = nullptr;
    }
}

void PlatformCloseAudio() {
    for (IDirectSoundBuffer*& buffer : device.buffers)
        if (buffer != nullptr) buffer->Release();
    device.buffers.clear();
    device.shipExplosion = 0;
    if (device.directSound != nullptr) device.directSound->Release();
    device.directSound = nullptr;
}
