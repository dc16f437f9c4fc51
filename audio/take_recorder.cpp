#include "audio/take_recorder.h"

#include <algorithm>
#include <cmath>

namespace bw::audio {

void TakeRecorder::beatHeard(std::int64_t timeNs, int fromSlot, int toSlot, std::int64_t beatNs)
{
    m_start = timeNs;
    m_beatNs = beatNs;
    m_from = fromSlot;
    m_to = toSlot;
}

int TakeRecorder::slotOf(std::int64_t timeNs, int beats, int ticks) const
{
    if (m_beatNs <= 0 || beats < 1 || ticks < 1) {
        return -1;
    }
    const std::int64_t since = timeNs - m_start;
    // Two beats without a report: playback has moved on to what this one does not know.
    if (since > 2 * m_beatNs || since < -m_beatNs) {
        return -1;
    }
    const double exact =
        m_from + static_cast<double>(since) * (m_to - m_from) / static_cast<double>(m_beatNs);
    const int steps = beats * ticks;
    const auto nearest = static_cast<int>(std::lround(exact * steps / core::SlotResolution));
    const int step = ((nearest % steps) + steps) % steps;
    return core::StepSlot(step, beats, ticks);
}

void RecordHit(core::TSong& song, int track, int slot, std::int32_t volume)
{
    if (track < 0 || track >= core::MaxTracks || slot < 0 || slot >= core::PatternSlots) {
        return;
    }
    core::TNoteEvent& e =
        song.Events[static_cast<std::size_t>(track)][static_cast<std::size_t>(slot)];
    e.Volume = std::clamp(volume, 2, 10000);
}

} // namespace bw::audio
