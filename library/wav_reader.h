#pragma once

#include "library/riff_reader.h"

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace bw::library {

/// A failure of TWAVSource; the message is the reader's own (German) text.
class WavSourceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// The "fmt " chunk as TWAVSource keeps it: a wave format header, then room for the ADPCM
/// extension with up to 7 coefficient pairs.
struct WaveFormatBlock
{
    static constexpr std::size_t Size = 50;
    std::array<std::uint8_t, Size> raw{};

    std::uint16_t formatTag() const { return u16(0); }
    std::uint16_t channels() const { return u16(2); }
    std::uint32_t samplesPerSec() const { return u32(4); }
    std::uint32_t avgBytesPerSec() const { return u32(8); }
    std::uint16_t blockAlign() const { return u16(12); }
    std::uint16_t bitsPerSample() const { return u16(14); }
    std::uint16_t extraSize() const { return u16(16); }

private:
    std::uint16_t u16(std::size_t at) const
    {
        return static_cast<std::uint16_t>(raw[at] | (raw[at + 1] << 8));
    }
    std::uint32_t u32(std::size_t at) const
    {
        return static_cast<std::uint32_t>(u16(at)) |
               (static_cast<std::uint32_t>(u16(at + 2)) << 16);
    }
};

/// Reads RIFF/WAVE files with PCM (tag 1) or Microsoft ADPCM (tag 2) data: keeps the format
/// and hands out the stored bytes of the "data" chunk in pieces, within a playing window
/// [StartPos, EndPos] and from a read position, all in milliseconds. It does not decode.
/// Belongs to the thread that made it.
class TWAVSource
{
public:
    static constexpr std::uint16_t FormatPcm = 1;
    static constexpr std::uint16_t FormatAdpcm = 2;

    /// name is used in the messages of accessors called while no file is open.
    explicit TWAVSource(std::string name = {});
    ~TWAVSource();
    TWAVSource(const TWAVSource&) = delete;
    TWAVSource& operator=(const TWAVSource&) = delete;

    /// The file that Open reads; takes effect at the next Open.
    std::string FileName;

    /// Opens and parses FileName. Throws WavSourceError; the reader is closed after a failure.
    void Open();
    /// As Open, on bytes from source (FileName only names them in messages).
    void OpenSource(std::unique_ptr<ByteSource> source);
    void Close();
    bool isOpen() const { return m_riff != nullptr; }

    /// Copies up to count bytes of the data chunk from the read position; never more than
    /// remaining() and never bytes outside the data chunk. Returns the bytes copied, or -1
    /// when no file is open.
    std::int32_t Read(void* buffer, std::int32_t count);

    std::int32_t StartPos() const { return m_startPos; }
    /// Stores the start of the playing window and moves the read position to it.
    void setStartPos(std::int32_t ms);
    std::int32_t EndPos() const { return m_endPos; }
    /// Stores the end of the playing window; remaining() follows at the next setPosition.
    void setEndPos(std::int32_t ms);
    /// Playing time of the data in milliseconds (mono files; less for more channels).
    std::int32_t Length() const { return m_length; }
    /// The read position in milliseconds from the first data byte.
    std::int32_t Position() const;
    /// Moves the read position, clamped into [StartPos, EndPos], and sets remaining() to the
    /// bytes from there to the end of the window.
    void setPosition(std::int32_t ms);

    std::int32_t SamplesPerSec() const;
    std::int32_t BitsPerSample() const;
    std::int32_t Channels() const;

    /// Format tag of the open file (1 PCM, 2 ADPCM).
    std::uint16_t FormatTag() const { return m_format.formatTag(); }
    const WaveFormatBlock& format() const { return m_format; }
    /// Sample frames: from the "fact" chunk (ADPCM) or computed from the data size (PCM).
    std::int64_t sampleCount() const { return m_sampleCount; }
    std::int64_t dataSize() const { return m_dataSize; }
    std::int64_t dataOffset() const { return m_dataOffset; }
    /// Bytes Read may still deliver.
    std::int64_t remaining() const { return m_remaining; }

private:
    void requireOpen(const char* accessor) const;
    [[noreturn]] void failOpen(const char* text);
    void parse();
    /// Bytes for a time: rounded, then lowered to a whole number of blocks.
    std::int64_t bytesFor(std::int64_t ms) const;

    std::string m_name;
    std::int32_t m_startPos = 0;
    std::int32_t m_endPos = 0;
    std::int32_t m_length = 0;
    std::unique_ptr<RiffReader> m_riff;
    std::int64_t m_sampleCount = 0;
    std::int64_t m_dataSize = 0;
    std::int64_t m_dataOffset = 0;
    WaveFormatBlock m_format;
    std::int64_t m_remaining = 0;
};

} // namespace bw::library
