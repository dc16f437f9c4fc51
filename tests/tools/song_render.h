#pragma once

// Renders the generated starter song through the program's own engine, as the render command
// does, optionally with some of the library's sounds silenced: a stem is the song with every
// other sound replaced by silence of the same length, so voices, chokes and echoes stay as
// they are in the full mix.

#include "tests/tools/sound_analysis.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bw::analysis {

struct StereoRender
{
    Wave left;
    Wave right;
    std::int64_t clips = -1; // saturated values; -1 when the render failed
    std::string failure;
};

/// Renders folder/default.bwp with folder/default.slb: the whole song (pattern < 0) or one
/// pattern. Only the sounds named in audible play; all of them when audible is empty.
StereoRender RenderDefaultSong(const std::string& folder,
                               const std::vector<std::string>& audible = {},
                               int pattern = -1);

/// The sound of each track of the starter song in its first pattern, in track order, read
/// from its file.
std::vector<std::string> DefaultSongTrackSounds(const std::string& folder);

/// What one track of the starter song plays over its whole arrangement.
struct TrackUse
{
    std::vector<std::string> sounds; // every sound it plays, in the order they first play
    int hits = 0;                    // events played, counted each time a pattern plays
    int waveforms = 0;               // distinct sound and pitch pairs among them
    double mostUsedShare = 0.0;      // share of the hits that play the commonest pair
    std::vector<int> pitches;        // distinct pitches (semitones), ascending
};

/// Each track's use, in track order. Throws when two tracks play the same sound, which
/// would make their stems inseparable.
std::vector<TrackUse> DefaultSongTrackUse(const std::string& folder);

/// How many patterns the starter song holds.
int DefaultSongPatternCount(const std::string& folder);

/// The samples of one sound of folder/default.slb (empty when it is missing).
std::vector<std::int16_t> DefaultKitSound(const std::string& folder, const std::string& name);

/// The names of every sound in folder/default.slb, in library order.
std::vector<std::string> DefaultKitNames(const std::string& folder);

} // namespace bw::analysis
