#pragma once

#include "audio/mixer.h"
#include "core/song.h"
#include "library/sound_library.h"

#include <cstdint>

namespace bw::library {
class SoundLibrary;
}

namespace bw::audio {

/// One event of the working copy as the engine would play it, ready for the live voices:
/// the samples (the sound's own, or a pitched or stretched copy made here), how many of them
/// sound, and the gain of the event's volume, the track's volume and pan and the master
/// volume.
struct EventSound
{
    library::SampleDataPtr data; // empty when the event does not sound
    std::int32_t count = 0;
    MixGain gain;
};

/// The sound of the working copy's event at track, slot (the caller holds the song lock). No
/// sound for an empty slot, a muted track, a track without a sound, or a copy that would be
/// longer than MaxCopySeconds (it would take long to make on the caller's thread).
EventSound
MakeEventSound(const core::TSong& song, int track, int slot, const library::SoundLibrary& lib);

/// The sound of a hit of track at volume (a pad played): as an event of that volume with no
/// pitch or pan of its own.
EventSound MakeHitSound(const core::TSong& song,
                        int track,
                        std::int32_t volume,
                        const library::SoundLibrary& lib);

inline constexpr int MaxCopySeconds = 30;

} // namespace bw::audio
