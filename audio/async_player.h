#pragma once

#include "audio/wave_out.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace bw::audio {

/// Streams PCM bytes to an output without blocking the caller: writes are cut into device
/// buffers that stay queued until the output reports them played; QueuedDuration is the sum
/// of the duration shares still queued. Write/Start/Reset/Close run on one caller thread
/// (the render thread); the done callback runs on the output's thread.
///
/// Durations are not milliseconds: the engine passes a block's count of 16-bit values
/// × 1000 / 44100, which is milliseconds only in mono. In stereo each frame is two values,
/// so a duration of 500 is 250 ms of sound.
class TAsyncPlayer
{
public:
    static constexpr int TableSlots = 1000;
    static constexpr int MaxBuffers = 998;

    explicit TAsyncPlayer(std::unique_ptr<WaveOut> output);
    ~TAsyncPlayer();
    TAsyncPlayer(const TAsyncPlayer&) = delete;
    TAsyncPlayer& operator=(const TAsyncPlayer&) = delete;

    void Open(int rate, int bits, int channels);
    /// Queues length bytes whose duration is given in the unit above (not ms); returns the
    /// duration it added to the queue (the sum of the buffers' shares, at most duration).
    std::int32_t Write(const void* data, std::int32_t length, std::int32_t duration);
    void Start();
    void Reset();
    void Close();

    /// The duration still queued, in the unit above (500 = 250 ms in stereo).
    std::int32_t QueuedDuration() const { return m_queued.load(); }
    static constexpr std::uint8_t StateClosed = 0;
    static constexpr std::uint8_t StateIdle = 1;    // open, nothing playing
    static constexpr std::uint8_t StatePlaying = 2; // buffers are out at the device
    std::uint8_t State() const { return stateOf(m_flow.load()); }
    bool HoldBack() const { return m_holdBack; }
    std::int32_t InFlight() const { return inFlightOf(m_flow.load()); }
    /// True while the output device is open (caller thread).
    bool isOpen() const { return m_out->isOpen(); }
    int count() const { return m_count; }
    int bufferSize() const { return m_bufferSize; }
    /// Buffer i of the table (tests look at lengths and shares).
    const WaveBuffer* buffer(int i) const { return m_table[static_cast<std::size_t>(i)].get(); }

private:
    /// Past this many buffers a held-back queue starts by itself.
    static constexpr int AutoStartBuffers = 989;

    // State and the in-flight count live in one atomic word (state in bits 32..39, count in
    // the low 32 bits) so that the done callback can drop the count to 0 and mark the player
    // idle in one step, without racing a Write that sends the next buffer.
    static std::uint8_t stateOf(std::uint64_t flow)
    {
        return static_cast<std::uint8_t>(flow >> 32);
    }
    static std::int32_t inFlightOf(std::uint64_t flow)
    {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(flow & 0xFFFFFFFFu));
    }
    static std::uint64_t makeFlow(std::uint8_t state, std::int32_t inFlight)
    {
        return (static_cast<std::uint64_t>(state) << 32) |
               static_cast<std::uint64_t>(static_cast<std::uint32_t>(inFlight));
    }

    WaveBuffer* freeBuffer() const;
    WaveBuffer* allocateBuffer();
    void setPlaying();
    void send(WaveBuffer* b);
    void bufferDone(WaveBuffer* b); // output thread

    std::unique_ptr<WaveOut> m_out;
    std::atomic<std::int32_t> m_queued{0};
    std::atomic<std::uint64_t> m_flow{0};
    int m_bufferSize = 4096;
    int m_count = 0;
    bool m_holdBack = false;
    std::array<std::unique_ptr<WaveBuffer>, TableSlots> m_table;
};

} // namespace bw::audio
