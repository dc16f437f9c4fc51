// Kicks, snares, hand claps, toms, congas and the sub bass. Every membrane falls fast right
// after the hit and then rings on a quieter body that dies away to silence well before the
// sample ends; the attack carries the beater's knock or the stick's click.

#include "tools/kit_voices.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace bw::tools {

namespace {

double Seconds(std::size_t i)
{
    return static_cast<double>(i) / SampleRate;
}

/// Cycles a sine gliding from f0 to f1 (time constant tau) gains over one that starts on f1,
/// counted the way SweptSine accumulates its phase sample by sample.
double GlideCycles(double f0, double f1, double tau)
{
    return (f0 - f1) / SampleRate / (1.0 - Exp(-1.0 / (SampleRate * tau)));
}

// ---- kicks -----------------------------------------------------------------------------

struct KickShape
{
    double ms;        // length
    double startHz;   // where the pitch glide starts
    double settleHz;  // where it settles
    double sweepTau;  // glide time constant, seconds
    double fastTau;   // the fall right after the hit
    double bodyLevel; // where the body starts ringing, 0..1
    double bodyTau;   // the body's decay
    double knockHz;   // the beater's knock
    double knockGain;
    double drive;
    std::uint32_t seed;
    double modeGain; // the head's first overtone, struck away from the centre
};

Signal Kick(const KickShape& k)
{
    const int n = SamplesFor(k.ms);
    Signal s = SweptSine(n, k.startHz, k.settleHz, k.sweepTau);
    ApplyTwoStage(s, 0.3, k.fastTau, k.bodyLevel, k.bodyTau);
    if (k.modeGain > 0.0) {
        MixInto(
            s,
            Partials(n, {{k.settleHz * 1.594, k.modeGain, k.bodyTau * 0.6, 0.0}}, 0.3, k.sweepTau),
            1.0);
    }
    MixInto(s, Click(k.knockHz, 1.2, 4.0, k.seed), k.knockGain);
    Saturate(s, k.drive);
    return s;
}

// ---- snares ------------------------------------------------------------------------------

struct SnareShape
{
    double ms;
    double bodyHz;
    double bodyTau;
    double wireTau; // how long the snare wires rattle
    double wireGain;
    double noiseLow; // the wires' band
    double noiseHigh;
    double crackGain;
    std::uint32_t seed;
};

Signal SnareVoice(const SnareShape& v)
{
    const int n = SamplesFor(v.ms);
    // The batter head: a short glide onto the fundamental and the shell's higher modes,
    // which fill the middle between the head and the wires.
    Signal s = SweptSine(n, v.bodyHz * 1.25, v.bodyHz, 0.006);
    ApplyTwoStage(s, 0.3, 0.006, 0.5, v.bodyTau);
    MixInto(s, DecayingSine(n, v.bodyHz * 1.59, v.bodyTau * 0.6), 0.45);
    MixInto(s, DecayingSine(n, v.bodyHz * 2.14, v.bodyTau * 0.45), 0.3);
    MixInto(s, DecayingSine(n, v.bodyHz * 2.92, v.bodyTau * 0.35), 0.25);
    MixInto(s, DecayingSine(n, v.bodyHz * 3.9, v.bodyTau * 0.3), 0.2);
    MixInto(s, DecayingSine(n, v.bodyHz * 5.1, v.bodyTau * 0.25), 0.15);
    // The wires: noise in a band that leans towards its lower half.
    Signal wires = WhiteNoise(n, v.seed);
    Biquad::highPass(v.noiseLow, 0.7).processAll(wires);
    Biquad::lowPass(v.noiseHigh, 0.7).processAll(wires);
    Biquad::lowPass(v.noiseHigh, 0.7).processAll(wires);
    Biquad::peaking(v.noiseLow * 1.5, 0.7, 4.0).processAll(wires);
    ApplyTwoStage(wires, 0.3, 0.01, 0.4, v.wireTau);
    Normalize(wires);
    MixInto(s, wires, v.wireGain);
    // The stick's crack.
    MixInto(s, Click(2200.0, 0.9, 3.0, v.seed + 17), v.crackGain);
    Saturate(s, 1.2);
    return s;
}

// ---- toms and congas ---------------------------------------------------------------------

struct TomShape
{
    double hz;        // where the pitch settles
    double ms;        // length
    double bodyLevel; // where the ring starts after the strike, 0..1
    double bodyTau;   // how long it rings
    std::uint32_t seed;
};

Signal Tom(const TomShape& t)
{
    const int n = SamplesFor(t.ms);
    // The head's modes (those of an ideal circular membrane), the higher the quieter and the
    // sooner gone. The fundamental is struck hard and falls fast to its ring: two partials
    // in phase make that envelope.
    const double ratios[] = {1.594, 2.136, 2.296, 2.653, 2.918, 3.156, 3.501,
                             3.600, 3.652, 4.060, 4.154, 4.601, 4.832, 5.395};
    std::vector<Partial> modes = {{t.hz, 1.0 - t.bodyLevel, 0.012, 0.0},
                                  {t.hz, t.bodyLevel, t.bodyTau, 0.0}};
    Noise rnd(t.seed);
    for (double r : ratios) {
        const double amp = 0.3 / r * (0.7 + 0.3 * rnd.next());
        modes.push_back({t.hz * r, amp, t.bodyTau * 0.22 / r, Pi * rnd.next()});
    }
    // The head is stretched by the hit: every mode starts sharp and glides down.
    Signal s = Partials(n, modes, 0.14, 0.05);
    // The shell rings along briefly at its own few pitches, higher up.
    std::vector<Partial> shell;
    for (double f : {520.0, 810.0, 1230.0, 1790.0}) {
        shell.push_back({f * (1.0 + 0.05 * rnd.next()), 0.05, 0.08, Pi * rnd.next()});
    }
    MixInto(s, Partials(n, shell), 1.0);
    // The stick: a bright tick, and the slap of the head around a kilohertz or two.
    MixInto(s, Tick(1000.0, 2.0, t.seed + 1), 0.8);
    MixInto(s, NoiseBurst(SamplesFor(60), t.seed + 2, Biquad::bandPass(1600.0, 0.8), 0.3, 0.01),
            0.25);
    Saturate(s, 1.1);
    return s;
}

Signal Conga(double hz, double bodyTau, double ms, std::uint32_t seed)
{
    const int n = SamplesFor(ms);
    Signal s = SweptSine(n, hz * 1.12, hz, 0.008);
    ApplyTwoStage(s, 0.3, 0.006, 0.55, bodyTau);
    MixInto(s, DecayingSine(n, hz * 1.52, 0.018), 0.25);
    // The palm's slap.
    MixInto(s, Click(2600.0, 1.0, 3.0, seed), 0.4);
    Saturate(s, 1.15);
    // Played with the hands: the slap's tip is rounded off, the tone carries.
    LimitPeaks(s, 0.65, 30.0);
    return s;
}

} // namespace

Signal DecayingSine(int length, double freq, double tau)
{
    Signal s = SweptSine(length, freq, freq, 1.0);
    ApplyDecay(s, 0.2, tau);
    return s;
}

Signal NoiseBurst(int length, std::uint32_t seed, Biquad filter, double attackMs, double tau)
{
    Signal s = WhiteNoise(length, seed);
    filter.processAll(s);
    ApplyDecay(s, attackMs, tau);
    return s;
}

Signal Tick(double lowCutHz, double ms, std::uint32_t seed)
{
    Signal s = WhiteNoise(SamplesFor(ms * 3.0), seed);
    Biquad::highPass(lowCutHz, 0.7).processAll(s);
    ApplyDecay(s, 0.05, ms / 3000.0);
    Normalize(s);
    s.insert(s.begin(), FadeInSamples, 0.0);
    return s;
}

Signal Click(double freq, double q, double ms, std::uint32_t seed)
{
    Signal s = WhiteNoise(SamplesFor(ms * 2.0), seed);
    Biquad::bandPass(freq, q).processAll(s);
    Biquad::bandPass(freq, q).processAll(s);
    ApplyDecay(s, 0.1, ms / 4000.0);
    Normalize(s);
    return s;
}

double StartInPhaseWithBass(double wanted, double settle, double tau)
{
    const double bass = GlideCycles(C2 * BassGlide, C2, BassGlideTau);
    const double perHz = GlideCycles(settle + 1.0, settle, tau);
    const double whole = std::nearbyint((wanted - settle) * perHz - bass);
    return settle + (whole + bass) / perHz;
}

Signal KickDeep()
{
    // Settles on G1, a fourth under the bass: deep, and never a near miss of C2.
    return Kick({650.0, 150.0, 49.0, 0.03, 0.012, 0.5, 0.1, 2600.0, 0.2, 1.2, 101, 0.0});
}

Signal KickLong()
{
    // Settles on F1, a fifth under the bass, and rings on like a tuned electronic kick.
    return Kick({1400.0, 120.0, 43.65, 0.04, 0.015, 0.55, 0.25, 2400.0, 0.15, 1.3, 104, 0.0});
}

Signal KickPunch()
{
    // The punch is the beater's knock and a quick tuck of pitch onto C2; a long sweep down
    // from the low mids would crowd the 125 Hz octave of a mix. The body rings on, in phase
    // with the bass.
    return Kick({640.0, StartInPhaseWithBass(95.0, C2, 0.004), C2, 0.004, 0.004, 0.5, 0.11, 3200.0,
                 0.3, 1.2, 102, 0.0});
}

Signal KickPunch2()
{
    // Another hit of the same drum: it lands a little softer on the head and further from its
    // centre, and still settles in phase with the bass.
    return Kick({600.0, StartInPhaseWithBass(95.0, C2, 0.005), C2, 0.005, 0.005, 0.52, 0.105,
                 2800.0, 0.3, 1.25, 105, 0.4});
}

Signal KickShort()
{
    return Kick({320.0, StartInPhaseWithBass(250.0, C2, 0.01), C2, 0.01, 0.008, 0.45, 0.045, 3600.0,
                 0.3, 1.3, 103, 0.0});
}

Signal KickTight()
{
    // Tuned up to E2 and damped: a short knock for fast patterns.
    return Kick({280.0, 260.0, 82.4, 0.008, 0.007, 0.4, 0.035, 4000.0, 0.35, 1.4, 106, 0.0});
}

Signal Snare()
{
    return SnareVoice({500.0, 185.0, 0.06, 0.09, 1.0, 750.0, 6500.0, 0.45, 201});
}

Signal Snare2()
{
    // The same drum struck again: the stick lands nearer the rim, the wires answer a little
    // differently.
    return SnareVoice({500.0, 191.0, 0.058, 0.095, 1.0, 780.0, 6700.0, 0.5, 204});
}

Signal SnareTight()
{
    return SnareVoice({300.0, 240.0, 0.04, 0.06, 1.0, 900.0, 7000.0, 0.5, 202});
}

Signal Clap()
{
    const int n = SamplesFor(300);
    Signal noise = WhiteNoise(n, 301);
    Biquad::bandPass(1250, 1.1).processAll(noise);
    Biquad::highPass(700, 0.7).processAll(noise);
    // Several hands a few milliseconds apart, then a short room tail.
    const double starts[] = {0.0, 0.01, 0.021, 0.032};
    Signal s(noise.size(), 0.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        double env = 0.0;
        for (int b = 0; b < 4; ++b) {
            const double dt = t - starts[b];
            if (dt < 0.0) {
                continue;
            }
            const double attack = std::min(1.0, dt / 0.0005);
            const double tau = b == 3 ? 0.03 : 0.004;
            env = std::max(env, attack * Decay(dt, tau));
        }
        s[i] = noise[i] * env;
    }
    Saturate(s, 1.5);
    return s;
}

Signal Rimshot()
{
    const int n = SamplesFor(130);
    Signal s = DecayingSine(n, 480.0, 0.012);
    MixInto(s, DecayingSine(n, 1720.0, 0.008), 0.5);
    MixInto(s, NoiseBurst(n, 401, Biquad::highPass(3000, 0.7), 0.1, 0.004), 0.6);
    Saturate(s, 2.0);
    return s;
}

Signal Snap()
{
    const int n = SamplesFor(180);
    // The skin's pop swells in just after the click.
    Signal s = NoiseBurst(n, 402, Biquad::bandPass(2300, 2.5), 3.0, 0.02);
    Normalize(s);
    Signal pop = DecayingSine(n, 1850.0, 0.012);
    ApplyDecay(pop, 3.0, 1.0);
    MixInto(s, pop, 0.4);
    // The finger striking the palm: a click that reaches the top octave.
    MixInto(s, Tick(6000.0, 1.5, 403), 1.2);
    return s;
}

Signal LowTom()
{
    return Tom({87.3, 1600.0, 0.25, 0.34, 701});
}

Signal MidTom()
{
    return Tom({130.8, 1500.0, 0.25, 0.32, 702});
}

Signal HighTom()
{
    return Tom({174.6, 1400.0, 0.25, 0.3, 703});
}

Signal CongaHigh()
{
    return Conga(330.0, 0.05, 320.0, 901);
}

Signal CongaLow()
{
    return Conga(220.0, 0.06, 400.0, 902);
}

Signal SubBass()
{
    const int n = SamplesFor(800);
    Signal s = SweptSine(n, C2 * BassGlide, C2, BassGlideTau);
    // Swells in while a kick on the same step glides down to C2, holds like a held note,
    // then lets go: the fall steepens until it is silent.
    const int attack = SamplesFor(25.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        const double r = t / 0.45;
        double g = Exp(-t / 0.3 - r * r * r);
        if (static_cast<int>(i) < attack) {
            const double a = Sin(0.5 * Pi * static_cast<double>(i) / attack);
            g *= a * a;
        }
        s[i] *= g;
    }
    Saturate(s, 1.5);
    return s;
}

Signal Zap()
{
    const int n = SamplesFor(300);
    Signal s = SweptSine(n, 3000.0, 120.0, 0.03);
    ApplyDecay(s, 0.5, 0.045);
    Saturate(s, 1.4);
    return s;
}

} // namespace bw::tools
