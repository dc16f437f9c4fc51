#pragma once

#include "audio/mixer.h"
#include "audio/voice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bw::library {
class SoundLibrary;
}

namespace bw::audio {

class StretchCache;
struct RequestFlags;

/// The song settings one block is rendered with, read under the song lock.
struct BlockSettings
{
    /// The song's settings kept to the ranges the editors allow: master volume 0..10000,
    /// shuffle amount 0..100 and grid at least 1 (a grid below 1 plays as 2, as it always
    /// did), delay feedback 0..100 and repeats 0..10, humanize timing 0..20 ms and volume
    /// 0..30 %. A delay divisor below 1 stays as it is: it stops the run once a voice echoes.
    static BlockSettings read(const core::TSong& song, bool interpolate);

    std::int32_t stereo = 1;
    std::int32_t masterVolume = 10000;
    std::int32_t shuffleAmount = 0;
    std::int32_t shuffleDivision = 2;
    std::int32_t delayDivision = 2;
    std::int32_t delayFeedback = 60;
    std::int32_t delayRepeats = 3;
    std::int32_t humanizeTiming = 0; // ms
    std::int32_t humanizeVolume = 0; // %
    std::uint64_t humanizeSeed = 0;
    bool interpolate = true;
};

/// The per-beat work of a render run: the voice table, the block buffer, triggering,
/// echoes, stop events and mixing. Owned by one render thread; no locking of its own.
class BlockRenderer
{
public:
    static constexpr std::int32_t MaxBlockValues = 264599;
    static constexpr std::int32_t BufferValues = 264600;

    BlockRenderer();
    ~BlockRenderer();
    BlockRenderer(const BlockRenderer&) = delete;
    BlockRenderer& operator=(const BlockRenderer&) = delete;

    /// Blocks with at least this many voice frames are mixed by two threads, in chunks of
    /// ChunkFrames frames that either thread takes as it comes free.
    static constexpr std::int64_t ParallelWork = 60000;
    static constexpr std::int32_t ChunkFrames = 4096;

    /// Sets BlockValues for the tempo and zeroes that much of the buffer. Throws for bpm 0.
    std::int32_t beginBlock(std::int32_t bpm);
    /// Starts a voice for every event of pattern k's play window (the caller holds the song
    /// lock and has bound the pattern's sounds). While a copy is resampled the stage text of
    /// flags (when given) says so. Humanize moves each event by its own offsets; one that
    /// would start before the block is kept at the block's start.
    void trigger(core::TSong& song,
                 int k,
                 library::SoundLibrary& lib,
                 StretchCache& cache,
                 const BlockSettings& settings,
                 RequestFlags* flags);
    void spawnEchoes(const BlockSettings& settings);
    void applyStopEvents();
    /// The block's voices are set: a mixing thread that sleeps starts to wake, so that it is
    /// ready when mix() shares the block out.
    void prepareMix();
    /// Mixes every active voice into the block; returns the saturated value count.
    std::int32_t mix(StretchCache& cache, const BlockSettings& settings);

    std::int32_t blockValues() const { return m_blockValues; }
    std::int32_t voicesStarted() const { return m_voicesStarted; }
    int activeVoices() const;
    /// A sound whose stretched or pitched copy did not fit in the cache's budget since the
    /// last call, with the bytes it asked for; empty name when none. The voice stayed silent.
    struct RefusedCopy
    {
        std::string sound;
        std::int64_t bytes = 0;
    };
    RefusedCopy takeRefusedCopy();
    const std::int16_t* block() const { return m_buffer.data(); }
    std::int16_t* block() { return m_buffer.data(); }
    VoiceTable& voices() { return *m_voices; }
    void clearVoices();
    /// Mix with the reference loop on this thread alone instead of the vector loop on two
    /// threads (tests compare both).
    void setScalarMixing(bool scalar) { m_scalar = scalar; }

private:
    /// One voice's samples for one block: samples[0..count) go to frames offset.. .
    struct Run
    {
        std::int32_t offset = 0;
        std::int32_t count = 0;
        const std::int16_t* samples = nullptr;
        MixGain gain;
    };
    std::int32_t mixRuns(std::int32_t from, std::int32_t to);
    int freeVoice(int from) const;
    /// Which pass of pattern k this block plays, for humanize: its placement's first song beat
    /// in song mode, else the passes counted since the pattern began to play in this run.
    std::int32_t patternPass(const core::TPattern& pat, int k);
    void releaseIfLast(StretchCache& cache, int j);

    std::unique_ptr<VoiceTable> m_voices;
    std::vector<Run> m_runs;
    std::vector<library::SampleDataPtr> m_ending; // samples of voices that end this block
    std::vector<std::int16_t> m_buffer;
    std::int32_t m_blockValues = 0;
    std::int32_t m_voicesStarted = 0;
    RefusedCopy m_refused;
    struct PassCount
    {
        std::int32_t passes = -1; // none seen yet
        std::int32_t lastFrom = 0;
    };
    std::vector<PassCount> m_passes; // per pattern index, while it plays alone
    bool m_scalar = false;
    std::unique_ptr<class MixWorker> m_worker; // started for the first large block; goes first
};

} // namespace bw::audio
