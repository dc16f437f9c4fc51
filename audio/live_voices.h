#pragma once

#include "audio/mixer.h"
#include "audio/spsc_ring.h"
#include "library/sound_library.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace bw::audio {

/// Sounds played straight into the device's output, beside the render engine's stream:
/// previews now, pads played live next. A fixed pool of voices is mixed inside the device
/// callback, after the engine's frames, with the engine's per-voice 16-bit saturation.
///
/// Threads: start/stop/collect on one controlling thread (the UI thread); mixInto on the
/// device callback, which never locks or allocates: it takes plain commands from one ring and
/// hands the numbers of finished voices back through another. The controlling thread keeps
/// every sound's samples (shared with the library) until the callback has reported the voice
/// finished, so a sound deleted meanwhile is never freed under the callback. When the device
/// closes, the thread that closed it (its callback can no longer run) calls deviceClosed.
class LiveVoices
{
public:
    static constexpr int VoiceCount = 32;

    LiveVoices() = default;
    LiveVoices(const LiveVoices&) = delete;
    LiveVoices& operator=(const LiveVoices&) = delete;

    /// The gain that plays samples as they are on both channels.
    static MixGain unityGain() { return MixGain{10000, 1000, 1000, true}; }

    /// Plays samples [start, end) of data once from the device's next buffer. A voice started
    /// with a choke group above 0 ends the voices of that group still sounding (a new preview
    /// replaces the one before). False when nothing was started: no samples, or the device
    /// has not taken the commands so far (it has stalled or is closed).
    bool start(library::SampleDataPtr data,
               std::int32_t startSample,
               std::int32_t endSample,
               const MixGain& gain,
               int chokeGroup = 0);
    /// Ends the voices of a choke group (0: every voice) at the device's next buffer.
    bool stop(int chokeGroup = 0);
    /// Releases the samples of voices the device has finished with. Controlling thread.
    void collect();
    /// Voices started and not yet reported finished (controlling thread).
    int pending() const;

    /// Device callback: mixes the sounding voices into count interleaved stereo frames.
    void mixInto(std::int16_t* frames, std::int32_t count) noexcept;
    /// Voices mixed by the callback's last call.
    int sounding() const { return m_sounding.load(std::memory_order_relaxed); }
    /// The device is closed and its callback will not run again: every command is done and
    /// every voice finished. Called by the thread that closed it.
    void deviceClosed() noexcept;

private:
    static constexpr std::size_t Slots = 64; // samples kept by the controlling thread

    struct Command
    {
        enum Kind : std::uint8_t
        {
            Start,
            Stop
        } kind = Start;
        std::uint8_t slot = 0;
        std::int16_t choke = 0;
        const std::int16_t* samples = nullptr;
        std::int32_t count = 0;
        MixGain gain;
    };
    struct Voice
    {
        const std::int16_t* samples = nullptr;
        std::int32_t count = 0;
        std::int32_t position = 0;
        MixGain gain;
        std::int16_t choke = 0;
        std::uint8_t slot = 0;
        bool active = false;
    };

    void apply(const Command& c) noexcept;
    void finish(Voice& v) noexcept;

    // Controlling thread.
    std::array<library::SampleDataPtr, Slots> m_kept;
    int m_pending = 0;
    // Callback (or the thread that closed the device).
    std::array<Voice, VoiceCount> m_voices{};
    // Commands from the controlling thread; finished slots back to it. A slot is reported at
    // most once per start and at most Slots starts are pending, so `done` never overflows.
    SpscRing<Command, 64> m_commands;
    SpscRing<std::uint8_t, Slots> m_done;
    std::atomic<int> m_sounding{0};
};

} // namespace bw::audio
