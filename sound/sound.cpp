// The sound bank. (Being written.)
#include "sound/sound.h"
SoundBank soundBank;
bool ParseWave(const uint8_t*, size_t, WaveImage*) { return false; }
bool FindWaveResource(const char*, WaveImage*) { return false; }
int CreateSoundFromResource(const char*) { return 0; }
void OpenSoundDevice() {}
void LoadSoundBank() {}
void ReleaseSoundBank() {}
void StartSound(int) {}
void RestartSound(int) {}
void SilenceSound(int) {}
