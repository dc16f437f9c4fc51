#pragma once

#include "audio/live_output.h"
#include "audio/midi_clock.h"
#include "audio/mixer.h"
#include "audio/render_engine.h"
#include "audio/request_flags.h"
#include "audio/wave_out.h"
#include "core/song.h"
#include "library/sound_library.h"
#include "ui/shell/sound_outputs.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QTimer>

namespace bw::audio {
class StretchCache;
}

namespace bw::ui {

class RenderBridge;

/// The status line's text when the output's device went away.
QString OutputLostText(const QString& device);
/// The status line's text when the output opened again by itself, on device.
QString OutputReturnedText(const QString& device);

/// What Play starts: the song from its position, or the current pattern over and over.
enum class PlayMode
{
    Song,
    Pattern,
};

/// What an export writes: one pass of the current pattern, or the song up to "Stop at".
enum class ExportWhat
{
    Pattern,
    Song,
};

/// The one way the windows drive the render engine: play, stop, preview and export. It alone
/// writes the engine's request flags, and always in one order: the details of a request
/// first (what to export and where, which sound to preview), the mode flags next, and the
/// flag that triggers the request last, so that an engine running on its own thread never
/// sees a trigger before what it asks for. It owns the render threads. Lives on the UI thread.
///
/// Stop is the same wherever it is pressed: playback ends at the next step (a few
/// milliseconds), and an export that is running is abandoned (no file is written and an
/// existing target keeps what it held).
///
/// It also keeps the program's sound output (audio::LiveOutput): open from the start, played
/// through by the engine's runs and by the live voices (previews now, pads next), watched a
/// few times a second. A device that goes away stops playback as Stop does and is announced
/// by outputLost; the next Play, or a device that appears, opens the output again.
class Transport : public QObject
{
    Q_OBJECT
public:
    Transport(core::TSong& song,
              library::SoundLibrary& library,
              core::SongLock& lock,
              audio::StretchCache& cache,
              RenderBridge& host,
              SoundOutputs outputs,
              QObject* parent = nullptr);
    /// Stops any run still going, serving events while it ends.
    ~Transport() override;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    /// Plays the song from the engine's song position, or loops the current pattern. A
    /// running engine switches at its next block. False while a stop is being waited for.
    bool play(PlayMode mode);
    /// Ends playback after the current block and abandons an export under way. Does not wait.
    void stop();
    /// Plays a sound once on both channels as it is (data: its samples, dataSize: their byte
    /// count, of which the last four are left out), on the live voices: heard within a device
    /// buffer, while stopped and while playing; a new preview ends the one before.
    bool preview(library::SampleDataPtr data, std::int32_t dataSize);
    /// Plays samples [start, end) of data once the same way (the sample import's selection).
    bool playSelection(library::SampleDataPtr data, std::int32_t start, std::int32_t end);
    /// Plays samples [start, end) of data once on the live voices at gain. A sound of a choke
    /// group above 0 ends the one of the same group still sounding. False when there is no
    /// open output to play it (the output is then asked to open again).
    bool playLive(library::SampleDataPtr data,
                  std::int32_t start,
                  std::int32_t end,
                  const audio::MixGain& gain,
                  int chokeGroup);
    /// Ends the live sounds of a choke group above 0 at the device's next buffer.
    void stopLive(int chokeGroup);
    /// The choke group of previews.
    static constexpr int PreviewGroup = 1;
    /// Writes the current pattern's pass or the song to path (the mix, written beside it and
    /// renamed into place when complete; the stems folder when options write no mix). With
    /// loopRangeOnly a song export writes only the song's loop range (once; the whole song when
    /// it has none). options choose the format and the stems (by default the mix alone, its
    /// format from path's suffix). False when an export is already running or a stop is being
    /// waited for; nothing starts then.
    bool exportTo(const QString& path,
                  ExportWhat what,
                  bool loopRangeOnly = false,
                  const audio::ExportOptions& options = {});
    /// Hides the playing position (the LED) while on.
    void setDisplaySilenced(bool on);

    /// Asks every run to end and waits with the UI event loop served (the engine may be in a
    /// call that needs the UI thread), then joins the threads.
    void stopAndWait();
    /// Closes the sound output, waiting at most limit for a device that does not answer
    /// (the program is closing).
    void closeOutput(std::chrono::milliseconds limit);
    /// The program's output, or null when it plays through `SoundOutputs::player`.
    audio::LiveOutput* output() const { return m_output.get(); }
    /// Sends MIDI clock through sink while the output plays (nothing without the output).
    void attachMidiClock(std::unique_ptr<audio::MidiOutputSink> sink);
    /// The MIDI clock, or null when there is none.
    audio::MidiClockOut* midiClock() { return m_clock.get(); }
    /// Remembers the output to open and its buffer size; the next Play opens it.
    void setOutputChoice(const audio::OutputChoice& choice);
    audio::OutputChoice outputChoice() const;
    audio::OutputState outputState() const;
    /// Underruns of the current (or last) run on the output.
    std::uint64_t runUnderruns() const;

    /// True while stopAndWait waits; commands that start or stop playback ignore themselves.
    bool stopping() const { return m_stopping; }
    /// Joins and drops runs whose threads have finished.
    void reapFinished();
    /// Runs not yet reaped.
    int runCount() const { return static_cast<int>(m_runs.size()); }
    /// Set while the program closes: windows do not come back when the run ends.
    void setShuttingDown(bool value) { m_shuttingDown = value; }
    bool shuttingDown() const { return m_shuttingDown; }

    /// A render run is active (playing, previewing or exporting).
    bool running() const { return m_flags.EngineRunning.load(); }
    /// The song, not the current pattern, is playing or asked for.
    bool songMode() const { return m_flags.SongMode.load(); }
    /// An export is asked for or being written.
    bool exporting() const { return m_flags.WriteRequested.load(); }
    bool displaySilenced() const { return m_flags.SilenceDisplay.load(); }

signals:
    /// An export was started to path (song: the whole song, else a pattern pass).
    void exportStarted(const QString& path, bool song);
    /// The output's device went away while open; playback was stopped.
    void outputLost(const QString& device);
    /// The output opened by itself again after a loss, on device.
    void outputReturned(const QString& device);
    /// The output's state changed (opened, failed, lost, devices listed).
    void outputChanged();

private:
    friend class TransportTestAccess; // tests read and fake the engine's side of the flags

    /// Starts a new render thread. If one is running, the new one ends at once and the
    /// running one picks up the changed requests at its next block.
    bool startRun();
    void scheduleReap();
    /// Looks at the output's state (every 100 ms): losses, returns, finished live voices.
    void watchOutput();

    core::TSong& m_song;
    library::SoundLibrary& m_library;
    core::SongLock& m_lock;
    audio::StretchCache& m_cache;
    RenderBridge& m_host;
    audio::WaveOutFactory m_deviceOutput;
    std::unique_ptr<audio::LiveOutput> m_output;
    std::unique_ptr<audio::MidiClockOut> m_clock; // follows m_output's clock: goes first
    QTimer m_watch;
    std::uint64_t m_losses = 0;    // the output's losses already announced
    std::uint64_t m_returns = 0;   // and its returns
    std::uint64_t m_runLosses = 0; // the output's losses when the playing run started
    audio::OutputStatus m_status = audio::OutputStatus::Closed;
    std::size_t m_deviceCount = 0;
    audio::RequestFlags m_flags;
    std::vector<std::unique_ptr<audio::Twaverender>> m_runs;
    bool m_stopping = false;
    bool m_shuttingDown = false;
    bool m_reapScheduled = false;
};

} // namespace bw::ui
