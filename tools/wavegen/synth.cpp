// Building blocks of the sound effects: noise, band-limited oscillators, filters and envelopes.
#include "synth.h"

#include <algorithm>
#include <cmath>

Stereo MakeStereo(int frames, double rate) {
    Stereo sound;
    sound.left.assign(frames, 0.0);
    sound.right.assign(frames, 0.0);
    sound.rate = rate;
    return sound;
}

double NextNoise(Noise& noise) {
    uint32_t x = noise.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise.state = x;
    return double(x) / 2147483648.0 - 1.0;
}

double Advance(Oscillator& osc, double frequency, double rate) {
    double phase = osc.phase;
    osc.phase = std::fmod(osc.phase + 2 * PI * frequency / rate, 2 * PI);
    return phase;
}

// How much of a partial at this frequency may sound: all of it well below Nyquist, none near it.
static double PartialGain(double partial, double rate) {
    const double limit = 0.45 * rate, width = 0.05 * rate;
    return std::clamp((limit - partial) / width, 0.0, 1.0);
}

double BandLimitedPulse(double phase, double frequency, double rate, double duty) {
    double sum = 0;
    for (int k = 1; k * frequency < 0.45 * rate; ++k) {
        double amplitude = 2.0 / (k * PI) * std::sin(k * PI * duty);
        sum += amplitude * PartialGain(k * frequency, rate) * std::cos(k * phase);
    }
    return sum;
}

double Bell(double phase, double frequency, double rate) {
    static constexpr double kAmplitude[3] = {1.0, 0.25, 0.1};
    double sum = 0;
    for (int k = 1; k <= 3; ++k)
        sum += kAmplitude[k - 1] * PartialGain(k * frequency, rate) * std::sin(k * phase);
    return sum;
}

SvfOut FilterStep(Svf& filter, double input, double cutoff, double resonance, double rate) {
    double g = std::tan(PI * std::clamp(cutoff, 10.0, 0.45 * rate) / rate);
    double k = 1.0 / resonance;
    double a1 = 1.0 / (1.0 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    double v3 = input - filter.ic2;
    double v1 = a1 * filter.ic1 + a2 * v3;
    double v2 = filter.ic2 + a2 * filter.ic1 + a3 * v3;
    filter.ic1 = 2 * v1 - filter.ic1;
    filter.ic2 = 2 * v2 - filter.ic2;
    return {v2, v1, input - k * v1 - v2};
}

double Glide(double start, double end, double t, double tau) {
    return end + (start - end) * std::exp(-t / tau);
}

double AttackDecay(double t, double attack, double tau) {
    if (t < 0) return 0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / tau);
}

double Gate(double t, double start, double length, double attack, double release) {
    double local = t - start;
    if (local < 0) return 0;
    if (local < attack) return local / attack;
    if (local < length) return 1;
    if (local < length + release) return 0.5 + 0.5 * std::cos(PI * (local - length) / release);
    return 0;
}

double Saturate(double x, double drive) { return std::tanh(x * drive) / drive; }

// A 20 Hz high-pass: takes out any offset that noise or saturation left behind.
static void RemoveOffset(std::vector<double>& samples, double rate) {
    const double a = 1.0 / (1.0 + 2 * PI * 20.0 / rate);
    double previousIn = 0, out = 0;
    for (double& s : samples) {
        out = a * (out + s - previousIn);
        previousIn = s;
        s = out;
    }
}

static void Fade(std::vector<double>& samples, int fadeInFrames, int fadeOutFrames) {
    const int n = int(samples.size());
    for (int i = 0; i < n; ++i) {
        double gain = 1;
        if (i < fadeInFrames) gain *= 0.5 - 0.5 * std::cos(PI * i / fadeInFrames);
        int fromEnd = n - 1 - i;
        if (fromEnd < fadeOutFrames) gain *= 0.5 - 0.5 * std::cos(PI * fromEnd / fadeOutFrames);
        samples[i] *= gain;
    }
}

void Finish(Stereo& sound, double fadeIn, double fadeOut, double peakDb) {
    double peak = 0;
    for (std::vector<double>* channel : {&sound.left, &sound.right}) {
        RemoveOffset(*channel, sound.rate);
        Fade(*channel, int(fadeIn * sound.rate), int(fadeOut * sound.rate));
        for (double s : *channel) peak = std::max(peak, std::fabs(s));
    }
    if (peak == 0) return;
    const double scale = std::pow(10.0, peakDb / 20.0) / peak;
    for (double& s : sound.left) s *= scale;
    for (double& s : sound.right) s *= scale;
}
