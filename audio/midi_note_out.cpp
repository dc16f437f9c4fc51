#include "audio/midi_note_out.h"

#include "audio/midi_file.h"
#include "core/note_map.h"

#include <algorithm>
#include <iterator>

namespace bw::audio {

namespace {

/// Whether run a comes before run b (generations count on and may wrap).
bool Before(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) < 0;
}

} // namespace

void PushPlayedNotes(const VoiceTable& voices,
                     std::int32_t blockValues,
                     const core::TSong& song,
                     int k,
                     std::int64_t blockFrame,
                     std::uint32_t run,
                     PlayedNoteFeed& feed)
{
    const core::TPattern& pat = song.pattern(k);
    for (const Voice& v : voices) {
        if (!v.active() || v.pattern >= 0 || v.echo != 0 || v.track < 0 ||
            v.track >= core::MaxTracks) {
            continue;
        }
        const core::TTrack& track = pat.Tracks[static_cast<std::size_t>(v.track)];
        feed.ring.push(PlayedNote{
            run, blockFrame + VoiceOffset(v.start, blockValues),
            static_cast<std::uint8_t>(std::clamp(core::TrackNote(song, track, v.track), 0, 127)),
            static_cast<std::uint8_t>(VelocityOfVolume(v.eventVolume))});
    }
}

MidiBytes DrumNoteMessage(std::uint8_t note, std::uint8_t velocity)
{
    const auto status = static_cast<std::uint8_t>((velocity > 0 ? 0x90 : 0x80) | MidiDrumChannel);
    return MidiBytes{{status, static_cast<std::uint8_t>(note & 0x7F),
                      static_cast<std::uint8_t>(velocity & 0x7F)},
                     3};
}

MidiNoteSchedule::MidiNoteSchedule()
{
    // Reserved once: the clock's thread does not allocate while a run plays.
    m_waiting.reserve(MostNotes);
    m_sounding.reserve(MostNotes);
}

void MidiNoteSchedule::add(const PlayedNote& note)
{
    if (m_waiting.size() >= MostNotes) {
        return;
    }
    // Notes come a block at a time, track by track: each goes after the last one not later.
    auto at = m_waiting.end();
    while (at != m_waiting.begin()) {
        const PlayedNote& p = *std::prev(at);
        if (Before(p.run, note.run) || (p.run == note.run && p.frame <= note.frame)) {
            break;
        }
        --at;
    }
    m_waiting.insert(at, note);
}

void MidiNoteSchedule::endNote(std::size_t i, std::vector<MidiBytes>& out)
{
    out.push_back(DrumNoteMessage(m_sounding[i].note, 0));
    m_sounding.erase(m_sounding.begin() + static_cast<std::ptrdiff_t>(i));
}

void MidiNoteSchedule::advance(std::uint32_t run,
                               double played,
                               double framesPerBeat,
                               std::vector<MidiBytes>& out)
{
    for (std::size_t i = 0; i < m_sounding.size();) {
        if (m_sounding[i].run != run || m_sounding[i].frame <= played) {
            endNote(i, out);
        } else {
            ++i;
        }
    }
    const bool playing = (run & 1U) != 0;
    const double length = std::max(1.0, framesPerBeat / 8);
    std::size_t done = 0;
    for (; done < m_waiting.size(); ++done) {
        const PlayedNote& n = m_waiting[done];
        if (Before(n.run, run)) {
            continue; // its run ended before it was heard
        }
        if (n.run != run || !playing || static_cast<double>(n.frame) > played) {
            break;
        }
        for (std::size_t i = 0; i < m_sounding.size(); ++i) {
            if (m_sounding[i].note == n.note) {
                endNote(i, out);
                break;
            }
        }
        if (m_sounding.size() >= MostNotes) {
            endNote(0, out); // the oldest: no note is left without its off
        }
        out.push_back(DrumNoteMessage(n.note, std::max<std::uint8_t>(n.velocity, 1)));
        m_sounding.push_back(Off{run, static_cast<double>(n.frame) + length, n.note});
    }
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(done));
}

void MidiNoteSchedule::stop(std::vector<MidiBytes>& out)
{
    while (!m_sounding.empty()) {
        endNote(m_sounding.size() - 1, out);
    }
    m_waiting.clear();
}

} // namespace bw::audio
