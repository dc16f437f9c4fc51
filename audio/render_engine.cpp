#include "audio/render_engine.h"

#include "audio/async_player.h"
#include "audio/block_renderer.h"
#include "audio/stretch_cache.h"
#include "audio/wav_writer.h"

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

constexpr int MaxSongPosition = 4000;

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
    player.Open(44100, 16, 1);
    if (bytes > 0) {
        player.Write(samples, bytes, duration);
    }
    if (player.State() == 1) {
        player.Start();
    }
    while (player.State() != 1 && player.State() != 0) {
        if (flags.StopRequested.load() && player.InFlight() == 0) {
            break;
        }
        sleepBriefly();
    }
    player.Reset();
    player.Close();
    player.Open(44100, 16, 2);
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
    EngineHost& host = m_ctx.host;
    core::TSong& song = m_ctx.song;
    flags.setStage("Init Error(0)");
    bool idle = false;
    if (!flags.EngineRunning.compare_exchange_strong(idle, true)) {
        // Another run is playing; it picks up the changed request flags at its next block.
        m_finished = true;
        return;
    }

    std::unique_ptr<TAsyncPlayer> player;
    std::unique_ptr<BlockRenderer> renderer;
    WavWriter wav;
    std::vector<std::int16_t> mono;
    bool writing = false;
    bool failed = false;

    try {
        flags.Interpolate = true;
        if (!flags.SongMode.load()) {
            flags.SilenceDisplay = false;
        }
        int displayPosition = host.songPosition();
        if (flags.SongMode.load()) {
            std::int32_t stopPosition = 0;
            {
                std::lock_guard<core::SongLock> g(m_ctx.lock);
                stopPosition = song.StopPosition;
            }
            if (host.songPosition() > stopPosition) {
                host.setSongPosition(0, false);
            }
        }
        std::int32_t beatCounter = 1;
        std::int32_t patternBeat = 0;
        std::int32_t queuedSnapshot = 0;
        bool endOfSong = false;
        flags.StopRequested = false;
        flags.WavWriteFailed = false;

        flags.setStage("Init Sound System Error(100)");
        std::unique_ptr<WaveOut> output;
        if (!flags.WriteRequested.load() && m_ctx.deviceOutput) {
            output = m_ctx.deviceOutput();
        } else {
            output = std::make_unique<NullWaveOut>();
        }
        player = std::make_unique<TAsyncPlayer>(std::move(output));
        flags.setStage("Init Sound System Error(110)");
        flags.setStage("Init Sound System Error(120)");
        player->Open(44100, 16, 2);
        flags.setStage("Init Sound System Error(130)");
        renderer = std::make_unique<BlockRenderer>();
        renderer->clearVoices();
        flags.setStage("Init Sound System Error(140)");

        do {
            bool inspectorPlayed = false;
            const bool skipToExportStart =
                flags.WriteRequested.load() && !writing && flags.WriteSong.load();
            if (!skipToExportStart) {
                // Step: block setup.
                flags.setStage("Calculate Loop Error(200)");
                host.pressPlay();
                std::int32_t bpm = 0;
                {
                    std::lock_guard<core::SongLock> g(m_ctx.lock);
                    bpm = song.Bpm;
                }
                const std::int32_t blockValues = renderer->beginBlock(bpm);
                flags.setStage("Calculate Loop Error(210)");

                // Step: read the song and start voices.
                flags.setStage("Calculate Sound Error(300)");
                BlockSettings settings;
                {
                    std::lock_guard<core::SongLock> g(m_ctx.lock);
                    if (!song.validPattern(song.CurrentPattern)) {
                        throw std::runtime_error("no current pattern");
                    }
                    core::StoreWorkingCopy(song, song.CurrentPattern);
                    const bool songMode = flags.SongMode.load();
                    if (!songMode) {
                        core::SetPlayWindow(song, song.CurrentPattern, patternBeat);
                        ++patternBeat;
                        if (patternBeat >= song.pattern(song.CurrentPattern).Beats) {
                            patternBeat = 0;
                        }
                    }
                    settings.stereo = song.Stereo;
                    settings.masterVolume = song.MasterVolume;
                    settings.shuffleAmount = song.ShuffleAmount;
                    settings.shuffleDivision = song.ShuffleDivision;
                    settings.delayDivision = song.DelayDivision;
                    settings.delayFeedback = song.DelayFeedback;
                    settings.delayRepeats = song.DelayRepeats;
                    settings.interpolate = flags.Interpolate.load();
                    for (int k = 0; k < song.PatternCount; ++k) {
                        const bool plays =
                            songMode ? song.pattern(k).PlayActive == 1 : k == song.CurrentPattern;
                        if (!plays) {
                            continue;
                        }
                        core::ResolvePatternSounds(song, k, m_ctx.library);
                        renderer->trigger(song, k, m_ctx.library, m_ctx.cache, settings, &flags);
                    }

                    flags.setStage("Delay Error(305)");
                    renderer->spawnEchoes(settings);
                }

                flags.setStage("Calculate Sound Stop Event Clip Error(310)");
                renderer->applyStopEvents();
                flags.setStage("First Mem Check Error(318)");
                m_ctx.cache.AgeEntries();
                flags.setStage("Calculate Sound Clip Error(320)");
                const std::int32_t clips = renderer->mix(m_ctx.cache, settings);
                m_clipCount = clips;
                m_totalClips += clips;

                flags.setStage("play Waveinspector Error(390)");
                if (flags.PreviewRequested.load()) {
                    flags.PreviewRequested = false;
                    const auto [data, size] = flags.preview();
                    if (data && size >= 4 && static_cast<std::size_t>(size) <= data->size() * 2) {
                        const std::int32_t bytes = size - 4;
                        // Whole milliseconds first, then halved: the preview's own rounding.
                        const std::int64_t ms = static_cast<std::int64_t>(bytes) * 1000 / 44100;
                        const auto duration =
                            static_cast<std::int32_t>(static_cast<double>(ms) * 0.5);
                        playOnce(*player, data->data(), bytes, duration, flags);
                    }
                    flags.StopRequested = true;
                }
                flags.setStage("play Waveinspector Error(400)");
                if (flags.InspectorPlayRequested.load()) {
                    flags.InspectorPlayRequested = false;
                    const auto sel = flags.inspectorSelection();
                    if (sel.data && sel.start >= 0 && sel.end > sel.start &&
                        static_cast<std::size_t>(sel.end) <= sel.data->size()) {
                        const std::int32_t samples = sel.end - sel.start;
                        playOnce(*player, sel.data->data() + sel.start, samples * 2,
                                 static_cast<std::int32_t>(static_cast<std::int64_t>(samples) *
                                                           1000 / 44100),
                                 flags);
                    }
                    flags.StopRequested = true;
                    inspectorPlayed = true;
                }

                if (!inspectorPlayed) {
                    flags.setStage("info Error (499)");
                    BlockReport report;
                    report.beatCounter = beatCounter;
                    report.activeVoices = renderer->activeVoices();
                    report.songPosition = displayPosition;
                    report.blockValues = blockValues;
                    report.queuedSnapshot = queuedSnapshot;
                    const std::int32_t b = blockValues * 1000 / 44100;
                    report.meter =
                        b + 500 != 0 ? ((b - queuedSnapshot + 500) * 100) / (b + 500) : 0;
                    report.silence = flags.SilenceDisplay.load();
                    report.writing = writing;
                    report.exportPending = flags.WriteRequested.load() && !writing;
                    if (writing) {
                        std::lock_guard<core::SongLock> g(m_ctx.lock);
                        const std::int32_t beats = song.Beats != 0 ? song.Beats : 1;
                        if (flags.WriteSong.load()) {
                            const std::int32_t stop =
                                song.StopPosition != 0 ? song.StopPosition : 1;
                            report.progress =
                                displayPosition * 100 / stop + beatCounter * 100 / beats / stop;
                        } else {
                            report.progress = beatCounter * 100 / beats;
                        }
                    } else if (report.exportPending) {
                        report.progress = 5;
                    }
                    try {
                        host.blockDone(report);
                    } catch (...) {
                        // The display is not worth stopping the music for.
                    }

                    // Step: hand the block on.
                    flags.setStage("play Error (500)");
                    queuedSnapshot = player->QueuedDuration();
                    if (!flags.WriteRequested.load() && !writing && !flags.StopRequested.load()) {
                        while (player->QueuedDuration() >= 500 && !flags.StopRequested.load()) {
                            sleepBriefly();
                        }
                        flags.setStage("play Error (501)");
                        player->Write(renderer->block(), blockValues * 2,
                                      static_cast<std::int32_t>(
                                          static_cast<std::int64_t>(blockValues) * 1000 / 44100));
                    }
                    flags.setStage("play Error(510)");
                    if (writing) {
                        std::int32_t stereo = 1;
                        {
                            std::lock_guard<core::SongLock> g(m_ctx.lock);
                            stereo = song.Stereo;
                        }
                        if (stereo == 1) {
                            wav.WriteWavBlock(renderer->block(),
                                              static_cast<std::size_t>(blockValues) * 2);
                        } else {
                            flags.setStage("play Error(520)");
                            flags.appendStage("(proc makemono)");
                            const std::int32_t frames = blockValues / 2;
                            mono.resize(static_cast<std::size_t>(frames));
                            const std::int16_t* block = renderer->block();
                            for (std::int32_t f = 0; f < frames; ++f) {
                                mono[static_cast<std::size_t>(f)] =
                                    block[2 * static_cast<std::ptrdiff_t>(f)];
                            }
                            wav.WriteWavBlock(mono.data(), static_cast<std::size_t>(frames) * 2);
                            flags.setStage("play Error(520)");
                        }
                    }
                    m_ctx.cache.TrimCache();
                    if (player->State() == 1) {
                        player->Start();
                    }

                    // Step: advance the song.
                    displayPosition = host.songPosition();
                    ++beatCounter;
                    if (beatCounter > 1) {
                        if (flags.SongMode.load()) {
                            const int before = host.songPosition();
                            host.setSongPosition(before + 1, true);
                            // The time line ends at its last beat even when the song's
                            // stop position lies beyond it.
                            if (before >= MaxSongPosition) {
                                endOfSong = true;
                            }
                        }
                        beatCounter = 1;
                    }
                    if (flags.SongMode.load()) {
                        std::int32_t stopPosition = 0;
                        {
                            std::lock_guard<core::SongLock> g(m_ctx.lock);
                            stopPosition = song.StopPosition;
                        }
                        if (host.songPosition() > stopPosition) {
                            endOfSong = true;
                        }
                    }

                    // Step: end of an export.
                    if (flags.WriteRequested.load() && writing) {
                        bool lastBeat = false;
                        {
                            std::lock_guard<core::SongLock> g(m_ctx.lock);
                            const core::TPattern& p = song.pattern(song.CurrentPattern);
                            lastBeat = p.PlayTo == p.Beats;
                        }
                        if ((!flags.WriteSong.load() && lastBeat) ||
                            (flags.WriteSong.load() && endOfSong)) {
                            wav.CloseWavFile();
                            flags.WriteRequested = false;
                            writing = false;
                            host.closeExportDialog();
                            flags.StopRequested = true;
                        }
                    }
                }
            }

            if (!inspectorPlayed) {
                // Step: start of an export (the first step of a song export).
                flags.setStage("Init Write Error(600)");
                if (flags.WriteRequested.load() && !writing) {
                    bool startNow = flags.WriteSong.load();
                    std::int32_t channels = 2;
                    std::int64_t provisional = 0;
                    {
                        std::lock_guard<core::SongLock> g(m_ctx.lock);
                        const core::TPattern& p = song.pattern(song.CurrentPattern);
                        if (!startNow) {
                            startNow = p.PlayTo == p.Beats;
                        }
                        channels = song.Stereo == 1 ? 2 : 1;
                        provisional = static_cast<std::int64_t>(song.Beats) *
                                      renderer->blockValues() * (channels == 2 ? 2 : 1);
                        if (flags.WriteSong.load()) {
                            provisional *= song.StopPosition;
                        }
                    }
                    if (startNow) {
                        const bool ok = wav.WriteWavHeader(
                            flags.exportFileName(), channels,
                            static_cast<std::int32_t>(static_cast<std::uint32_t>(provisional)), 16,
                            channels * 2, 44100 * channels * 2, 44100);
                        if (!ok) {
                            flags.WavWriteFailed = true;
                        }
                        writing = true;
                        if (flags.WriteSong.load()) {
                            host.setSongPosition(0, false);
                            flags.SongMode = true;
                        }
                    }
                }
            }
            if (endOfSong) {
                flags.StopRequested = true;
            }
        } while (!flags.StopRequested.load());
    } catch (const std::exception&) {
        failed = true;
    } catch (...) {
        failed = true;
    }

    if (failed) {
        const std::string message = "SHUTDOWN AUDIO RENDER:" + flags.stage();
        {
            std::lock_guard<std::mutex> g(m_failureMutex);
            m_failure = message;
        }
        try {
            host.engineFailed(message, flags.WavWriteFailed.load());
        } catch (...) {
        }
    }

    // Ending: always, also after a failure.
    try {
        if (player) {
            player->Reset();
            player->Close();
        }
    } catch (...) {
    }
    if (wav.isOpen()) {
        // Stopped part-way through an export: keep what was written as a valid file.
        try {
            if (failed) {
                wav.abandon();
            } else {
                wav.CloseWavFile();
            }
        } catch (...) {
        }
    }
    m_ctx.cache.ReleaseAllCopies();
    renderer.reset();
    player.reset();
    const bool writeSong = flags.WriteSong.load();
    flags.StopRequested = false;
    flags.EngineRunning = false;
    try {
        host.engineEnded(writeSong);
    } catch (...) {
    }
    flags.WriteRequested = false;
    flags.WriteSong = false;
    m_finished = true;
}

} // namespace bw::audio
