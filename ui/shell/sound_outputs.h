#pragma once

#include "audio/midi_clock.h"
#include "audio/midi_input.h"
#include "audio/output_device.h"
#include "audio/wave_out.h"

#include <functional>
#include <memory>

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
    /// Makes the MIDI input the pads come in through. Empty: no MIDI input.
    std::function<std::unique_ptr<audio::MidiInputSource>()> midi;
    /// Makes the MIDI output clock out goes through (needs `device`). Empty: no MIDI output.
    std::function<std::unique_ptr<audio::MidiOutputSink>()> midiOut;
};

} // namespace bw::ui
