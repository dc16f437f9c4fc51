#pragma once

#include <cstdint>

namespace bw::audio {

/// The pitch the engine resamples with stays within ±MaxPitchSemitones (eight octaves): far
/// past that a sound is inaudible, and each semitone costs a step of the factor and doubles the
/// copy's length every octave down.
constexpr int MaxPitchSemitones = 96;

/// The playback-speed factor for a pitch in semitones, in single precision at every step
/// (+12 gives 0.49999988, -12 about 2). Pitches beyond ±MaxPitchSemitones count as the limit.
float PitchFactor(int semitones);

/// Resamples source[0..L] (L = index of the last source sample) to n samples in copy.
/// With interpolation the neighbours are mixed by the thousandths of the position.
void Resample(const std::int16_t* source,
              std::int32_t L,
              std::int16_t* copy,
              std::int32_t n,
              bool interpolate);

/// Trunc(factor × L) computed in extended precision; 64-bit, since eight octaves down a long
/// sound's copy has more samples than a 32-bit count holds.
std::int64_t PitchedLength(float factor, std::int32_t L);

} // namespace bw::audio
