#pragma once

#include "audio/midi_input.h"
#include "audio/take_recorder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QTimer>

namespace bw::ui {

class EditorContext;
class Transport;

/// Pads and keys: takes what the MIDI input brought in, plays the track of each note on the
/// live voices (with the track's sound, volume, pan and transpose, ending the sound of its
/// stop target), and binds a note to a track while learning. Every few milliseconds it takes
/// the messages waiting; every 1.5 s it looks for ports that came or went. UI thread.
class MidiPads : public QObject
{
    Q_OBJECT

public:
    /// source may be null: no MIDI input.
    MidiPads(EditorContext& context,
             Transport& transport,
             std::unique_ptr<audio::MidiInputSource> source,
             QObject* parent);
    ~MidiPads() override;

    /// Whether there is MIDI input at all.
    bool available() const { return m_source && m_source->available(); }
    /// Binds the next note on to track.
    void learn(int track) { m_learn.arm(track); }
    bool learning() const { return m_learn.armed(); }
    /// The ports to listen to (empty: every port found), remembered between starts.
    void choosePorts(const std::vector<std::string>& ports);
    const std::vector<std::string>& connectedPorts() const { return m_keeper->connected(); }
    /// The input ports found now.
    std::vector<std::string> ports() { return m_source->ports(); }
    /// Takes and handles what came in (the timer calls it; tests may too).
    void poll();
    /// Connects ports that came and forgets those that went (the timer calls it).
    void rescan();

    /// Record: while playing, each pad hit is also written into the pattern being played, at
    /// the grid step nearest to when it was heard. Turning it off ends the take.
    void setRecording(bool on);
    bool recording() const { return m_recording; }

    /// The choke group a track's pad sounds in: a new hit of the track, or of a track whose
    /// sound stops this one's, ends it.
    static int trackGroup(int track) { return 2 + track; }

signals:
    /// A pad played track at volume; timeNs: when the message came in (steady clock).
    void padHit(int track, std::int32_t volume, std::int64_t timeNs);
    /// Learning bound note to track (the song's map changed).
    void learned(int track, int note);
    /// A hit was written into the working copy (the first of a take opens it).
    void recorded(int track, int slot);
    /// The take ended: Record was turned off or playback stopped.
    void takeEnded();

private:
    void handle(const audio::MidiMessage& m);

    EditorContext& m_context;
    Transport& m_transport;
    std::unique_ptr<audio::MidiInputSource> m_source;
    std::unique_ptr<audio::MidiPortKeeper> m_keeper;
    audio::MidiLearn m_learn;
    audio::TakeRecorder m_take;
    bool m_recording = false;
    std::vector<audio::MidiMessage> m_messages;
    QTimer m_poll;
    QTimer m_rescan;
};

} // namespace bw::ui
