#pragma once

// The stems of an export: one file per track that sounds, in one folder, written in the same
// pass as the mix and put in place together at its end.

#include "audio/export_file.h"
#include "audio/stem_writers.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bw::audio {

class BlockRenderer;

/// The file name of track's stem (track counted from 0): its number from 1, two digits, and the
/// sound's name, with characters that are unsafe in file names (path separators, control
/// characters, the ones other systems forbid) replaced by '_'.
std::string StemFileName(int track, const std::string& soundName, ExportFormat format);

/// Writes the stems of one export run. Every file goes to a temporary name in the folder; commit()
/// renames them all at the end, abandon() removes them (and the folder when it made it), so a
/// failed or stopped export leaves the folder as it was.
class StemExport
{
public:
    StemExport() = default;
    ~StemExport();
    StemExport(const StemExport&) = delete;
    StemExport& operator=(const StemExport&) = delete;

    /// Takes the folder (made when it does not exist, one level only). Returns why it cannot be
    /// used, or "" when it can.
    std::string
    begin(const std::string& folder, ExportFormat format, double oggQuality, int channels);
    /// Writes the block just mixed for every track that has sounded: a track sounding for the
    /// first time gets its file, with silence for the frames written before, so all stems keep
    /// the mix's length. soundName names a sound index. Throws WavWriteError.
    void writeBlock(BlockRenderer& renderer,
                    std::int32_t frames,
                    const std::function<std::string(std::int32_t)>& soundName);
    /// Puts every stem in place of its target (a folder begin() made stays only when a stem
    /// went in).
    void commit();
    /// Removes every temporary file; the folder stays as it was.
    void abandon();
    bool active() const { return m_active; }
    /// The stems written so far (targets), in track order.
    std::vector<std::string> targets() const;

private:
    bool m_active = false;
    bool m_madeFolder = false;
    std::string m_folder;
    ExportFormat m_format = ExportFormat::Wav;
    double m_quality = DefaultOggQuality;
    int m_channels = 2;
    std::int64_t m_frames = 0;                              // written to every open stem so far
    std::vector<std::unique_ptr<ExportFileWriter>> m_files; // per track; null before it sounds
    StemWriters m_writers; // declared after m_files: stopped before the files go
};

} // namespace bw::audio
