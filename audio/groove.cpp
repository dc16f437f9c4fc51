#include "audio/groove.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace bw::audio {

std::int32_t ShuffledPosition(std::int32_t position,
                              std::int32_t blockLength,
                              std::int32_t amount,
                              std::int32_t grid)
{
    if (amount == 0) {
        return position;
    }
    if (grid == 0) {
        throw std::domain_error("shuffle grid of 0");
    }
    const std::int32_t step = blockLength / grid;
    if (step == 0) {
        throw std::domain_error("shuffle step of 0");
    }
    const std::int32_t n = position / step;
    const std::int32_t r = position - n * step;
    const std::int32_t h = step / 2;
    if (r < h) {
        return position;
    }
    // 64-bit: an amount a file sets far outside 0..100 must not overflow.
    const std::int64_t moved = static_cast<std::int64_t>(n) * step + (2 * h - 2) -
                               ((100 - static_cast<std::int64_t>(amount)) * (2 * h - r)) / 100;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        moved, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace bw::audio

namespace bw::audio {

namespace {

/// The finaliser of SplitMix64: every input bit reaches every output bit.
std::uint64_t Mix64(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return x;
}

std::uint64_t Absorb(std::uint64_t h, std::int32_t v)
{
    return Mix64(
        h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(v)) + 0x9E3779B97F4A7C15ULL));
}

/// A uniform draw in 0..n - 1 from 32 bits (the multiply-shift reduction: no division, and a
/// bias below n / 2^32).
std::uint32_t Below(std::uint32_t bits, std::uint32_t n)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(bits) * n) >> 32);
}

} // namespace

std::uint64_t HumanizeHash(const HumanizeKey& key)
{
    std::uint64_t h = Mix64(key.seed ^ 0x6A09E667F3BCC909ULL);
    h = Absorb(h, key.pattern);
    h = Absorb(h, key.track);
    h = Absorb(h, key.slot);
    return Absorb(h, key.pass);
}

std::int32_t HumanizeOffset(std::uint64_t hash, std::int32_t range, int lane)
{
    if (range <= 0) {
        return 0;
    }
    const std::uint64_t bits = lane == 0 ? hash : Mix64(hash + static_cast<std::uint64_t>(lane));
    const auto n = static_cast<std::uint32_t>(range) + 1;
    const auto a = static_cast<std::int32_t>(Below(static_cast<std::uint32_t>(bits), n));
    const auto b = static_cast<std::int32_t>(Below(static_cast<std::uint32_t>(bits >> 32), n));
    return a - b;
}

std::int32_t HumanizeTimingUnits(std::int32_t ms, std::int32_t framesPerBeat)
{
    if (ms <= 0 || framesPerBeat <= 0) {
        return 0;
    }
    // units = ms / 1000 * 44100 / framesPerBeat * 256, rounded down so no offset is longer
    // than ms.
    return static_cast<std::int32_t>(static_cast<std::int64_t>(ms) * 44100 * 256 /
                                     (static_cast<std::int64_t>(framesPerBeat) * 1000));
}

std::int32_t HumanizedVolume(std::uint64_t hash, std::int32_t volume, std::int32_t percent)
{
    // In hundredths of a percent, so a soft event moves by as fine steps as a loud one.
    const std::int32_t offset = HumanizeOffset(hash, percent * 100, 1);
    const std::int64_t moved =
        static_cast<std::int64_t>(volume) + static_cast<std::int64_t>(volume) * offset / 10000;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, 1, 10000));
}

} // namespace bw::audio
