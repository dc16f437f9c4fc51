#pragma once

#include "audio/output_device.h"

#include <string>
#include <vector>

namespace bw::ui {

/// The output device and buffer size chosen in the "Wave Output" window, kept between starts
/// in the user's settings (QSettings). An unset or unknown buffer size reads as the default.
audio::OutputChoice LoadOutputChoice();
void SaveOutputChoice(const audio::OutputChoice& choice);

/// What the "MIDI" window chose, kept between starts the same way.
struct MidiChoice
{
    /// The input ports listened to; empty: every port found.
    std::vector<std::string> inputPorts;
    /// Whether MIDI clock goes out while playing (to the program's own port, and to
    /// outputPort when one is chosen).
    bool clockOut = true;
    /// Whether each event played goes out as a note too, to the same ports.
    bool notesOut = false;
    std::string outputPort;
};
MidiChoice LoadMidiChoice();
void SaveMidiChoice(const MidiChoice& choice);

} // namespace bw::ui
