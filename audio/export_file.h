#pragma once

// One exported sound file in any of the formats the program writes: WAV through WavWriter
// (byte for byte as always), FLAC and Ogg Vorbis through libsndfile. Every file is written
// under a temporary name beside its target and renamed into place by commit().

#include "audio/wav_writer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace bw::audio {

/// The file formats of an export. Auto: from the target's suffix (WAV when it has none of ours).
enum class ExportFormat
{
    Auto,
    Wav,
    Flac,
    Ogg,
};

/// The Ogg Vorbis quality when none is chosen (0 smallest .. 1 best).
inline constexpr double DefaultOggQuality = 0.6;

/// "wav", "flac" or "ogg" (any case) as a format; nothing for another name.
std::optional<ExportFormat> ExportFormatNamed(const std::string& name);
/// The format a file name's suffix (.wav, .flac, .ogg, .oga, any case) asks for; WAV otherwise.
ExportFormat ExportFormatOfName(const std::string& fileName);
/// The suffix of the format with its dot: ".wav", ".flac", ".ogg". Auto counts as WAV.
const char* ExportFormatSuffix(ExportFormat format);
/// Why the installed libsndfile cannot write format with this many channels at the program's
/// rate, or "" when it can (sf_format_check). WAV is written by the program itself: always "".
std::string ExportFormatProblem(ExportFormat format, int channels);
/// The same check for a raw libsndfile format code (the tests give impossible ones).
std::string SndfileFormatProblem(int sfFormat, int channels, const char* formatName);

/// Writes one 16-bit file of interleaved frames in one format, block by block.
class ExportFileWriter
{
public:
    ExportFileWriter(ExportFormat format, double oggQuality = DefaultOggQuality);
    ~ExportFileWriter();
    ExportFileWriter(const ExportFileWriter&) = delete;
    ExportFileWriter& operator=(const ExportFileWriter&) = delete;

    /// Creates the temporary file beside target. provisionalDataBytes is the WAV header's first
    /// guess of the data size. Returns false with error() set when the format cannot be written
    /// (nothing is created then) or the file cannot be created.
    bool open(const std::string& target, int channels, std::int64_t provisionalDataBytes);
    /// Appends frames of a stereo block (left, right interleaved); a mono file takes the left
    /// channel. Throws WavWriteError on a write error or past a format's size limit.
    void writeStereo(const std::int16_t* stereoFrames, std::int32_t frames);
    /// Appends silent frames.
    void writeSilence(std::int64_t frames);
    /// Finishes the file and renames it over the target.
    void commit();
    /// Removes the temporary file; the target stays as it was.
    void abandon();
    bool isOpen() const;
    const std::string& error() const { return m_error; }
    const std::string& target() const { return m_target; }
    ExportFormat format() const { return m_format; }

private:
    struct Sndfile;
    ExportFormat m_format;
    double m_quality;
    int m_channels = 2;
    std::string m_target;
    std::string m_error;
    WavWriter m_wav;
    std::unique_ptr<Sndfile> m_sf; // FLAC and Ogg
    std::vector<std::int16_t> m_mono;
};

} // namespace bw::audio
