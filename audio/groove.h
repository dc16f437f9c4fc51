#pragma once

#include <cstdint>

namespace bw::audio {

/// Moves a position in the second half of a shuffle step toward the step's end. Positions
/// and blockLength share one unit (1/256 beat in the engine, pixels in the preview).
/// Throws std::domain_error for a grid of 0 or a step of 0 (grid larger than the block).
std::int32_t ShuffledPosition(std::int32_t position,
                              std::int32_t blockLength,
                              std::int32_t amount,
                              std::int32_t grid);

} // namespace bw::audio
