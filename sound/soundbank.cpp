// The sound bank: the sound device, the seven effects, the shot slots' copies, and playing them.
#include <cctype>
#include <string>

#include "core/bytes.h"
#include "sound/sound.h"

SoundBank soundBank;

// The fields of the WAVEFORMATEX that a sound is made in. A format of only 14 bytes (the old
// WAVEFORMAT) has no bits-per-sample field; the bytes per frame over the channels give it.
static PlatformWaveFormat ReadFormat(const WaveImage& wave) {
    PlatformWaveFormat format{};
    format.formatTag = ReadLe16(wave.format);
    format.channels = ReadLe16(wave.format + 2);
    format.samplesPerSecond = ReadLe32(wave.format + 4);
    if (wave.formatSize >= 16)
        format.bitsPerSample = ReadLe16(wave.format + 14);
    else if (format.channels != 0)
        format.bitsPerSample = uint16_t(ReadLe16(wave.format + 12) * 8 / format.channels);
    return format;
}

// There is nothing to copy into a sound without samples.
static bool CanFillSound(const WaveImage& wave) {
    return wave.data != nullptr && wave.dataSize != 0;
}

bool FindWaveResource(const char* name, WaveImage* wave) {
    *wave = WaveImage{};
    const uint8_t* image = nullptr;
    size_t size = 0;
    if (!PlatformFindResource(name, &image, &size) || image == nullptr) return false;
    return ParseWave(image, size, wave);
}

int CreateSoundFromResource(const char* name) {
    WaveImage wave;
    if (!soundBank.directSound || !FindWaveResource(name, &wave) || !CanFillSound(wave)) return 0;
    std::string resource = name;
    for (char& c : resource) c = char(std::toupper(static_cast<unsigned char>(c)));
    int sound = PlatformCreateSound(resource.c_str(), ReadFormat(wave), wave.data, wave.dataSize);
    return sound > 0 ? sound : 0;
}

void OpenSoundDevice() { soundBank.directSound = PlatformOpenAudio(); }

void LoadSoundBank() {
    soundBank.menuBeepSound = CreateSoundFromResource("menu_beep_sound");
    soundBank.enemyExplosionSound = CreateSoundFromResource("enemy_explosion_sound");
    soundBank.playerExplosionSound = CreateSoundFromResource("player_explosion_sound");
    soundBank.extraLifeSound = CreateSoundFromResource("extra_life_sound");
    soundBank.extraWeaponSound = CreateSoundFromResource("extra_weapon_sound");
    soundBank.shieldSound = CreateSoundFromResource("shield_sound");
    soundBank.projectileSound = CreateSoundFromResource("projectile_sound");
    for (int i = 0; i < SHOT_SOUND_COPIES; ++i) {
        std::string name = "PROJECTILE_SOUND#" + std::to_string(i);
        soundBank.shotSounds[i] = PlatformDuplicateSound(soundBank.projectileSound, name.c_str());
    }
}

static void ReleaseSound(int& sound) {
    if (sound != 0) PlatformReleaseSound(sound);
    sound = 0;
}

void ReleaseSoundBank() {
    ReleaseSound(soundBank.menuBeepSound);
    ReleaseSound(soundBank.enemyExplosionSound);
    ReleaseSound(soundBank.playerExplosionSound);
    ReleaseSound(soundBank.projectileSound);
    ReleaseSound(soundBank.extraLifeSound);
    ReleaseSound(soundBank.extraWeaponSound);
    ReleaseSound(soundBank.shieldSound);
    for (int& copy : soundBank.shotSounds) ReleaseSound(copy);
    if (soundBank.directSound) PlatformCloseAudio();
    soundBank.directSound = false;
}

void StartSound(int sound) {
    if (sound != 0) PlatformStartSound(sound);
}

void RestartSound(int sound) {
    if (sound != 0) PlatformRestartSound(sound);
}

void SilenceSound(int sound) {
    if (sound != 0) PlatformSilenceSound(sound);
}
