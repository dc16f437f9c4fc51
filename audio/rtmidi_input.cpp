#include "audio/rtmidi_input.h"

#include <RtMidi.h>
#include <algorithm>
#include <chrono>
#include <filesystem>

namespace bw::audio {

namespace {

constexpr const char* ClientName = "Beatwright";

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

/// Errors RtMidi reports while working (a port that went): nothing to do, the next rescan
/// forgets the port. Without this RtMidi prints them.
void Quiet(RtMidiError::Type, const std::string&, void*)
{}

/// Keeps the text of the first error or warning RtMidi reports.
void Remember(RtMidiError::Type, const std::string& text, void* user)
{
    auto& first = *static_cast<std::string*>(user);
    if (first.empty()) {
        first = text;
    }
}

/// Opens an input on the ALSA sequencer where it exists, else on JACK; null when neither
/// works.
std::unique_ptr<RtMidiIn> OpenClient(RtMidi::Api& api, std::string& why)
{
    std::vector<RtMidi::Api> apis;
    std::error_code ec;
    if (std::filesystem::exists("/dev/snd/seq", ec)) {
        apis.push_back(RtMidi::LINUX_ALSA);
    }
    apis.push_back(RtMidi::UNIX_JACK);
    for (const RtMidi::Api a : apis) {
        try {
            auto in = std::make_unique<RtMidiIn>(a, ClientName);
            // RtMidi's JACK client only warns when no server runs, and warns again at every
            // later call: ask once whether it got through, and use it only then.
            std::string warning;
            in->setErrorCallback(&Remember, &warning);
            in->getPortCount();
            if (!warning.empty()) {
                why = warning;
                continue;
            }
            in->setErrorCallback(&Quiet, nullptr);
            if (a == RtMidi::UNIX_JACK) {
                in->openVirtualPort(ClientName);
            }
            api = a;
            return in;
        } catch (const RtMidiError& e) {
            why = e.getMessage();
        }
    }
    if (why.empty()) {
        why = "no MIDI service";
    }
    return nullptr;
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
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    m_scanner = OpenClient(api, m_why);
    if (!m_scanner) {
        m_why = "MIDI input is off: neither the ALSA sequencer nor a JACK server is there (" +
                m_why + ")";
        return;
    }
    try {
        if (api != RtMidi::UNIX_JACK) {
            m_scanner->openVirtualPort(ClientName);
        }
        m_scanner->ignoreTypes(true, false, true); // clock and transport pass
        m_scanner->setCallback(&Receive, &m_queue);
    } catch (const RtMidiError& e) {
        m_why = e.getMessage();
    }
}

RtMidiInputSource::~RtMidiInputSource() = default;

std::vector<std::string> RtMidiInputSource::ports()
{
    std::vector<std::string> out;
    if (!m_scanner) {
        return out;
    }
    try {
        const unsigned n = m_scanner->getPortCount();
        for (unsigned i = 0; i < n; ++i) {
            std::string name = m_scanner->getPortName(i);
            // Our own ports listen already; connecting them to themselves would echo.
            if (!name.empty() && name.rfind(ClientName, 0) != 0) {
                out.push_back(std::move(name));
            }
        }
    } catch (const RtMidiError&) {
        // A port that went while listed: the next rescan sees the rest.
    }
    return out;
}

bool RtMidiInputSource::connect(const std::string& port)
{
    if (!m_scanner) {
        return false;
    }
    try {
        auto in = std::make_unique<RtMidiIn>(m_scanner->getCurrentApi(), ClientName);
        in->setErrorCallback(&Quiet, nullptr);
        const unsigned n = in->getPortCount();
        for (unsigned i = 0; i < n; ++i) {
            if (in->getPortName(i) == port) {
                auto c = std::make_unique<Connection>();
                c->name = port;
                in->openPort(i, ClientName);
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
