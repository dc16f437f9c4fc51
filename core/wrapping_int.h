#pragma once

#include <cstdint>

namespace bw::core {

/// 32-bit arithmetic that wraps like the machine's 32-bit add and multiply instead of
/// overflowing, for sums and products of values a file can set.
inline std::int32_t WrapAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t WrapMul(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(a) * b));
}

} // namespace bw::core
