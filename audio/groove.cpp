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
