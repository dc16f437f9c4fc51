#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace bw::audio {

/// A second thread that shares the mixing of a block with the render thread. The block is cut
/// into chunks of frames that either thread takes as it comes free, so a worker that wakes
/// late (a busy machine, a sleeping core) only takes fewer chunks and never holds up the
/// block: the render thread waits at most for the chunk the worker is mixing. Frames are
/// independent, so how the chunks are shared changes no result.
class MixWorker
{
public:
    MixWorker();
    ~MixWorker();
    MixWorker(const MixWorker&) = delete;
    MixWorker& operator=(const MixWorker&) = delete;

    using Chunk = void (*)(void* context, int chunk);
    /// Runs chunk(context, i) once for every i in 0..count-1 (count at most 65535), on this
    /// thread and the worker, and returns when every one has finished. Allocates nothing,
    /// so the render loop can call it every block. One caller at a time.
    void forEachChunk(int count, Chunk chunk, void* context);
    /// Wakes the worker ahead of the next forEachChunk, so that its wake-up overlaps the work
    /// the caller still does before it; the worker waits briefly for the chunks, then sleeps.
    void wake();

private:
    void loop();
    /// Takes and runs chunks of the given round until none is left to take.
    void help(std::uint32_t round);

    // The round (high 32 bits), the chunk count (bits 16..31) and the next chunk to take
    // (bits 0..15), in one word so that a chunk is only ever taken in the round it belongs to.
    std::atomic<std::uint64_t> m_work{0};
    std::atomic<int> m_finished{0};        // chunks of the current round that have run
    std::atomic<std::uint32_t> m_round{0}; // the latest round, what the worker sleeps on
    std::uint32_t m_lastRound = 0;         // the caller's own count of rounds
    std::atomic<Chunk> m_chunk{nullptr};
    std::atomic<void*> m_context{nullptr};
    std::atomic<bool> m_quit{false};
    std::uint64_t m_wakeups = 0; // wake() calls; guarded by m_mutex
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};

} // namespace bw::audio
