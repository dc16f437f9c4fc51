#pragma once

// One render run's state and steps (the engine's own header; Twaverender runs it).

#include "audio/async_player.h"
#include "audio/block_renderer.h"
#include "audio/export_file.h"
#include "audio/heard_reports.h"
#include "audio/render_engine.h"
#include "audio/stem_export.h"
#include "core/arrangement.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace bw::audio {

/// One render run: the state of the block loop and its steps, in the order they run.
class RenderRun
{
public:
    /// A block played through the program's open output is handed on in steps of this many
    /// frames (5.8 ms), each mixed with the song's values as they are then.
    static constexpr std::int32_t StepFrames = 256;

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
    /// Mixes the block and hands it on: to the player, to the open output in steps, or to
    /// the WAV file.
    void handOnBlock();
    /// The open output's way: each step mixed with the song as it is, about two device
    /// buffers ahead of the device.
    void handOnSteps();
    /// Waits until at most limit frames are queued on the open output; false when the run
    /// is to stop first (Stop, or the device has gone).
    bool waitForRoom(std::int64_t limit);
    void writeToFile();
    void advanceSong();
    /// The beats the song walks: the export's, or what song playback plays (the loop range
    /// while the loop is on). Takes the song lock.
    core::SongSpan songSpan();
    void endExport();
    void startExport();
    void playOut();

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
    EngineStream* m_stream = nullptr;  // playback through the program's open output
    bool m_streaming = false;          // the run's frames still go to m_stream
    bool m_stepped = false;            // the block is mixed step by step as it goes to m_stream
    std::int64_t m_streamedFrames = 0; // the run's frames written to m_stream so far
    std::unique_ptr<BlockRenderer> m_renderer;
    std::unique_ptr<ExportFileWriter> m_wav; // the mix's file, while an export writes one
    StemExport m_stems;                      // the tracks' files, while an export writes them
    BlockReport m_report;                    // the block just rendered
    HeardReports m_heard; // reports of blocks queued on the device, not yet sounding
    bool m_writing = false;
    bool m_endOfSong = false;
    bool m_refusedReported = false;
    std::int32_t m_beatCounter = 1;
    std::int32_t m_beatsWritten = 0; // blocks written to the export's files

    std::int32_t m_patternBeat = 0;
    std::int32_t m_queuedSnapshot = 0;
    std::int32_t m_blockValues = 0;
    int m_displayPosition = 0;
    // The render load of the block before, for the meter of a run on the open output: the
    // time spent rendering it against its playing time.
    std::chrono::steady_clock::duration m_renderTime{};
    int m_lastLoad = 0;
};

} // namespace bw::audio
