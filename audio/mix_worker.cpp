#include "audio/mix_worker.h"

#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BW_PAUSE() _mm_pause()
#else
#define BW_PAUSE() std::this_thread::yield()
#endif

namespace bw::audio {

namespace {

// How long the worker stays awake for the next block before it sleeps. Blocks of an export
// follow each other within a fraction of a millisecond; a worker that sleeps costs the next
// block only the chunks it takes late, so a short spin is enough and leaves the core to
// other work on a busy machine.
constexpr auto SpinTime = std::chrono::microseconds(100);

constexpr std::uint64_t roundOf(std::uint64_t work)
{
    return work >> 32;
}
constexpr int countOf(std::uint64_t work)
{
    return static_cast<int>((work >> 16) & 0xFFFF);
}
constexpr int nextOf(std::uint64_t work)
{
    return static_cast<int>(work & 0xFFFF);
}

} // namespace

MixWorker::MixWorker() : m_thread([this] { loop(); })
{}

MixWorker::~MixWorker()
{
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void MixWorker::forEachChunk(int count, Chunk chunk, void* context)
{
    const std::uint32_t round = ++m_lastRound;
    m_chunk.store(chunk, std::memory_order_relaxed);
    m_context.store(context, std::memory_order_relaxed);
    m_finished.store(0, std::memory_order_relaxed);
    m_work.store((static_cast<std::uint64_t>(round) << 32) |
                     (static_cast<std::uint64_t>(count) << 16),
                 std::memory_order_release);
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_round = round;
    }
    m_wake.notify_one();
    help(round);
    // Only the chunks the worker has taken are left; each is a small part of the block.
    int spins = 0;
    while (m_finished.load(std::memory_order_acquire) != count) {
        if (++spins < 20000) {
            BW_PAUSE();
        } else {
            std::this_thread::yield();
        }
    }
}

void MixWorker::wake()
{
    {
        std::lock_guard<std::mutex> g(m_mutex);
        ++m_wakeups;
    }
    m_wake.notify_one();
}

void MixWorker::help(std::uint32_t round)
{
    std::uint64_t work = m_work.load(std::memory_order_acquire);
    for (;;) {
        if (roundOf(work) != round || nextOf(work) >= countOf(work)) {
            return;
        }
        // The chunk is ours only if the word still names this round: a worker that wakes
        // after its round has ended takes nothing of the next one.
        if (!m_work.compare_exchange_weak(work, work + 1, std::memory_order_acq_rel)) {
            continue;
        }
        m_chunk.load(std::memory_order_relaxed)(m_context.load(std::memory_order_relaxed),
                                                nextOf(work));
        m_finished.fetch_add(1, std::memory_order_release);
        work = m_work.load(std::memory_order_acquire);
    }
}

void MixWorker::loop()
{
    std::uint32_t seen = 0;
    std::uint64_t wakeups = 0;
    for (;;) {
        const auto until = std::chrono::steady_clock::now() + SpinTime;
        while (m_round.load() == seen && !m_quit.load() &&
               std::chrono::steady_clock::now() < until) {
            for (int i = 0; i < 16; ++i) {
                BW_PAUSE();
            }
        }
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] {
                return m_round.load() != seen || m_quit.load() || m_wakeups != wakeups;
            });
            wakeups = m_wakeups;
            if (m_quit.load()) {
                return;
            }
            if (m_round.load() == seen) {
                continue; // woken ahead of a round: wait for it awake
            }
            seen = m_round.load();
        }
        help(seen);
    }
}

} // namespace bw::audio
