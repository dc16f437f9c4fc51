#pragma once

#include "audio/engine_host.h"
#include "audio/render_engine.h"
#include "audio/request_flags.h"
#include "audio/wave_out.h"
#include "core/song.h"
#include "library/sound_library.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

namespace bw::audio {
class StretchCache;
}

namespace bw::ui {

/// The GUI's side of the render engine: starts and stops runs and carries the engine's host
/// calls over to the UI thread as signals, which the regions and windows that care connect
/// to. Lives on the UI thread; the EngineHost methods are called on the render thread, and
/// every signal is emitted on the UI thread (for the calls that wait, before the engine
/// goes on).
class RenderBridge : public QObject, public audio::EngineHost
{
    Q_OBJECT
public:
    RenderBridge(core::TSong& song,
                 library::SoundLibrary& library,
                 core::SongLock& lock,
                 audio::StretchCache& cache,
                 audio::RequestFlags& flags,
                 audio::WaveOutFactory deviceOutput,
                 QObject* parent = nullptr);
    /// Stops any run still going, serving events while it ends.
    ~RenderBridge() override;
    RenderBridge(const RenderBridge&) = delete;
    RenderBridge& operator=(const RenderBridge&) = delete;

    /// Starts a new render thread (play, loop, preview, export). Ignored (false) while a stop
    /// is being waited for.
    bool startRun();
    /// Asks the running thread to end after its current block; does not wait. An export it
    /// was writing is abandoned.
    void requestStop();
    /// Asks every run to end and waits with the UI event loop served (the engine may be in a
    /// call that needs the UI thread), then joins the threads.
    void stopAndWait();
    /// True while stopAndWait waits; commands that start or stop playback ignore themselves.
    bool stopping() const { return m_stopping; }
    /// Joins and drops runs whose threads have finished.
    void reapFinished();
    /// Runs not yet reaped.
    int runCount() const { return static_cast<int>(m_runs.size()); }

    /// The main window's song position as the engine reads it (set on the UI thread).
    void publishSongPosition(int beat) { m_songPosition = beat; }

    /// Set while the program closes: windows do not come back when the run ends.
    void setShuttingDown(bool value) { m_shuttingDown = value; }
    bool shuttingDown() const { return m_shuttingDown; }

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
    void scheduleReap();

    core::TSong& m_song;
    library::SoundLibrary& m_library;
    core::SongLock& m_lock;
    audio::StretchCache& m_cache;
    audio::RequestFlags& m_flags;
    audio::WaveOutFactory m_deviceOutput;
    std::vector<std::unique_ptr<audio::Twaverender>> m_runs;
    std::atomic<int> m_songPosition{0};
    bool m_stopping = false;
    bool m_shuttingDown = false;
    bool m_reapScheduled = false;
};

} // namespace bw::ui
