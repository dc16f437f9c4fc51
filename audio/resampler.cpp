#include "audio/resampler.h"

#include <algorithm>

namespace bw::audio {

float PitchFactor(int semitones)
{
    // Each step is taken in extended precision and stored back in single precision, so the
    // factor carries the same rounding at every pitch on every run.
    semitones = std::clamp(semitones, -MaxPitchSemitones, MaxPitchSemitones);
    float x = 1.0F;
    if (semitones > 0) {
        for (int i = 0; i < semitones; ++i) {
            x = static_cast<float>(static_cast<long double>(x) * 1.059463094L);
        }
    } else {
        for (int i = 0; i < -semitones; ++i) {
            x = static_cast<float>(static_cast<long double>(x) * 0.9438743130017891874L);
        }
    }
    return static_cast<float>(1.0L / static_cast<long double>(x));
}

std::int64_t PitchedLength(float factor, std::int32_t L)
{
    const long double n = static_cast<long double>(factor) * static_cast<long double>(L);
    // Factors within ±MaxPitchSemitones give at most 256 × L; anything else (not a number, or
    // beyond the 64-bit range) is no length at all.
    if (!(n >= 0.0L) || n >= 9.0e18L) {
        return 0;
    }
    return static_cast<std::int64_t>(n);
}

void Resample(const std::int16_t* source,
              std::int32_t L,
              std::int16_t* copy,
              std::int32_t n,
              bool interpolate)
{
    if (n <= 0) {
        return;
    }
    const long double r = static_cast<long double>(L) / static_cast<long double>(n);
    for (std::int32_t b = 0; b < n; ++b) {
        const long double pos = r * static_cast<long double>(b);
        const auto i = static_cast<std::int32_t>(pos);
        if (!interpolate) {
            copy[b] = source[i];
            continue;
        }
        const auto f = static_cast<std::int32_t>(static_cast<long long>(pos * 1000.0L) % 1000);
        const auto a = static_cast<std::int16_t>((1000 - f) * source[i] / 1000);
        // The next sample exists whenever f is not 0; a one-sample source has none.
        const std::int32_t next = std::min(i + 1, L);
        const auto c = static_cast<std::int16_t>(source[next] * f / 1000);
        copy[b] = static_cast<std::int16_t>(a + c);
    }
}

} // namespace bw::audio
