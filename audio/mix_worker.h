#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace bw::audio {

/// A second thread that mixes one half of a block while the render thread mixes the other.
/// Frames are independent, so splitting a block by frames changes no result. The worker spins
/// briefly between blocks (exports come back to back) and then sleeps.
class MixWorker
{
public:
    MixWorker();
    ~MixWorker();
    MixWorker(const MixWorker&) = delete;
    MixWorker& operator=(const MixWorker&) = delete;

    using Job = void (*)(void* context);
    /// Runs job(context) on the worker; wait() returns once it has finished. Allocates
    /// nothing, so the render loop can post every block.
    void post(Job job, void* context);
    void wait();

private:
    void loop();

    Job m_job = nullptr;
    void* m_context = nullptr;
    std::atomic<std::uint64_t> m_posted{0};
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<bool> m_quit{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};

} // namespace bw::audio
