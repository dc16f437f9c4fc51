#pragma once

// Small deterministic synthesis toolkit for the build-time generators: oscillators, noise,
// biquad filters, envelopes, loudness and the final conversion to 16-bit samples. Everything
// is plain double arithmetic in a fixed order, with a seeded xorshift generator for noise and
// its own exponential, sine and tanh (the C library's may round differently between builds,
// or be folded at compile time in an optimised build only), so every build type writes the
// same bytes.

#include <cstdint>
#include <vector>

namespace bw::tools {

constexpr int SampleRate = 44100;
constexpr double Pi = 3.14159265358979323846;

using Signal = std::vector<double>;

// ---- arithmetic -------------------------------------------------------------------------

/// e^x, within a few units in the last place.
double Exp(double x);
/// sin and cos of x radians (|x| below about 1e9).
double Sin(double x);
double Cos(double x);
double Tanh(double x);
/// The amplitude factor of db decibels.
double DbToGain(double db);

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
    /// A bell of gainDb around freq.
    static Biquad peaking(double freq, double q, double gainDb);
    /// A shelf that lifts (or cuts) everything above about freq by gainDb.
    static Biquad highShelf(double freq, double q, double gainDb);
    double process(double x);
    void processAll(Signal& s);
    /// Keeps the filter's state and takes the coefficients of other (for swept filters).
    void retune(const Biquad& other);

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

/// A square wave (about +1/-1) at freq Hz, starting at phase 0, with its edges rounded by
/// polynomial band-limited steps so its harmonics above the Nyquist frequency do not fold
/// back as inharmonic tones.
Signal Square(int length, double freq);

/// One exponentially decaying sine of a sum of partials: freq in Hz, peak amplitude amp,
/// decay time constant tau in seconds, starting phase in radians.
struct Partial
{
    double freq = 0.0;
    double amp = 0.0;
    double tau = 0.0;
    double phase = 0.0;
};

/// The sum of decaying partials (additive synthesis: no aliasing, partials at or above the
/// Nyquist frequency are left out). With glide > 0 every frequency starts (1 + glide) times
/// higher and settles with glideTau (seconds), as a struck membrane's pitch falls when its
/// tension relaxes.
Signal Partials(int length,
                const std::vector<Partial>& partials,
                double glide = 0.0,
                double glideTau = 1.0);

/// White noise from a seeded generator.
Signal WhiteNoise(int length, std::uint32_t seed);

/// Multiplies s by an exponential decay with a linear attack of attackMs.
void ApplyDecay(Signal& s, double attackMs, double tau);

/// Multiplies s by a two-stage decay: a fast fall (fastTau) from 1 down to the body, which
/// starts at bodyLevel and rings on with bodyTau; a linear attack of attackMs comes first.
void ApplyTwoStage(Signal& s, double attackMs, double fastTau, double bodyLevel, double bodyTau);

/// Low-pass filtering whose cut-off glides exponentially from f0 to f1 (time constant tau
/// in seconds); two sections give a 24 dB/octave slope.
void SweptLowPass(Signal& s, double f0, double f1, double tau, double q);

/// dst += src * gain, over the shorter of the two (src starts at offset in dst).
void MixInto(Signal& dst, const Signal& src, double gain, int offset = 0);

/// Holds the peaks of s at ceiling (1 = untouched): the gain comes down over the millisecond
/// before a peak and recovers with releaseMs, so a hit keeps its shape and loses only the tip
/// of its transient.
void LimitPeaks(Signal& s, double ceiling, double releaseMs);

/// Soft saturation: tanh(drive * x) / tanh(drive).
void Saturate(Signal& s, double drive);

/// Scales s so its largest magnitude is 1.
void Normalize(Signal& s);

/// The largest mean square of the K-weighted signal (the ear's weighting used by loudness
/// meters) over 400 ms windows: the loudness of a single hit as a power ratio.
double LoudnessPower(const Signal& s);

/// The length of the finished sounds' fade-in from exactly 0, in samples: a hit meant to be
/// sharp starts after it.
constexpr int FadeInSamples = 24;

/// The finished 16-bit sound: DC removed, a short fade-in from exactly 0, a fade-out of
/// fadeMs at the end, scaled so the peak sits at peak (16-bit units, at most TargetPeak).
std::vector<std::int16_t> Finish(Signal s, double fadeMs, double peak);
std::vector<std::int16_t> Finish(Signal s, double fadeMs);

/// The cleaned signal Finish converts, with its peak at 1.
Signal Clean(Signal s, double fadeMs);

/// 16-bit values of s scaled by scale, both ends exactly 0.
std::vector<std::int16_t> Quantize(const Signal& s, double scale);

/// The peak level of -1 dBFS in 16-bit units.
constexpr std::int16_t TargetPeak = 29204;

} // namespace bw::tools
