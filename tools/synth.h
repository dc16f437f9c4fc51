#pragma once

// Small deterministic synthesis toolkit for the build-time generators: oscillators, noise,
// biquad filters, envelopes and the final conversion to 16-bit samples. Everything is plain
// double arithmetic in a fixed order, with a seeded xorshift generator for noise, so the same
// build produces the same bytes every time.

#include <cstdint>
#include <vector>

namespace bw::tools {

constexpr int SampleRate = 44100;
constexpr double Pi = 3.14159265358979323846;

using Signal = std::vector<double>;

/// Samples in ms milliseconds (rounded down).
int SamplesFor(double ms);

/// xorshift32 noise; the same seed always gives the same sequence.
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : m_state(seed == 0 ? 0x9E3779B9u : seed) {}
    /// Uniform value in [-1, 1).
    double next();

private:
    std::uint32_t m_state;
};

/// Transposed direct-form II biquad with coefficients from the usual audio cookbook formulas.
class Biquad
{
public:
    static Biquad lowPass(double freq, double q);
    static Biquad highPass(double freq, double q);
    static Biquad bandPass(double freq, double q); // 0 dB peak gain
    double process(double x);
    void processAll(Signal& s);

private:
    static Biquad fromRaw(double b0, double b1, double b2, double a0, double a1, double a2);
    double m_b0 = 1.0, m_b1 = 0.0, m_b2 = 0.0, m_a1 = 0.0, m_a2 = 0.0;
    double m_z1 = 0.0, m_z2 = 0.0;
};

/// exp(-t / tau): t and tau in seconds.
double Decay(double t, double tau);

/// A sine whose frequency glides exponentially from f0 towards f1 with time constant tau
/// (seconds); the phase is integrated so the glide has no steps.
Signal SweptSine(int length, double f0, double f1, double tau, double phase0 = 0.0);

/// A naive square wave (values +1/-1) at freq Hz, starting at phase 0.
Signal Square(int length, double freq);

/// White noise from a seeded generator.
Signal WhiteNoise(int length, std::uint32_t seed);

/// Multiplies s by an exponential decay with a linear attack of attackMs.
void ApplyDecay(Signal& s, double attackMs, double tau);

/// dst += src * gain, over the shorter of the two (src starts at offset in dst).
void MixInto(Signal& dst, const Signal& src, double gain, int offset = 0);

/// Soft saturation: tanh(drive * x) / tanh(drive).
void Saturate(Signal& s, double drive);

/// The finished 16-bit sound: DC removed, a short fade-in from exactly 0, a fade-out of
/// fadeMs at the end, scaled so the peak sits at -1 dBFS.
std::vector<std::int16_t> Finish(Signal s, double fadeMs);

/// The peak level of -1 dBFS in 16-bit units.
constexpr std::int16_t TargetPeak = 29204;

} // namespace bw::tools
