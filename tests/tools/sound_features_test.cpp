// The measurements the mix report makes, checked on signals whose answer is known.

#include "tests/tools/sound_features.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::analysis::Wave;

constexpr double Pi = 3.14159265358979323846;

Wave Sine(std::size_t n, double hz, double phase = 0.0, double tau = 0.0)
{
    Wave w(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / bw::analysis::Rate;
        w[i] = std::sin(2.0 * Pi * hz * t + phase) * (tau > 0.0 ? std::exp(-t / tau) : 1.0);
    }
    return w;
}

Wave Noise(std::size_t n, std::uint32_t seed)
{
    Wave w(n);
    for (double& v : w) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    }
    return w;
}

TEST(SoundFeatures, FlatnessAndPeakinessTellNoiseFromTones)
{
    const Wave noise = Noise(44100, 1);
    const Wave tone = Sine(44100, 3000.0);
    EXPECT_GT(bw::analysis::SpectralFlatness(bw::analysis::WelchSpectrum(noise), 1000, 16000), 0.8);
    EXPECT_LT(bw::analysis::SpectralFlatness(bw::analysis::WelchSpectrum(tone), 1000, 16000), 0.01);
    EXPECT_LT(bw::analysis::PeakOverMedianDb(bw::analysis::PowerSpectrum(noise), 1000, 16000),
              20.0);
    Wave mixed = noise;
    for (std::size_t i = 0; i < mixed.size(); ++i) {
        mixed[i] += tone[i];
    }
    EXPECT_GT(bw::analysis::PeakOverMedianDb(bw::analysis::PowerSpectrum(mixed), 1000, 16000),
              40.0);
}

TEST(SoundFeatures, SegmentsAndBandsTakeTheirStretchOnly)
{
    // A 12 kHz burst for the first 10 ms, then 200 Hz.
    Wave w = Sine(8820, 200.0);
    const Wave burst = Sine(441, 12000.0);
    for (std::size_t i = 0; i < burst.size(); ++i) {
        w[i] = burst[i];
    }
    EXPECT_GT(bw::analysis::EnergyShare(bw::analysis::SegmentSpectrum(w, 0.0, 10.0), 10000, 22050),
              0.95);
    EXPECT_LT(
        bw::analysis::EnergyShare(bw::analysis::SegmentSpectrum(w, 20.0, 200.0), 10000, 22050),
        0.001);
    EXPECT_NEAR(bw::analysis::BandRatioDb(bw::analysis::SegmentSpectrum(w, 0.0, 200.0), 10000,
                                          22050, 0, 1000),
                10.0 * std::log10(441.0 / (8820.0 - 441.0)), 1.0);
}

TEST(SoundFeatures, InharmonicShareCountsFoldedTonesNotOvertones)
{
    // Odd harmonics of 600 Hz (a square) and the same with a stray tone at 7321 Hz.
    Wave square(22050, 0.0), stray(22050, 0.0);
    for (int k = 1; k * 600 < 20000; k += 2) {
        const Wave h = Sine(square.size(), 600.0 * k, 0.0, 0.1);
        for (std::size_t i = 0; i < square.size(); ++i) {
            square[i] += h[i] / k;
        }
    }
    const Wave tone = Sine(stray.size(), 7321.0, 0.0, 0.1);
    for (std::size_t i = 0; i < stray.size(); ++i) {
        stray[i] = square[i] + 0.2 * tone[i];
    }
    EXPECT_LT(bw::analysis::InharmonicShareAbove(square, 5000.0), 0.01);
    EXPECT_GT(bw::analysis::InharmonicShareAbove(stray, 5000.0), 0.3);
}

TEST(SoundFeatures, SameWaveformAtAnyLevelOrOffsetCorrelatesFully)
{
    const Wave a = Noise(4000, 7);
    Wave b(4100, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        b[i + 100] = -0.3 * a[i];
    }
    EXPECT_NEAR(bw::analysis::MaxCrossCorrelation(a, b), 1.0, 1e-9);
    EXPECT_LT(bw::analysis::MaxCrossCorrelation(a, Noise(4000, 8)), 0.1);
}

TEST(SoundFeatures, FundamentalIsTheSettledPitch)
{
    // A kick-like glide from 150 Hz down to 50 Hz.
    Wave w(22050);
    double phase = 0.0;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const double t = static_cast<double>(i) / bw::analysis::Rate;
        w[i] = std::sin(phase) * std::exp(-t / 0.2);
        phase += 2.0 * Pi * (50.0 + 100.0 * std::exp(-t / 0.01)) / bw::analysis::Rate;
    }
    EXPECT_NEAR(bw::analysis::FundamentalHz(w), 50.0, 1.0);
}

TEST(SoundFeatures, ReRiseSeesASecondHitButNotAPlainDecay)
{
    const Wave decay = Sine(8820, 3000.0, 0.0, 0.02);
    EXPECT_LT(bw::analysis::ReRiseDb(decay), 0.5);
    Wave twice = decay;
    const Wave again = Sine(4410, 3000.0, 0.0, 0.02);
    for (std::size_t i = 0; i < again.size(); ++i) {
        twice[i + 3528] += 0.5 * again[i];
    }
    EXPECT_GT(bw::analysis::ReRiseDb(twice), 10.0);
}

TEST(SoundFeatures, StereoImageAndTruePeak)
{
    const Wave l = Noise(44100, 3);
    const Wave r = Noise(44100, 4);
    EXPECT_NEAR(bw::analysis::ChannelCorrelation(l, l), 1.0, 1e-12);
    EXPECT_LT(bw::analysis::SideToMidDb(l, l), -200.0);
    EXPECT_NEAR(bw::analysis::SideToMidDb(l, r), 0.0, 0.2);
    EXPECT_LT(std::fabs(bw::analysis::ChannelCorrelation(l, r)), 0.02);
    // A quarter-rate sine sampled 45 degrees off its crests: samples reach 0.707, the wave 1.
    const Wave s = Sine(4410, bw::analysis::Rate / 4.0, Pi / 4.0);
    EXPECT_NEAR(bw::analysis::TruePeakDb(s, s), 0.0, 0.1);
}

} // namespace
