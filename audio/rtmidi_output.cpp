#include "audio/rtmidi_output.h"

#include <RtMidi.h>
#include <filesystem>

namespace bw::audio {

namespace {

constexpr const char* ClientName = "Beatwright";
constexpr const char* OwnPort = "Beatwright Clock";

void Quiet(RtMidiError::Type, const std::string&, void*)
{}

void Remember(RtMidiError::Type, const std::string& text, void* user)
{
    auto& first = *static_cast<std::string*>(user);
    if (first.empty()) {
        first = text;
    }
}

} // namespace

RtMidiOutputSink::RtMidiOutputSink()
{
    std::vector<RtMidi::Api> apis;
    std::error_code ec;
    if (std::filesystem::exists("/dev/snd/seq", ec)) {
        apis.push_back(RtMidi::LINUX_ALSA);
    }
    apis.push_back(RtMidi::UNIX_JACK);
    for (const RtMidi::Api a : apis) {
        try {
            auto out = std::make_unique<RtMidiOut>(a, ClientName);
            // As for the input: JACK's client only warns when no server runs.
            std::string warning;
            out->setErrorCallback(&Remember, &warning);
            out->getPortCount();
            if (!warning.empty()) {
                m_why = warning;
                continue;
            }
            out->setErrorCallback(&Quiet, nullptr);
            out->openVirtualPort(OwnPort);
            m_own = std::move(out);
            m_why.clear();
            return;
        } catch (const RtMidiError& e) {
            m_why = e.getMessage();
        }
    }
    m_why = "MIDI output is off: neither the ALSA sequencer nor a JACK server is there (" +
            (m_why.empty() ? std::string("no MIDI service") : m_why) + ")";
}

RtMidiOutputSink::~RtMidiOutputSink() = default;

std::vector<std::string> RtMidiOutputSink::ports()
{
    std::vector<std::string> out;
    if (!m_own) {
        return out;
    }
    try {
        const unsigned n = m_own->getPortCount();
        for (unsigned i = 0; i < n; ++i) {
            std::string name = m_own->getPortName(i);
            if (!name.empty() && name.rfind(ClientName, 0) != 0) {
                out.push_back(std::move(name));
            }
        }
    } catch (const RtMidiError&) {
    }
    return out;
}

bool RtMidiOutputSink::connect(const std::string& port)
{
    std::unique_ptr<RtMidiOut> chosen;
    if (m_own && !port.empty()) {
        try {
            auto out = std::make_unique<RtMidiOut>(m_own->getCurrentApi(), ClientName);
            out->setErrorCallback(&Quiet, nullptr);
            const unsigned n = out->getPortCount();
            for (unsigned i = 0; i < n; ++i) {
                if (out->getPortName(i) == port) {
                    out->openPort(i, ClientName);
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
