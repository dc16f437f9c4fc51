#pragma once

#include "audio/export_file.h"
#include "library/sound_library.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace bw::audio {

/// How the engine exports: the format (Auto: from the file name's suffix), the Ogg Vorbis
/// quality, whether the mix is written to the export file name, and the folder of the stems
/// ("" for none).
struct ExportOptions
{
    ExportFormat format = ExportFormat::Auto;
    double oggQuality = DefaultOggQuality;
    bool mix = true;
    std::string stemsFolder;
};

/// The request and status flags shared by the UI thread and the render thread.
struct RequestFlags
{
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> EngineRunning{false};
    std::atomic<bool> SongMode{false};
    std::atomic<bool> WriteRequested{false};
    std::atomic<bool> WriteSong{false};
    std::atomic<bool> PreviewRequested{false};
    std::atomic<bool> InspectorPlayRequested{false};
    std::atomic<bool> Interpolate{true};
    std::atomic<bool> SilenceDisplay{false};
    std::atomic<bool> WavWriteFailed{false};
    /// Set with StopRequested to end an export without its file: the temporary file is
    /// removed and the target stays as it was (the command line sets it on SIGINT/SIGTERM).
    /// Cleared when the run ends.
    std::atomic<bool> AbandonExport{false};
    /// The beats a song export writes, ExportFrom .. ExportTo - 1; ExportFrom -1: the song from
    /// its start to its "Stop at" beat. Set before WriteRequested; reset when the run ends.
    std::atomic<std::int32_t> ExportFrom{-1};
    std::atomic<std::int32_t> ExportTo{-1};

    /// What the engine exports to; set before WriteRequested.
    void setExportFileName(std::string name)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_exportFileName = std::move(name);
    }
    std::string exportFileName() const
    {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_exportFileName;
    }
    /// How the engine exports (ExportOptions); set before WriteRequested.
    void setExportOptions(ExportOptions options)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_exportOptions = std::move(options);
    }
    ExportOptions exportOptions() const
    {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_exportOptions;
    }
    /// The sound to preview (its samples and byte size); set before PreviewRequested.
    void setPreview(library::SampleDataPtr data, std::int32_t dataSize)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_previewData = std::move(data);
        m_previewSize = dataSize;
    }
    std::pair<library::SampleDataPtr, std::int32_t> preview() const
    {
        std::lock_guard<std::mutex> g(m_mutex);
        return {m_previewData, m_previewSize};
    }
    /// The sample import selection to play: samples [start, end) of data.
    void setInspectorSelection(library::SampleDataPtr data, std::int32_t start, std::int32_t end)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_inspectorData = std::move(data);
        m_inspectorStart = start;
        m_inspectorEnd = end;
    }
    struct Selection
    {
        library::SampleDataPtr data;
        std::int32_t start = 0;
        std::int32_t end = 0;
    };
    Selection inspectorSelection() const
    {
        std::lock_guard<std::mutex> g(m_mutex);
        return {m_inspectorData, m_inspectorStart, m_inspectorEnd};
    }
    /// The step in progress, for the failure message. Written by the render thread.
    void setStage(const char* text)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_stage = text;
    }
    void appendStage(const char* text)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_stage += text;
    }
    std::string stage() const
    {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_stage;
    }

private:
    mutable std::mutex m_mutex;
    std::string m_exportFileName;
    ExportOptions m_exportOptions;
    library::SampleDataPtr m_previewData;
    std::int32_t m_previewSize = 0;
    library::SampleDataPtr m_inspectorData;
    std::int32_t m_inspectorStart = 0;
    std::int32_t m_inspectorEnd = 0;
    std::string m_stage;
};

} // namespace bw::audio
