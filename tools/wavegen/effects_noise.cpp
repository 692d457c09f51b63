// The noisy effects: the two explosions and the metallic ring of a shot striking a shield.
#include <cmath>

#include "effects.h"

// A virus bursting: bright noise that darkens fast and grows coarser (each value held for more
// samples as the blast dies), over a short falling thump, driven into saturation for crunch.
Stereo EnemyExplosion(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    Noise noise{0x5EED0001u};
    Svf filterLeft, filterRight;
    Oscillator thump;
    double heldLeft = 0, heldRight = 0;
    int holdLeft = 0;
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        if (--holdLeft <= 0) {
            double shared = NextNoise(noise);
            heldLeft = 0.7 * shared + 0.3 * NextNoise(noise);
            heldRight = 0.7 * shared + 0.3 * NextNoise(noise);
            holdLeft = 1 + int(t * 16);
        }
        double cutoff = Glide(6500, 350, t, 0.12);
        double envelope = AttackDecay(t, 0.002, 0.15);
        double body =
            std::sin(Advance(thump, Glide(190, 45, t, 0.06), rate)) * AttackDecay(t, 0.002, 0.09);
        double left = FilterStep(filterLeft, heldLeft, cutoff, 1.1, rate).low;
        double right = FilterStep(filterRight, heldRight, cutoff, 1.1, rate).low;
        sound.left[i] = Saturate(1.8 * left * envelope + 0.7 * body, 0.6);
        sound.right[i] = Saturate(1.8 * right * envelope + 0.7 * body, 0.6);
    }
    Finish(sound, 0.002, 0.03, -2.8);
    return sound;
}

// Slowly wandering gain in 0.5..1.5: the rumble of debris after the blast.
static double Rumble(Noise& noise, Svf& smoother, double rate) {
    double slow = FilterStep(smoother, NextNoise(noise), 7.0, 0.7, rate).low;
    return 1.0 + std::fmax(-0.5, std::fmin(0.5, 6.0 * slow));
}

// The ship blowing up: a deep boom under dark noise that falls in two stages, with two smaller
// blasts following the first, so it lasts and rolls on after the hit.
Stereo PlayerExplosion(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    Noise noise{0x5EED0002u};
    Svf filterLeft, filterRight, smoother;
    Oscillator boom;
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        double envelope = 0.6 * AttackDecay(t, 0.004, 0.18) + 0.4 * AttackDecay(t, 0.004, 0.7) +
                          0.45 * AttackDecay(t - 0.38, 0.01, 0.14) +
                          0.3 * AttackDecay(t - 0.82, 0.01, 0.16);
        double cutoff = Glide(1800, 120, t, 0.5);
        double shared = NextNoise(noise);
        double left =
            FilterStep(filterLeft, shared + 0.6 * NextNoise(noise), cutoff, 0.8, rate).low;
        double right =
            FilterStep(filterRight, shared + 0.6 * NextNoise(noise), cutoff, 0.8, rate).low;
        double gain = envelope * Rumble(noise, smoother, rate);
        double low =
            std::sin(Advance(boom, Glide(110, 38, t, 0.25), rate)) * AttackDecay(t, 0.004, 0.45);
        sound.left[i] = Saturate(1.6 * left * gain + 0.9 * low, 1.0);
        sound.right[i] = Saturate(1.6 * right * gain + 0.9 * low, 1.0);
    }
    Finish(sound, 0.004, 0.12, -2.5);
    return sound;
}

// The modes of a struck metal plate: inharmonic, the higher ones dying sooner.
struct PlateMode {
    double ratio, amplitude, tau;
};
static constexpr PlateMode kPlateModes[] = {
    {1.00, 1.00, 0.120}, {2.32, 0.80, 0.090}, {4.25, 0.60, 0.070},
    {6.63, 0.45, 0.050}, {9.38, 0.30, 0.035}, {13.1, 0.20, 0.025},
};
constexpr int PLATE_MODES = int(sizeof kPlateModes / sizeof kPlateModes[0]);

// Rings the plate once; detune sets the channel apart from the other, so the two beat.
static double PlateSample(Oscillator* modes, double t, double detune, double rate) {
    double bend = 1.0 + 0.02 * std::exp(-t / 0.01);  // the impact bends the pitch briefly
    double sum = 0;
    for (int m = 0; m < PLATE_MODES; ++m) {
        double f = 520.0 * kPlateModes[m].ratio * detune * bend;
        sum += kPlateModes[m].amplitude * std::exp(-t / kPlateModes[m].tau) *
               std::sin(Advance(modes[m], f, rate));
    }
    return sum;
}

// A shot striking a shield: the plate rings, under the bright clank of the first contact.
Stereo ShieldHit(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    Noise noise{0x5EED0007u};
    Svf clankFilter;
    Oscillator left[PLATE_MODES], right[PLATE_MODES];
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        double clank = FilterStep(clankFilter, NextNoise(noise), 3800, 2.0, rate).band *
                       AttackDecay(t, 0.0008, 0.006);
        // Saturation holds down the first instant, so the ring stays as loud as the hit.
        sound.left[i] = Saturate(0.5 * (PlateSample(left, t, 1.0, rate) + 1.5 * clank), 1.0);
        sound.right[i] = Saturate(0.5 * (PlateSample(right, t, 1.004, rate) + 1.5 * clank), 1.0);
    }
    Finish(sound, 0.001, 0.015, -1.5);
    return sound;
}
