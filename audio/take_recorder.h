#pragma once

#include "core/song.h"

#include <cstdint>

namespace bw::audio {

/// Places pads played during playback on the grid of the pattern that sounds. It learns when
/// each beat of the current pattern began to be heard (the display reports arrive as their
/// block begins to sound, so the device's output latency is already behind them) and puts a
/// hit at the grid step nearest to the moment it was played. Times are steady-clock ns; one
/// thread (the UI's).
class TakeRecorder
{
public:
    /// The beat holding the current pattern's slots fromSlot .. toSlot (its play window) began
    /// to sound at timeNs and lasts beatNs.
    void beatHeard(std::int64_t timeNs, int fromSlot, int toSlot, std::int64_t beatNs);
    /// The current pattern does not sound now (another plays, or playback ended).
    void silent() { m_beatNs = 0; }

    /// The slot of a pattern of beats x ticks steps that a hit at timeNs lands on: the nearest
    /// grid step (the pattern's end wraps to its start), or -1 while the pattern does not
    /// sound or the last beat heard is long past.
    int slotOf(std::int64_t timeNs, int beats, int ticks) const;

private:
    std::int64_t m_start = 0;
    std::int64_t m_beatNs = 0;
    int m_from = 0;
    int m_to = 0;
};

/// Writes a recorded hit into the working copy: the event at track, slot takes volume (kept
/// within 2..10000). A hit on an existing event replaces its volume and keeps its pitch and
/// pan; the louder of two hits in one take is not looked for: the last one played wins.
void RecordHit(core::TSong& song, int track, int slot, std::int32_t volume);

} // namespace bw::audio
