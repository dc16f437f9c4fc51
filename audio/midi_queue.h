#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace bw::audio {

/// One short MIDI message as it came in, with the time it was taken (steady clock, ns).
struct MidiMessage
{
    std::int64_t timeNs = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

/// A single-producer single-consumer ring of MIDI messages: the MIDI thread pushes, the UI
/// thread pops. No lock and no allocation on either side; a message that finds the ring full
/// is dropped (counted), since the MIDI thread must never wait.
class MidiQueue
{
public:
    static constexpr std::size_t Capacity = 1024; // a power of two

    /// MIDI thread only.
    bool push(const MidiMessage& m)
    {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        const std::size_t tail = m_tail.load(std::memory_order_acquire);
        if (head - tail >= Capacity) {
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        m_ring[head & (Capacity - 1)] = m;
        m_head.store(head + 1, std::memory_order_release);
        return true;
    }

    /// Consumer thread only. False when the ring is empty.
    bool pop(MidiMessage& out)
    {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire)) {
            return false;
        }
        out = m_ring[tail & (Capacity - 1)];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    /// Messages dropped on a full ring since the start. Any thread.
    std::uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::array<MidiMessage, Capacity> m_ring{};
    alignas(64) std::atomic<std::size_t> m_head{0};
    alignas(64) std::atomic<std::size_t> m_tail{0};
    std::atomic<std::uint64_t> m_dropped{0};
};

} // namespace bw::audio
