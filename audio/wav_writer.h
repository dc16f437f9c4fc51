#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bw {
class AtomicFileWriter;
}

namespace bw::audio {

/// A block could not be added to the WAV file (a write error, or the file would pass the
/// size a WAV file can describe); the message says which, for the user.
class WavWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Writes a 16-bit PCM WAV file block by block: a 44-byte header with provisional sizes,
/// appended blocks, and a close that writes the real sizes. The file is written under a
/// temporary name beside the target and renamed into place by CloseWavFile, so the target
/// is either left as it was or replaced by a complete file; abandon() removes the temporary
/// file.
class WavWriter
{
public:
    /// The most data bytes a WAV file holds: its 32-bit RIFF size is 36 + the data size.
    static constexpr std::uint64_t MaxDataBytes = 0xFFFFFFFFULL - 36;

    explicit WavWriter(std::uint64_t maxDataBytes = MaxDataBytes);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    /// Creates the temporary file and writes the header. Returns false (and remembers the
    /// failure) when it cannot be created or written, or when the target exists and is not a
    /// regular file; later block writes then fail.
    bool WriteWavHeader(const std::string& fileName,
                        int channels,
                        std::int32_t provisionalSize,
                        int bits,
                        int blockAlign,
                        std::int32_t bytesPerSecond,
                        std::int32_t samplesPerSecond);
    /// Appends count bytes. Throws std::runtime_error when the file is not open and
    /// WavWriteError on a write error or when the data would pass the size limit.
    void WriteWavBlock(const void* bytes, std::size_t count);
    /// Writes both size fields and puts the complete file in place of the target.
    void CloseWavFile();
    /// Removes the temporary file; the target stays as it was.
    void abandon();
    bool isOpen() const { return m_file != nullptr; }
    std::int64_t bytesWritten() const { return m_count; }
    /// Why the header could not be written ("" after a successful WriteWavHeader).
    const std::string& headerError() const { return m_headerError; }

private:
    std::unique_ptr<AtomicFileWriter> m_file;
    std::string m_fileName;
    std::string m_headerError;
    std::uint64_t m_maxDataBytes;
    std::int64_t m_count = 0;
};

/// Why an export cannot go to target, or "" when it can. The file is written under a temporary
/// name and renamed over target, so target must be a regular file the user may write, or not
/// exist yet: a folder, a device (/dev/null) or a pipe is refused, since a stream could take
/// back neither the sizes in the header nor a render that fails half-way. Nor may target be
/// one of inputs ({path, what it is: "song"}), however its path is spelled.
std::string ExportTargetProblem(const std::string& target,
                                const std::vector<std::pair<std::string, std::string>>& inputs);

} // namespace bw::audio
