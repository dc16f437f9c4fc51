#pragma once

#include "core/song.h"
#include "library/sound_library.h"

#include <array>
#include <cstdint>

namespace bw::audio {

/// One entry of the voice table: a sound being played from a start offset.
struct Voice
{
    std::int32_t volume = 0;      // active while > 0
    std::int32_t eventVolume = 0; // the event's own volume (humanized), for its MIDI note
    std::int32_t pitch = 0;
    std::int32_t panOffset = 0;
    std::int32_t track = 0;
    std::int32_t sound = 0;
    std::int32_t start = 0;    // 1/256 beat from the block start; 0 once sounding
    std::int32_t position = 0; // next sample to mix; 0 = not yet sounding
    std::int32_t end = 0;      // last sample to play
    library::SampleDataPtr data;
    std::int32_t flags = 0;
    std::int32_t echo = 0; // 0 for an event's voice, n for the n-th echo
    std::uint8_t delay = 0;
    std::uint8_t ownsCopy = 0;
    core::TTrack settings; // the track's record, its Pan replaced by the voice's pan
    // Where a voice played on the device came from, so that changes to its track and the
    // master volume are heard while it sounds: the pattern (-1: not noted, as in a file
    // render) and the master volume it started with. Echoes take their source's.
    std::int32_t pattern = -1;
    std::int32_t startMaster = 0;

    bool active() const { return volume > 0; }
};

constexpr int VoiceCount = 1501;
using VoiceTable = std::array<Voice, VoiceCount>;

/// Frames from the block start of a voice starting at start (1/256 beat).
inline std::int32_t VoiceOffset(std::int32_t start, std::int32_t blockValues)
{
    return static_cast<std::int32_t>(static_cast<std::int64_t>(start) * blockValues / 256 / 2);
}

} // namespace bw::audio
