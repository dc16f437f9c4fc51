#pragma once

// Finer measurements of drum sounds and mixes: the spectrum of a stretch of a sound, spectral
// flatness and peakiness, inharmonic energy, how alike two sounds are, the settled pitch of a
// drum, a second rise after the first fall, and the stereo image and true peak of a mix.

#include "tests/tools/sound_analysis.h"

#include <vector>

namespace bw::analysis {

/// Energy per FFT bin of the samples from fromMs to toMs (counted from the first sample), with
/// short raised-cosine tapers at the cut ends so the cut itself adds no splatter; a stretch
/// that begins at the first sample keeps its start as it is.
std::vector<double> SegmentSpectrum(const Wave& w, double fromMs, double toMs);

/// Energy between lo and hi Hz over the energy between lo2 and hi2 Hz, in dB.
double BandRatioDb(const std::vector<double>& power, double lo, double hi, double lo2, double hi2);

/// Averaged spectrum (Hann frames of 2048 samples, half overlapping): a steady estimate of
/// the spectral shape, bin k at k * Rate / 2048 Hz.
std::vector<double> WelchSpectrum(const Wave& w);

/// Geometric over arithmetic mean of the bins between lo and hi Hz: 1 for white noise in a
/// steady estimate, towards 0 for a few tones.
double SpectralFlatness(const std::vector<double>& power, double lo, double hi);

/// How far the strongest bin between lo and hi Hz stands above the median bin there, in dB.
double PeakOverMedianDb(const std::vector<double>& power, double lo, double hi);

/// Share of the energy above fromHz that lies away from the harmonics (within 25 Hz of a
/// whole multiple) of the sound's two strongest tones between 300 Hz and 2 kHz: aliasing and
/// noise, as opposed to the overtones of the tones themselves. The spectrum is taken over the
/// whole sound under a Hann window, so that the spread a fast decay gives every harmonic stays
/// close to it.
double InharmonicShareAbove(const Wave& w, double fromHz);

/// The largest normalised cross-correlation of two sounds over every lag: 1 for the same
/// waveform (whatever its level or offset), near 0 for unrelated noise.
double MaxCrossCorrelation(const Wave& a, const Wave& b);

/// The settled pitch of a drum: the strongest frequency between 20 and 250 Hz once the first
/// 30 ms after the peak have passed.
double FundamentalHz(const Wave& w);

/// After the first fall, how far the level (5 ms windows) rises again above the quietest
/// window before it, in dB: a second strike or a rattle that swells again.
double ReRiseDb(const Wave& w);

/// The largest magnitude of either channel with the samples in between reconstructed (four
/// times oversampled), in dBTP.
double TruePeakDb(const Wave& left, const Wave& right);

/// Energy of the side signal (L - R) / 2 over that of the mid (L + R) / 2, in dB.
double SideToMidDb(const Wave& left, const Wave& right);

/// Correlation of the left and right channels: 1 for mono.
double ChannelCorrelation(const Wave& left, const Wave& right);

} // namespace bw::analysis
