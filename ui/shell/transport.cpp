#include "ui/shell/transport.h"

#include "core/arrangement.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/file_dialogs.h"

#include <algorithm>
#include <utility>

#include <QEventLoop>
#include <QTimer>

namespace bw::ui {

Transport::Transport(core::TSong& song,
                     library::SoundLibrary& library,
                     core::SongLock& lock,
                     audio::StretchCache& cache,
                     RenderBridge& host,
                     audio::WaveOutFactory deviceOutput,
                     QObject* parent)
    : QObject(parent), m_song(song), m_library(library), m_lock(lock), m_cache(cache), m_host(host),
      m_deviceOutput(std::move(deviceOutput))
{
    // Each run of the engine reports to the UI thread that it has ended; its thread is
    // joined a little later.
    connect(&m_host, &RenderBridge::runEnded, this, &Transport::scheduleReap);
}

Transport::~Transport()
{
    if (!m_runs.empty()) {
        stopAndWait();
    }
}

bool Transport::play(PlayMode mode)
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return false;
    }
    if (mode == PlayMode::Song) {
        // The play windows follow the song position the engine will start from.
        std::lock_guard<core::SongLock> guard(m_lock);
        core::MoveSongPosition(m_song, m_host.songPosition());
    }
    m_flags.InspectorPlayRequested = false;
    m_flags.SongMode = mode == PlayMode::Song;
    return startRun();
}

void Transport::stop()
{
    BW_ASSERT_UI_THREAD();
    // An export cut short leaves no file: the target keeps what it held.
    if (m_flags.WriteRequested.load()) {
        m_flags.AbandonExport = true;
    }
    m_flags.StopRequested = true;
    m_flags.SongMode = false;
}

bool Transport::preview(library::SampleDataPtr data, std::int32_t dataSize)
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return false;
    }
    m_flags.setPreview(std::move(data), dataSize);
    m_flags.PreviewRequested = true;
    // A running engine plays it at its next block; the new thread then ends at once.
    return startRun();
}

bool Transport::playSelection(library::SampleDataPtr data, std::int32_t start, std::int32_t end)
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return false;
    }
    m_flags.setInspectorSelection(std::move(data), start, end);
    m_flags.InspectorPlayRequested = true;
    return startRun();
}

bool Transport::exportTo(const QString& path, ExportWhat what, bool loopRangeOnly)
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping || m_flags.WriteRequested.load()) {
        return false; // one export at a time, and none while the program stops the engine
    }
    const bool song = what == ExportWhat::Song;
    m_flags.setExportFileName(ToFileSystemPath(path));
    m_flags.ExportFrom = -1;
    m_flags.ExportTo = -1;
    if (song && loopRangeOnly) {
        std::lock_guard<core::SongLock> guard(m_lock);
        if (core::HasLoopRange(m_song)) {
            m_flags.ExportFrom = m_song.LoopStart;
            m_flags.ExportTo = m_song.LoopEnd;
        }
    }
    m_flags.WriteSong = song;
    m_flags.InspectorPlayRequested = false;
    m_flags.SongMode = false;
    m_flags.WriteRequested = true;
    if (!startRun()) {
        m_flags.WriteRequested = false;
        m_flags.WriteSong = false;
        return false;
    }
    emit exportStarted(path, song);
    return true;
}

void Transport::setDisplaySilenced(bool on)
{
    m_flags.SilenceDisplay = on;
}

bool Transport::startRun()
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return false;
    }
    reapFinished();
    auto run = std::make_unique<audio::Twaverender>(
        audio::EngineContext{m_song, m_library, m_lock, m_cache, m_flags, m_host, m_deviceOutput});
    run->start();
    m_runs.push_back(std::move(run));
    scheduleReap();
    return true;
}

void Transport::stopAndWait()
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return;
    }
    m_stopping = true;
    stop();
    const auto allFinished = [this] {
        return std::all_of(m_runs.begin(), m_runs.end(),
                           [](const auto& run) { return run->finished(); });
    };
    if (!allFinished()) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            // A run that started after the first stop request clears StopRequested at its
            // start, so keep asking until every thread is done.
            m_flags.StopRequested = true;
            if (allFinished()) {
                loop.quit();
            }
        });
        poll.start(5);
        loop.exec(); // serves the render thread's waiting calls until it has ended
    }
    for (auto& run : m_runs) {
        run->join();
    }
    m_runs.clear();
    m_stopping = false;
}

void Transport::reapFinished()
{
    BW_ASSERT_UI_THREAD();
    for (auto it = m_runs.begin(); it != m_runs.end();) {
        if ((*it)->finished()) {
            (*it)->join();
            it = m_runs.erase(it);
        } else {
            ++it;
        }
    }
}

void Transport::scheduleReap()
{
    if (m_reapScheduled) {
        return;
    }
    m_reapScheduled = true;
    QTimer::singleShot(100, this, [this] {
        m_reapScheduled = false;
        if (m_stopping) {
            return; // stopAndWait joins them itself
        }
        reapFinished();
        if (!m_runs.empty()) {
            scheduleReap();
        }
    });
}

} // namespace bw::ui
