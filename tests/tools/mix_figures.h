#pragma once

// The voicing figures of one kit sound and the mix figures of the starter song, computed
// from the generated files; shared by the tests and the mix_report tool.

#include "tests/tools/song_render.h"
#include "tests/tools/sound_analysis.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bw::analysis {

struct SoundFigures
{
    double peakDb = 0.0; // dBFS
    double lengthMs = 0.0;
    double fallDbPerSecond = 0.0; // over the 30 ms after the peak
    double t40Ms = 0.0;           // until it stays 40 dB under its peak
    double margin45Ms = 0.0;      // from staying 45 dB under its peak to the last sample
    double attackMs = 0.0;        // 10 % to 90 % of the peak
    double loudness = 0.0;        // largest 400 ms loudness, LUFS
    SpectrumShares shares;
};

SoundFigures MeasureSound(const std::vector<std::int16_t>& samples);

/// One track of the song alone: every sound it plays audible, all others silent.
struct StemFigures
{
    std::string sound;               // what the track plays in the first pattern
    std::vector<std::string> sounds; // everything it plays over the song
    double loudness = 0.0;           // integrated, LUFS
    double energyShare = 0.0;        // of the whole song's energy
    double sideShare = 0.0;          // its side energy against the whole song's mid energy
    double octave125Share = 0.0; // its energy in the 125 Hz octave against the song's (if asked)
    std::vector<double> atPeaks; // its value at each of the song's loudest moments
};

/// One of the song's loudest samples: where, which channel, and how high.
struct PeakMoment
{
    std::size_t index = 0;
    bool left = true;
    double value = 0.0;
};

/// A 10 ms window of the kick and bass stems counts as "both sound" when each is at least
/// this loud in the 30-120 Hz band (a full-scale sine is 0 dBFS).
constexpr double BothSoundFloorDbfs = -50.0;

struct MixFigures
{
    std::int64_t songClips = -1;
    std::vector<std::int64_t> patternClips;
    double songPeakDb = 0.0;
    std::vector<PeakMoment> loudest; // the highest peaks, at least 100 ms apart, highest first
    double songTruePeakDb = 0.0;     // dBTP
    double songLoudness = 0.0;       // integrated, LUFS
    double sideToMidDb = 0.0;
    double correlation = 1.0;       // of the left and right channels
    double octave16kOver8kDb = 0.0; // the 16 kHz octave's energy against the 8 kHz octave's
    double octave125ShareDb = 0.0;  // the 125 Hz octave's energy against the whole song's
    std::vector<StemFigures> stems; // in track order
    std::vector<TrackUse> tracks;   // in track order
    double kickLoudness = 0.0;      // of the first track, the kick
    Coincidence kickBass;
    double loopDipDb = 0.0; // deepest short dip of the groove loop's 30-120 Hz level
    double loopDipMs = 0.0;
};

/// Renders and measures the starter song in folder. trackSpectra adds each track's share of
/// the 125 Hz octave (a transform of every stem, slow in unoptimised builds).
MixFigures MeasureMix(const std::string& folder, bool trackSpectra = false);

/// The stem of the track playing sound, by name; throws when there is none.
const StemFigures& Stem(const MixFigures& mix, const std::string& sound);

/// The deepest dip of the 30-120 Hz level of a sound: in 10 ms windows, how far a window
/// falls below the louder neighbours on both sides (within 30 ms), where those neighbours
/// are above -40 dBFS.
double DeepestLowDip(const std::vector<std::int16_t>& samples, double& atMs);

} // namespace bw::analysis
