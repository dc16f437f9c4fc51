#include "audio/render_run.h"

#include "audio/midi_note_out.h"
#include "audio/stretch_cache.h"
#include "core/arrangement.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace bw::audio {

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

} // namespace

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
    // An export never plays a block, so it opens no device. Playback goes through the
    // program's open output when there is one (the player then only serves previews asked
    // of the engine, into nothing).
    const bool playback = !m_flags.WriteRequested.load();
    std::unique_ptr<WaveOut> output;
    if (playback && m_ctx.stream != nullptr) {
        m_stream = m_ctx.stream;
    } else if (playback && m_ctx.deviceOutput) {
        output = m_ctx.deviceOutput();
    }
    if (!output) {
        output = std::make_unique<NullWaveOut>();
    }
    m_player = std::make_unique<TAsyncPlayer>(std::move(output));
    m_flags.setStage("Init Sound System Error(110)");
    m_flags.setStage("Init Sound System Error(120)");
    m_player->Open(library::SampleRate, 16, 2);
    if (m_stream != nullptr) {
        m_stream->begin(m_flags.StopRequested);
        m_streaming = true;
    }
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
    const auto started = std::chrono::steady_clock::now();
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
    m_stepped = m_streaming && !m_flags.WriteRequested.load() && !m_writing;
    if (m_stepped) {
        // Mixed step by step as it is handed on.
        m_renderer->planMix(m_ctx.cache, settings);
    } else {
        const std::int32_t clips = m_renderer->mix(m_ctx.cache, settings);
        m_clipCount = clips;
        m_totalClips += clips;
    }
    m_renderTime = std::chrono::steady_clock::now() - started;
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
        if (m_streaming) {
            if (PlayedNoteFeed* notes = m_stream->playedNotes()) {
                PushPlayedNotes(m_renderer->voices(), m_renderer->blockValues(), song, k,
                                m_streamedFrames, m_stream->runId(), *notes);
            }
            m_renderer->noteSources(k, settings.masterVolume);
        }
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
    if (m_streaming) {
        // A few milliseconds ahead of the device, the queue says little: the meter is the
        // share of its playing time the block before took to render, so it reaches 100 when
        // the output runs dry.
        report.meter = m_lastLoad;
    } else {
        const std::int32_t b = m_blockValues * 1000 / library::SampleRate;
        report.meter = b + 500 != 0 ? ((b - m_queuedSnapshot + 500) * 100) / (b + 500) : 0;
    }
    report.silence = m_flags.SilenceDisplay.load();
    report.writing = m_writing;
    report.exportPending = m_flags.WriteRequested.load() && !m_writing;
    if (m_writing) {
        const bool wholeSong = m_flags.WriteSong.load();
        report.progress = withSong([&](core::TSong& s) {
            const std::int32_t beats = std::clamp(s.Beats, 1, core::MaxBeats);
            if (!wholeSong) {
                // The beats of the pass written so far, this one included.
                const std::int32_t played =
                    std::max(core::PlayedBeats(s.pattern(s.CurrentPattern)), 1);
                return std::min(m_beatsWritten + 1, played) * 100 / played;
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

void RenderRun::advanceSong()
{
    m_displayPosition = m_host.songPosition();
    ++m_beatCounter;
    if (m_beatCounter > 1) {
        if (m_flags.SongMode.load()) {
            const int before = m_host.songPosition();
            // Through the open output the engine is only a few milliseconds ahead of the
            // device: it moves the position itself and does not wait for the window.
            const core::SongSpan span = songSpan();
            m_host.setSongPosition(core::SpanNextBeat(span, before), !m_streaming);
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
        if (m_wav) {
            m_wav->commit();
        }
        m_stems.commit();
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
    const ExportOptions options = m_flags.exportOptions();
    const std::string target = m_flags.exportFileName();
    const ExportFormat format =
        options.format == ExportFormat::Auto ? ExportFormatOfName(target) : options.format;
    if (options.mix) {
        m_wav = std::make_unique<ExportFileWriter>(format, options.oggQuality);
        if (!m_wav->open(target, channels, provisional)) {
            m_flags.WavWriteFailed = true; // the next block write fails and reports it
            if (format != ExportFormat::Wav) {
                throw WavWriteError(m_wav->error());
            }
        }
    }
    if (!options.stemsFolder.empty()) {
        // The stems take the format chosen, or the mix's when it is written.
        const ExportFormat stemFormat = options.format != ExportFormat::Auto ? options.format
                                        : options.mix                        ? format
                                                                             : ExportFormat::Wav;
        if (const std::string problem =
                m_stems.begin(options.stemsFolder, stemFormat, options.oggQuality, channels);
            !problem.empty()) {
            m_flags.WavWriteFailed = true;
            throw WavWriteError(problem);
        }
        m_renderer->setStems(true);
    }
    m_writing = true;
    m_beatsWritten = 0;
    if (wholeSong) {
        m_host.setSongPosition(span.first, false);
        m_flags.SongMode = true;
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
    if (m_stream != nullptr) {
        m_stream->end(true); // what is still queued after Stop or a failure is not played
    }
    if (m_wav && m_wav->isOpen()) {
        try {
            if (failed || m_flags.AbandonExport.load()) {
                m_wav->abandon(); // the target stays as it was
            } else {
                m_wav->commit(); // stopped part-way: a valid, shorter file
            }
        } catch (...) {
        }
    }
    try {
        if (failed || m_flags.AbandonExport.load()) {
            m_stems.abandon(); // the folder stays as it was
        } else {
            m_stems.commit(); // stopped part-way: shorter stems, as long as the mix
        }
    } catch (...) {
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

} // namespace bw::audio
