#include "audio/rtmidi_input.h"

#include "audio/rtmidi_client.h"

#include <RtMidi.h>
#include <algorithm>
#include <chrono>

namespace bw::audio {

namespace {

/// RtMidi's callback, on its own thread: three bytes and the time into the ring.
void Receive(double /*delta*/, std::vector<unsigned char>* message, void* user)
{
    if (message == nullptr || message->empty() || message->size() > 3) {
        return; // system exclusive and the like play nothing
    }
    MidiMessage m;
    m.timeNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
    m.status = (*message)[0];
    m.data1 = message->size() > 1 ? (*message)[1] : 0;
    m.data2 = message->size() > 2 ? (*message)[2] : 0;
    static_cast<MidiQueue*>(user)->push(m);
}

} // namespace

struct RtMidiInputSource::Connection
{
    MidiQueue queue;              // filled by this connection's thread only
    std::unique_ptr<RtMidiIn> in; // destroyed before the queue: its thread ends first
    std::string name;
};

RtMidiInputSource::RtMidiInputSource()
{
    m_scanner = rtmidi::Open<RtMidiIn>(m_why);
    if (!m_scanner) {
        m_why = "MIDI input is off: neither the ALSA sequencer nor a JACK server is there (" +
                m_why + ")";
        return;
    }
    try {
        m_scanner->openVirtualPort(rtmidi::ClientName);
        m_scanner->ignoreTypes(true, false, true); // clock and transport pass
        m_scanner->setCallback(&Receive, &m_queue);
    } catch (const RtMidiError& e) {
        m_why = e.getMessage();
    }
}

RtMidiInputSource::~RtMidiInputSource() = default;

std::vector<std::string> RtMidiInputSource::ports()
{
    return m_scanner ? rtmidi::OtherPorts(*m_scanner) : std::vector<std::string>{};
}

bool RtMidiInputSource::connect(const std::string& port)
{
    if (!m_scanner) {
        return false;
    }
    try {
        auto in = std::make_unique<RtMidiIn>(m_scanner->getCurrentApi(), rtmidi::ClientName);
        in->setErrorCallback(&rtmidi::Quiet, nullptr);
        const unsigned n = in->getPortCount();
        for (unsigned i = 0; i < n; ++i) {
            if (in->getPortName(i) == port) {
                auto c = std::make_unique<Connection>();
                c->name = port;
                in->openPort(i, rtmidi::ClientName);
                in->ignoreTypes(true, false, true);
                in->setCallback(&Receive, &c->queue);
                c->in = std::move(in);
                m_connections.push_back(std::move(c));
                return true;
            }
        }
    } catch (const RtMidiError&) {
    }
    return false;
}

void RtMidiInputSource::disconnect(const std::string& port)
{
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                       [&port](const auto& c) { return c->name == port; }),
                        m_connections.end());
}

void RtMidiInputSource::take(std::vector<MidiMessage>& out)
{
    const std::size_t first = out.size();
    MidiMessage m;
    while (m_queue.pop(m)) {
        out.push_back(m);
    }
    for (const auto& c : m_connections) {
        while (c->queue.pop(m)) {
            out.push_back(m);
        }
    }
    std::stable_sort(
        out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
        [](const MidiMessage& a, const MidiMessage& b) { return a.timeNs < b.timeNs; });
}

} // namespace bw::audio
