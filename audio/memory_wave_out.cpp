#include "audio/memory_wave_out.h"

#include <utility>

namespace bw::audio {

std::vector<std::uint8_t> MemoryWaveCapture::bytes() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::vector<std::uint32_t> MemoryWaveCapture::bufferLengths() const
{
    std::lock_guard lock(m_mutex);
    return m_lengths;
}

std::vector<WaveFormat> MemoryWaveCapture::opens() const
{
    std::lock_guard lock(m_mutex);
    return m_opens;
}

std::size_t MemoryWaveCapture::bufferCount() const
{
    std::lock_guard lock(m_mutex);
    return m_lengths.size();
}

int MemoryWaveCapture::resetCount() const
{
    std::lock_guard lock(m_mutex);
    return m_resets;
}

int MemoryWaveCapture::closeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_closes;
}

void MemoryWaveCapture::clear()
{
    std::lock_guard lock(m_mutex);
    m_bytes.clear();
    m_lengths.clear();
    m_opens.clear();
    m_resets = 0;
    m_closes = 0;
}

MemoryWaveOut::MemoryWaveOut(Mode mode, std::shared_ptr<MemoryWaveCapture> capture)
    : m_mode(mode), m_capture(capture ? std::move(capture) : std::make_shared<MemoryWaveCapture>())
{}

void MemoryWaveOut::open(int rate, int bits, int channels, DoneCallback done)
{
    std::lock_guard lock(m_mutex);
    if (!m_openFailure.empty()) {
        std::string message = std::move(m_openFailure);
        m_openFailure.clear();
        throw WaveOutError(message);
    }
    m_done = std::move(done);
    m_open = true;
    m_pending.clear();
    std::lock_guard captureLock(m_capture->m_mutex);
    m_capture->m_opens.push_back(WaveFormat{rate, bits, channels});
}

void MemoryWaveOut::queue(WaveBuffer* buffer)
{
    std::lock_guard lock(m_mutex);
    if (!m_queueFailure.empty()) {
        std::string message = std::move(m_queueFailure);
        m_queueFailure.clear();
        throw WaveOutError(message);
    }
    {
        std::lock_guard captureLock(m_capture->m_mutex);
        const std::uint8_t* data = buffer->data.get();
        m_capture->m_bytes.insert(m_capture->m_bytes.end(), data, data + buffer->length);
        m_capture->m_lengths.push_back(buffer->length);
    }
    if (m_mode == Mode::Immediate) {
        if (m_done) {
            m_done(buffer);
        }
    } else {
        m_pending.push_back(buffer);
    }
}

void MemoryWaveOut::reset()
{
    std::lock_guard lock(m_mutex);
    for (WaveBuffer* b : m_pending) {
        if (m_done) {
            m_done(b);
        }
    }
    m_pending.clear();
    std::lock_guard captureLock(m_capture->m_mutex);
    ++m_capture->m_resets;
}

void MemoryWaveOut::close()
{
    std::lock_guard lock(m_mutex);
    // Anything still pending would point at buffers the player is about to free.
    m_pending.clear();
    m_done = nullptr;
    m_open = false;
    std::lock_guard captureLock(m_capture->m_mutex);
    ++m_capture->m_closes;
}

bool MemoryWaveOut::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

bool MemoryWaveOut::completeNext()
{
    std::lock_guard lock(m_mutex);
    if (m_pending.empty()) {
        return false;
    }
    WaveBuffer* b = m_pending.front();
    m_pending.pop_front();
    if (m_done) {
        m_done(b);
    }
    return true;
}

std::size_t MemoryWaveOut::completeAll()
{
    std::size_t n = 0;
    while (completeNext()) {
        ++n;
    }
    return n;
}

std::size_t MemoryWaveOut::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_pending.size();
}

void MemoryWaveOut::failNextOpen(std::string message)
{
    std::lock_guard lock(m_mutex);
    m_openFailure = std::move(message);
}

void MemoryWaveOut::failNextQueue(std::string message)
{
    std::lock_guard lock(m_mutex);
    m_queueFailure = std::move(message);
}

} // namespace bw::audio
