#include "audio/stem_writers.h"

namespace bw::audio {

StemWriters::~StemWriters()
{
    stop();
}

void StemWriters::write(const std::vector<ExportFileWriter*>& files,
                        std::int32_t frames,
                        const std::function<void(std::size_t, std::vector<std::int16_t>&)>& take)
{
    if (files.empty() || frames <= 0) {
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_threads.empty()) {
        m_quit = false;
        for (int i = 0; i < Threads; ++i) {
            m_threads.emplace_back(&StemWriters::run, this, i);
        }
    }
    Batch& batch = m_batches[m_published % 2];
    m_changed.wait(lock, [&] { return batch.writing == 0; });
    rethrowLocked();
    lock.unlock();
    // The writers keep off this batch until it is published.
    batch.files = files;
    batch.frames = frames;
    if (batch.blocks.size() < files.size()) {
        batch.blocks.resize(files.size());
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        take(i, batch.blocks[i]);
    }
    lock.lock();
    batch.writing = Threads;
    ++m_published;
    m_changed.notify_all();
}

void StemWriters::flush()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_batches[0].writing == 0 && m_batches[1].writing == 0; });
    rethrowLocked();
}

void StemWriters::stop()
{
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_quit = true;
        m_changed.notify_all();
    }
    for (auto& t : m_threads) {
        t.join();
    }
    m_threads.clear();
    std::lock_guard<std::mutex> g(m_mutex);
    m_batches[0].writing = 0;
    m_batches[1].writing = 0;
    m_published = 0;
    m_error = nullptr;
}

void StemWriters::rethrowLocked()
{
    if (m_error) {
        std::exception_ptr error = m_error;
        m_error = nullptr;
        std::rethrow_exception(error);
    }
}

void StemWriters::run(int index)
{
    std::uint64_t done = 0; // batches this thread has written
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_quit || m_published > done; });
        if (m_quit) {
            return;
        }
        Batch& batch = m_batches[done % 2];
        const bool failed = m_error != nullptr;
        lock.unlock();
        std::exception_ptr error;
        if (!failed) {
            try {
                for (std::size_t i = static_cast<std::size_t>(index); i < batch.files.size();
                     i += Threads) {
                    batch.files[i]->writeStereo(batch.blocks[i].data(), batch.frames);
                }
            } catch (...) {
                error = std::current_exception();
            }
        }
        lock.lock();
        if (error && !m_error) {
            m_error = error;
        }
        --batch.writing;
        ++done;
        m_changed.notify_all();
    }
}

} // namespace bw::audio
