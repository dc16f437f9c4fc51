#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

namespace bw::audio {

/// Interleaved 16-bit stereo frames on their way from the render thread (the one writer) to
/// the device callback (the one reader): a fixed ring allocated once, two counters and no
/// lock. The writer may drop what is queued (Stop) without the reader's help, so that a
/// device that has stalled never holds up the render thread: the reader skips the dropped
/// frames when it next runs.
class StreamRing
{
public:
    static constexpr std::uint64_t Capacity = 16384; // frames, a power of two (0.37 s)

    StreamRing() : m_frames(std::make_unique<std::int16_t[]>(2 * Capacity)) {}

    // Writer (the render thread).

    /// Frames written and not yet read nor dropped.
    std::uint64_t queued() const
    {
        const std::uint64_t written = m_written.load(std::memory_order_relaxed);
        return written - std::max(m_read.load(std::memory_order_acquire),
                                  m_dropTo.load(std::memory_order_relaxed));
    }
    /// Frames that can be written now without reaching frames the reader may still read.
    std::uint64_t room() const
    {
        return Capacity -
               (m_written.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire));
    }
    /// Appends up to count frames; returns how many fitted.
    std::uint64_t write(const std::int16_t* frames, std::uint64_t count)
    {
        const std::uint64_t n = std::min(count, room());
        const std::uint64_t written = m_written.load(std::memory_order_relaxed);
        const std::uint64_t at = written % Capacity;
        const std::uint64_t first = std::min(n, Capacity - at);
        std::memcpy(m_frames.get() + 2 * at, frames, first * 2 * sizeof(std::int16_t));
        std::memcpy(m_frames.get(), frames + 2 * first, (n - first) * 2 * sizeof(std::int16_t));
        m_written.store(written + n, std::memory_order_release);
        return n;
    }
    /// Drops every frame written so far: the reader goes on from the next one written.
    void drop()
    {
        m_dropTo.store(m_written.load(std::memory_order_relaxed), std::memory_order_release);
    }

    // Reader (the device callback; or whoever owns the device once its callback can no
    // longer run).

    /// Copies up to count frames into out; returns how many there were.
    std::uint64_t read(std::int16_t* out, std::uint64_t count)
    {
        std::uint64_t read = std::max(m_read.load(std::memory_order_relaxed),
                                      m_dropTo.load(std::memory_order_acquire));
        const std::uint64_t available = m_written.load(std::memory_order_acquire) - read;
        const std::uint64_t n = std::min(count, available);
        const std::uint64_t at = read % Capacity;
        const std::uint64_t first = std::min(n, Capacity - at);
        std::memcpy(out, m_frames.get() + 2 * at, first * 2 * sizeof(std::int16_t));
        std::memcpy(out + 2 * first, m_frames.get(), (n - first) * 2 * sizeof(std::int16_t));
        read += n;
        m_read.store(read, std::memory_order_release);
        return n;
    }
    /// Frames the reader has consumed since the ring was made (dropped ones included).
    std::uint64_t consumed() const { return m_read.load(std::memory_order_acquire); }

private:
    std::unique_ptr<std::int16_t[]> m_frames;
    std::atomic<std::uint64_t> m_written{0}; // the writer's
    std::atomic<std::uint64_t> m_read{0};    // the reader's
    std::atomic<std::uint64_t> m_dropTo{0};  // the writer's: frames before it are dropped
};

} // namespace bw::audio
