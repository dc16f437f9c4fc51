#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace bw::audio {

/// A single-producer single-consumer ring: one thread pushes, one other pops. No lock and no
/// allocation on either side; an item that finds the ring full is dropped (counted), since the
/// producer must never wait.
template <typename T, std::size_t N> class SpscRing
{
    static_assert(N > 0 && (N & (N - 1)) == 0, "the capacity is a power of two");

public:
    static constexpr std::size_t Capacity = N;

    /// Producer thread only.
    bool push(const T& item)
    {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        const std::size_t tail = m_tail.load(std::memory_order_acquire);
        if (head - tail >= Capacity) {
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        m_ring[head & (Capacity - 1)] = item;
        m_head.store(head + 1, std::memory_order_release);
        return true;
    }

    /// Consumer thread only. False when the ring is empty.
    bool pop(T& out)
    {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire)) {
            return false;
        }
        out = m_ring[tail & (Capacity - 1)];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    /// Items dropped on a full ring since the start. Any thread.
    std::uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::array<T, Capacity> m_ring{};
    std::atomic<std::size_t> m_head{0};
    std::atomic<std::size_t> m_tail{0};
    std::atomic<std::uint64_t> m_dropped{0};
};

} // namespace bw::audio
