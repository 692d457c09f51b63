// Building blocks of the sound effects: noise, band-limited oscillators, filters and envelopes.
#pragma once

#include <cstdint>
#include <vector>

constexpr double PI = 3.14159265358979323846;

// One effect as it is being built: two channels of samples in -1..1.
struct Stereo {
    std::vector<double> left, right;
    double rate = 0;
};

Stereo MakeStereo(int frames, double rate);

// Our own generator, so that every build writes the same bytes (xorshift32).
struct Noise {
    uint32_t state;
};
double NextNoise(Noise& noise);  // uniform in -1..1

// A phase that follows a changing frequency; Advance returns the phase before the step.
struct Oscillator {
    double phase = 0;  // radians
};
double Advance(Oscillator& osc, double frequency, double rate);

// Sum of harmonics below 0.45 of the sample rate, faded out as they near that limit so that a
// sweep never makes a partial pop in or out. duty 0.5 is a square, smaller is thinner.
double BandLimitedPulse(double phase, double frequency, double rate, double duty);
// A softer tone: fundamental with a little of the second and third harmonic.
double Bell(double phase, double frequency, double rate);

// Two-pole state-variable filter (trapezoidal form, stable at any cutoff below Nyquist).
struct Svf {
    double ic1 = 0, ic2 = 0;
};
struct SvfOut {
    double low, band, high;
};
SvfOut FilterStep(Svf& filter, double input, double cutoff, double resonance, double rate);

// Exponential glide from start to end with the given time constant in seconds.
double Glide(double start, double end, double t, double tau);
// Linear rise over attack seconds, then exponential decay with time constant tau.
double AttackDecay(double t, double attack, double tau);
// A note's gate: 0 before start, a linear rise over attack, held until start + length, then a
// raised-cosine fall over release seconds.
double Gate(double t, double start, double length, double attack, double release);
// Soft saturation that keeps small signals unchanged in slope.
double Saturate(double x, double drive);

// Finishing: remove any DC, fade in and out over the given seconds (raised cosine, exactly 0 at
// the first and last frame), and scale so that the peak sits at peakDb below full scale.
void Finish(Stereo& sound, double fadeIn, double fadeOut, double peakDb);
