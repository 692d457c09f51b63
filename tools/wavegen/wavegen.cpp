// Synthesises the game's seven sound effects and writes each as a RIFF WAVE file:
// wavegen OUTDIR  (writes OUTDIR/<name>.wav for every effect; same bytes on every run)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "effects.h"
#include "riff.h"

struct EffectRecipe {
    const char* file;   // also the name the game looks the effect up by
    const char* title;  // the name in the file's INFO list
    double rate;
    int frames;  // 16-bit stereo: four bytes each
    Stereo (*make)(double rate, int frames);
};

// Rates and lengths as the game ships them; each effect is heard at its own rate.
static const EffectRecipe kEffects[] = {
    {"menu_beep_sound", "Menu beep", 11025, 13477, MenuBeep},                    // 1222 ms
    {"enemy_explosion_sound", "Virus explosion", 16000, 11765, EnemyExplosion},  // 735 ms
    {"player_explosion_sound", "Ship explosion", 8000, 14663, PlayerExplosion},  // 1833 ms
    {"projectile_sound", "Shot", 44100, 5791, ProjectileShot},                   // 131 ms
    {"extra_life_sound", "Extra life", 8000, 12021, ExtraLifeJingle},            // 1503 ms
    {"extra_weapon_sound", "Extra gun", 11025, 10910, ExtraWeaponJingle},        // 990 ms
    {"shield_sound", "Shield hit", 44100, 8954, ShieldHit},                      // 203 ms
};

static bool WriteEffect(const EffectRecipe& effect, const std::filesystem::path& dir) {
    WaveCue cue;
    if (std::string(effect.file) == "shield_sound") cue = {true, 0, "impact"};
    std::vector<uint8_t> image =
        BuildWaveImage(effect.make(effect.rate, effect.frames), effect.title, cue);
    std::filesystem::path path = dir / (std::string(effect.file) + ".wav");
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    if (out) return true;
    std::fprintf(stderr, "wavegen: cannot write %s\n", path.string().c_str());
    return false;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wavegen OUTDIR\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    for (const EffectRecipe& effect : kEffects)
        if (!WriteEffect(effect, argv[1])) return 1;
    return 0;
}
