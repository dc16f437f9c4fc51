#include "audio/wav_writer.h"

#include "library/binary_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace bw::audio {

namespace {

bool writeAll(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void putLe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

WavWriter::~WavWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool WavWriter::WriteWavHeader(const std::string& fileName,
                               int channels,
                               std::int32_t provisionalSize,
                               int bits,
                               int blockAlign,
                               std::int32_t bytesPerSecond,
                               std::int32_t samplesPerSecond)
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_count = 0;
    m_fileName = fileName;
    m_fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        return false;
    }
    std::vector<std::uint8_t> h;
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
    if (!writeAll(m_fd, h.data(), h.size())) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

void WavWriter::WriteWavBlock(const void* bytes, std::size_t count)
{
    if (m_fd < 0) {
        throw std::runtime_error("the WAV file is not open");
    }
    if (!writeAll(m_fd, bytes, count)) {
        throw std::runtime_error(m_fileName + ": " + std::strerror(errno));
    }
    m_count += static_cast<std::int64_t>(count);
}

void WavWriter::abandon()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void WavWriter::CloseWavFile()
{
    if (m_fd < 0) {
        return;
    }
    const off_t end = ::lseek(m_fd, 0, SEEK_CUR);
    std::uint8_t field[4];
    const auto count = static_cast<std::uint32_t>(m_count);
    putLe32(field, 36U + count);
    bool ok = ::pwrite(m_fd, field, 4, 4) == 4;
    putLe32(field, count);
    ok = ::pwrite(m_fd, field, 4, 40) == 4 && ok;
    ok = ::ftruncate(m_fd, end) == 0 && ok;
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    if (!ok) {
        throw std::runtime_error(m_fileName + ": cannot finish the WAV file");
    }
}

} // namespace bw::audio
