#include "audio/render_engine.h"

#include "audio/async_player.h"
#include "audio/block_renderer.h"
#include "audio/heard_reports.h"
#include "audio/stretch_cache.h"
#include "audio/wav_writer.h"
#include "core/arrangement.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <vector>

namespace bw::audio {

static_assert(std::endian::native == std::endian::little,
              "sample blocks are handed to the output and the WAV file as they lie in memory");

namespace {

void sleepBriefly()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

/// Plays bytes once in mono and waits until they have been played.
void playOnce(TAsyncPlayer& player,
              const std::int16_t* samples,
              std::int32_t bytes,
              std::int32_t duration,
              const RequestFlags& flags)
{
    player.Reset();
    player.Close();
    player.Open(library::SampleRate, 16, 1);
    if (bytes > 0) {
        player.Write(samples, bytes, duration);
    }
    if (player.State() == TAsyncPlayer::StateIdle) {
        player.Start();
    }
    while (player.State() != TAsyncPlayer::StateIdle &&
           player.State() != TAsyncPlayer::StateClosed) {
        if (flags.StopRequested.load() && player.InFlight() == 0) {
            break;
        }
        sleepBriefly();
    }
    player.Reset();
    player.Close();
    player.Open(library::SampleRate, 16, 2);
}

/// One render run: the state of the block loop and its steps, in the order they run.
class RenderRun
{
public:
    RenderRun(EngineContext& ctx,
              std::atomic<std::int32_t>& clipCount,
              std::atomic<std::int64_t>& totalClips)
        : m_ctx(ctx), m_flags(ctx.flags), m_host(ctx.host), m_song(ctx.song),
          m_clipCount(clipCount), m_totalClips(totalClips)
    {}

    void startUp();
    /// Renders blocks until StopRequested is set at the end of one.
    void loop();
    /// Ends the run; always runs, also after a failure.
    void finish(bool failed);
    void playOut();

private:
    void renderBlock(BlockSettings& settings);
    void triggerEvents(BlockSettings& settings);
    /// Tells the host, once per run, that a copy did not fit in the cache (outside the lock).
    void reportRefusedCopy();
    /// Plays a requested preview; true when the inspector's selection was played, which
    /// skips the rest of the block.
    bool playPreviews();
    void reportBlock();
    void deliver(const BlockReport& report);
    void deliverHeard();
    void handOnBlock();
    void advanceSong();
    /// The beats the song walks: the export's, or what song playback plays (the loop range
    /// while the loop is on). Takes the song lock.
    core::SongSpan songSpan();
    void endExport();
    void startExport();

    template <typename F> auto withSong(F f)
    {
        std::lock_guard<core::SongLock> g(m_ctx.lock);
        return f(m_song);
    }

    EngineContext& m_ctx;
    RequestFlags& m_flags;
    EngineHost& m_host;
    core::TSong& m_song;
    std::atomic<std::int32_t>& m_clipCount;
    std::atomic<std::int64_t>& m_totalClips;

    std::unique_ptr<TAsyncPlayer> m_player;
    std::unique_ptr<BlockRenderer> m_renderer;
    WavWriter m_wav;
    std::vector<std::int16_t> m_mono;
    BlockReport m_report; // the block just rendered
    HeardReports m_heard; // reports of blocks queued on the device, not yet sounding
    bool m_writing = false;
    bool m_endOfSong = false;
    bool m_refusedReported = false;
    std::int32_t m_beatCounter = 1;
    std::int32_t m_patternBeat = 0;
    std::int32_t m_queuedSnapshot = 0;
    std::int32_t m_blockValues = 0;
    int m_displayPosition = 0;
};

void RenderRun::startUp()
{
    m_flags.Interpolate = true;
    if (!m_flags.SongMode.load()) {
        m_flags.SilenceDisplay = false;
    }
    m_displayPosition = m_host.songPosition();
    if (m_flags.SongMode.load()) {
        const int position = m_host.songPosition();
        const int start = core::SpanStartBeat(songSpan(), position);
        if (start != position) {
            m_host.setSongPosition(start, false);
        }
    }
    m_flags.StopRequested = false;
    m_flags.WavWriteFailed = false;

    m_flags.setStage("Init Sound System Error(100)");
    // An export never plays a block, so it opens no device.
    std::unique_ptr<WaveOut> output;
    if (!m_flags.WriteRequested.load() && m_ctx.deviceOutput) {
        output = m_ctx.deviceOutput();
    } else {
        output = std::make_unique<NullWaveOut>();
    }
    m_player = std::make_unique<TAsyncPlayer>(std::move(output));
    m_flags.setStage("Init Sound System Error(110)");
    m_flags.setStage("Init Sound System Error(120)");
    m_player->Open(library::SampleRate, 16, 2);
    m_flags.setStage("Init Sound System Error(130)");
    m_renderer = std::make_unique<BlockRenderer>();
    m_renderer->clearVoices();
    m_flags.setStage("Init Sound System Error(140)");
}

void RenderRun::loop()
{
    do {
        // The first iteration of a song export only opens the file.
        const bool exportStartOnly =
            m_flags.WriteRequested.load() && !m_writing && m_flags.WriteSong.load();
        bool inspectorPlayed = false;
        if (!exportStartOnly) {
            BlockSettings settings;
            renderBlock(settings);
            inspectorPlayed = playPreviews();
            if (!inspectorPlayed) {
                reportBlock();
                handOnBlock();
                advanceSong();
                endExport();
            }
        }
        if (!inspectorPlayed) {
            startExport();
        }
        if (m_endOfSong) {
            m_flags.StopRequested = true;
        }
    } while (!m_flags.StopRequested.load());
}

void RenderRun::renderBlock(BlockSettings& settings)
{
    m_flags.setStage("Calculate Loop Error(200)");
    m_host.pressPlay();
    const std::int32_t bpm = withSong([](core::TSong& s) { return s.Bpm; });
    m_blockValues = m_renderer->beginBlock(bpm);
    m_flags.setStage("Calculate Loop Error(210)");

    m_flags.setStage("Calculate Sound Error(300)");
    triggerEvents(settings);
    reportRefusedCopy();

    m_renderer->prepareMix();
    m_flags.setStage("Calculate Sound Stop Event Clip Error(310)");
    m_renderer->applyStopEvents();
    m_flags.setStage("First Mem Check Error(318)");
    m_ctx.cache.AgeEntries();
    m_flags.setStage("Calculate Sound Clip Error(320)");
    const std::int32_t clips = m_renderer->mix(m_ctx.cache, settings);
    m_clipCount = clips;
    m_totalClips += clips;
}

void RenderRun::triggerEvents(BlockSettings& settings)
{
    const int position = m_host.songPosition(); // the beat whose play windows sound now
    std::lock_guard<core::SongLock> g(m_ctx.lock);
    core::TSong& song = m_song;
    if (!song.validPattern(song.CurrentPattern)) {
        throw std::runtime_error("no current pattern");
    }
    core::StoreWorkingCopy(song, song.CurrentPattern);
    const bool songMode = m_flags.SongMode.load();
    if (!songMode) {
        core::SetPlayWindow(song, song.CurrentPattern, m_patternBeat);
        ++m_patternBeat;
        if (m_patternBeat >= core::PlayedBeats(song.pattern(song.CurrentPattern))) {
            m_patternBeat = 0;
        }
    }
    settings = BlockSettings::read(song, m_flags.Interpolate.load());
    m_report = BlockReport{};
    m_report.songPosition = songMode ? position : m_displayPosition;
    m_report.songMode = songMode;
    m_report.pattern = song.CurrentPattern;
    for (int k = 0; k < song.PatternCount; ++k) {
        const bool plays = songMode ? song.pattern(k).PlayActive == 1 : k == song.CurrentPattern;
        if (!plays) {
            continue;
        }
        NoteSounding(m_report, song, k);
        core::ResolvePatternSounds(song, k, m_ctx.library);
        m_renderer->trigger(song, k, m_ctx.library, m_ctx.cache, settings, &m_flags);
    }

    m_flags.setStage("Delay Error(305)");
    m_renderer->spawnEchoes(settings);
}

void RenderRun::reportRefusedCopy()
{
    const BlockRenderer::RefusedCopy refused = m_renderer->takeRefusedCopy();
    if (refused.sound.empty() || m_refusedReported) {
        return;
    }
    m_refusedReported = true; // once per run: the next block would say the same again
    const auto megabytes = [](std::int64_t bytes) {
        return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
    };
    m_host.engineNotice("The sound \"" + core::EscapeControlBytes(refused.sound) +
                        "\" stays silent: its stretched or pitched copy (" +
                        megabytes(refused.bytes) + ") does not fit in the " +
                        megabytes(m_ctx.cache.budget()) + " kept for such copies.");
}

bool RenderRun::playPreviews()
{
    m_flags.setStage("play Waveinspector Error(390)");
    if (m_flags.PreviewRequested.load()) {
        m_flags.PreviewRequested = false;
        const auto [data, size] = m_flags.preview();
        if (data && size >= 4 && static_cast<std::size_t>(size) <= data->size() * 2) {
            const std::int32_t bytes = size - 4;
            // Whole milliseconds first, then halved: the preview's own rounding.
            const std::int64_t ms = static_cast<std::int64_t>(bytes) * 1000 / library::SampleRate;
            const auto duration = static_cast<std::int32_t>(static_cast<double>(ms) * 0.5);
            playOnce(*m_player, data->data(), bytes, duration, m_flags);
            m_heard.clear(); // the player was reset
        }
        m_flags.StopRequested = true;
    }
    m_flags.setStage("play Waveinspector Error(400)");
    if (!m_flags.InspectorPlayRequested.load()) {
        return false;
    }
    m_flags.InspectorPlayRequested = false;
    const auto sel = m_flags.inspectorSelection();
    if (sel.data && sel.start >= 0 && sel.end > sel.start &&
        static_cast<std::size_t>(sel.end) <= sel.data->size()) {
        const std::int32_t samples = sel.end - sel.start;
        m_heard.clear(); // the player is reset
        playOnce(*m_player, sel.data->data() + sel.start, samples * 2,
                 static_cast<std::int32_t>(static_cast<std::int64_t>(samples) * 1000 /
                                           library::SampleRate),
                 m_flags);
    }
    m_flags.StopRequested = true;
    return true;
}

void RenderRun::reportBlock()
{
    m_flags.setStage("info Error (499)");
    BlockReport& report = m_report;
    report.beatCounter = m_beatCounter;
    report.activeVoices = m_renderer->activeVoices();
    report.blockValues = m_blockValues;
    report.queuedSnapshot = m_queuedSnapshot;
    const std::int32_t b = m_blockValues * 1000 / library::SampleRate;
    report.meter = b + 500 != 0 ? ((b - m_queuedSnapshot + 500) * 100) / (b + 500) : 0;
    report.silence = m_flags.SilenceDisplay.load();
    report.writing = m_writing;
    report.exportPending = m_flags.WriteRequested.load() && !m_writing;
    if (m_writing) {
        const bool wholeSong = m_flags.WriteSong.load();
        report.progress = withSong([&](core::TSong& s) {
            const std::int32_t beats = std::clamp(s.Beats, 1, core::MaxBeats);
            if (!wholeSong) {
                return m_beatCounter * 100 / beats;
            }
            const core::SongSpan span =
                core::ExportSpan(s, m_flags.ExportFrom.load(), m_flags.ExportTo.load());
            const std::int32_t length = span.last != span.first ? span.last - span.first : 1;
            return (m_displayPosition - span.first) * 100 / length +
                   m_beatCounter * 100 / beats / length;
        });
    } else if (report.exportPending) {
        report.progress = 5;
    }
}

void RenderRun::deliver(const BlockReport& report)
{
    try {
        m_host.blockDone(report);
    } catch (...) {
        // The display is not worth stopping the music for.
    }
}

void RenderRun::deliverHeard()
{
    m_heard.deliverDue(m_player->QueuedDuration(), [this](const BlockReport& r) { deliver(r); });
}

void RenderRun::handOnBlock()
{
    m_flags.setStage("play Error (500)");
    m_queuedSnapshot = m_player->QueuedDuration();
    if (!m_flags.WriteRequested.load() && !m_writing && !m_flags.StopRequested.load()) {
        // Stay about a quarter of a second ahead of the device; meanwhile the blocks that
        // begin to sound are shown.
        while (m_player->QueuedDuration() >= 500 && !m_flags.StopRequested.load()) {
            deliverHeard();
            sleepBriefly();
        }
        m_flags.setStage("play Error (501)");
        const std::int32_t queued =
            m_player->Write(m_renderer->block(), m_blockValues * 2,
                            static_cast<std::int32_t>(static_cast<std::int64_t>(m_blockValues) *
                                                      1000 / library::SampleRate));
        m_heard.written(m_report, queued);
        deliverHeard();
    } else {
        deliver(m_report); // exports, and a block cut short by Stop, show at once
    }
    m_flags.setStage("play Error(510)");
    if (m_writing) {
        const std::int32_t stereo = withSong([](core::TSong& s) { return s.Stereo; });
        if (stereo == 1) {
            m_wav.WriteWavBlock(m_renderer->block(), static_cast<std::size_t>(m_blockValues) * 2);
        } else {
            m_flags.setStage("play Error(520)");
            m_flags.appendStage("(proc makemono)");
            const std::int32_t frames = m_blockValues / 2;
            m_mono.resize(static_cast<std::size_t>(frames));
            const std::int16_t* block = m_renderer->block();
            for (std::int32_t f = 0; f < frames; ++f) {
                m_mono[static_cast<std::size_t>(f)] = block[2 * static_cast<std::ptrdiff_t>(f)];
            }
            m_wav.WriteWavBlock(m_mono.data(), static_cast<std::size_t>(frames) * 2);
            m_flags.setStage("play Error(520)");
        }
    }
    m_ctx.cache.TrimCache();
    if (m_player->State() == TAsyncPlayer::StateIdle) {
        m_player->Start();
    }
}

void RenderRun::advanceSong()
{
    m_displayPosition = m_host.songPosition();
    ++m_beatCounter;
    if (m_beatCounter > 1) {
        if (m_flags.SongMode.load()) {
            const int before = m_host.songPosition();
            const core::SongSpan span = songSpan();
            m_host.setSongPosition(core::SpanNextBeat(span, before), true);
            // The time line ends at its last beat even when the stop position lies beyond it.
            if (before >= core::MaxSongPosition && !span.loops) {
                m_endOfSong = true;
            }
        }
        m_beatCounter = 1;
    }
    if (m_flags.SongMode.load() && core::SpanEnded(songSpan(), m_host.songPosition())) {
        m_endOfSong = true;
    }
}

core::SongSpan RenderRun::songSpan()
{
    const bool exporting = m_flags.WriteRequested.load();
    const std::int32_t from = m_flags.ExportFrom.load();
    const std::int32_t to = m_flags.ExportTo.load();
    return withSong([&](core::TSong& s) {
        return exporting ? core::ExportSpan(s, from, to) : core::PlaybackSpan(s);
    });
}

void RenderRun::endExport()
{
    if (!m_flags.WriteRequested.load() || !m_writing) {
        return;
    }
    const bool lastBeat = withSong([](core::TSong& s) {
        const core::TPattern& p = s.pattern(s.CurrentPattern);
        return p.PlayTo == core::PlayedBeats(p);
    });
    if ((!m_flags.WriteSong.load() && lastBeat) || (m_flags.WriteSong.load() && m_endOfSong)) {
        if (m_flags.AbandonExport.load()) {
            return; // the run stops now and removes the file
        }
        m_wav.CloseWavFile();
        m_flags.WriteRequested = false;
        m_writing = false;
        m_host.closeExportDialog();
        m_flags.StopRequested = true;
    }
}

void RenderRun::startExport()
{
    m_flags.setStage("Init Write Error(600)");
    if (!m_flags.WriteRequested.load() || m_writing) {
        return;
    }
    const bool wholeSong = m_flags.WriteSong.load();
    bool startNow = wholeSong;
    std::int32_t channels = 2;
    std::int64_t provisional = 0;
    const core::SongSpan span = songSpan();
    {
        std::lock_guard<core::SongLock> g(m_ctx.lock);
        const core::TPattern& p = m_song.pattern(m_song.CurrentPattern);
        // A pattern export begins once a block has rendered the pattern's last beat, so the
        // file holds exactly one pass from beat 0.
        startNow = startNow || p.PlayTo == core::PlayedBeats(p);
        channels = m_song.Stereo == 1 ? 2 : 1;
        provisional = static_cast<std::int64_t>(std::clamp(m_song.Beats, 1, core::MaxBeats)) *
                      m_renderer->blockValues() * (channels == 2 ? 2 : 1);
        if (wholeSong) {
            provisional *= span.last - span.first;
        }
    }
    if (!startNow) {
        return;
    }
    const bool ok =
        m_wav.WriteWavHeader(m_flags.exportFileName(), channels,
                             static_cast<std::int32_t>(static_cast<std::uint32_t>(provisional)), 16,
                             channels * 2, library::SampleRate * channels * 2, library::SampleRate);
    if (!ok) {
        m_flags.WavWriteFailed = true; // the next block write fails and reports it
    }
    m_writing = true;
    if (wholeSong) {
        m_host.setSongPosition(span.first, false);
        m_flags.SongMode = true;
    }
}

void RenderRun::playOut()
{
    // The song reached its end by itself: what is queued still goes to the device, for as
    // long as it takes to play and no longer; Stop (or closing) ends the wait at once.
    m_flags.StopRequested = false;
    if (m_player->State() == TAsyncPlayer::StateIdle && m_player->InFlight() == 0 &&
        m_player->HoldBack()) {
        m_player->Start();
    }
    const auto limit = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(m_player->QueuedDuration() + 1000);
    while (m_player->InFlight() > 0 && !m_flags.StopRequested.load() &&
           std::chrono::steady_clock::now() < limit) {
        deliverHeard();
        sleepBriefly();
    }
}

void RenderRun::finish(bool failed)
{
    try {
        if (m_player) {
            if (!failed && m_endOfSong) {
                playOut();
            }
            m_player->Reset();
            m_player->Close();
        }
    } catch (...) {
    }
    if (m_wav.isOpen()) {
        try {
            if (failed || m_flags.AbandonExport.load()) {
                m_wav.abandon(); // the target stays as it was
            } else {
                m_wav.CloseWavFile(); // stopped part-way: a valid, shorter file
            }
        } catch (...) {
        }
    }
    m_flags.AbandonExport = false;
    m_ctx.cache.ReleaseAllCopies();
    m_renderer.reset();
    m_player.reset();
    // The run's requests are done before it says it has ended: an export asked for from then
    // on belongs to the next run.
    const bool writeSong = m_flags.WriteSong.load();
    m_flags.WriteRequested = false;
    m_flags.WriteSong = false;
    m_flags.ExportFrom = -1;
    m_flags.ExportTo = -1;
    m_flags.StopRequested = false;
    m_flags.EngineRunning = false;
    try {
        m_host.engineEnded(writeSong);
    } catch (...) {
    }
}

} // namespace

Twaverender::Twaverender(EngineContext context) : m_ctx(std::move(context))
{}

Twaverender::~Twaverender()
{
    join();
}

void Twaverender::start()
{
    m_thread = std::thread([this] { run(); });
}

void Twaverender::join()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::string Twaverender::failure() const
{
    std::lock_guard<std::mutex> g(m_failureMutex);
    return m_failure;
}

void Twaverender::run()
{
    RequestFlags& flags = m_ctx.flags;
    flags.setStage("Init Error(0)");
    bool idle = false;
    if (!flags.EngineRunning.compare_exchange_strong(idle, true)) {
        // Another run is playing; it picks up the changed request flags at its next block.
        m_finished = true;
        return;
    }
    RenderRun run(m_ctx, m_clipCount, m_totalClips);
    bool failed = false;
    std::string reason;
    try {
        run.startUp();
        run.loop();
    } catch (const WaveOutError& e) {
        // The device's own text (SDL's), and a write error or the size limit of the WAV
        // file, say more than the stage: they follow it on a line of their own.
        failed = true;
        reason = e.what();
    } catch (const WavWriteError& e) {
        failed = true;
        reason = e.what();
    } catch (...) {
        // Memory exhaustion, divisions by zero: all end the run with the stage that was in
        // progress.
        failed = true;
    }
    if (failed) {
        std::string message = "SHUTDOWN AUDIO RENDER:" + flags.stage();
        if (!reason.empty()) {
            message += "\n" + reason;
        }
        {
            std::lock_guard<std::mutex> g(m_failureMutex);
            m_failure = message;
        }
        try {
            m_ctx.host.engineFailed(message, flags.WavWriteFailed.load());
        } catch (...) {
        }
    }
    run.finish(failed);
    m_finished = true;
}

} // namespace bw::audio
