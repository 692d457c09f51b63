// The tonal effects: the menu beep, the shot, and the two jingles of the bonus items.
#include <cmath>
#include <vector>

#include "effects.h"

// Echoes of a dry signal that bounce between the channels, each darker and quieter than the
// one before: the first on the left, the second on the right, and so on.
static void PingPong(Stereo& sound, const std::vector<double>& dry, double delay, double feedback) {
    const int frames = int(dry.size()), d = int(delay * sound.rate);
    Svf darkLeft, darkRight;
    std::vector<double> echoLeft(frames, 0.0), echoRight(frames, 0.0);
    for (int i = 0; i < frames; ++i) {
        if (i >= d) {
            double intoLeft = dry[i - d] + echoRight[i - d];
            echoLeft[i] = feedback * FilterStep(darkLeft, intoLeft, 2200, 0.7, sound.rate).low;
            echoRight[i] =
                feedback * FilterStep(darkRight, echoLeft[i - d], 2200, 0.7, sound.rate).low;
        }
        sound.left[i] = dry[i] + echoLeft[i];
        sound.right[i] = dry[i] + echoRight[i];
    }
}

// A short plucked beep at C6, rounded by a low-pass, and its echoes.
Stereo MenuBeep(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    std::vector<double> dry(frames);
    Oscillator osc;
    Svf round;
    const double pitch = 1046.5;
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        double tone = BandLimitedPulse(Advance(osc, pitch, rate), pitch, rate, 0.5);
        double envelope = AttackDecay(t, 0.003, 0.05) * Gate(t, 0, 0.14, 0.003, 0.03);
        dry[i] = FilterStep(round, tone, 3000, 0.7, rate).low * envelope;
    }
    PingPong(sound, dry, 0.17, 0.45);
    Finish(sound, 0.002, 0.2, -1.5);
    return sound;
}

// A laser shot: two slightly detuned pulse voices diving from 3 kHz, through a closing filter.
Stereo ProjectileShot(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    Oscillator first, second;
    Svf filterLeft, filterRight;
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        double pitch = Glide(3000, 380, t, 0.028);
        double a = BandLimitedPulse(Advance(first, pitch, rate), pitch, rate, 0.3);
        double b = BandLimitedPulse(Advance(second, pitch * 1.007, rate), pitch * 1.007, rate, 0.5);
        double cutoff = Glide(9000, 1500, t, 0.05);
        double envelope = AttackDecay(t, 0.0015, 0.055);
        double left = FilterStep(filterLeft, 0.7 * a + 0.3 * b, cutoff, 1.5, rate).low;
        double right = FilterStep(filterRight, 0.3 * a + 0.7 * b, cutoff, 1.5, rate).low;
        // Saturation squares the wave off and lifts the tail: a short shot must still be heard.
        sound.left[i] = Saturate(1.5 * left * envelope, 1.0);
        sound.right[i] = Saturate(1.5 * right * envelope, 1.0);
    }
    Finish(sound, 0.0015, 0.01, -2.0);
    return sound;
}

// One voice of a jingle: a pitch from start on, with its own envelope and place between the
// speakers (-1 left .. 1 right).
struct Voice {
    double pitch, start, pan;
    Oscillator osc;
};

static void AddSample(Stereo& sound, int i, double sample, double pan) {
    sound.left[i] += sample * (0.5 - 0.35 * pan);
    sound.right[i] += sample * (0.5 + 0.35 * pan);
}

// An arpeggio note: struck, then ringing on under the notes that follow.
static double ArpeggioNote(Voice& voice, double t, double rate) {
    double envelope = AttackDecay(t - voice.start, 0.003, 0.22);
    if (envelope <= 0) return 0;
    return envelope * Bell(Advance(voice.osc, voice.pitch, rate), voice.pitch, rate);
}

// A note of the closing chord: it swells in, then a vibrato grows on it as it fades.
static double ShimmerNote(Voice& voice, double t, double rate) {
    double local = t - voice.start;
    double envelope = 0.55 * AttackDecay(local, 0.01, 0.45);
    if (envelope <= 0) return 0;
    double pitch =
        voice.pitch * (1.0 + 0.004 * std::sin(2 * PI * 6.0 * t) * std::fmin(1.0, local * 4));
    return envelope * Bell(Advance(voice.osc, pitch, rate), pitch, rate);
}

// The extra life: a bright C major arpeggio climbing two octaves, each note ringing on under
// the next, into a shimmering high chord.
Stereo ExtraLifeJingle(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    Voice arpeggio[6] = {{523.25, 0.00, -0.6, {}}, {659.26, 0.07, 0.6, {}},
                         {783.99, 0.14, -0.6, {}}, {1046.5, 0.21, 0.6, {}},
                         {1318.5, 0.28, -0.6, {}}, {1568.0, 0.35, 0.6, {}}};
    Voice chord[4] = {{1046.5, 0.42, -0.45, {}},
                      {1318.5, 0.42, -0.15, {}},
                      {1568.0, 0.42, 0.15, {}},
                      {2093.0, 0.42, 0.45, {}}};
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        for (Voice& v : arpeggio) AddSample(sound, i, ArpeggioNote(v, t, rate), v.pan);
        for (Voice& v : chord) AddSample(sound, i, ShimmerNote(v, t, rate), v.pan);
    }
    Finish(sound, 0.002, 0.15, -1.5);
    return sound;
}

// A brassy stab: a thin pulse, held briefly.
static double Stab(Voice& voice, double t, double rate) {
    double gate = Gate(t, voice.start, 0.06, 0.003, 0.015);
    if (gate <= 0) return 0;
    return gate * BandLimitedPulse(Advance(voice.osc, voice.pitch, rate), voice.pitch, rate, 0.25);
}

// A note of the power chord: slides up from a semitone below into place, then takes on a
// vibrato while it dies away.
static double PowerNote(Voice& voice, double t, double rate) {
    double local = t - voice.start;
    if (local < 0) return 0;
    double slide = Glide(0.944, 1.0, local, 0.015);
    double vibrato =
        1.0 + 0.006 * std::sin(2 * PI * 5.5 * t) * std::fmin(1.0, std::fmax(0.0, local - 0.15) * 4);
    double pitch = voice.pitch * slide * vibrato;
    double envelope = 0.8 * AttackDecay(local, 0.005, 0.38);
    return envelope * BandLimitedPulse(Advance(voice.osc, pitch, rate), pitch, rate, 0.25);
}

// The extra gun: three brassy stabs climbing G, C, D, then a held power chord on G; a closing
// filter makes it bark.
Stereo ExtraWeaponJingle(double rate, int frames) {
    Stereo sound = MakeStereo(frames, rate);
    Voice stabs[3] = {{392.0, 0.0, -0.4, {}}, {523.25, 0.08, 0.4, {}}, {587.33, 0.16, 0.0, {}}};
    Voice chord[3] = {{392.0, 0.26, 0.0, {}}, {783.99, 0.26, -0.5, {}}, {1174.66, 0.26, 0.5, {}}};
    Svf filterLeft, filterRight;
    Stereo dry = MakeStereo(frames, rate);
    for (int i = 0; i < frames; ++i) {
        double t = i / rate;
        for (Voice& v : stabs) AddSample(dry, i, Stab(v, t, rate), v.pan);
        for (Voice& v : chord) AddSample(dry, i, PowerNote(v, t, rate), v.pan);
        double cutoff = t < 0.26 ? 4200 : Glide(4200, 1400, t - 0.26, 0.25);
        sound.left[i] = FilterStep(filterLeft, dry.left[i], cutoff, 1.2, rate).low;
        sound.right[i] = FilterStep(filterRight, dry.right[i], cutoff, 1.2, rate).low;
    }
    Finish(sound, 0.002, 0.12, -1.0);
    return sound;
}
