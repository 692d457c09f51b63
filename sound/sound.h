// The sound bank: the seven effects, the fifteen shot-slot copies, and the three ways to play.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

constexpr int SHOT_SOUND_COPIES = 15;  // one per shot slot

struct SoundBank {
    bool directSound = false;  // the audio device is open
    int menuBeepSound = 0;
    int enemyExplosionSound = 0;
    int playerExplosionSound = 0;
    int projectileSound = 0;
    int extraLifeSound = 0;
    int extraWeaponSound = 0;
    int shieldSound = 0;
    // Every shot slot plays its own copy of the shot sound, so that all of them can sound at once.
    int shotSounds[SHOT_SOUND_COPIES] = {};
};

extern SoundBank soundBank;

struct WaveImage {
    const uint8_t* format = nullptr;  // the "fmt " chunk's data (a WAVEFORMATEX)
    uint32_t formatSize = 0;
    const uint8_t* data = nullptr;    // the samples of the "data" chunk
    uint32_t dataSize = 0;
};

// Finds "fmt " and "data" in a RIFF WAVE image of size bytes; never reads past the end.
bool ParseWave(const uint8_t* image, size_t size, WaveImage* wave);
bool FindWaveResource(const char* name, WaveImage* wave);
int CreateSoundFromResource(const char* name);
void OpenSoundDevice();
void LoadSoundBank();
void ReleaseSoundBank();

void StartSound(int sound);
void RestartSound(int sound);
void SilenceSound(int sound);
