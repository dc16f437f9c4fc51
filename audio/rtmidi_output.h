#pragma once

#include "audio/midi_clock.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiOut;

namespace bw::audio {

/// MIDI output through RtMidi, on the same service as the input (the ALSA sequencer where it
/// exists, else a running JACK server): the client "Beatwright" with an output port of its own
/// ("Beatwright Clock") that other programs can connect to, and optionally a connection to one
/// chosen port. available() is false where neither service works.
class RtMidiOutputSink : public MidiOutputSink
{
public:
    RtMidiOutputSink();
    ~RtMidiOutputSink() override;
    RtMidiOutputSink(const RtMidiOutputSink&) = delete;
    RtMidiOutputSink& operator=(const RtMidiOutputSink&) = delete;

    bool available() const override { return m_own != nullptr; }
    std::vector<std::string> ports() override;
    bool connect(const std::string& port) override;
    void send(const MidiBytes& message) override;
    /// Why there is no MIDI output ("" while there is).
    const std::string& why() const { return m_why; }

private:
    std::mutex m_mutex; // the chosen connection: changed on the UI thread, used by the clock's
    std::unique_ptr<RtMidiOut> m_own;    // the program's own port, also lists the ports
    std::unique_ptr<RtMidiOut> m_chosen; // the port chosen, when one is
    std::string m_why;
};

} // namespace bw::audio
