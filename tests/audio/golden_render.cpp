#include "golden_render.h"

#include "tests/support/test_paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

#ifndef BW_GOLDEN_DIGESTS
#error "BW_GOLDEN_DIGESTS must name the repository's digest list"
#endif

namespace bw::test::golden {

RenderView::RenderView(const WavFile& wav, std::int32_t framesPerBeat)
    : m_wav(wav), m_channels(wav.channels), m_framesPerBeat(framesPerBeat)
{
    if (m_channels > 0) {
        m_frames = static_cast<std::int64_t>(wav.samples.size()) / m_channels;
    }
}

std::int32_t RenderView::at(std::int64_t frame, int channel) const
{
    if (frame < 0 || frame >= m_frames || channel < 0 || channel >= m_channels) {
        return 0;
    }
    return m_wav.samples[static_cast<std::size_t>(frame * m_channels + channel)];
}

std::int32_t RenderView::peak(int channel, std::int64_t from, std::int64_t to) const
{
    std::int32_t p = 0;
    for (std::int64_t f = std::max<std::int64_t>(from, 0); f < std::min(to, m_frames); ++f) {
        p = std::max(p, std::abs(at(f, channel)));
    }
    return p;
}

bool RenderView::silent(std::int64_t from, std::int64_t to) const
{
    for (int c = 0; c < m_channels; ++c) {
        if (peak(c, from, to) != 0) {
            return false;
        }
    }
    return true;
}

std::int64_t RenderView::lastNonZero(int channel, std::int64_t from, std::int64_t to) const
{
    for (std::int64_t f = std::min(to, m_frames) - 1; f >= std::max<std::int64_t>(from, 0); --f) {
        if (at(f, channel) != 0) {
            return f;
        }
    }
    return -1;
}

std::vector<std::int64_t>
RenderView::onsets(int channel, std::int32_t threshold, std::int64_t quietGap) const
{
    std::vector<std::int64_t> found;
    std::int64_t quiet = quietGap; // the file starts after silence
    for (std::int64_t f = 0; f < m_frames; ++f) {
        if (std::abs(at(f, channel)) < threshold) {
            ++quiet;
            continue;
        }
        if (quiet >= quietGap) {
            found.push_back(f);
        }
        quiet = 0;
    }
    return found;
}

std::string RenderView::describe() const
{
    std::ostringstream out;
    const std::int64_t beats = m_framesPerBeat > 0 ? m_frames / m_framesPerBeat : 0;
    out << m_frames << " frames (" << beats << " beats of " << m_framesPerBeat << ", "
        << m_frames * 1000 / 44100 << " ms), " << (m_channels == 2 ? "stereo" : "mono");
    std::int32_t best = -1;
    std::int64_t bestFrame = 0;
    int bestChannel = 0;
    for (int c = 0; c < m_channels; ++c) {
        for (std::int64_t f = 0; f < m_frames; ++f) {
            if (std::abs(at(f, c)) > best) {
                best = std::abs(at(f, c));
                bestFrame = f;
                bestChannel = c;
            }
        }
    }
    out << ", peak " << best << " at frame " << bestFrame
        << (m_channels == 2 ? (bestChannel == 0 ? " (left)" : " (right)") : "");
    out << "\n  peak per beat" << (m_channels == 2 ? " (left/right):" : ":");
    for (std::int64_t b = 0; m_framesPerBeat > 0 && b * m_framesPerBeat < m_frames; ++b) {
        const std::int64_t from = b * m_framesPerBeat;
        out << ' ' << peak(0, from, from + m_framesPerBeat);
        if (m_channels == 2) {
            out << '/' << peak(1, from, from + m_framesPerBeat);
        }
    }
    return out.str();
}

std::string formatDigestLine(const DigestLine& line)
{
    return line.name + ' ' + line.digest + ' ' + std::to_string(line.size);
}

std::string digestFilePath()
{
    const char* path = std::getenv("BW_GOLDEN_FILE");
    return path != nullptr && *path != '\0' ? path : BW_GOLDEN_DIGESTS;
}

bool updatingGoldens()
{
    const char* v = std::getenv("BW_UPDATE_GOLDEN");
    return v != nullptr && std::string(v) == "1";
}

namespace {

std::optional<DigestLine> parseLine(const std::string& text)
{
    if (text.empty() || text[0] == '#') {
        return std::nullopt;
    }
    std::istringstream in(text);
    DigestLine line;
    if (!(in >> line.name >> line.digest >> line.size)) {
        return std::nullopt;
    }
    return line;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    return lines;
}

constexpr const char* Header =
    "# Golden renders: song name, SHA-256 of its exported WAV file, file size in bytes.\n"
    "# Written by BW_UPDATE_GOLDEN=1 (see README); review the renders before committing.\n";

} // namespace

std::optional<DigestLine> findDigest(const std::string& path, const std::string& name)
{
    if (!std::filesystem::exists(path)) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    for (const std::string& text : splitLines(std::string(bytes.begin(), bytes.end()))) {
        const auto line = parseLine(text);
        if (line && line->name == name) {
            return line;
        }
    }
    return std::nullopt;
}

void storeDigest(const std::string& path, const DigestLine& line)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder);
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    }
    // The lock is released when the file is closed.
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::flock(fd, LOCK_EX) != 0) {
        throw std::runtime_error("cannot lock " + path);
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    std::string out = text.empty() ? Header : "";
    bool replaced = false;
    for (const std::string& l : splitLines(text)) {
        const auto old = parseLine(l);
        if (old && old->name == line.name) {
            out += formatDigestLine(line) + '\n';
            replaced = true;
        } else {
            out += l + '\n';
        }
    }
    if (!replaced) {
        out += formatDigestLine(line) + '\n';
    }
    if (::lseek(fd, 0, SEEK_SET) != 0 || ::ftruncate(fd, 0) != 0 ||
        ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace bw::test::golden
