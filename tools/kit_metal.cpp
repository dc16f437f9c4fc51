// Hi-hats, cymbals and the small percussion. Cymbals are dozens of inharmonic modes (the
// higher, the sooner they die) over a wash of bright noise, struck by a stick whose tick
// reaches the top octave; hats add a cluster of band-limited square waves for their metallic
// edge; the tambourine's jingles rattle noise through small resonances and fall back against
// the frame once more.

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

/// Root mean square of s between fromMs and toMs.
double Rms(const Signal& s, double fromMs, double toMs)
{
    const auto from = static_cast<std::size_t>(SamplesFor(fromMs));
    const std::size_t to = std::min(s.size(), static_cast<std::size_t>(SamplesFor(toMs)));
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        sum += s[i] * s[i];
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

/// Scales s so its RMS over the first ms milliseconds is rms.
void ScaleRms(Signal& s, double ms, double rms)
{
    const double now = Rms(s, 0.0, ms);
    if (now > 0.0) {
        for (double& v : s) {
            v *= rms / now;
        }
    }
}

/// A cluster of detuned band-limited square waves: the metallic raw material of hats and the
/// crash.
Signal MetalCluster(int length, std::initializer_list<double> freqs, double detune = 1.0)
{
    Signal s(static_cast<std::size_t>(length), 0.0);
    for (double f : freqs) {
        MixInto(s, Square(length, f * detune), 1.0 / static_cast<double>(freqs.size()));
    }
    return s;
}

struct ModeSet
{
    int count;
    double lowHz;   // the lowest mode
    double step;    // each next mode this many times higher, give or take a third of the gap
    double tauLow;  // decay of the lowest mode; higher ones die sooner (1 / sqrt of frequency)
    double focusHz; // where the modes are strongest
    double focusWidthHz;
    double focusGain; // how much stronger there
    std::uint32_t seed;
};

/// The inharmonic modes of a struck plate, with seeded jitter in frequency, level and phase.
std::vector<Partial> PlateModes(const ModeSet& m)
{
    Noise rnd(m.seed);
    std::vector<Partial> modes;
    double base = m.lowHz;
    for (int i = 0; i < m.count; ++i) {
        Partial p;
        p.freq = base * (1.0 + (m.step - 1.0) * 0.33 * rnd.next());
        p.tau = m.tauLow * std::sqrt(m.lowHz / p.freq);
        const double off = (p.freq - m.focusHz) / m.focusWidthHz;
        // The lowest modes carry little of the stick's energy.
        const double low = p.freq / (p.freq + 800.0);
        p.amp = (0.65 + 0.35 * rnd.next()) * low * (1.0 + m.focusGain / (1.0 + off * off));
        p.phase = Pi * rnd.next();
        modes.push_back(p);
        base *= m.step;
    }
    return modes;
}

/// Noise with nothing below lowCutHz and a lift of shelfDb above shelfHz, peak 1.
Signal BrightNoise(int length, std::uint32_t seed, double lowCutHz, double shelfHz, double shelfDb)
{
    Signal s = WhiteNoise(length, seed);
    Biquad::highPass(lowCutHz, 0.7).processAll(s);
    Biquad::highShelf(shelfHz, 0.7, shelfDb).processAll(s);
    Normalize(s);
    return s;
}

struct HatShape
{
    double ms;
    double detune;    // of the square cluster
    double bandHz;    // where the metal is loudest
    double lowCutHz;  // the noise's low edge
    double metalGain; // against the noise
    double attackMs;
    double fastTau;   // the first drop after the hit
    double bodyLevel; // the ring that follows, 0..1
    double bodyTau;
    std::uint32_t seed;
    double ceiling; // where the transient's tip is held, against the peak
};

Signal Hat(const HatShape& h)
{
    const int n = SamplesFor(h.ms);
    Signal s = BrightNoise(n, h.seed, h.lowCutHz, 10000.0, 2.0);
    Signal metal = MetalCluster(n, {263.0, 400.5, 531.2, 588.7, 719.4, 1006.9}, h.detune);
    Biquad::bandPass(h.bandHz, 0.8).processAll(metal);
    Biquad::highPass(h.lowCutHz * 0.8, 0.7).processAll(metal);
    Normalize(metal);
    MixInto(s, metal, h.metalGain);
    ApplyTwoStage(s, h.attackMs, h.fastTau, h.bodyLevel, h.bodyTau);
    MixInto(s, Tick(6000.0, 0.8, h.seed + 1), 0.15);
    LimitPeaks(s, h.ceiling, 15.0);
    return s;
}

struct RideShape
{
    double ms;
    double washTau;   // how long the wash rings
    double modeGain;  // the plate's modes against the wash (RMS)
    double bellGain;  // the bell's partials against the wash (RMS)
    double stickGain; // the tick's peak against the wash's
    double stickLowCutHz;
    std::uint32_t seed;
};

/// The bell at the cymbal's centre: a few strong, long-ringing inharmonic partials.
std::vector<Partial> BellPartials(double tau)
{
    const double freqs[] = {731.0, 1103.0, 1587.0, 2213.0, 2871.0, 3649.0, 4412.0, 5230.0};
    const double amps[] = {0.7, 1.0, 0.85, 0.75, 0.6, 0.45, 0.35, 0.25};
    std::vector<Partial> out;
    for (std::size_t i = 0; i < std::size(freqs); ++i) {
        out.push_back(
            {freqs[i], amps[i], tau * std::sqrt(731.0 / freqs[i]), 0.37 * static_cast<double>(i)});
    }
    return out;
}

Signal RideVoice(const RideShape& r)
{
    const int n = SamplesFor(r.ms);
    // The wash: bright noise that falls from the hit into a long shimmer.
    Signal s = BrightNoise(n, r.seed, 2500.0, 9000.0, 6.0);
    ApplyTwoStage(s, 0.3, 0.02, 0.45, r.washTau);
    ScaleRms(s, 300.0, 1.0);
    // The plate's modes from the low ping to the top octave.
    Signal modes =
        Partials(n, PlateModes({56, 340.0, 1.072, 1.6, 4200.0, 2500.0, 1.2, r.seed + 1}));
    ScaleRms(modes, 300.0, r.modeGain);
    MixInto(s, modes, 1.0);
    if (r.bellGain > 0.0) {
        Signal bell = Partials(n, BellPartials(0.9));
        ScaleRms(bell, 300.0, r.bellGain);
        MixInto(s, bell, 1.0);
    }
    Signal stick = Tick(r.stickLowCutHz, 1.5, r.seed + 2);
    double washPeak = 0.0;
    for (double v : s) {
        washPeak = std::max(washPeak, std::fabs(v));
    }
    MixInto(s, stick, r.stickGain * washPeak);
    return s;
}

} // namespace

Signal ClosedHat()
{
    return Hat({130.0, 1.0, 8500.0, 5000.0, 0.8, 0.2, 0.008, 0.5, 0.02, 501, 0.6});
}

Signal ClosedHat2()
{
    return Hat({130.0, 1.035, 9200.0, 5200.0, 0.75, 0.2, 0.0085, 0.48, 0.021, 504, 0.6});
}

Signal PedalHat()
{
    return Hat({150.0, 0.97, 7500.0, 4500.0, 0.85, 2.5, 0.01, 0.4, 0.025, 502, 1.0});
}

Signal OpenHat()
{
    return Hat({900.0, 1.0, 7500.0, 4000.0, 0.8, 0.4, 0.01, 0.4, 0.14, 503, 0.6});
}

Signal Crash()
{
    const int n = SamplesFor(2200);
    Signal s = MetalCluster(
        n, {245.1, 310.7, 367.3, 433.9, 478.2, 561.4, 623.8, 701.5, 789.6, 855.0, 948.3, 1093.7});
    Biquad::bandPass(5000, 0.5).processAll(s);
    Biquad::highPass(1800, 0.7).processAll(s);
    Normalize(s);
    Signal noise = WhiteNoise(n, 601);
    Biquad::highPass(2500, 0.7).processAll(noise);
    Normalize(noise);
    MixInto(s, noise, 0.5);
    // The body of the plate: inharmonic partials and a band of noise between 0.8 and 3 kHz.
    Signal body = WhiteNoise(n, 604);
    Biquad::bandPass(1500, 0.6).processAll(body);
    Normalize(body);
    const double partials[] = {827.0, 1193.0, 1466.0, 1721.0, 2087.0, 2460.0};
    for (double f : partials) {
        MixInto(body, DecayingSine(n, f, 0.5), 0.25);
    }
    Normalize(body);
    MixInto(s, body, 0.35);
    // The splash is bright at the hit and darkens as the plate settles.
    SweptLowPass(s, 16000.0, 9000.0, 0.35, 0.6);
    ApplyTwoStage(s, 1.0, 0.05, 0.55, 0.48);
    return s;
}

Signal Ride()
{
    return RideVoice({2000.0, 0.7, 1.3, 0.0, 2.0, 5000.0, 602});
}

Signal RideBell()
{
    return RideVoice({1400.0, 0.45, 0.6, 1.6, 1.5, 3000.0, 603});
}

Signal Cowbell()
{
    const int n = SamplesFor(380);
    // Two square waves built from their odd harmonics, so nothing folds back from above the
    // Nyquist frequency.
    std::vector<Partial> harmonics;
    for (double f : {562.0, 845.0}) {
        for (int k = 1; k * f < 16000.0; k += 2) {
            harmonics.push_back({k * f, 1.0 / k, 10.0, 0.0});
        }
    }
    Signal s = Partials(n, harmonics);
    Biquad::bandPass(900, 0.9).processAll(s);
    // A rounded onset: a hard edge would spray the low tones' energy over the top octaves.
    const int attack = SamplesFor(1.5);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        double g = 0.6 * Decay(t, 0.015) + 0.4 * Decay(t, 0.07);
        if (static_cast<int>(i) < attack) {
            const double a = Sin(0.5 * Pi * static_cast<double>(i) / attack);
            g *= a * a;
        }
        s[i] *= g;
    }
    return s;
}

Signal Clave()
{
    const int n = SamplesFor(110);
    Signal s = DecayingSine(n, 2480.0, 0.018);
    MixInto(s, DecayingSine(n, 4960.0 * 1.02, 0.006), 0.15);
    return s;
}

Signal Shaker()
{
    const int n = SamplesFor(200);
    Signal s = WhiteNoise(n, 801);
    Biquad::bandPass(7000, 1.0).processAll(s);
    Biquad::highPass(4000, 0.7).processAll(s);
    ApplyDecay(s, 12.0, 0.03);
    return s;
}

Signal Tambourine()
{
    const int n = SamplesFor(330);
    // The jingles collide: a dense rattle at the strike that thins out, then a second swell
    // as they fall back against the frame. The strike itself comes after the finished
    // sound's fade-in.
    Noise rnd(802);
    Signal hits(static_cast<std::size_t>(n), 0.0);
    constexpr std::size_t Strike = FadeInSamples + 6;
    for (std::size_t i = Strike; i < hits.size(); ++i) {
        const double t = Seconds(i);
        const double back = t > 0.05 ? (t - 0.05) / 0.02 : 0.0;
        const double swell = back * Exp(1.0 - back);
        const double level = 0.9 * Decay(t, 0.022) + 0.45 * swell;
        hits[i] = i == Strike ? 1.0 : level * rnd.next();
    }
    // Each jingle rings briefly at its own pitches; the rattle between them stays noisy.
    Signal s(hits.size(), 0.0);
    const double jingles[] = {5400.0, 6900.0, 8300.0, 9800.0, 11600.0, 13400.0, 15200.0};
    for (double f : jingles) {
        Signal ring = hits;
        Biquad::bandPass(f, 8.0).processAll(ring);
        MixInto(s, ring, 1.0);
    }
    Signal rattle = hits;
    Biquad::highPass(7000.0, 0.7).processAll(rattle);
    MixInto(s, rattle, 0.5);
    return s;
}

} // namespace bw::tools
