#pragma once

#include "audio/spsc_ring.h"

#include <cstdint>

namespace bw::audio {

/// One short MIDI message as it came in, with the time it was taken (steady clock, ns).
struct MidiMessage
{
    std::int64_t timeNs = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

/// The messages that came in: the MIDI thread pushes, the UI thread pops.
using MidiQueue = SpscRing<MidiMessage, 1024>;

} // namespace bw::audio
