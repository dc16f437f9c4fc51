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
    void Write(const void* data, std::int32_t length, std::int32_t duration);
    void Start();
    void Reset();
    void Close();

    std::int32_t QueuedDuration() const { return m_queued.load(); }
    std::uint8_t State() const { return m_state.load(); } // 0 closed, 1 idle, 2 playing
    bool HoldBack() const { return m_holdBack; }
    std::int32_t InFlight() const { return m_inFlight.load(); }
    int count() const { return m_count; }
    int bufferSize() const { return m_bufferSize; }
    /// Buffer i of the table (tests look at lengths and shares).
    const WaveBuffer* buffer(int i) const { return m_table[static_cast<std::size_t>(i)].get(); }

private:
    void send(WaveBuffer* b);
    void bufferDone(WaveBuffer* b);

    std::unique_ptr<WaveOut> m_out;
    std::atomic<std::int32_t> m_queued{0};
    std::atomic<std::uint8_t> m_state{0};
    std::atomic<std::int32_t> m_inFlight{0};
    int m_bufferSize = 4096;
    int m_count = 0;
    bool m_holdBack = false;
    std::array<std::unique_ptr<WaveBuffer>, TableSlots> m_table;
};

} // namespace bw::audio
