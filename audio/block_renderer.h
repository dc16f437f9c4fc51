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
    /// Mixes every active voice into the block; returns the saturated value count. The same
    /// as planMix, mixFrames over the whole block (on two threads when it is large) and
    /// endMix.
    std::int32_t mix(StretchCache& cache, const BlockSettings& settings);

    /// Works out what every active voice plays in this block, and moves the voices on to the
    /// next one; nothing is mixed yet.
    void planMix(StretchCache& cache, const BlockSettings& settings);
    /// Mixes the planned voices into frames [from, to) of the block, on this thread; returns
    /// the saturated value count. Frames are independent: mixing a block in steps gives the
    /// same samples and count as mixing it at once.
    std::int32_t mixFrames(std::int32_t from, std::int32_t to);
    /// The block is mixed: the samples of voices that ended in it may go.
    void endMix();

    /// Notes, for the voices pattern k's events have just started, where they came from and
    /// the master volume they start with (for followSong).
    void noteSources(int pattern, std::int32_t masterVolume);
    /// Takes the song's mute, volume and pan of each noted voice's track and its master volume
    /// as they are now into the rest of the planned block; a voice whose track no longer
    /// plays its sound keeps what it was planned with. The caller holds the song lock. When
    /// nothing changed since the voices started, the gains are exactly those planned.
    void followSong(const core::TSong& song);

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
    /// Keeps, besides the mix, each track's own sum in a block of its own (its echoes included,
    /// saturated at 16 bits on its own, untouched by the saturation of the mix). For stems.
    void setStems(bool on) { m_stemsOn = on; }
    /// Track t's own block of the last mix; nullptr while the track has not sounded in the run.
    const std::int16_t* stemBlock(int track) const;
    /// Hands track's stem block over by swapping it with buffer (which gets BufferValues values
    /// first): the next block starts from a cleared buffer, and no block is copied.
    void takeStemBlock(int track, std::vector<std::int16_t>& buffer);
    /// The sound of the first voice that made track t sound in the run (-1 before).
    std::int32_t stemSound(int track) const;
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
        bool muted = false; // its track is muted now (followSong): not mixed
        // What followSong needs: the planned gain and where the voice came from.
        MixGain planned;
        std::int32_t pattern = -1;
        std::int32_t track = 0;
        std::int32_t sound = 0;
        std::int32_t panOffset = 0;
        std::int32_t volume = 0;
        std::int32_t trackVolume = 0;
        std::int32_t master = 0;
        std::int32_t pan = 0;
    };
    std::int32_t mixRuns(std::int32_t from, std::int32_t to);
    /// Gives track its own block at its first voice of the run (stems only).
    void noteStem(int track, std::int32_t sound);
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
    std::int64_t m_work = 0; // voice frames planned for the block
    RefusedCopy m_refused;
    struct PassCount
    {
        std::int32_t passes = -1; // none seen yet
        std::int32_t lastFrom = 0;
    };
    std::vector<PassCount> m_passes; // per pattern index, while it plays alone
    bool m_scalar = false;
    bool m_stemsOn = false;
    // Per track: its own block once it has sounded (stereo frames like m_buffer), and the sound
    // that first made it sound.
    std::vector<std::vector<std::int16_t>> m_stems;
    std::vector<std::int32_t> m_stemSounds;
    std::unique_ptr<class MixWorker> m_worker; // started for the first large block; goes first
};

} // namespace bw::audio
