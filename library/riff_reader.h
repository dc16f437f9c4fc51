#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bw::library {

/// Random access to the bytes of a file or of a buffer. Reads never go past the end.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t size() const = 0;
    /// Copies up to n bytes starting at offset into out; fewer at the end, 0 past it or for a
    /// negative offset. Throws FileError when the underlying file cannot be read.
    virtual std::size_t readAt(std::int64_t offset, void* out, std::size_t n) = 0;
};

/// Opens a file for reading. Throws FileError with the system's reason ("No such file or
/// directory", ...) when it cannot be opened or is not a regular file.
std::unique_ptr<ByteSource> openFileSource(const std::string& path);
/// A source over a copy of the bytes.
std::unique_ptr<ByteSource> memorySource(std::vector<std::uint8_t> bytes);

/// The four-character code of a chunk id as it is stored (first character in the low byte).
constexpr std::uint32_t fourCC(const char (&s)[5])
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24);
}

/// One chunk found by RiffReader::descend.
struct RiffChunk
{
    std::uint32_t id = 0;
    std::uint32_t size = 0;     // bytes after the 8-byte header, as stored (pad byte excluded)
    std::uint32_t formType = 0; // "RIFF" and "LIST" chunks: the form or list type; else 0
    /// File offset of the first byte after the header. For "RIFF" and "LIST" chunks this is
    /// the form type, which size includes.
    std::int64_t dataOffset = 0;

    /// File offset just past the chunk's declared data (its pad byte not included).
    std::int64_t end() const { return dataOffset + static_cast<std::int64_t>(size); }
};

/// Walks the chunks of a RIFF file: descend into a chunk (optionally searching for one by its
/// id), ascend out of it to the next, read and seek. Every read is checked against the end of
/// the file; declared sizes are taken as they are stored (64-bit offsets, so no size
/// overflows), and a caller compares them with the file or the parent when that matters.
class RiffReader
{
public:
    /// The source may be shared with another reader of the same bytes.
    explicit RiffReader(std::shared_ptr<ByteSource> source);

    /// Reads the chunk header at the current position and moves to the chunk's data (past the
    /// form type of a "RIFF" or "LIST" chunk). With a parent, a header must lie wholly inside
    /// the parent's declared data. False, with the position unchanged, when no whole header
    /// is there (end of the parent or of the file).
    bool descend(RiffChunk& chunk, const RiffChunk* parent = nullptr);
    /// Descends into the first chunk from the current position whose id is id (and, when
    /// formType is not 0, whose form type is formType), ascending out of the chunks before it.
    /// False when there is none; the position is then past the last chunk looked at.
    bool descendTo(RiffChunk& chunk,
                   std::uint32_t id,
                   std::uint32_t formType = 0,
                   const RiffChunk* parent = nullptr);
    /// Moves to the first byte after the chunk and its pad byte (chunks start at even sizes).
    void ascend(const RiffChunk& chunk);

    /// Reads up to n bytes at the current position and moves past them; fewer at the end of
    /// the file. Throws FileError on a failing file.
    std::size_t read(void* out, std::size_t n);
    /// Moves to an absolute offset; false (position unchanged) for a negative one. Offsets past
    /// the end are allowed: reads there return 0 bytes.
    bool seek(std::int64_t offset);
    std::int64_t tell() const { return m_pos; }
    std::int64_t fileSize() const { return m_size; }

private:
    std::shared_ptr<ByteSource> m_source;
    std::int64_t m_size = 0;
    std::int64_t m_pos = 0;
};

} // namespace bw::library
