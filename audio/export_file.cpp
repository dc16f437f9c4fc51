#include "audio/export_file.h"

#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <algorithm>
#include <cctype>
#include <sndfile.h>

namespace bw::audio {

namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

int sndfileFormat(ExportFormat format)
{
    return format == ExportFormat::Flac ? (SF_FORMAT_FLAC | SF_FORMAT_PCM_16)
                                        : (SF_FORMAT_OGG | SF_FORMAT_VORBIS);
}

const char* formatName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Flac:
        return "FLAC";
    case ExportFormat::Ogg:
        return "Ogg Vorbis";
    default:
        return "WAV";
    }
}

} // namespace

std::optional<ExportFormat> ExportFormatNamed(const std::string& name)
{
    const std::string n = lower(name);
    if (n == "wav") {
        return ExportFormat::Wav;
    }
    if (n == "flac") {
        return ExportFormat::Flac;
    }
    if (n == "ogg") {
        return ExportFormat::Ogg;
    }
    return std::nullopt;
}

ExportFormat ExportFormatOfName(const std::string& fileName)
{
    const std::string n = lower(fileName);
    const auto endsWith = [&n](const char* suffix) {
        const std::string s(suffix);
        return n.size() > s.size() && n.compare(n.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(".flac")) {
        return ExportFormat::Flac;
    }
    if (endsWith(".ogg") || endsWith(".oga")) {
        return ExportFormat::Ogg;
    }
    return ExportFormat::Wav;
}

const char* ExportFormatSuffix(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Flac:
        return ".flac";
    case ExportFormat::Ogg:
        return ".ogg";
    default:
        return ".wav";
    }
}

std::string SndfileFormatProblem(int sfFormat, int channels, const char* name)
{
    SF_INFO info{};
    info.samplerate = library::SampleRate;
    info.channels = channels;
    info.format = sfFormat;
    if (sf_format_check(&info) != 0) {
        return "";
    }
    return std::string("this system's libsndfile cannot write ") + name +
           " files: choose another format; nothing was written";
}

std::string ExportFormatProblem(ExportFormat format, int channels)
{
    if (format == ExportFormat::Wav || format == ExportFormat::Auto) {
        return "";
    }
    return SndfileFormatProblem(sndfileFormat(format), channels, formatName(format));
}

/// libsndfile writing through the program's temporary file, by its virtual I/O: the file is
/// renamed into place only when complete, and removed otherwise.
struct ExportFileWriter::Sndfile
{
    std::unique_ptr<AtomicFileWriter> file;
    SNDFILE* sf = nullptr;
    sf_count_t position = 0;
    std::string ioError; // the first write error, for the message

    ~Sndfile()
    {
        if (sf != nullptr) {
            sf_close(sf);
        }
    }

    static Sndfile& of(void* user) { return *static_cast<Sndfile*>(user); }
    static sf_count_t length(void* user) { return static_cast<sf_count_t>(of(user).file->size()); }
    static sf_count_t seek(sf_count_t offset, int whence, void* user)
    {
        Sndfile& s = of(user);
        const auto size = static_cast<sf_count_t>(s.file->size());
        sf_count_t to = offset;
        if (whence == SEEK_CUR) {
            to = s.position + offset;
        } else if (whence == SEEK_END) {
            to = size + offset;
        }
        if (to < 0 || to > size) {
            return -1; // only within what was written: nothing is left unwritten in between
        }
        s.position = to;
        return to;
    }
    static sf_count_t read(void* /*ptr*/, sf_count_t /*count*/, void* /*user*/) { return 0; }
    static sf_count_t write(const void* ptr, sf_count_t count, void* user)
    {
        Sndfile& s = of(user);
        try {
            const auto* bytes = static_cast<const std::uint8_t*>(ptr);
            const auto size = static_cast<sf_count_t>(s.file->size());
            const sf_count_t over = std::clamp<sf_count_t>(size - s.position, 0, count);
            if (over > 0) {
                s.file->writeAt(static_cast<std::uint64_t>(s.position), bytes,
                                static_cast<std::size_t>(over));
            }
            if (count > over) {
                s.file->write(bytes + over, static_cast<std::size_t>(count - over));
            }
        } catch (const FileError& e) {
            if (s.ioError.empty()) {
                s.ioError = e.what();
            }
            return 0;
        }
        s.position += count;
        return count;
    }
    static sf_count_t tell(void* user) { return of(user).position; }
};

ExportFileWriter::ExportFileWriter(ExportFormat format, double oggQuality)
    : m_format(format == ExportFormat::Auto ? ExportFormat::Wav : format),
      m_quality(std::clamp(oggQuality, 0.0, 1.0))
{}

ExportFileWriter::~ExportFileWriter() = default; // an unfinished file's temporary file goes

bool ExportFileWriter::isOpen() const
{
    return m_format == ExportFormat::Wav ? m_wav.isOpen() : m_sf != nullptr;
}

bool ExportFileWriter::open(const std::string& target, int channels, std::int64_t provisional)
{
    m_target = target;
    m_channels = channels == 1 ? 1 : 2;
    m_error.clear();
    if (m_format == ExportFormat::Wav) {
        const bool ok = m_wav.WriteWavHeader(
            target, m_channels, static_cast<std::int32_t>(static_cast<std::uint32_t>(provisional)),
            16, m_channels * 2, library::SampleRate * m_channels * 2, library::SampleRate);
        m_error = m_wav.headerError();
        return ok;
    }
    // Checked before anything is created: a format the library cannot write leaves no file.
    m_error = ExportFormatProblem(m_format, m_channels);
    if (!m_error.empty()) {
        return false;
    }
    auto s = std::make_unique<Sndfile>();
    try {
        if (const std::string problem = ExportTargetProblem(target, {}); !problem.empty()) {
            throw FileError(problem);
        }
        s->file = std::make_unique<AtomicFileWriter>(target);
    } catch (const FileError& e) {
        m_error = e.what();
        return false;
    }
    SF_VIRTUAL_IO io{&Sndfile::length, &Sndfile::seek, &Sndfile::read, &Sndfile::write,
                     &Sndfile::tell};
    SF_INFO info{};
    info.samplerate = library::SampleRate;
    info.channels = m_channels;
    info.format = sndfileFormat(m_format);
    s->sf = sf_open_virtual(&io, SFM_WRITE, &info, s.get());
    if (s->sf == nullptr) {
        m_error = target + ": " + sf_strerror(nullptr);
        return false; // the temporary file goes with s
    }
    if (m_format == ExportFormat::Ogg) {
        double quality = m_quality;
        sf_command(s->sf, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    m_sf = std::move(s);
    return true;
}

void ExportFileWriter::writeStereo(const std::int16_t* stereoFrames, std::int32_t frames)
{
    const std::int16_t* data = stereoFrames;
    if (m_channels == 1) {
        m_mono.resize(static_cast<std::size_t>(frames));
        for (std::int32_t f = 0; f < frames; ++f) {
            m_mono[static_cast<std::size_t>(f)] = stereoFrames[2 * static_cast<std::ptrdiff_t>(f)];
        }
        data = m_mono.data();
    }
    if (m_format == ExportFormat::Wav) {
        m_wav.WriteWavBlock(data, static_cast<std::size_t>(frames) * 2 *
                                      static_cast<std::size_t>(m_channels));
        return;
    }
    if (!m_sf) {
        throw std::runtime_error("the export file is not open");
    }
    const sf_count_t written = sf_writef_short(m_sf->sf, data, frames);
    if (written != frames) {
        const std::string why =
            !m_sf->ioError.empty() ? m_sf->ioError : m_target + ": " + sf_strerror(m_sf->sf);
        abandon();
        throw WavWriteError(why);
    }
}

void ExportFileWriter::writeSilence(std::int64_t frames)
{
    std::vector<std::int16_t> zeros(std::size_t{2} * 4096, 0);
    while (frames > 0) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(frames, 4096));
        writeStereo(zeros.data(), n);
        frames -= n;
    }
}

void ExportFileWriter::commit()
{
    if (m_format == ExportFormat::Wav) {
        m_wav.CloseWavFile();
        return;
    }
    if (!m_sf) {
        return;
    }
    const int closed = sf_close(m_sf->sf);
    m_sf->sf = nullptr;
    if (closed != 0 || !m_sf->ioError.empty()) {
        const std::string why =
            !m_sf->ioError.empty() ? m_sf->ioError : m_target + ": " + sf_error_number(closed);
        m_sf.reset();
        throw WavWriteError(why);
    }
    try {
        m_sf->file->commit();
    } catch (const FileError& e) {
        m_sf.reset();
        throw WavWriteError(e.what());
    }
    m_sf.reset();
}

void ExportFileWriter::abandon()
{
    if (m_format == ExportFormat::Wav) {
        m_wav.abandon();
        return;
    }
    m_sf.reset();
}

} // namespace bw::audio
