#pragma once

#include "audio/midi_input.h"

#include <memory>
#include <string>
#include <vector>

class RtMidiIn;

namespace bw::audio {

/// MIDI input through RtMidi: the client "Beatwright" with an input port of its own that other
/// programs can connect to, and one connection per port listened to. The ALSA sequencer is
/// used where it exists, else a running JACK server; with neither, available() is false and
/// why() says so. RtMidi's thread only stamps each short message with the steady clock and
/// pushes it into that port's queue (no lock, allocation or file access there).
class RtMidiInputSource : public MidiInputSource
{
public:
    RtMidiInputSource();
    ~RtMidiInputSource() override;
    RtMidiInputSource(const RtMidiInputSource&) = delete;
    RtMidiInputSource& operator=(const RtMidiInputSource&) = delete;

    bool available() const override { return m_scanner != nullptr; }
    std::vector<std::string> ports() override;
    bool connect(const std::string& port) override;
    void disconnect(const std::string& port) override;
    void take(std::vector<MidiMessage>& out) override;
    /// Why there is no MIDI input ("" while there is).
    const std::string& why() const { return m_why; }

private:
    struct Connection;
    MidiQueue m_queue;                   // what comes in at the program's own port
    std::unique_ptr<RtMidiIn> m_scanner; // lists ports and holds the program's own port
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::string m_why;
};

} // namespace bw::audio
