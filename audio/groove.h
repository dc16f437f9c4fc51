#pragma once

#include <cstdint>

namespace bw::audio {

/// Moves a position in the second half of a shuffle step toward the step's end. Positions
/// and blockLength share one unit (1/256 beat in the engine, pixels in the preview); a grid of
/// 1 is one step per beat, so the off-beat eighth moves.
/// Throws std::domain_error for a grid of 0 or a step of 0 (grid larger than the block).
std::int32_t ShuffledPosition(std::int32_t position,
                              std::int32_t blockLength,
                              std::int32_t amount,
                              std::int32_t grid);

/// Where one event occurrence lies, for humanize: the same key always gives the same offsets,
/// whichever run (playback or export) renders it.
struct HumanizeKey
{
    std::uint64_t seed = 0;
    std::int32_t pattern = 0;
    std::int32_t track = 0;
    std::int32_t slot = 0;
    /// Which pass of the pattern: the song beat its placement starts at, or the count of
    /// passes since the pattern began to play alone.
    std::int32_t pass = 0;
};

/// A 64-bit hash of the key (no state of its own, no random generator).
std::uint64_t HumanizeHash(const HumanizeKey& key);

/// An offset in -range..range drawn from hash: the difference of two uniform draws, so small
/// offsets are likelier than large ones and the mean is 0. lane picks independent draws from
/// one hash (0 for timing, 1 for volume). A range of 0 or less gives 0.
std::int32_t HumanizeOffset(std::uint64_t hash, std::int32_t range, int lane);

/// The humanize timing range in 1/256 beat for ms milliseconds in a beat of framesPerBeat
/// frames at 44100 Hz: the largest whole number of units that is not longer than ms.
std::int32_t HumanizeTimingUnits(std::int32_t ms, std::int32_t framesPerBeat);

/// volume moved by up to percent % of itself as the hash says, kept within 1..10000.
std::int32_t HumanizedVolume(std::uint64_t hash, std::int32_t volume, std::int32_t percent);

} // namespace bw::audio
