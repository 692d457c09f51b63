// The browser backend's sound device on Web Audio: one voice per sound, copies of an effect
// sharing its samples. The page opens the audio context at the first key or click, as browsers
// demand; until then sounds are silent and never playing.
#include <emscripten.h>

#include "platform/common/settings.h"
#include "platform/platform.h"
#include "platform/web/web.h"

namespace {

EM_JS(int, JsAudioAvailable, (), { return QF.audioAvailable() ? 1 : 0; });
EM_JS(int, JsCreateSound, (int channels, int rate, int bits, const uint8_t* data, uint32_t bytes), {
    return QF.createSound(channels, rate, bits, HEAPU8.slice(data, data + bytes));
});
EM_JS(int, JsDuplicateSound, (int source), { return QF.duplicateSound(source); });
EM_JS(void, JsPlaySound, (int sound), { QF.playSound(sound); });  // stops, rewinds, plays
EM_JS(void, JsStopSound, (int sound), { QF.stopSound(sound); });
EM_JS(int, JsSoundPlaying, (int sound), { return QF.soundPlaying(sound) ? 1 : 0; });
EM_JS(void, JsReleaseSound, (int sound), { QF.releaseSound(sound); });
EM_JS(void, JsCloseAudio, (), { QF.closeAudio(); });
EM_JS(void, JsSetVolume, (double volume), { QF.setVolume(volume); });

constexpr uint16_t WAVE_FORMAT_PCM = 1;

}  // namespace

void ApplyWebVolume() {
    const PlatformSettings& s = settingsStore.current;
    JsSetVolume(s.mute ? 0.0 : s.volume / double(VOLUME_MAX));
}

bool PlatformOpenAudio() {
    ApplyWebVolume();
    return JsAudioAvailable() != 0;
}

// Web Audio takes any rate the browser can resample; only 8- and 16-bit PCM is made here.
int PlatformCreateSound(const char*, const PlatformWaveFormat& format, const uint8_t* data,
                        uint32_t bytes) {
    if (data == nullptr || bytes == 0 || format.formatTag != WAVE_FORMAT_PCM) return 0;
    if (format.channels < 1 || format.channels > 2) return 0;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return 0;
    if (format.samplesPerSecond < 3000 || format.samplesPerSecond > 192000) return 0;
    return JsCreateSound(format.channels, int(format.samplesPerSecond), format.bitsPerSample, data, bytes);
}

int PlatformDuplicateSound(int source, const char*) { return source > 0 ? JsDuplicateSound(source) : 0; }

void PlatformStartSound(int sound) {
    if (sound > 0 && !JsSoundPlaying(sound)) JsPlaySound(sound);
}

void PlatformRestartSound(int sound) {
    if (sound > 0) JsPlaySound(sound);
}

void PlatformSilenceSound(int sound) {
    if (sound > 0) JsStopSound(sound);
}

bool PlatformSoundPlaying(int sound) { return sound > 0 && JsSoundPlaying(sound) != 0; }

void PlatformReleaseSound(int sound) {
    if (sound > 0) JsReleaseSound(sound);
}

void PlatformCloseAudio() { JsCloseAudio(); }
