#pragma once

// SHA-256 (FIPS 180-4) for fingerprinting test output; small and dependency-free, not tuned.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bw::testing {

class Sha256
{
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256() { reset(); }

    void reset()
    {
        m_state = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
        m_used = 0;
        m_totalBytes = 0;
    }

    void update(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_totalBytes += size;
        while (size > 0) {
            const std::size_t take = std::min(size, m_block.size() - m_used);
            for (std::size_t i = 0; i < take; ++i) {
                m_block[m_used + i] = p[i];
            }
            m_used += take;
            p += take;
            size -= take;
            if (m_used == m_block.size()) {
                compress();
                m_used = 0;
            }
        }
    }
    void update(std::string_view text) { update(text.data(), text.size()); }

    /// Pads, finishes and returns the digest; the object must be reset before reuse.
    Digest finish()
    {
        const std::uint64_t bits = m_totalBytes * 8;
        m_block[m_used++] = 0x80;
        if (m_used > 56) {
            fillZeros(m_block.size());
            compress();
            m_used = 0;
        }
        fillZeros(56);
        for (int i = 0; i < 8; ++i) {
            m_block[56 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(bits >> (56 - 8 * i));
        }
        compress();
        Digest out{};
        for (std::size_t i = 0; i < 8; ++i) {
            for (std::size_t b = 0; b < 4; ++b) {
                out[4 * i + b] = static_cast<std::uint8_t>(m_state[i] >> (24 - 8 * b));
            }
        }
        return out;
    }

    static std::string hex(const Digest& d)
    {
        static constexpr char Digits[] = "0123456789abcdef";
        std::string s;
        for (const auto byte : d) {
            s += Digits[byte >> 4];
            s += Digits[byte & 0x0F];
        }
        return s;
    }

    /// Lower-case hex digest of a whole buffer.
    static std::string hexOf(const void* data, std::size_t size)
    {
        Sha256 h;
        h.update(data, size);
        return hex(h.finish());
    }

private:
    static std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

    void fillZeros(std::size_t upTo)
    {
        while (m_used < upTo) {
            m_block[m_used++] = 0;
        }
    }

    void compress()
    {
        static constexpr std::array<std::uint32_t, 64> K = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        std::array<std::uint32_t, 64> w{};
        for (std::size_t i = 0; i < 16; ++i) {
            w[i] = (static_cast<std::uint32_t>(m_block[4 * i]) << 24) |
                   (static_cast<std::uint32_t>(m_block[4 * i + 1]) << 16) |
                   (static_cast<std::uint32_t>(m_block[4 * i + 2]) << 8) |
                   static_cast<std::uint32_t>(m_block[4 * i + 3]);
        }
        for (std::size_t i = 16; i < 64; ++i) {
            const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        std::uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
        for (std::size_t i = 0; i < 64; ++i) {
            const std::uint32_t s1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
            const std::uint32_t ch = (e & f) ^ (~e & g);
            const std::uint32_t t1 = h + s1 + ch + K[i] + w[i];
            const std::uint32_t s0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
            const std::uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
            const std::uint32_t t2 = s0 + maj;
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
        m_state[4] += e;
        m_state[5] += f;
        m_state[6] += g;
        m_state[7] += h;
    }

    std::array<std::uint32_t, 8> m_state{};
    std::array<std::uint8_t, 64> m_block{};
    std::size_t m_used = 0;
    std::uint64_t m_totalBytes = 0;
};

} // namespace bw::testing
