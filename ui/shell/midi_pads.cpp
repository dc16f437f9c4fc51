#include "ui/shell/midi_pads.h"

#include "audio/event_sound.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"

#include <chrono>

namespace bw::ui {

namespace {

/// A stand-in for a missing source: no ports, nothing in.
class NoMidi : public audio::MidiInputSource
{
public:
    bool available() const override { return false; }
    std::vector<std::string> ports() override { return {}; }
    bool connect(const std::string&) override { return false; }
    void disconnect(const std::string&) override {}
    void take(std::vector<audio::MidiMessage>&) override {}
};

} // namespace

MidiPads::MidiPads(EditorContext& context,
                   Transport& transport,
                   std::unique_ptr<audio::MidiInputSource> source,
                   QObject* parent)
    : QObject(parent), m_context(context), m_transport(transport),
      m_source(source ? std::move(source) : std::make_unique<NoMidi>()),
      m_keeper(std::make_unique<audio::MidiPortKeeper>(*m_source))
{
    m_messages.reserve(audio::MidiQueue::Capacity);
    m_keeper->choose(LoadMidiChoice().inputPorts);
    RenderBridge& bridge = m_context.bridge();
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if (!r.patternSounds) {
            m_take.silent();
            return;
        }
        const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count();
        const int bpm = m_context.withSong([](const core::TSong& s) { return s.Bpm; });
        m_take.beatHeard(now, r.playFromSlot, r.playToSlot, bpm > 0 ? 60'000'000'000LL / bpm : 0);
    });
    connect(&bridge, &RenderBridge::runEnded, this, [this] {
        m_take.silent();
        if (m_recording) {
            emit takeEnded();
        }
    });
    if (!m_source->available()) {
        return; // said once by whoever made the source; no timers for nothing
    }
    // A precise 2 ms turn: a pad is heard within a few ms of its message, well inside the
    // latency of a device buffer.
    m_poll.setTimerType(Qt::PreciseTimer);
    m_poll.setInterval(2);
    connect(&m_poll, &QTimer::timeout, this, &MidiPads::poll);
    m_poll.start();
    m_rescan.setInterval(1500);
    connect(&m_rescan, &QTimer::timeout, this, &MidiPads::rescan);
    m_rescan.start();
    rescan();
}

MidiPads::~MidiPads() = default;

void MidiPads::choosePorts(const std::vector<std::string>& ports)
{
    MidiChoice choice = LoadMidiChoice();
    choice.inputPorts = ports;
    SaveMidiChoice(choice);
    m_keeper->choose(ports);
    rescan();
}

void MidiPads::setRecording(bool on)
{
    if (m_recording && !on) {
        emit takeEnded();
    }
    m_recording = on;
}

void MidiPads::rescan()
{
    m_keeper->rescan();
}

void MidiPads::poll()
{
    m_messages.clear();
    m_source->take(m_messages);
    for (const audio::MidiMessage& m : m_messages) {
        handle(m);
    }
}

void MidiPads::handle(const audio::MidiMessage& m)
{
    int learnedTrack = -1;
    int stopGroup = 0;
    int recordedSlot = -1;
    const bool record = m_recording && m_transport.running();
    audio::EventSound sound;
    const audio::PadHit hit = m_context.withSong([&](core::TSong& s) {
        const audio::PadHit h = audio::RoutePad(s, m);
        const int armed = m_learn.track();
        if (m_learn.take(s, h)) {
            learnedTrack = armed;
            return h;
        }
        if (h.track < 0) {
            return h;
        }
        sound = audio::MakeHitSound(s, h.track, h.volume, m_context.library());
        if (record) {
            recordedSlot = m_take.slotOf(m.timeNs, s.Beats, s.Ticks);
            if (recordedSlot >= 0) {
                audio::RecordHit(s, h.track, recordedSlot, h.volume);
            }
        }
        // The track whose sound this one stops (the open hat a closed hat ends).
        const std::int32_t target = s.Tracks[static_cast<std::size_t>(h.track)].StopTargetIndex;
        for (int t = 0; target >= 0 && t < std::clamp(s.TrackCount, 0, core::MaxTracks); ++t) {
            if (t != h.track && s.Tracks[static_cast<std::size_t>(t)].SoundIndex == target) {
                stopGroup = trackGroup(t);
                break;
            }
        }
        return h;
    });
    if (learnedTrack >= 0) {
        emit learned(learnedTrack, hit.note);
        return;
    }
    if (hit.track < 0) {
        return;
    }
    if (stopGroup > 0) {
        m_transport.stopLive(stopGroup);
    }
    if (sound.data) {
        m_transport.playLive(std::move(sound.data), 0, sound.count, sound.gain,
                             trackGroup(hit.track));
    }
    emit padHit(hit.track, hit.volume, m.timeNs);
    if (recordedSlot >= 0) {
        emit recorded(hit.track, recordedSlot);
    }
}

} // namespace bw::ui
