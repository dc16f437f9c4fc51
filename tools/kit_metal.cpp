// Hi-hats, cymbals and the small percussion. The metal comes from clusters of detuned square
// waves (their upper harmonics beat against each other like a struck plate) and filtered
// noise; cymbals fall quickly from the stick's hit into a long wash.

#include "tools/kit_voices.h"

#include <algorithm>
#include <cstddef>

namespace bw::tools {

namespace {

double Seconds(std::size_t i)
{
    return static_cast<double>(i) / SampleRate;
}

/// A cluster of detuned square waves: the metallic raw material of hats and cymbals.
Signal MetalCluster(int length, std::initializer_list<double> freqs)
{
    Signal s(static_cast<std::size_t>(length), 0.0);
    for (double f : freqs) {
        MixInto(s, Square(length, f), 1.0 / static_cast<double>(freqs.size()));
    }
    return s;
}

struct HatShape
{
    double ms;
    double bandHz;   // where the metal is loudest
    double lowCutHz; // nothing of the hat below this
    double attackMs;
    double fastTau;   // the first drop after the hit
    double bodyLevel; // the ring that follows, 0..1
    double bodyTau;
    std::uint32_t seed;
};

Signal Hat(const HatShape& h)
{
    const int n = SamplesFor(h.ms);
    Signal s = MetalCluster(n, {263.0, 400.5, 531.2, 588.7, 719.4, 1006.9});
    Biquad::bandPass(h.bandHz, 1.1).processAll(s);
    Biquad::highPass(h.lowCutHz, 0.7).processAll(s);
    Biquad::highPass(h.lowCutHz, 0.7).processAll(s);
    Biquad::lowPass(14000.0, 0.7).processAll(s);
    Normalize(s);
    Signal noise = WhiteNoise(n, h.seed);
    Biquad::highPass(h.lowCutHz + 1000.0, 0.7).processAll(noise);
    Biquad::lowPass(12000.0, 0.7).processAll(noise);
    Normalize(noise);
    MixInto(s, noise, 0.35);
    ApplyTwoStage(s, h.attackMs, h.fastTau, h.bodyLevel, h.bodyTau);
    return s;
}

/// The ride's wash (ringing on with washTau) under a bright ping, with bellGain of the bell's
/// partials.
Signal RideBody(int length, double washTau, double bellGain, double bellTau, std::uint32_t seed)
{
    Signal s = MetalCluster(length, {301.3, 377.9, 463.1, 529.6, 612.4, 744.8, 833.3, 971.2});
    Biquad::bandPass(6500, 0.8).processAll(s);
    Biquad::highPass(3000, 0.7).processAll(s);
    Biquad::lowPass(13000, 0.7).processAll(s);
    Normalize(s);
    ApplyTwoStage(s, 0.5, 0.02, 0.4, washTau);
    const double bell[] = {2350.0, 3520.0, 5110.0};
    for (double f : bell) {
        MixInto(s, DecayingSine(length, f, bellTau), bellGain);
    }
    // The ping: the stick on the bow, bright and gone within a few tens of milliseconds.
    MixInto(s, DecayingSine(length, 4180.0, 0.012), 0.9);
    MixInto(s, Click(6000.0, 0.8, 3.0, seed), 0.9);
    return s;
}

} // namespace

Signal ClosedHat()
{
    return Hat({110.0, 8500.0, 6000.0, 0.2, 0.006, 0.35, 0.02, 501});
}

Signal PedalHat()
{
    return Hat({150.0, 7500.0, 5000.0, 2.5, 0.01, 0.4, 0.025, 502});
}

Signal OpenHat()
{
    return Hat({900.0, 7500.0, 5000.0, 0.4, 0.01, 0.4, 0.14, 503});
}

Signal Crash()
{
    const int n = SamplesFor(2200);
    Signal s = MetalCluster(
        n, {245.1, 310.7, 367.3, 433.9, 478.2, 561.4, 623.8, 701.5, 789.6, 855.0, 948.3, 1093.7});
    Saturate(s, 1.5);
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
    return RideBody(SamplesFor(2000), 0.5, 0.15, 0.45, 602);
}

Signal RideBell()
{
    return RideBody(SamplesFor(1400), 0.32, 0.5, 0.3, 603);
}

Signal Cowbell()
{
    const int n = SamplesFor(380);
    Signal s = MetalCluster(n, {562.0, 845.0});
    Biquad::bandPass(900, 0.9).processAll(s);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        s[i] *= 0.6 * Decay(t, 0.015) + 0.4 * Decay(t, 0.07);
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
    const int n = SamplesFor(380);
    Signal jingles(static_cast<std::size_t>(n), 0.0);
    const double freqs[] = {5210.0, 6630.0, 7940.0, 9120.0, 10730.0};
    for (double f : freqs) {
        MixInto(jingles, DecayingSine(n, f, 0.08), 0.2);
    }
    Signal noise = WhiteNoise(n, 802);
    Biquad::bandPass(8000, 1.5).processAll(noise);
    Normalize(noise);
    MixInto(jingles, noise, 0.6);
    // One strike of the hand, then the jingles settle with a softer rattle.
    Signal s(jingles.size(), 0.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        double env = std::min(1.0, t / 0.0005) * (0.5 * Decay(t, 0.01) + 0.5 * Decay(t, 0.07));
        if (t >= 0.045) {
            env += 0.25 * std::min(1.0, (t - 0.045) / 0.003) * Decay(t - 0.045, 0.05);
        }
        s[i] = jingles[i] * env;
    }
    return s;
}

} // namespace bw::tools
