#pragma once

#include "audio/midi_queue.h"
#include "core/song.h"

#include <functional>
#include <string>
#include <vector>

namespace bw::audio {

/// A source of MIDI input: the ports it sees and the ones it listens to. The real one speaks
/// through RtMidi (audio/rtmidi_input.h); tests hand in their own. Every call on the UI thread;
/// what comes in waits in lock-free queues (one per port, each filled by one thread) for
/// take().
class MidiInputSource
{
public:
    virtual ~MidiInputSource() = default;
    /// Whether the source works at all (a system without a MIDI service has none).
    virtual bool available() const = 0;
    /// The input ports other programs offer now (the source's own port is not among them).
    virtual std::vector<std::string> ports() = 0;
    /// Starts listening to the port of that name; false when it cannot be opened.
    virtual bool connect(const std::string& port) = 0;
    /// Stops listening to the port (nothing happens for one not connected).
    virtual void disconnect(const std::string& port) = 0;
    /// Appends what came in since the last call, in the order of its time stamps.
    virtual void take(std::vector<MidiMessage>& out) = 0;
};

/// Which ports to listen to: the chosen ones, or with no choice every port found. Keeps the
/// connections in step with the ports that exist: rescan() connects ports that came and
/// forgets those that went. UI thread.
class MidiPortKeeper
{
public:
    explicit MidiPortKeeper(MidiInputSource& source) : m_source(source) {}
    /// The ports to listen to; empty: all of them.
    void choose(std::vector<std::string> ports) { m_chosen = std::move(ports); }
    /// Connects what is wanted and there, drops what went. Returns the ports connected now.
    const std::vector<std::string>& rescan();
    const std::vector<std::string>& connected() const { return m_connected; }

private:
    MidiInputSource& m_source;
    std::vector<std::string> m_chosen;
    std::vector<std::string> m_connected;
};

/// The velocity of a note on as an event volume: linear, 127 gives 10000, never below 2.
std::int32_t VolumeOfVelocity(int velocity);

/// What one message asks for.
struct PadHit
{
    int track = -1; // -1: the message plays no track
    std::int32_t volume = 0;
    int note = -1; // the note of a note on, else -1
};

/// The hit a message makes: a note on (velocity above 0) on the song's channel (any while it
/// is 0) plays the first track of its note in the working copy. The caller holds the song lock.
PadHit RoutePad(const core::TSong& song, const MidiMessage& m);

/// Binds the next note on to a track ("Learn MIDI Note"). UI thread.
class MidiLearn
{
public:
    void arm(int track) { m_track = track; }
    void cancel() { m_track = -1; }
    bool armed() const { return m_track >= 0; }
    int track() const { return m_track; }
    /// When armed and hit holds a note: gives the track that note (a track that had learned
    /// it before gives it up, so one note plays one track) and disarms. Returns whether the
    /// map changed hands; the caller holds the song lock.
    bool take(core::TSong& song, const PadHit& hit);

private:
    int m_track = -1;
};

} // namespace bw::audio
