#pragma once

#include "library/binary_io.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace bw::testing {

/// Builds RIFF/WAVE files chunk by chunk, in any order, with any declared sizes.
class WavBuilder
{
public:
    /// A chunk with its data, padded to an even size; declaredSize overrides the stored size.
    WavBuilder& chunk(const char* id,
                      const std::vector<std::uint8_t>& data,
                      std::optional<std::uint32_t> declaredSize = {})
    {
        ByteWriter w(m_body);
        w.bytes(id, 4);
        w.i32(static_cast<std::int32_t>(
            declaredSize.value_or(static_cast<std::uint32_t>(data.size()))));
        w.bytes(data.data(), data.size());
        if (data.size() % 2 == 1) {
            w.u8(0);
        }
        return *this;
    }
    WavBuilder& fmt(std::uint16_t tag,
                    std::uint16_t channels,
                    std::uint32_t rate,
                    std::uint16_t bits,
                    std::optional<std::uint16_t> blockAlign = {},
                    std::optional<std::uint32_t> avgBytes = {})
    {
        const auto align =
            blockAlign.value_or(static_cast<std::uint16_t>(channels * ((bits + 7) / 8)));
        std::vector<std::uint8_t> f;
        ByteWriter w(f);
        u16(w, tag);
        u16(w, channels);
        w.i32(static_cast<std::int32_t>(rate));
        w.i32(static_cast<std::int32_t>(avgBytes.value_or(rate * align)));
        u16(w, align);
        u16(w, bits);
        return chunk("fmt ", f);
    }
    WavBuilder& data(const std::vector<std::uint8_t>& bytes) { return chunk("data", bytes); }
    WavBuilder& list(const std::string& text)
    {
        std::vector<std::uint8_t> l{'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T'};
        ByteWriter w(l);
        w.i32(static_cast<std::int32_t>(text.size() + 1));
        w.text(text.c_str());
        w.u8(0);
        if (l.size() % 2 == 1) {
            w.u8(0);
        }
        return chunk("LIST", l);
    }

    /// "RIFF", the size (riffSize or the true one), "WAVE" and the chunks.
    std::vector<std::uint8_t> bytes(std::optional<std::uint32_t> riffSize = {}) const
    {
        std::vector<std::uint8_t> out;
        ByteWriter w(out);
        w.text("RIFF");
        w.i32(static_cast<std::int32_t>(
            riffSize.value_or(static_cast<std::uint32_t>(m_body.size() + 4))));
        w.text("WAVE");
        w.bytes(m_body.data(), m_body.size());
        return out;
    }

    static void u16(ByteWriter& w, std::uint16_t v)
    {
        w.u8(static_cast<std::uint8_t>(v));
        w.u8(static_cast<std::uint8_t>(v >> 8));
    }

private:
    std::vector<std::uint8_t> m_body;
};

/// Little-endian 16-bit sample bytes.
inline std::vector<std::uint8_t> pcm16(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> out;
    for (const std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

/// A canonical 44-byte-header WAV: 16-bit mono 44.1 kHz.
inline std::vector<std::uint8_t> canonicalWav(const std::vector<std::int16_t>& samples)
{
    return WavBuilder().fmt(1, 1, 44100, 16).data(pcm16(samples)).bytes();
}

/// A sine of the given frequency and amplitude (0..1 of full scale), rate samples per second.
inline std::vector<double> sine(double frequency, double rate, std::size_t count, double amplitude)
{
    std::vector<double> out(count);
    const double pi = std::acos(-1.0);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = amplitude * std::sin(2.0 * pi * frequency * static_cast<double>(i) / rate);
    }
    return out;
}

/// Frequency of a periodic signal from its rising zero crossings, interpolated between
/// samples: (crossings - 1) periods between the first and the last one.
inline double zeroCrossingFrequency(const std::vector<std::int16_t>& s, double rate)
{
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double a = s[i - 1];
            const double b = s[i];
            const double at = static_cast<double>(i - 1) + (-a) / (b - a);
            if (first < 0) {
                first = at;
            }
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return (crossings - 1) * rate / (last - first);
}

} // namespace bw::testing
