#include "audio/device_mix.h"

#include <chrono>
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
        // A run that ended after it sounded plays out what it left under its own name, so
        // that the clock and the notes that follow it go on until its last frame is heard.
        m_playingOut = (run & 1U) == 0 && run == m_runSeen + 1 && m_runSounded;
        m_runSeen = run;
        if (!m_playingOut) {
            m_runSounded = false;
            m_runHeld = 0;
            m_runFrames = 0;
            publishClock(run, 0, 0);
        }
    }
    const auto wanted = static_cast<std::uint64_t>(count);
    // A run starts sounding only once a whole callback's worth is queued: starting on the
    // first step alone would play it, a gap, and the rest (a click at every Play on a busy
    // machine). A run that has ended plays out whatever it left, and a device asking more than
    // the engine keeps queued is not held for long.
    if ((run & 1U) != 0 && !m_runSounded && m_stream.queued() < wanted && m_runHeld < MostHeld) {
        ++m_runHeld;
        std::memset(frames, 0, wanted * 2 * sizeof(std::int16_t));
        m_voices.mixInto(frames, count);
        return;
    }
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
    if (m_playingOut && got == 0) {
        m_playingOut = false; // the ended run's last frame has been played
        publishClock(run, 0, 0);
    }
    if (((run & 1U) != 0 || m_playingOut) && got > 0) {
        publishClock(m_playingOut ? run - 1 : run, got,
                     std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count());
        m_runFrames += got;
    }
    m_voices.mixInto(frames, count);
}

void DeviceMix::publishClock(std::uint32_t run, std::uint64_t count, std::int64_t timeNs) noexcept
{
    // A sequence lock in sequentially consistent operations (a handful per callback): a reader
    // that saw any value of this write also sees the odd count, and retries.
    const std::uint32_t s = m_clockSequence.load();
    m_clockSequence.store(s + 1);
    m_clockRun.store(run);
    m_clockFrames.store(m_runFrames);
    m_clockCount.store(static_cast<std::uint32_t>(count));
    m_clockTime.store(timeNs);
    m_clockSequence.store(s + 2);
}

RunClockReading DeviceMix::readRunClock() const
{
    RunClockReading r;
    for (;;) {
        const std::uint32_t before = m_clockSequence.load();
        r.run = m_clockRun.load();
        r.frames = m_clockFrames.load();
        r.count = m_clockCount.load();
        r.timeNs = m_clockTime.load();
        if ((before & 1U) == 0 && m_clockSequence.load() == before) {
            return r;
        }
    }
}

} // namespace bw::audio
