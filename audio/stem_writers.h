#pragma once

// The threads that write the stems' blocks while the engine renders the next one: writing 16
// files is mostly the kernel copying into the page cache (or the encoder's work), which then
// runs beside the mixing instead of after it.

#include "audio/export_file.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace bw::audio {

/// Two writer threads and two batches of blocks: the render thread fills one batch while the
/// writers write the other. Each file is written by one thread only, its blocks in order.
class StemWriters
{
public:
    StemWriters() = default;
    ~StemWriters();
    StemWriters(const StemWriters&) = delete;
    StemWriters& operator=(const StemWriters&) = delete;

    /// Queues frames of a stereo block for each file (render thread): take(i, buffer) puts file
    /// i's block into buffer, by swapping rather than copying. Waits while both batches are
    /// still being written. Throws what a writer threw on an earlier block.
    void write(const std::vector<ExportFileWriter*>& files,
               std::int32_t frames,
               const std::function<void(std::size_t, std::vector<std::int16_t>&)>& take);
    /// Waits until every queued block is written; throws what a writer threw.
    void flush();
    /// Stops the threads; blocks not written yet are dropped.
    void stop();

private:
    struct Batch
    {
        std::vector<ExportFileWriter*> files;
        std::vector<std::vector<std::int16_t>> blocks; // per file
        std::int32_t frames = 0;
        int writing = 0; // threads still at it
    };
    static constexpr int Threads = 2;

    void run(int index);
    void rethrowLocked();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Batch m_batches[2];
    std::uint64_t m_published = 0;
    bool m_quit = false;
    std::exception_ptr m_error;
    std::vector<std::thread> m_threads;
};

} // namespace bw::audio
