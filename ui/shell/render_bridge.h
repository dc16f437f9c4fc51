#pragma once

#include "audio/engine_host.h"
#include "core/song.h"

#include <atomic>
#include <functional>
#include <string>

#include <QObject>

namespace bw::ui {

/// The GUI's side of the render engine: carries the engine's host calls over to the UI
/// thread as signals, which the regions and windows that care connect to. Runs are started
/// and stopped by the Transport. Lives on the UI thread; the EngineHost methods are called
/// on the render thread, and every signal is emitted on the UI thread (for the calls that
/// wait, before the engine goes on).
class RenderBridge : public QObject, public audio::EngineHost
{
    Q_OBJECT
public:
    RenderBridge(core::TSong& song, core::SongLock& lock, QObject* parent = nullptr);
    RenderBridge(const RenderBridge&) = delete;
    RenderBridge& operator=(const RenderBridge&) = delete;

    /// The main window's song position as the engine reads it (set on the UI thread).
    void publishSongPosition(int beat) { m_songPosition = beat; }

    // EngineHost (render thread)
    int songPosition() override;
    void setSongPosition(int beat, bool wait) override;
    void pressPlay() override;
    void blockDone(const audio::BlockReport& report) override;
    void closeExportDialog() override;
    void engineFailed(const std::string& message, bool wavWriteFailed) override;
    void engineEnded(bool writeSong) override;
    void engineNotice(const std::string& text) override;

signals:
    /// The engine moved the song position (after a song beat, or a reset to 0).
    void songPositionRequested(int beat);
    /// The play button is to show pressed.
    void playShown();
    /// The display update after a block.
    void blockReported(const bw::audio::BlockReport& report);
    /// The export is complete: its dialog closes.
    void exportFinished();
    /// The run failed; wavWriteFailed: the export file could not be written.
    void runFailed(const QString& message, bool wavWriteFailed);
    /// The run has ended: transport, meter and export dialog reset.
    void runEnded(bool writeSong);
    /// Something the user should know that does not stop the run.
    void noticed(const QString& text);

private:
    /// Runs fn on the UI thread; waits for it when wait is true.
    void onUiThread(std::function<void()> fn, bool wait);

    core::TSong& m_song;
    core::SongLock& m_lock;
    std::atomic<int> m_songPosition{0};
};

} // namespace bw::ui
