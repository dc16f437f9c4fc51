#pragma once

#include "audio/engine_host.h"
#include "core/song.h"

#include <algorithm>
#include <cstdint>
#include <deque>

namespace bw::audio {

/// Notes in the report that pattern k sounds in the block (the caller holds the song lock):
/// the first such pattern, the set of them and, for the pattern shown, its play window.
inline void NoteSounding(BlockReport& report, const core::TSong& song, int k)
{
    if (report.soundingPattern < 0) {
        report.soundingPattern = k;
    }
    if (k < 64) {
        report.soundingPatterns |= std::uint64_t{1} << k;
    }
    const core::TPattern& p = song.pattern(k);
    if (k == song.CurrentPattern && p.PlayActive == 1) {
        const std::int32_t beats = core::PlayedBeats(p);
        report.patternSounds = true;
        report.playFromSlot = std::clamp(p.PlayFrom * 256 / beats, 0, 256);
        report.playToSlot = std::clamp(p.PlayTo * 256 / beats, 0, 256);
    }
}

/// The display reports of blocks handed to the sound device, held back until each block
/// begins to sound: a block is rendered ahead of the device (a quarter of a second to a whole
/// beat through the player, a few milliseconds through the program's open output), and the
/// display should show what is heard. Durations are in the unit of the output's queue (the
/// player's shares, or frames); one render thread uses it.
class HeardReports
{
public:
    /// A block was written to the player, which queued `queued` of duration for it.
    void written(const BlockReport& report, std::int32_t queued)
    {
        m_pending.push_back({report, m_written});
        m_written += queued;
    }

    /// More of the block last reported was written (it is handed on in steps).
    void wrote(std::int32_t queued) { m_written += queued; }

    /// Hands deliver every report whose block has begun to sound, in order, given the
    /// duration the player still has queued: what was written minus that has been played.
    template <typename F> void deliverDue(std::int32_t queuedNow, F&& deliver)
    {
        const std::int64_t played = m_written - queuedNow;
        while (!m_pending.empty() && m_pending.front().start <= played) {
            const BlockReport report = m_pending.front().report;
            m_pending.pop_front();
            deliver(report);
        }
    }

    /// The player was reset: what it held will never sound.
    void clear()
    {
        m_pending.clear();
        m_written = 0;
    }

    bool empty() const { return m_pending.empty(); }

private:
    struct Pending
    {
        BlockReport report;
        std::int64_t start = 0; // duration written before the block
    };
    std::deque<Pending> m_pending;
    std::int64_t m_written = 0;
};

} // namespace bw::audio
