#include "audio/groove.h"

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
    return n * step + (2 * h - 2) - ((100 - amount) * (2 * h - r)) / 100;
}

} // namespace bw::audio
