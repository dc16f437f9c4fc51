#pragma once

// MIDI clock out: 24 pulses per beat, with Start (or Song Position Pointer and Continue) when
// playback starts and Stop when it ends, timed by the frames the sound device has played so
// that the pulses never drift from what is heard.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bw::audio {

struct PlayedNoteFeed;

/// One short message: the bytes and how many of them count.
struct MidiBytes
{
    std::array<std::uint8_t, 3> bytes{};
    int size = 0;
    bool operator==(const MidiBytes&) const = default;
};

inline constexpr std::uint8_t MidiTimingClock = 0xF8;
inline constexpr std::uint8_t MidiStart = 0xFA;
inline constexpr std::uint8_t MidiContinue = 0xFB;
inline constexpr std::uint8_t MidiStop = 0xFC;
inline constexpr std::uint8_t MidiSongPosition = 0xF2;
inline constexpr int ClockPulsesPerBeat = 24;

/// The frames of a beat at bpm, as the engine plays it (a whole number of frames).
double FramesPerBeatAt(int bpm);

/// The clock's arithmetic, without threads or ports: which messages are due once so many of the
/// run's frames have been played.
class MidiClockSchedule
{
public:
    /// A run starts at startBeat (counted from 0) with beats of framesPerBeat frames: a Song
    /// Position Pointer (in sixteenths, at most 16383) and Continue, or Start at beat 0.
    void start(double startBeat, double framesPerBeat, std::vector<MidiBytes>& out);
    /// The tempo changes at frame: pulses after it come at the new rate.
    void setFramesPerBeat(double framesPerBeat, double frame);
    /// Appends the pulses due once frame frames of the run have been played.
    void advance(double frame, std::vector<MidiBytes>& out);
    /// The run ended: Stop.
    void stop(std::vector<MidiBytes>& out);
    bool running() const { return m_running; }
    /// Pulses sent since start().
    std::int64_t pulses() const { return m_next; }

private:
    bool m_running = false;
    double m_framesPerBeat = 0;
    double m_baseFrame = 0; // where m_basePulse falls
    std::int64_t m_basePulse = 0;
    std::int64_t m_next = 0; // the next pulse to send
};

/// Where a run's frames stand: the device's callback notes each buffer of the run it plays.
struct RunClockReading
{
    std::uint32_t run = 0;    // the run's generation: odd while one plays
    std::uint64_t frames = 0; // the run's frames handed to the device before the last buffer
    std::uint32_t count = 0;  // the last buffer's frames of the run
    std::int64_t timeNs = 0;  // when the last buffer was taken (steady clock); 0: none yet
};

/// Reads the played frames of the current run (the program's output implements it).
class RunClock
{
public:
    virtual ~RunClock() = default;
    virtual RunClockReading readRunClock() const = 0;
};

/// The frames played at time nowNs: the last buffer's first frame plus the time since it was
/// taken, never past its last frame (a device that stalls stops the clock).
double PlayedFramesAt(const RunClockReading& r, std::int64_t nowNs);

/// Where MIDI messages go: an output port (RtMidi) or, in tests, a recorder.
class MidiOutputSink
{
public:
    virtual ~MidiOutputSink() = default;
    /// Whether the sink works at all.
    virtual bool available() const = 0;
    /// The output ports other programs offer now.
    virtual std::vector<std::string> ports() = 0;
    /// Sends to the port of that name as well as the sink's own port ("" for none); false
    /// when it cannot be opened.
    virtual bool connect(const std::string& port) = 0;
    /// Sends one message now. Called on the clock's thread only.
    virtual void send(const MidiBytes& message) = 0;
};

/// The clock's thread: every millisecond it reads the run clock and sends what is due, pulses
/// and notes. UI thread: setEnabled, setNotesEnabled, prepare, setBeatFrames.
class MidiClockOut
{
public:
    /// notes (when given) carries the notes the engine plays, sent while setNotesEnabled is on.
    MidiClockOut(const RunClock& clock,
                 std::unique_ptr<MidiOutputSink> sink,
                 PlayedNoteFeed* notes = nullptr);
    ~MidiClockOut();
    MidiClockOut(const MidiClockOut&) = delete;
    MidiClockOut& operator=(const MidiClockOut&) = delete;

    MidiOutputSink& sink() { return *m_sink; }
    /// Off: nothing is sent (a run playing gets its Stop first).
    void setEnabled(bool on);
    bool enabled() const { return m_enabled.load(); }
    /// Each event played goes out as a note too (off: sounding notes end at once).
    void setNotesEnabled(bool on);
    bool notesEnabled() const { return m_notesEnabled.load(); }
    /// The next run starts at beat startBeat with beats of framesPerBeat frames.
    void prepare(double startBeat, double framesPerBeat);
    /// The tempo changed while playing (or before).
    void setBeatFrames(double framesPerBeat);

private:
    void run();

    const RunClock& m_clock;
    std::unique_ptr<MidiOutputSink> m_sink;
    PlayedNoteFeed* m_notes;
    std::atomic<bool> m_enabled{false};
    std::atomic<bool> m_notesEnabled{false};
    std::atomic<bool> m_quit{false};
    std::mutex m_mutex; // guards the two below
    double m_startBeat = 0;
    double m_framesPerBeat = 0;
    std::thread m_thread;
};

} // namespace bw::audio
