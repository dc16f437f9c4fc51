#include "ui/shell/render_bridge.h"

#include "audio/stretch_cache.h"
#include "ui/shell/ui_thread.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

namespace bw::ui {

RenderBridge::RenderBridge(core::TSong& song,
                           library::SoundLibrary& library,
                           core::SongLock& lock,
                           audio::StretchCache& cache,
                           audio::RequestFlags& flags,
                           audio::WaveOutFactory deviceOutput,
                           QObject* parent)
    : QObject(parent), m_song(song), m_library(library), m_lock(lock), m_cache(cache),
      m_flags(flags), m_deviceOutput(std::move(deviceOutput))
{}

RenderBridge::~RenderBridge()
{
    if (!m_runs.empty()) {
        stopAndWait();
    }
}

bool RenderBridge::startRun()
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return false;
    }
    reapFinished();
    auto run = std::make_unique<audio::Twaverender>(
        audio::EngineContext{m_song, m_library, m_lock, m_cache, m_flags, *this, m_deviceOutput});
    run->start();
    m_runs.push_back(std::move(run));
    scheduleReap();
    return true;
}

void RenderBridge::requestStop()
{
    // An export cut short leaves no file: the target keeps what it held.
    if (m_flags.WriteRequested.load()) {
        m_flags.AbandonExport = true;
    }
    m_flags.StopRequested = true;
}

void RenderBridge::stopAndWait()
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping) {
        return;
    }
    m_stopping = true;
    requestStop();
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

void RenderBridge::reapFinished()
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

void RenderBridge::scheduleReap()
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

void RenderBridge::onUiThread(std::function<void()> fn, bool wait)
{
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(fn),
                              wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

int RenderBridge::songPosition()
{
    return m_songPosition;
}

void RenderBridge::setSongPosition(int beat, bool wait)
{
    if (wait) {
        onUiThread([this, beat] { emit songPositionRequested(beat); }, true);
        return;
    }
    // The engine's resets to 0 take effect at once: the next block must already see the
    // play windows of the new position. The window catches up with its display later.
    int clamped = 0;
    {
        std::lock_guard<core::SongLock> guard(m_lock);
        clamped = core::MoveSongPosition(m_song, beat);
    }
    m_songPosition = clamped;
    onUiThread([this, clamped] { emit songPositionRequested(clamped); }, false);
}

void RenderBridge::pressPlay()
{
    onUiThread([this] { emit playShown(); }, false);
}

void RenderBridge::blockDone(const audio::BlockReport& report)
{
    onUiThread(
        [this, report] {
            try {
                emit blockReported(report);
            } catch (const std::exception&) {
                // A failing display update must not end playback.
            }
        },
        true);
}

void RenderBridge::closeExportDialog()
{
    onUiThread([this] { emit exportFinished(); }, true);
}

void RenderBridge::engineFailed(const std::string& message, bool wavWriteFailed)
{
    onUiThread(
        [this, message, wavWriteFailed] {
            emit runFailed(QString::fromLatin1(message.c_str()), wavWriteFailed);
        },
        true);
}

void RenderBridge::engineNotice(const std::string& text)
{
    // Posted: the run goes on while the user reads it.
    onUiThread([this, text] { emit noticed(QString::fromLatin1(text.c_str())); }, false);
}

void RenderBridge::engineEnded(bool writeSong)
{
    onUiThread(
        [this, writeSong] {
            emit runEnded(writeSong);
            scheduleReap();
        },
        true);
}

} // namespace bw::ui
