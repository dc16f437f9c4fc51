#pragma once

#include "audio/output_device.h"
#include "audio/wave_out.h"

namespace bw::ui {

/// Where the program's sound goes.
struct SoundOutputs
{
    /// The output kept open while the program runs, for playback and the live voices
    /// (previews). Empty: none; playback then runs through `player`, or into nothing.
    audio::OutputDeviceFactory device;
    /// A device of its own for each user of the output player: the wave player demo, and
    /// playback when there is no `device`. Empty: an output that discards.
    audio::WaveOutFactory player;
};

} // namespace bw::ui
