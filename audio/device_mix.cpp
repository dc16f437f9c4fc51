#include "audio/device_mix.h"

#include <cstring>

namespace bw::audio {

void DeviceMix::setRunActive(bool active)
{
    const std::uint32_t run = m_run.load(std::memory_order_relaxed);
    if (((run & 1U) != 0) != active) {
        m_run.store(run + 1, std::memory_order_release);
    }
}

void DeviceMix::render(std::int16_t* frames, std::int32_t count) noexcept
{
    if (count <= 0) {
        return;
    }
    m_callbacks.fetch_add(1, std::memory_order_relaxed);
    const std::uint32_t run = m_run.load(std::memory_order_acquire);
    if (run != m_runSeen) {
        m_runSeen = run;
        m_runSounded = false;
    }
    const auto wanted = static_cast<std::uint64_t>(count);
    const std::uint64_t got = m_stream.read(frames, wanted);
    if (got < wanted) {
        std::memset(frames + 2 * got, 0, (wanted - got) * 2 * sizeof(std::int16_t));
        if ((run & 1U) != 0 && m_runSounded) {
            m_underruns.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (got > 0) {
        m_runSounded = true;
    }
    m_voices.mixInto(frames, count);
}

} // namespace bw::audio
