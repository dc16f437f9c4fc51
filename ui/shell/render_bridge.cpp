#include "ui/shell/render_bridge.h"

#include <exception>
#include <mutex>
#include <utility>

#include <QMetaObject>
#include <QThread>

namespace bw::ui {

RenderBridge::RenderBridge(core::TSong& song, core::SongLock& lock, QObject* parent)
    : QObject(parent), m_song(song), m_lock(lock)
{}

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
    // Playback does not wait for the display: the engine keeps only a few milliseconds
    // ahead of the device. An export waits for each block to be shown, which keeps the
    // window's queue of reports short.
    const bool wait = report.writing || report.exportPending;
    onUiThread(
        [this, report] {
            try {
                emit blockReported(report);
            } catch (const std::exception&) {
                // A failing display update must not end playback.
            }
        },
        wait);
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
    onUiThread([this, writeSong] { emit runEnded(writeSong); }, true);
}

} // namespace bw::ui
