#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace bw {

/// A length byte followed by N single-byte characters, as names are held in records and files.
/// Bytes past the length carry no meaning but are kept, so a record read from a file is written
/// back unchanged. A length byte above N (only possible from a file) reads as N characters.
template <std::size_t N> struct ShortString
{
    static constexpr std::size_t Capacity = N;
    std::array<std::uint8_t, N + 1> raw{};

    ShortString() = default;
    ShortString(std::string_view s) { assign(s); } // NOLINT: implicit on purpose

    /// Stores s cut to its first N characters.
    void assign(std::string_view s)
    {
        const std::size_t n = std::min(s.size(), N);
        raw[0] = static_cast<std::uint8_t>(n);
        if (n > 0) { // an empty view may carry a null pointer
            std::memcpy(raw.data() + 1, s.data(), n);
        }
    }
    std::size_t length() const { return std::min<std::size_t>(raw[0], N); }
    bool empty() const { return length() == 0; }
    std::string str() const
    {
        return std::string(reinterpret_cast<const char*>(raw.data() + 1), length());
    }
    std::string_view view() const
    {
        return std::string_view(reinterpret_cast<const char*>(raw.data() + 1), length());
    }
    void clear() { raw[0] = 0; }

    friend bool operator==(const ShortString& a, const ShortString& b)
    {
        return a.view() == b.view();
    }
};

} // namespace bw
