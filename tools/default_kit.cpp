#include "tools/default_kit.h"

#include "library/sound_library.h"
#include "tools/synth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>

namespace bw::tools {

namespace {

double Seconds(std::size_t i)
{
    return static_cast<double>(i) / SampleRate;
}

/// Scales s so its largest magnitude is 1.
void Normalize(Signal& s)
{
    double peak = 0.0;
    for (double v : s) {
        peak = std::max(peak, std::fabs(v));
    }
    if (peak > 0.0) {
        for (double& v : s) {
            v /= peak;
        }
    }
}

/// Fades the last ms milliseconds to zero (used on parts that are mixed into loops).
void FadeTail(Signal& s, double ms)
{
    const std::size_t n = std::min(s.size(), static_cast<std::size_t>(SamplesFor(ms)));
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i + 1) / static_cast<double>(n);
        s[s.size() - n + i] *= 0.5 + 0.5 * std::cos(Pi * x);
    }
}

/// A sine at a fixed frequency with an exponential decay.
Signal DecayingSine(int length, double freq, double tau)
{
    Signal s = SweptSine(length, freq, freq, 1.0);
    ApplyDecay(s, 0.2, tau);
    return s;
}

/// Filtered noise with its own decay.
Signal NoiseBurst(int length, std::uint32_t seed, Biquad filter, double attackMs, double tau)
{
    Signal s = WhiteNoise(length, seed);
    filter.processAll(s);
    ApplyDecay(s, attackMs, tau);
    return s;
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

// ---- kicks -----------------------------------------------------------------------------

Signal KickBody(int length, double f0, double f1, double sweepTau, double ampTau)
{
    Signal body = SweptSine(length, f0, f1, sweepTau);
    ApplyDecay(body, 1.0, ampTau);
    return body;
}

Signal KickDeep()
{
    const int n = SamplesFor(650);
    Signal s = KickBody(n, 160.0, 42.0, 0.045, 0.22);
    MixInto(s, NoiseBurst(SamplesFor(20), 101, Biquad::bandPass(3000, 0.8), 0.1, 0.003), 0.12);
    Saturate(s, 1.6);
    return s;
}

Signal KickPunch()
{
    const int n = SamplesFor(420);
    Signal s = KickBody(n, 230.0, 52.0, 0.028, 0.12);
    MixInto(s, NoiseBurst(SamplesFor(15), 102, Biquad::highPass(1500, 0.7), 0.1, 0.002), 0.3);
    MixInto(s, DecayingSine(SamplesFor(20), 1200.0, 0.004), 0.2);
    Saturate(s, 2.5);
    return s;
}

Signal KickShort()
{
    const int n = SamplesFor(320);
    Signal s = KickBody(n, 200.0, 65.0, 0.02, 0.06);
    MixInto(s, NoiseBurst(SamplesFor(10), 103, Biquad::bandPass(4000, 0.7), 0.1, 0.0015), 0.15);
    Saturate(s, 2.0);
    return s;
}

// ---- snares, clap, rim -----------------------------------------------------------------

Signal SnareSound(
    double bodyHz, double bodyTau, double noiseTau, double noiseLow, std::uint32_t seed, int length)
{
    Signal s = SweptSine(length, bodyHz * 1.3, bodyHz, 0.01);
    ApplyDecay(s, 0.5, bodyTau);
    MixInto(s, DecayingSine(length, bodyHz * 1.74, bodyTau * 0.6), 0.35);
    Signal noise = WhiteNoise(length, seed);
    Biquad::highPass(noiseLow, 0.7).processAll(noise);
    Biquad::lowPass(9500, 0.7).processAll(noise);
    ApplyDecay(noise, 0.5, noiseTau);
    Normalize(noise);
    MixInto(s, noise, 0.85);
    Saturate(s, 1.3);
    return s;
}

Signal Snare()
{
    return SnareSound(190.0, 0.05, 0.09, 1800.0, 201, SamplesFor(380));
}

Signal SnareTight()
{
    return SnareSound(250.0, 0.035, 0.055, 3000.0, 202, SamplesFor(260));
}

Signal Clap()
{
    const int n = SamplesFor(420);
    Signal noise = WhiteNoise(n, 301);
    Biquad::bandPass(1250, 1.1).processAll(noise);
    Biquad::highPass(700, 0.7).processAll(noise);
    // Several quick bursts, then a diffuse tail.
    const double starts[] = {0.0, 0.009, 0.0195, 0.031};
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
            const double tau = b == 3 ? 0.11 : 0.004;
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
    Signal s = NoiseBurst(n, 402, Biquad::bandPass(2300, 2.5), 0.3, 0.03);
    Normalize(s);
    MixInto(s, DecayingSine(n, 1850.0, 0.012), 0.4);
    return s;
}

// ---- hats and cymbals ------------------------------------------------------------------

Signal HatCluster(int length)
{
    return MetalCluster(length, {263.0, 400.5, 531.2, 588.7, 719.4, 1006.9});
}

Signal
Hat(int length, double band, double highPass, double attackMs, double tau, std::uint32_t seed)
{
    Signal s = HatCluster(length);
    Biquad::bandPass(band, 1.1).processAll(s);
    Biquad::highPass(highPass, 0.7).processAll(s);
    Normalize(s);
    Signal noise = WhiteNoise(length, seed);
    Biquad::highPass(highPass + 1000.0, 0.7).processAll(noise);
    Normalize(noise);
    MixInto(s, noise, 0.3);
    ApplyDecay(s, attackMs, tau);
    return s;
}

Signal ClosedHat()
{
    return Hat(SamplesFor(110), 9500.0, 7000.0, 0.3, 0.022, 501);
}

Signal PedalHat()
{
    return Hat(SamplesFor(150), 8000.0, 5500.0, 3.0, 0.03, 502);
}

Signal OpenHat()
{
    return Hat(SamplesFor(200), 9000.0, 6500.0, 0.5, 0.07, 503);
}

Signal Crash()
{
    const int n = SamplesFor(2200);
    Signal s = MetalCluster(
        n, {245.1, 310.7, 367.3, 433.9, 478.2, 561.4, 623.8, 701.5, 789.6, 855.0, 948.3, 1093.7});
    Saturate(s, 1.5);
    Biquad::bandPass(6000, 0.6).processAll(s);
    Biquad::highPass(3500, 0.7).processAll(s);
    Normalize(s);
    Signal noise = WhiteNoise(n, 601);
    Biquad::highPass(5000, 0.7).processAll(noise);
    Normalize(noise);
    MixInto(s, noise, 0.45);
    ApplyDecay(s, 1.0, 0.55);
    return s;
}

Signal RideBody(int length, double bellGain, std::uint32_t seed)
{
    Signal s = MetalCluster(length, {301.3, 377.9, 463.1, 529.6, 612.4, 744.8, 833.3, 971.2});
    Biquad::bandPass(7500, 0.8).processAll(s);
    Biquad::highPass(5000, 0.7).processAll(s);
    Normalize(s);
    ApplyDecay(s, 0.5, 0.7);
    const double bell[] = {2350.0, 3520.0, 5110.0};
    for (double f : bell) {
        MixInto(s, DecayingSine(length, f, 0.45), bellGain);
    }
    MixInto(s, NoiseBurst(SamplesFor(30), seed, Biquad::highPass(4000, 0.7), 0.1, 0.003), 0.5);
    return s;
}

Signal Ride()
{
    return RideBody(SamplesFor(2000), 0.15, 602);
}

Signal RideBell()
{
    return RideBody(SamplesFor(1400), 0.5, 603);
}

// ---- toms and hand percussion ----------------------------------------------------------

Signal Tom(double hz, double ampTau, int length, std::uint32_t seed)
{
    Signal s = SweptSine(length, hz * 1.35, hz, 0.06);
    ApplyDecay(s, 1.0, ampTau);
    MixInto(s, NoiseBurst(SamplesFor(40), seed, Biquad::bandPass(hz * 4.0, 1.0), 0.2, 0.01), 0.25);
    Saturate(s, 1.3);
    return s;
}

Signal LowTom()
{
    return Tom(88.0, 0.16, SamplesFor(520), 701);
}

Signal MidTom()
{
    return Tom(132.0, 0.13, SamplesFor(450), 702);
}

Signal HighTom()
{
    return Tom(185.0, 0.11, SamplesFor(380), 703);
}

Signal Cowbell()
{
    const int n = SamplesFor(320);
    Signal s = MetalCluster(n, {562.0, 845.0});
    Biquad::bandPass(900, 0.9).processAll(s);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        s[i] *= 0.6 * Decay(t, 0.015) + 0.4 * Decay(t, 0.12);
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
    const int n = SamplesFor(180);
    Signal s = WhiteNoise(n, 801);
    Biquad::bandPass(7000, 1.0).processAll(s);
    Biquad::highPass(4000, 0.7).processAll(s);
    ApplyDecay(s, 25.0, 0.035);
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
    // Two strikes close together, as a hand shakes the frame.
    Signal s(jingles.size(), 0.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        double env = std::min(1.0, t / 0.001) * Decay(t, 0.09);
        if (t >= 0.018) {
            env += 0.7 * std::min(1.0, (t - 0.018) / 0.001) * Decay(t - 0.018, 0.07);
        }
        s[i] = jingles[i] * env;
    }
    return s;
}

Signal Conga(double hz, int length, std::uint32_t seed)
{
    Signal s = SweptSine(length, hz * 1.15, hz, 0.01);
    ApplyDecay(s, 0.5, 0.075);
    MixInto(s, DecayingSine(length, hz * 1.52, 0.02), 0.2);
    MixInto(s, NoiseBurst(SamplesFor(20), seed, Biquad::bandPass(2500, 1.0), 0.1, 0.004), 0.35);
    Saturate(s, 1.2);
    return s;
}

Signal CongaHigh()
{
    return Conga(330.0, SamplesFor(260), 901);
}

Signal CongaLow()
{
    return Conga(215.0, SamplesFor(330), 902);
}

Signal SubBass()
{
    const double c2 = 65.406; // C two octaves below middle C
    const int n = SamplesFor(800);
    Signal s = SweptSine(n, c2 * 1.06, c2, 0.03);
    ApplyDecay(s, 3.0, 0.35);
    Saturate(s, 1.8);
    Biquad::lowPass(900, 0.7).processAll(s);
    return s;
}

Signal Zap()
{
    const int n = SamplesFor(250);
    Signal s = SweptSine(n, 3000.0, 120.0, 0.03);
    ApplyDecay(s, 0.5, 0.08);
    Saturate(s, 1.4);
    return s;
}

// ---- tempo-synced loops (recorded at 120 bpm) ------------------------------------------

constexpr int LoopBeat = SampleRate / 2; // one beat at 120 bpm

/// A part ready for mixing into a loop: peak 1 and a faded tail.
Signal Part(Signal s)
{
    FadeTail(s, 10.0);
    Normalize(s);
    return s;
}

Signal LoopPerc()
{
    Signal s(static_cast<std::size_t>(LoopBeat), 0.0);
    const int sixteenth = LoopBeat / 4;
    const Signal hat = Part(ClosedHat());
    const Signal shaker = Part(Shaker());
    const Signal hi = Part(CongaHigh());
    const Signal lo = Part(CongaLow());
    const Signal clave = Part(Clave());
    MixInto(s, hat, 0.7, 0);
    MixInto(s, hi, 0.5, 0);
    MixInto(s, shaker, 0.35, sixteenth);
    MixInto(s, hat, 0.45, 2 * sixteenth);
    MixInto(s, lo, 0.55, 2 * sixteenth);
    MixInto(s, shaker, 0.4, 3 * sixteenth);
    MixInto(s, clave, 0.25, 3 * sixteenth);
    return s;
}

Signal LoopGroove()
{
    Signal s(static_cast<std::size_t>(2 * LoopBeat), 0.0);
    const int eighth = LoopBeat / 2;
    const Signal kick = Part(KickShort());
    const Signal snare = Part(SnareTight());
    const Signal hat = Part(ClosedHat());
    const Signal bass = Part(SubBass());
    MixInto(s, kick, 0.8, 0);
    MixInto(s, bass, 0.45, 0);
    MixInto(s, kick, 0.5, 3 * eighth);
    MixInto(s, snare, 0.6, 2 * eighth);
    for (int i = 0; i < 4; ++i) {
        MixInto(s, hat, i % 2 == 0 ? 0.35 : 0.22, i * eighth + eighth / 2);
    }
    return s;
}

KitSound Make(std::string name, Signal s, double fadeMs, std::string stopTarget = {})
{
    KitSound k;
    k.name = std::move(name);
    k.stopTarget = std::move(stopTarget);
    k.samples = Finish(std::move(s), fadeMs);
    return k;
}

KitSound MakeLoop(std::string name, Signal s, std::int32_t beats)
{
    KitSound k = Make(std::move(name), std::move(s), 6.0);
    k.flags = library::StretchEnabled;
    k.stretchMul = beats;
    k.stretchDiv = 1;
    return k;
}

} // namespace

std::vector<KitSound> BuildDefaultKit()
{
    std::vector<KitSound> kit;
    kit.push_back(Make("Kick Deep", KickDeep(), 40.0));
    kit.push_back(Make("Kick Punch", KickPunch(), 30.0));
    kit.push_back(Make("Kick Short", KickShort(), 20.0));
    kit.push_back(Make("Snare", Snare(), 40.0));
    kit.push_back(Make("Snare Tight", SnareTight(), 30.0));
    kit.push_back(Make("Clap", Clap(), 40.0));
    kit.push_back(Make("Rimshot", Rimshot(), 15.0));
    kit.push_back(Make("Snap", Snap(), 20.0));
    kit.push_back(Make("Closed Hat", ClosedHat(), 20.0, "Open Hat"));
    kit.push_back(Make("Pedal Hat", PedalHat(), 30.0, "Open Hat"));
    kit.push_back(Make("Open Hat", OpenHat(), 80.0));
    kit.push_back(Make("Crash", Crash(), 300.0));
    kit.push_back(Make("Ride", Ride(), 300.0));
    kit.push_back(Make("Ride Bell", RideBell(), 200.0));
    kit.push_back(Make("Low Tom", LowTom(), 50.0));
    kit.push_back(Make("Mid Tom", MidTom(), 50.0));
    kit.push_back(Make("High Tom", HighTom(), 50.0));
    kit.push_back(Make("Conga High", CongaHigh(), 30.0));
    kit.push_back(Make("Conga Low", CongaLow(), 30.0));
    kit.push_back(Make("Cowbell", Cowbell(), 40.0));
    kit.push_back(Make("Clave", Clave(), 15.0));
    kit.push_back(Make("Shaker", Shaker(), 30.0));
    kit.push_back(Make("Tambourine", Tambourine(), 50.0));
    kit.push_back(Make("Sub Bass C2", SubBass(), 100.0));
    kit.push_back(Make("Zap", Zap(), 30.0));
    kit.push_back(MakeLoop("Loop Perc 1 Beat", LoopPerc(), 1));
    kit.push_back(MakeLoop("Loop Groove 2 Beats", LoopGroove(), 2));
    return kit;
}

void AddKitToLibrary(const std::vector<KitSound>& kit, library::SoundLibrary& lib)
{
    for (const KitSound& k : kit) {
        // Library samples are little-endian whatever the build machine is.
        std::vector<std::uint8_t> bytes;
        bytes.reserve(k.samples.size() * 2);
        for (std::int16_t v : k.samples) {
            const auto u = static_cast<std::uint16_t>(v);
            bytes.push_back(static_cast<std::uint8_t>(u & 0xFFu));
            bytes.push_back(static_cast<std::uint8_t>(u >> 8));
        }
        lib.AddSound(k.name, k.stopTarget, k.stretchDiv, k.stretchMul, k.flags,
                     static_cast<std::int32_t>(bytes.size()), bytes.data());
    }
}

} // namespace bw::tools
