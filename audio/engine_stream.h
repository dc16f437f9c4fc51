#pragma once

#include <atomic>
#include <cstdint>

namespace bw::audio {

struct PlayedNoteFeed;

/// The sound output a render run plays through when the program keeps its device open
/// (LiveOutput): the run writes stereo frames a short step at a time, and the device takes
/// them at its own pace. Every member is called on the render thread.
class EngineStream
{
public:
    virtual ~EngineStream() = default;

    /// Starts a run: opens the device if it is not open (or was chosen anew since), waiting
    /// for it while stop stays false, and drops anything an earlier run left. Throws
    /// WaveOutError with the system's text when no device can be opened.
    virtual void begin(const std::atomic<bool>& stop) = 0;
    /// The device's buffer in frames: the run renders in steps of at most this and keeps
    /// about two of them queued.
    virtual int bufferFrames() const = 0;
    /// Frames written and not yet taken by the device.
    virtual std::int64_t queuedFrames() const = 0;
    /// Appends count interleaved stereo frames; returns how many fitted.
    virtual std::int64_t write(const std::int16_t* frames, std::int64_t count) = 0;
    /// False once the device has gone or stopped taking frames: the run ends.
    virtual bool playing() const = 0;
    /// The run writes no more. With drop, what is still queued is discarded (Stop);
    /// without, it plays out.
    virtual void end(bool drop) = 0;
    /// Where the run sends a note for each event it starts (MIDI out), tagged with runId() and
    /// the event's frame counted from the run's first frame written; null while nobody
    /// wants them.
    virtual PlayedNoteFeed* playedNotes() { return nullptr; }
    /// The output's run that begin() started (what RunClockReading::run reads while it plays).
    virtual std::uint32_t runId() const { return 0; }
};

} // namespace bw::audio
