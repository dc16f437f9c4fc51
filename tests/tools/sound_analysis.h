#pragma once

// Measurements of drum sounds and mixes, in plain double arithmetic: envelope and decay
// figures, spectrum shares from an FFT, K-weighted loudness and band levels. Samples are
// 16-bit values scaled to [-1, 1).

#include <complex>
#include <cstdint>
#include <vector>

namespace bw::analysis {

constexpr double Rate = 44100.0;

using Wave = std::vector<double>;

Wave FromInt16(const std::vector<std::int16_t>& s);

/// dB of a power ratio / an amplitude ratio; very small values give -300.
double PowerDb(double power);
double AmplitudeDb(double amplitude);

// ---- envelope ---------------------------------------------------------------------------

/// Index of the largest magnitude (the first one if several).
std::size_t PeakIndex(const Wave& w);

/// The largest magnitude within +-5 ms of sample i, in dB relative to the sound's peak.
double LevelAround(const Wave& w, std::size_t i);

/// How fast the sound falls right after its peak: the level drop from the peak to the level
/// around 30 ms later, in dB per second.
double InitialFallDbPerSecond(const Wave& w);

/// Seconds from the peak until the sound stays below the peak by dB for good (the last
/// sample louder than that), or the time to the end when it never gets there.
double TimeToFall(const Wave& w, double dB);

/// Milliseconds between the last sample louder than peak - dB and the last sample.
double MarginAfterFallMs(const Wave& w, double dB);

/// Rise time of the running peak from 10 % to 90 % of the sound's peak, in milliseconds.
double AttackMs(const Wave& w);

// ---- spectrum ---------------------------------------------------------------------------

/// In-place radix-2 FFT; a.size() must be a power of two.
void Fft(std::vector<std::complex<double>>& a);

/// Energy per FFT bin of the whole sound (zero-padded to a power of two); bin k is at
/// k * Rate / size Hz with size = 2 * (result.size() - 1).
std::vector<double> PowerSpectrum(const Wave& w);

/// The energy per bin of both channels together (the left's and the right's power summed), as
/// PowerSpectrum gives each, from a single transform.
std::vector<double> StereoPowerSpectrum(const Wave& left, const Wave& right);

struct SpectrumShares
{
    double centroidHz = 0.0;
    double below2k = 0.0;   // share of the energy under 2 kHz
    double above4k = 0.0;   // share above 4 kHz
    double octave16k = 0.0; // share in the octave around 16 kHz (11.3 kHz and up)
    double band500to1k = 0.0;
};

SpectrumShares Shares(const Wave& w);

/// The whole energy of a power spectrum (every bin but DC).
double SpectrumEnergy(const std::vector<double>& power);

/// Share of the energy between lo and hi Hz.
double EnergyShare(const std::vector<double>& power, double lo, double hi);

// ---- loudness ---------------------------------------------------------------------------

/// K-weighting: the head's high-frequency lift and the low-frequency roll-off that loudness
/// meters use, as two biquads at 44100 Hz.
Wave KWeighted(const Wave& w);

/// The largest K-weighted loudness over 400 ms windows (LUFS), for a single sound.
double MaxMomentaryLoudness(const Wave& w);

/// Integrated loudness of a stereo signal with the absolute (-70 LUFS) and relative (-10 LU)
/// gates over 400 ms blocks every 100 ms. -300 when nothing passes the gates.
double IntegratedLoudness(const Wave& left, const Wave& right);

// ---- bands ------------------------------------------------------------------------------

/// Fourth-order Butterworth band between lo and hi Hz (two high-pass and two low-pass
/// sections).
Wave BandPass(const Wave& w, double lo, double hi);

/// Mean square of consecutive windows of n samples.
std::vector<double> WindowPower(const Wave& w, std::size_t n);

/// How two signals add up where both sound: over windows of windowMs, in the band lo..hi,
/// the level of their sum relative to the louder of the two alone.
struct Coincidence
{
    int windows = 0;           // windows where both are above the floor
    double shareWithin3dB = 1; // share of those where the sum is at most 3 dB under
    double worstDb = 0;        // lowest sum-minus-louder, dB
    double worstAtSeconds = 0; // where it happens
};

Coincidence
CompareSum(const Wave& a, const Wave& b, double lo, double hi, double windowMs, double floorDbfs);

} // namespace bw::analysis
