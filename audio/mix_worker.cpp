#include "audio/mix_worker.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BW_PAUSE() _mm_pause()
#else
#define BW_PAUSE() std::this_thread::yield()
#endif

namespace bw::audio {

namespace {
constexpr int SpinRounds = 20000; // about a block's worth of waiting at export speed
}

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

void MixWorker::post(Job job, void* context)
{
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_job = job;
        m_context = context;
        m_posted.fetch_add(1);
    }
    m_wake.notify_one();
}

void MixWorker::wait()
{
    const std::uint64_t target = m_posted.load();
    int spins = 0;
    while (m_done.load() != target) {
        if (++spins < SpinRounds) {
            BW_PAUSE();
        } else {
            std::this_thread::yield();
        }
    }
}

void MixWorker::loop()
{
    std::uint64_t seen = 0;
    for (;;) {
        int spins = 0;
        while (m_posted.load() == seen && !m_quit.load() && ++spins < SpinRounds) {
            BW_PAUSE();
        }
        Job job = nullptr;
        void* context = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_posted.load() != seen || m_quit.load(); });
            if (m_posted.load() == seen && m_quit.load()) {
                return;
            }
            job = m_job;
            context = m_context;
            seen = m_posted.load();
        }
        job(context);
        m_done.store(seen);
    }
}

} // namespace bw::audio
