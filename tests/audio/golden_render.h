#pragma once

// What the golden-render test needs besides the engine: a view of an exported file for the
// plain checks and the failure report, and the digest list kept in the repository.
#include "engine_fixture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bw::test::golden {

/// An exported WAV file seen as frames of one or two channels.
class RenderView
{
public:
    RenderView(const WavFile& wav, std::int32_t framesPerBeat);

    int channels() const { return m_channels; }
    std::int64_t frames() const { return m_frames; }
    std::int32_t framesPerBeat() const { return m_framesPerBeat; }
    /// Sample of a frame and channel (0 = left); 0 outside the file.
    std::int32_t at(std::int64_t frame, int channel) const;

    /// Largest magnitude in frames [from, to) of one channel.
    std::int32_t peak(int channel, std::int64_t from, std::int64_t to) const;
    /// True when every sample of frames [from, to) is 0 in every channel.
    bool silent(std::int64_t from, std::int64_t to) const;
    /// Last frame in [from, to) whose sample in channel is not 0, or -1.
    std::int64_t lastNonZero(int channel, std::int64_t from, std::int64_t to) const;
    /// Frames where a channel rises to at least threshold in magnitude after at least quietGap
    /// frames below it (the first frame counts when it is loud).
    std::vector<std::int64_t>
    onsets(int channel, std::int32_t threshold, std::int64_t quietGap = 500) const;

    /// Length, channels, peak and the peak of each beat: what a reviewer looks at when a
    /// digest changes.
    std::string describe() const;

private:
    const WavFile& m_wav;
    int m_channels = 0;
    std::int64_t m_frames = 0;
    std::int32_t m_framesPerBeat = 0;
};

/// One line of the digest list: song name, SHA-256 of the WAV file, its size in bytes.
struct DigestLine
{
    std::string name;
    std::string digest;
    std::uint64_t size = 0;
};

std::string formatDigestLine(const DigestLine& line);
/// The digest list used: BW_GOLDEN_FILE from the environment, else the repository's.
std::string digestFilePath();
/// True when BW_UPDATE_GOLDEN=1: renders replace their digests instead of being compared.
bool updatingGoldens();
/// The line for name in the list at path, if there is one.
std::optional<DigestLine> findDigest(const std::string& path, const std::string& name);
/// Replaces (or appends) the line for line.name in the list at path, keeping the other lines
/// and their order. Locks the file, so test processes running side by side can all update it.
void storeDigest(const std::string& path, const DigestLine& line);

} // namespace bw::test::golden
