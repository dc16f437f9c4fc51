#include "audio/wav_writer.h"

#include "library/atomic_file.h"
#include "library/binary_io.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bw::audio {

namespace {

void putLe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

WavWriter::WavWriter(std::uint64_t maxDataBytes) : m_maxDataBytes(maxDataBytes)
{}

WavWriter::~WavWriter() = default; // an unfinished file's temporary file goes with it

bool WavWriter::WriteWavHeader(const std::string& fileName,
                               int channels,
                               std::int32_t provisionalSize,
                               int bits,
                               int blockAlign,
                               std::int32_t bytesPerSecond,
                               std::int32_t samplesPerSecond)
{
    m_file.reset();
    m_count = 0;
    m_fileName = fileName;
    m_headerError.clear();
    std::vector<std::uint8_t> h;
    h.reserve(44); // the whole header; also keeps GCC's -O3 overflow check from a false alarm
    bw::ByteWriter w(h);
    w.text("RIFF");
    w.i32(static_cast<std::int32_t>(36U + static_cast<std::uint32_t>(provisionalSize)));
    w.text("WAVEfmt ");
    w.i32(16);
    const auto u16 = [&w](int v) {
        w.u8(static_cast<std::uint8_t>(v));
        w.u8(static_cast<std::uint8_t>(v >> 8));
    };
    u16(1);
    u16(channels);
    w.i32(samplesPerSecond);
    w.i32(bytesPerSecond);
    u16(blockAlign);
    u16(bits);
    w.text("data");
    w.i32(provisionalSize);
    try {
        // Written under another name and renamed, a read-only file would be replaced where
        // opening it for writing fails: the same rules as for any export target.
        if (const std::string problem = ExportTargetProblem(fileName, {}); !problem.empty()) {
            throw FileError(problem);
        }
        m_file = std::make_unique<AtomicFileWriter>(fileName);
        m_file->write(h.data(), h.size());
    } catch (const FileError& e) {
        m_file.reset();
        m_headerError = e.what();
        return false;
    }
    return true;
}

void WavWriter::WriteWavBlock(const void* bytes, std::size_t count)
{
    if (!m_file) {
        throw std::runtime_error("the WAV file is not open");
    }
    if (static_cast<std::uint64_t>(m_count) + count > m_maxDataBytes) {
        abandon();
        throw WavWriteError(m_fileName +
                            ": the export would pass 4 GiB, the most a WAV file can hold; "
                            "nothing was written");
    }
    try {
        m_file->write(bytes, count);
    } catch (const FileError& e) {
        abandon();
        throw WavWriteError(e.what());
    }
    m_count += static_cast<std::int64_t>(count);
}

void WavWriter::abandon()
{
    m_file.reset();
}

void WavWriter::CloseWavFile()
{
    if (!m_file) {
        return;
    }
    std::uint8_t field[4];
    const auto count = static_cast<std::uint32_t>(m_count);
    try {
        putLe32(field, 36U + count);
        m_file->writeAt(4, field, 4);
        putLe32(field, count);
        m_file->writeAt(40, field, 4);
        m_file->commit();
    } catch (const FileError& e) {
        m_file.reset();
        throw WavWriteError(e.what());
    }
    m_file.reset();
}

std::string ExportTargetProblem(const std::string& target,
                                const std::vector<std::pair<std::string, std::string>>& inputs)
{
    struct stat st
    {
    };
    if (::stat(target.c_str(), &st) != 0) {
        return errno == ENOENT ? "" : target + ": " + std::strerror(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        return target + " is a folder: give the name of the WAV file to write";
    }
    if (!S_ISREG(st.st_mode)) {
        return target + " is not a regular file (a device or a pipe): a WAV file is written "
                        "under a temporary name and renamed into place, so give a file name";
    }
    if (::access(target.c_str(), W_OK) != 0) {
        return target + " is read-only: it is left as it is";
    }
    for (const auto& [input, what] : inputs) {
        struct stat in
        {
        };
        if (::stat(input.c_str(), &in) == 0 && in.st_dev == st.st_dev && in.st_ino == st.st_ino) {
            std::string problem = target;
            problem += " is the ";
            problem += what;
            problem += " file ";
            problem += input;
            problem += ": give another name for the WAV file";
            return problem;
        }
    }
    return "";
}

} // namespace bw::audio
