#include "audio/rtmidi_output.h"

#include "audio/rtmidi_client.h"

#include <RtMidi.h>

namespace bw::audio {

namespace {

constexpr const char* OwnPort = "Beatwright Clock";

} // namespace

RtMidiOutputSink::RtMidiOutputSink()
{
    std::unique_ptr<RtMidiOut> out = rtmidi::Open<RtMidiOut>(m_why);
    if (!out) {
        m_why = "MIDI output is off: neither the ALSA sequencer nor a JACK server is there (" +
                m_why + ")";
        return;
    }
    try {
        out->openVirtualPort(OwnPort);
        m_own = std::move(out);
    } catch (const RtMidiError& e) {
        m_why = e.getMessage();
    }
}

RtMidiOutputSink::~RtMidiOutputSink() = default;

std::vector<std::string> RtMidiOutputSink::ports()
{
    return m_own ? rtmidi::OtherPorts(*m_own) : std::vector<std::string>{};
}

bool RtMidiOutputSink::connect(const std::string& port)
{
    std::unique_ptr<RtMidiOut> chosen;
    if (m_own && !port.empty()) {
        try {
            auto out = std::make_unique<RtMidiOut>(m_own->getCurrentApi(), rtmidi::ClientName);
            out->setErrorCallback(&rtmidi::Quiet, nullptr);
            const unsigned n = out->getPortCount();
            for (unsigned i = 0; i < n; ++i) {
                if (out->getPortName(i) == port) {
                    out->openPort(i, rtmidi::ClientName);
                    chosen = std::move(out);
                    break;
                }
            }
        } catch (const RtMidiError&) {
            chosen.reset();
        }
    }
    std::lock_guard<std::mutex> g(m_mutex);
    m_chosen = std::move(chosen);
    return port.empty() || m_chosen != nullptr;
}

void RtMidiOutputSink::send(const MidiBytes& message)
{
    if (!m_own || message.size <= 0) {
        return;
    }
    const auto size = static_cast<std::size_t>(message.size);
    try {
        m_own->sendMessage(message.bytes.data(), size);
        std::lock_guard<std::mutex> g(m_mutex);
        if (m_chosen) {
            m_chosen->sendMessage(message.bytes.data(), size);
        }
    } catch (const RtMidiError&) {
        // A port that went: the clock goes on for the others.
    }
}

} // namespace bw::audio
