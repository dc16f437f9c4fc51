#include "audio/stem_export.h"

#include "audio/block_renderer.h"
#include "core/song.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace bw::audio {

std::string StemFileName(int track, const std::string& soundName, ExportFormat format)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", track + 1);
    std::string name;
    for (const char c : soundName) {
        const auto u = static_cast<unsigned char>(c);
        const bool unsafe = u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr;
        name += unsafe ? '_' : c;
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    std::string file = std::string(number) + " " + (name.empty() ? "track" : name);
    return file + ExportFormatSuffix(format);
}

StemExport::~StemExport()
{
    abandon();
}

std::string
StemExport::begin(const std::string& folder, ExportFormat format, double oggQuality, int channels)
{
    abandon();
    m_folder = folder.empty() ? "." : folder;
    m_format = format == ExportFormat::Auto ? ExportFormat::Wav : format;
    m_quality = oggQuality;
    m_channels = channels;
    m_frames = 0;
    m_madeFolder = false;
    if (std::string problem = ExportFormatProblem(m_format, channels); !problem.empty()) {
        return problem;
    }
    struct stat st
    {
    };
    if (::stat(m_folder.c_str(), &st) != 0) {
        if (errno != ENOENT || ::mkdir(m_folder.c_str(), 0777) != 0) {
            return m_folder + ": " + std::strerror(errno);
        }
        m_madeFolder = true;
    } else if (!S_ISDIR(st.st_mode)) {
        return m_folder + " is not a folder: give the folder the stems go to";
    } else if (::access(m_folder.c_str(), W_OK | X_OK) != 0) {
        return m_folder + ": " + std::strerror(errno);
    }
    m_files.clear();
    m_files.resize(core::MaxTracks);
    m_active = true;
    return "";
}

void StemExport::writeBlock(BlockRenderer& renderer,
                            std::int32_t frames,
                            const std::function<std::string(std::int32_t)>& soundName)
{
    if (!m_active) {
        return;
    }
    std::vector<ExportFileWriter*> files; // the tracks that have a stem, in order
    std::vector<int> tracks;
    for (int t = 0; t < core::MaxTracks; ++t) {
        if (renderer.stemBlock(t) == nullptr) {
            continue;
        }
        auto& file = m_files[static_cast<std::size_t>(t)];
        if (!file) {
            auto w = std::make_unique<ExportFileWriter>(m_format, m_quality);
            const std::string target =
                m_folder + "/" + StemFileName(t, soundName(renderer.stemSound(t)), m_format);
            if (!w->open(target, m_channels, 0)) {
                throw WavWriteError(w->error().empty() ? target + ": cannot be written"
                                                       : w->error());
            }
            // Its earlier blocks were all silence; the writers have not seen this file yet.
            w->writeSilence(m_frames);
            file = std::move(w);
        }
        files.push_back(file.get());
        tracks.push_back(t);
    }
    // Writing the files (the kernel's copying, or the encoder) runs on the writers' threads
    // while the engine mixes the next block.
    m_writers.write(files, frames, [&](std::size_t i, std::vector<std::int16_t>& buffer) {
        renderer.takeStemBlock(tracks[i], buffer);
    });
    m_frames += frames;
}

void StemExport::commit()
{
    if (!m_active) {
        return;
    }
    m_active = false;
    try {
        m_writers.flush();
        m_writers.stop();
        bool any = false;
        for (auto& file : m_files) {
            if (file) {
                file->commit();
                any = true;
            }
        }
        if (!any && m_madeFolder) {
            ::rmdir(m_folder.c_str()); // no track sounded: no empty folder is left behind
        }
        m_madeFolder = false;
    } catch (...) {
        abandon();
        throw;
    }
}

void StemExport::abandon()
{
    m_writers.stop();
    for (auto& file : m_files) {
        if (file) {
            file->abandon();
        }
    }
    m_files.clear();
    m_active = false;
    if (m_madeFolder) {
        ::rmdir(m_folder.c_str()); // only when nothing else went in meanwhile
        m_madeFolder = false;
    }
}

std::vector<std::string> StemExport::targets() const
{
    std::vector<std::string> out;
    for (const auto& file : m_files) {
        if (file) {
            out.push_back(file->target());
        }
    }
    return out;
}

} // namespace bw::audio
