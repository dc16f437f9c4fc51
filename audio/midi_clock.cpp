#include "audio/midi_clock.h"

#include "audio/midi_note_out.h"
#include "library/sound_library.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace bw::audio {

namespace {

MidiBytes One(std::uint8_t status)
{
    return MidiBytes{{status, 0, 0}, 1};
}

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// After a stall the device's clock stops too; this bounds what one turn sends regardless.
constexpr int MostPulsesAtOnce = 96;

} // namespace

double FramesPerBeatAt(int bpm)
{
    if (bpm <= 0) {
        return 0.0;
    }
    // A minute of frames over the tempo, in whole frames as the engine cuts its beats.
    const int frames = library::SampleRate * 60 / bpm;
    return static_cast<double>(frames);
}

void MidiClockSchedule::start(double startBeat, double framesPerBeat, std::vector<MidiBytes>& out)
{
    m_running = true;
    m_framesPerBeat = framesPerBeat;
    m_baseFrame = 0;
    m_basePulse = 0;
    m_next = 0;
    // The pointer counts sixteenths (six pulses each) and holds 14 bits.
    const auto sixteenths =
        static_cast<int>(std::clamp(std::floor(startBeat * 4 + 1e-9), 0.0, 16383.0));
    if (sixteenths == 0) {
        out.push_back(One(MidiStart));
        return;
    }
    out.push_back(MidiBytes{{MidiSongPosition, static_cast<std::uint8_t>(sixteenths & 0x7F),
                             static_cast<std::uint8_t>(sixteenths >> 7)},
                            3});
    out.push_back(One(MidiContinue));
}

void MidiClockSchedule::setFramesPerBeat(double framesPerBeat, double frame)
{
    if (!m_running || framesPerBeat <= 0 || framesPerBeat == m_framesPerBeat) {
        m_framesPerBeat = m_running ? m_framesPerBeat : framesPerBeat;
        return;
    }
    // The next pulse comes one new pulse's time after the last one sent, so the change never
    // makes a jump; with none sent yet, the run's start stays the first pulse's place.
    if (m_next > 0) {
        const double last = m_baseFrame + static_cast<double>(m_next - 1 - m_basePulse) *
                                              m_framesPerBeat / ClockPulsesPerBeat;
        m_baseFrame = std::min(last, frame);
        m_basePulse = m_next - 1;
    }
    m_framesPerBeat = framesPerBeat;
}

void MidiClockSchedule::advance(double frame, std::vector<MidiBytes>& out)
{
    if (!m_running || m_framesPerBeat <= 0) {
        return;
    }
    for (int sent = 0; sent < MostPulsesAtOnce; ++sent) {
        const double due = m_baseFrame + static_cast<double>(m_next - m_basePulse) *
                                             m_framesPerBeat / ClockPulsesPerBeat;
        if (due > frame) {
            return;
        }
        out.push_back(One(MidiTimingClock));
        ++m_next;
    }
}

void MidiClockSchedule::stop(std::vector<MidiBytes>& out)
{
    if (m_running) {
        out.push_back(One(MidiStop));
    }
    m_running = false;
}

double PlayedFramesAt(const RunClockReading& r, std::int64_t nowNs)
{
    if (r.timeNs == 0) {
        return static_cast<double>(r.frames);
    }
    const double since =
        static_cast<double>(nowNs - r.timeNs) * library::SampleRate / 1'000'000'000.0;
    return static_cast<double>(r.frames) + std::clamp(since, 0.0, static_cast<double>(r.count));
}

MidiClockOut::MidiClockOut(const RunClock& clock,
                           std::unique_ptr<MidiOutputSink> sink,
                           PlayedNoteFeed* notes)
    : m_clock(clock), m_sink(std::move(sink)), m_notes(notes), m_thread(&MidiClockOut::run, this)
{}

MidiClockOut::~MidiClockOut()
{
    m_quit = true;
    m_thread.join();
}

void MidiClockOut::setEnabled(bool on)
{
    m_enabled = on;
}

void MidiClockOut::setNotesEnabled(bool on)
{
    m_notesEnabled = on;
    if (m_notes != nullptr) {
        m_notes->wanted = on;
    }
}

void MidiClockOut::prepare(double startBeat, double framesPerBeat)
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_startBeat = startBeat;
    m_framesPerBeat = framesPerBeat;
}

void MidiClockOut::setBeatFrames(double framesPerBeat)
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_framesPerBeat = framesPerBeat;
}

void MidiClockOut::run()
{
    MidiClockSchedule schedule;
    MidiNoteSchedule notes;
    PlayedNote note{};
    std::vector<MidiBytes> out;
    out.reserve(MostPulsesAtOnce + 4 + 2 * MidiNoteSchedule::MostNotes);
    std::uint32_t following = 0; // the run the schedule follows
    std::uint32_t passed = 0;    // a run already playing when the clock could not follow it
    auto next = std::chrono::steady_clock::now();
    while (!m_quit.load()) {
        // A millisecond's turn while pulses go out; between runs a slower one is enough (a
        // start is then at most 5 ms late) and keeps an idle program from waking all the time.
        next += std::chrono::milliseconds(schedule.running() || notes.busy() ? 1 : 5);
        std::this_thread::sleep_until(next);
        const auto now = std::chrono::steady_clock::now();
        if (now - next > std::chrono::milliseconds(50)) {
            next = now; // the thread was held up: no catching up in a burst of turns
        }
        out.clear();
        const RunClockReading r = m_clock.readRunClock();
        const double frames = PlayedFramesAt(r, NowNs());
        double startBeat = 0;
        double framesPerBeat = 0;
        {
            std::lock_guard<std::mutex> g(m_mutex);
            startBeat = m_startBeat;
            framesPerBeat = m_framesPerBeat;
        }
        const bool on = m_enabled.load() && m_sink->available();
        if (schedule.running() && (!on || r.run != following)) {
            schedule.stop(out);
        }
        const bool playing = (r.run & 1U) != 0 && r.timeNs != 0;
        if (!schedule.running() && on && playing && r.run != following && r.run != passed &&
            framesPerBeat > 0) {
            if (frames > framesPerBeat / 4) {
                passed = r.run; // turned on mid-run: the position is not known, wait for the next
            } else {
                following = r.run;
                schedule.start(startBeat, framesPerBeat, out);
            }
        }
        if (schedule.running()) {
            schedule.setFramesPerBeat(framesPerBeat, frames);
            schedule.advance(frames, out);
        }
        const bool notesOn = m_notesEnabled.load() && m_sink->available();
        while (m_notes != nullptr && m_notes->ring.pop(note)) {
            if (notesOn) {
                notes.add(note);
            }
        }
        if (notesOn) {
            // Nothing of a run that has not sounded yet is heard, not even its first frame.
            notes.advance(r.run, r.timeNs != 0 ? frames : -1.0, framesPerBeat, out);
        } else {
            notes.stop(out);
        }
        for (const MidiBytes& m : out) {
            m_sink->send(m);
        }
    }
    out.clear();
    notes.stop(out);
    schedule.stop(out);
    for (const MidiBytes& m : out) {
        m_sink->send(m);
    }
}

} // namespace bw::audio
