#include "audio/midi_input.h"

#include "core/note_map.h"

#include <algorithm>
#include <utility>

namespace bw::audio {

const std::vector<std::string>& MidiPortKeeper::rescan()
{
    const std::vector<std::string> present =
        m_source.available() ? m_source.ports() : std::vector<std::string>{};
    const auto has = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    // A port that went is closed: its handle belongs to a client that is no more.
    for (auto it = m_connected.begin(); it != m_connected.end();) {
        if (!has(present, *it) || (!m_chosen.empty() && !has(m_chosen, *it))) {
            m_source.disconnect(*it);
            it = m_connected.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& port : present) {
        const bool wanted = m_chosen.empty() || has(m_chosen, port);
        if (wanted && !has(m_connected, port) && m_source.connect(port)) {
            m_connected.push_back(port);
        }
    }
    return m_connected;
}

std::int32_t VolumeOfVelocity(int velocity)
{
    return std::clamp(std::clamp(velocity, 0, 127) * 10000 / 127, 2, 10000);
}

PadHit RoutePad(const core::TSong& song, const MidiMessage& m)
{
    PadHit hit;
    if ((m.status & 0xF0) != 0x90 || m.data2 == 0) {
        return hit; // not a note on (velocity 0 is a note off)
    }
    const int channel = (m.status & 0x0F) + 1;
    if (song.MidiChannel != 0 && song.MidiChannel != channel) {
        return hit;
    }
    hit.note = m.data1 & 0x7F;
    hit.volume = VolumeOfVelocity(m.data2);
    hit.track = core::TrackOfNote(song, hit.note);
    return hit;
}

bool MidiLearn::take(core::TSong& song, const PadHit& hit)
{
    if (m_track < 0 || hit.note < 0) {
        return false;
    }
    const int track = std::exchange(m_track, -1);
    if (track >= core::MaxTracks) {
        return false;
    }
    for (auto& n : song.TrackNotes) {
        if (n == hit.note) {
            n = -1;
        }
    }
    song.TrackNotes[static_cast<std::size_t>(track)] = hit.note;
    return true;
}

} // namespace bw::audio
