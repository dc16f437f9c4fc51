#include "ui/shell/transport.h"

#include "core/arrangement.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/file_dialogs.h"

#include <algorithm>
#include <utility>

#include <QEventLoop>
#include <QTimer>

namespace bw::ui {

QString OutputLostText(const QString& device)
{
    return QStringLiteral("The sound device \"%1\" is no longer available: playback stopped.")
        .arg(device);
}

QString OutputReturnedText(const QString& device)
{
    return QStringLiteral("The sound device \"%1\" is available again.").arg(device);
}

Transport::Transport(core::TSong& song,
                     library::SoundLibrary& library,
                     core::SongLock& lock,
                     audio::StretchCache& cache,
                     RenderBridge& host,
                     SoundOutputs outputs,
                     QObject* parent)
    : QObject(parent), m_song(song), m_library(library), m_lock(lock), m_cache(cache), m_host(host),
      m_deviceOutput(std::move(outputs.player))
{
    // Each run of the engine reports to the UI thread that it has ended; its thread is
    // joined a little later.
    connect(&m_host, &RenderBridge::runEnded, this, &Transport::scheduleReap);
    if (outputs.device) {
        // The output opens now and stays open while the program runs.
        m_output = std::make_unique<audio::LiveOutput>(std::move(outputs.device));
        m_output->choose(LoadOutputChoice());
        m_output->open();
        connect(&m_watch, &QTimer::timeout, this, &Transport::watchOutput);
        m_watch.start(100);
    }
}

Transport::~Transport()
{
    if (!m_runs.empty()) {
        stopAndWait();
    }
    closeOutput(std::chrono::milliseconds(300));
}

void Transport::closeOutput(std::chrono::milliseconds limit)
{
    m_watch.stop();
    if (m_output) {
        m_output->shutDown(limit);
    }
}

void Transport::setOutputChoice(const audio::OutputChoice& choice)
{
    if (m_output) {
        m_output->choose(choice);
    }
}

audio::OutputChoice Transport::outputChoice() const
{
    return m_output ? m_output->choice() : audio::OutputChoice{};
}

audio::OutputState Transport::outputState() const
{
    return m_output ? m_output->state() : audio::OutputState{};
}

std::uint64_t Transport::runUnderruns() const
{
    return m_output ? m_output->runUnderruns() : 0;
}

void Transport::watchOutput()
{
    if (!m_output) {
        return;
    }
    m_output->voices().collect();
    if (m_clock) {
        m_clock->setBeatFrames(audio::FramesPerBeatAt(m_song.Bpm)); // a tempo changed meanwhile
    }
    const audio::OutputState state = m_output->state();
    if (state.losses > m_losses) {
        m_losses = state.losses;
        // As by Stop: the engine ends, and the transport and the position stop moving. An
        // export needs no device and goes on.
        if (running() && !exporting() && state.losses > m_runLosses) {
            stop();
        }
        emit outputLost(QString::fromStdString(state.device));
    }
    if (state.returns > m_returns) {
        m_returns = state.returns;
        emit outputReturned(QString::fromStdString(state.device));
    }
    if (state.status != m_status || state.devices.size() != m_deviceCount) {
        m_status = state.status;
        m_deviceCount = state.devices.size();
        emit outputChanged();
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
    if (m_clock) {
        // A pattern plays from its start; the song from the beat the engine starts at.
        const int beat = mode == PlayMode::Song ? m_host.songPosition() : 0;
        m_clock->prepare(beat, audio::FramesPerBeatAt(m_song.Bpm));
    }
    return startRun();
}

void Transport::attachMidiClock(std::unique_ptr<audio::MidiOutputSink> sink)
{
    BW_ASSERT_UI_THREAD();
    if (!m_output || !sink) {
        return;
    }
    m_clock.reset();
    m_clock = std::make_unique<audio::MidiClockOut>(m_output->runClock(), std::move(sink),
                                                    &m_output->noteFeed());
    m_clock->setBeatFrames(audio::FramesPerBeatAt(m_song.Bpm));
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
    if (!data || dataSize < 4 || static_cast<std::size_t>(dataSize) > data->size() * 2) {
        return false;
    }
    // The whole sound but its last four bytes, as the engine's own preview plays it.
    const std::int32_t samples = (dataSize - 4) / 2;
    return playLive(std::move(data), 0, samples, audio::LiveVoices::unityGain(), PreviewGroup);
}

bool Transport::playSelection(library::SampleDataPtr data, std::int32_t start, std::int32_t end)
{
    BW_ASSERT_UI_THREAD();
    return playLive(std::move(data), start, end, audio::LiveVoices::unityGain(), PreviewGroup);
}

bool Transport::playLive(library::SampleDataPtr data,
                         std::int32_t start,
                         std::int32_t end,
                         const audio::MixGain& gain,
                         int chokeGroup)
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping || !m_output) {
        return false;
    }
    if (!m_output->playing()) {
        // Nothing is queued for a device that is not there: the click would sound whenever
        // it came back. Ask for it instead, so that the next one plays.
        const audio::OutputStatus status = m_output->state().status;
        if (status != audio::OutputStatus::Opening) {
            m_output->open();
        }
        return false;
    }
    return m_output->voices().start(std::move(data), start, end, gain, chokeGroup);
}

void Transport::stopLive(int chokeGroup)
{
    BW_ASSERT_UI_THREAD();
    if (chokeGroup > 0 && m_output && m_output->playing()) {
        m_output->voices().stop(chokeGroup);
    }
}

bool Transport::exportTo(const QString& path,
                         ExportWhat what,
                         bool loopRangeOnly,
                         const audio::ExportOptions& options)
{
    BW_ASSERT_UI_THREAD();
    if (m_stopping || m_flags.WriteRequested.load()) {
        return false; // one export at a time, and none while the program stops the engine
    }
    const bool song = what == ExportWhat::Song;
    m_flags.setExportFileName(options.mix ? ToFileSystemPath(path) : std::string());
    m_flags.setExportOptions(options);
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
    if (m_output && !running()) {
        // A loss the watch has not seen yet happened before this run: it must not stop it.
        m_runLosses = m_output->state().losses;
    }
    auto run = std::make_unique<audio::Twaverender>(audio::EngineContext{
        m_song, m_library, m_lock, m_cache, m_flags, m_host, m_deviceOutput, m_output.get()});
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
