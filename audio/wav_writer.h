#pragma once

#include <cstdint>
#include <string>

namespace bw::audio {

/// Writes a 16-bit PCM WAV file block by block: a 44-byte header with provisional sizes,
/// appended blocks, and a close that writes the real sizes.
class WavWriter
{
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    /// Creates the file and writes the header. Returns false (and remembers the failure) when
    /// the file cannot be created or written; later block writes then fail.
    bool WriteWavHeader(const std::string& fileName,
                        int channels,
                        std::int32_t provisionalSize,
                        int bits,
                        int blockAlign,
                        std::int32_t bytesPerSecond,
                        std::int32_t samplesPerSecond);
    /// Appends count bytes; throws std::runtime_error on failure.
    void WriteWavBlock(const void* bytes, std::size_t count);
    /// Writes both size fields, cuts the file at its end and closes it.
    void CloseWavFile();
    /// Closes the file as it stands (its size fields keep their provisional values).
    void abandon();
    bool isOpen() const { return m_fd >= 0; }
    std::int64_t bytesWritten() const { return m_count; }

private:
    int m_fd = -1;
    std::string m_fileName;
    std::int64_t m_count = 0;
};

} // namespace bw::audio
