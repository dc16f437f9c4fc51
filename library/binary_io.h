#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace bw {

/// Thrown by the file readers and writers; the message names the file and the problem.
class FileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Raised by ByteReader when a read would run past the end of the data.
class ShortRead : public std::runtime_error
{
public:
    explicit ShortRead(std::size_t offset)
        : std::runtime_error("unexpected end of file at byte " + std::to_string(offset)),
          m_offset(offset)
    {}
    std::size_t offset() const { return m_offset; }

private:
    std::size_t m_offset;
};

/// Bounds-checked little-endian reader over a byte buffer.
class ByteReader
{
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    explicit ByteReader(const std::vector<std::uint8_t>& bytes)
        : m_data(bytes.data()), m_size(bytes.size())
    {}

    std::size_t pos() const { return m_pos; }
    std::size_t size() const { return m_size; }
    std::size_t remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }
    void seek(std::size_t pos) { m_pos = pos > m_size ? m_size : pos; }

    const std::uint8_t* take(std::size_t n)
    {
        if (n > remaining()) {
            throw ShortRead(m_pos);
        }
        const std::uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    void read(void* out, std::size_t n) { std::memcpy(out, take(n), n); }
    void skip(std::size_t n) { take(n); }

    std::int32_t i32()
    {
        const std::uint8_t* p = take(4);
        const std::uint32_t u =
            static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        return static_cast<std::int32_t>(u);
    }
    std::uint8_t u8() { return *take(1); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

/// Little-endian writer appending to a byte vector.
class ByteWriter
{
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    void text(const char* s) { bytes(s, std::strlen(s)); }
    void u8(std::uint8_t v) { m_out.push_back(v); }
    void zeros(std::size_t n) { m_out.insert(m_out.end(), n, 0); }
    void i32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16),
                                   static_cast<std::uint8_t>(u >> 24)};
        bytes(b, 4);
    }

private:
    std::vector<std::uint8_t>& m_out;
};

} // namespace bw
