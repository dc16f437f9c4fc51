#pragma once

#include "audio/wave_out.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace bw::audio {

/// The format an output was opened with.
struct WaveFormat
{
    int rate = 0;
    int bits = 0;
    int channels = 0;
    bool operator==(const WaveFormat&) const = default;
};

/// What a MemoryWaveOut was given: every queued buffer's bytes in order, and each open.
/// Shared, so a test can keep it after the player that owned the output is gone.
/// All members are safe to call from any thread.
class MemoryWaveCapture
{
public:
    /// Every queued buffer's bytes, concatenated in queue order.
    std::vector<std::uint8_t> bytes() const;
    /// The length of each queued buffer, in queue order.
    std::vector<std::uint32_t> bufferLengths() const;
    /// The format of each open, in order.
    std::vector<WaveFormat> opens() const;
    std::size_t bufferCount() const;
    int resetCount() const;
    int closeCount() const;
    void clear();

private:
    friend class MemoryWaveOut;
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::uint32_t> m_lengths;
    std::vector<WaveFormat> m_opens;
    int m_resets = 0;
    int m_closes = 0;
};

/// An output that plays nothing and captures every queued buffer's bytes at queue time.
/// Immediate: each buffer is reported done inside queue(), on the caller's thread.
/// Manual: buffers stay pending until completeNext()/completeAll() reports them done, from
/// whatever thread calls those; reset() reports all pending ones done.
class MemoryWaveOut : public WaveOut
{
public:
    enum class Mode
    {
        Immediate,
        Manual
    };

    explicit MemoryWaveOut(Mode mode = Mode::Immediate,
                           std::shared_ptr<MemoryWaveCapture> capture = nullptr);

    void open(int rate, int bits, int channels, DoneCallback done) override;
    void queue(WaveBuffer* buffer) override;
    void reset() override;
    void close() override;
    bool isOpen() const override;

    const std::shared_ptr<MemoryWaveCapture>& capture() const { return m_capture; }

    /// Manual mode: reports the oldest pending buffer done. False when none is pending.
    bool completeNext();
    /// Manual mode: reports every pending buffer done; returns how many.
    std::size_t completeAll();
    std::size_t pendingCount() const;

    /// Makes the next open() or queue() fail with this text, as a device error would.
    void failNextOpen(std::string message);
    void failNextQueue(std::string message);

private:
    const Mode m_mode;
    std::shared_ptr<MemoryWaveCapture> m_capture;
    // Held while reporting done, so reset() cannot return while a completion is under way.
    mutable std::mutex m_mutex;
    DoneCallback m_done;
    bool m_open = false;
    std::deque<WaveBuffer*> m_pending;
    std::string m_openFailure;
    std::string m_queueFailure;
};

} // namespace bw::audio
