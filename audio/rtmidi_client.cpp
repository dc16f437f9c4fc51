#include "audio/rtmidi_client.h"

#include <filesystem>

namespace bw::audio::rtmidi {

void Quiet(RtMidiError::Type, const std::string&, void*)
{}

void RememberFirst(RtMidiError::Type, const std::string& text, void* user)
{
    auto& first = *static_cast<std::string*>(user);
    if (first.empty()) {
        first = text;
    }
}

std::vector<RtMidi::Api> Services()
{
    std::vector<RtMidi::Api> apis;
    std::error_code ec;
    if (std::filesystem::exists("/dev/snd/seq", ec)) {
        apis.push_back(RtMidi::LINUX_ALSA);
    }
    apis.push_back(RtMidi::UNIX_JACK);
    return apis;
}

std::vector<std::string> OtherPorts(RtMidi& client)
{
    std::vector<std::string> out;
    try {
        const unsigned n = client.getPortCount();
        for (unsigned i = 0; i < n; ++i) {
            std::string name = client.getPortName(i);
            // Our own ports: connecting them to themselves would echo.
            if (!name.empty() && name.rfind(ClientName, 0) != 0) {
                out.push_back(std::move(name));
            }
        }
    } catch (const RtMidiError&) {
        // A port that went while listed: the next rescan sees the rest.
    }
    return out;
}

} // namespace bw::audio::rtmidi
