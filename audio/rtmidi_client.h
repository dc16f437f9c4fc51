#pragma once

// What the program's RtMidi input and output share: the client's name, the services tried in
// order, the error callbacks and the list of other programs' ports. Only the two RtMidi files
// include it.

#include <RtMidi.h>
#include <memory>
#include <string>
#include <vector>

namespace bw::audio::rtmidi {

inline constexpr const char* ClientName = "Beatwright";

/// Errors RtMidi reports while working (a port that went): nothing to do, the next rescan
/// forgets the port. Without this RtMidi prints them.
void Quiet(RtMidiError::Type, const std::string&, void*);

/// Keeps the text of the first error or warning RtMidi reports in *user (a std::string).
void RememberFirst(RtMidiError::Type, const std::string& text, void* user);

/// The ALSA sequencer where it exists, then JACK.
std::vector<RtMidi::Api> Services();

/// Opens a client of type T (RtMidiIn or RtMidiOut) on the first service that answers; null
/// with why set when none does. RtMidi's JACK client only warns when no server runs, and warns
/// again at every later call: it is asked once whether it got through, and used only then.
template <typename T> std::unique_ptr<T> Open(std::string& why)
{
    for (const RtMidi::Api api : Services()) {
        try {
            auto client = std::make_unique<T>(api, ClientName);
            std::string warning;
            client->setErrorCallback(&RememberFirst, &warning);
            client->getPortCount();
            if (!warning.empty()) {
                why = warning;
                continue;
            }
            client->setErrorCallback(&Quiet, nullptr);
            why.clear();
            return client;
        } catch (const RtMidiError& e) {
            why = e.getMessage();
        }
    }
    if (why.empty()) {
        why = "no MIDI service";
    }
    return nullptr;
}

/// The ports other programs offer through client (the program's own ports left out).
std::vector<std::string> OtherPorts(RtMidi& client);

} // namespace bw::audio::rtmidi
