#pragma once

#include <cstdint>

namespace bw::audio {

/// How one voice is added to the block: gain g = volume × 4 / 5, and the pan weights
/// (0..1000) of the left and right channel in stereo.
struct MixGain
{
    std::int32_t g = 0;
    std::int32_t leftWeight = 1000;
    std::int32_t rightWeight = 1000;
    bool stereo = true;
};

/// Pan weights of a voice pan 0..2000 (1000 = centre).
inline void PanWeights(std::int32_t pan, std::int32_t& left, std::int32_t& right)
{
    if (pan > 1000) {
        left = 2000 - pan;
        right = 1000;
    } else if (pan < 1000) {
        left = 1000;
        right = pan;
    } else {
        left = 1000;
        right = 1000;
    }
}

/// Adds count samples to count interleaved stereo frames starting at frames[0], with 16-bit
/// saturation per channel; returns the number of saturated values. The reference for the
/// mixing arithmetic.
std::int32_t MixRunScalar(std::int16_t* frames,
                          const std::int16_t* samples,
                          std::int32_t count,
                          const MixGain& gain);

/// The same result, eight frames at a time where the processor allows.
std::int32_t
MixRun(std::int16_t* frames, const std::int16_t* samples, std::int32_t count, const MixGain& gain);

/// MixRun into frames, and the same values added to stem (saturating on their own, counted
/// nowhere) in the same pass; returns the saturated value count of frames.
std::int32_t MixRunWithStem(std::int16_t* frames,
                            std::int16_t* stem,
                            const std::int16_t* samples,
                            std::int32_t count,
                            const MixGain& gain);

/// Whether MixRun uses the vector kernel on this machine.
bool MixRunIsVectorised();

} // namespace bw::audio
