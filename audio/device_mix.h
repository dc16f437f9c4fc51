#pragma once

#include "audio/live_voices.h"
#include "audio/midi_clock.h"
#include "audio/stream_ring.h"

#include <atomic>
#include <cstdint>

namespace bw::audio {

/// What the sound device plays while the program runs: the render engine's stream when a run
/// plays, silence otherwise, and the live voices mixed over it. render() is the device
/// callback's whole work: it copies, mixes and counts, and never locks, allocates, logs or
/// touches a file.
class DeviceMix : public RunClock
{
public:
    /// Device callback: fills count interleaved 16-bit stereo frames.
    void render(std::int16_t* frames, std::int32_t count) noexcept;

    StreamRing& stream() { return m_stream; }
    LiveVoices& voices() { return m_voices; }

    /// A render run starts or ends its stream (render thread). A run's first frames wait until
    /// a whole callback's worth is queued; after that, while it plays, a callback that finds
    /// fewer frames than it needs counts an underrun.
    void setRunActive(bool active);
    /// The run's generation: odd while a run plays (render thread, or any thread reading).
    std::uint32_t run() const { return m_run.load(std::memory_order_acquire); }
    /// Underruns since the program started (a run's are the difference over it).
    std::uint64_t underruns() const { return m_underruns.load(std::memory_order_relaxed); }
    /// Callbacks so far: a device that stops calling has stalled.
    std::uint64_t callbacks() const { return m_callbacks.load(std::memory_order_relaxed); }
    /// The run's frames the device has taken so far (any thread): what MIDI clock out follows.
    /// A run that ended reads as playing until the frames it left have been played.
    RunClockReading readRunClock() const override;

private:
    void publishClock(std::uint32_t run, std::uint64_t count, std::int64_t timeNs) noexcept;

    StreamRing m_stream;
    LiveVoices m_voices;
    std::atomic<std::uint64_t> m_underruns{0};
    std::atomic<std::uint64_t> m_callbacks{0};
    // The run's generation: odd while a run plays. The callback compares it with the one it
    // saw last to know whether the run has sounded yet.
    std::atomic<std::uint32_t> m_run{0};
    std::uint32_t m_runSeen = 0;   // callback only
    bool m_runSounded = false;     // callback only
    bool m_playingOut = false;     // callback only: the ended run's last frames still play
    int m_runHeld = 0;             // callback only: callbacks the run's start waited
    std::uint64_t m_runFrames = 0; // callback only: the run's frames taken so far
    // The last reading, published by the callback under a sequence count (odd while it
    // writes) so that a reader sees the four values of one callback.
    std::atomic<std::uint32_t> m_clockSequence{0};
    std::atomic<std::uint32_t> m_clockRun{0};
    std::atomic<std::uint64_t> m_clockFrames{0};
    std::atomic<std::uint32_t> m_clockCount{0};
    std::atomic<std::int64_t> m_clockTime{0};
    static constexpr int MostHeld = 4;
};

} // namespace bw::audio
