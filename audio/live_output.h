#pragma once

#include "audio/device_mix.h"
#include "audio/engine_stream.h"
#include "audio/midi_note_out.h"
#include "audio/output_device.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bw::audio {

/// Where the output stands, as its keeper last saw it.
enum class OutputStatus
{
    Closed,  // not opened yet, or closed for good
    Opening, // the keeper is opening it
    Open,    // the device plays
    Failed,  // the last open failed (error says why)
    Lost,    // the device went away while open (device names it)
};

/// A copy of the output's state for the windows.
struct OutputState
{
    OutputStatus status = OutputStatus::Closed;
    std::string device; // the device open, opening or lost
    std::string error;  // why the last open failed
    std::string driver;
    std::vector<std::string> devices; // the output devices last listed
    OutputChoice opened;              // what the open device was opened with
    std::uint64_t losses = 0;         // devices lost so far
    std::uint64_t returns = 0;        // reopened by itself after a loss
};

/// The program's sound output for as long as it runs: keeps one device open, plays the
/// render engine's stream and the live voices through it (DeviceMix), watches it and opens
/// it again. A keeper thread of its own does every call to the device, which may take long
/// or hang (a sound server that does not answer): the program's threads only ever wait for
/// it within bounds. A few times a second it asks the device whether it is still there (and
/// counts the callbacks: a device that stops calling for two seconds has stalled); a lost
/// device is closed and its loss published; when a device appears the chosen one (or the
/// system default) is opened again.
///
/// Threads: the controlling thread (the UI) calls open, choose, state, voices and shutDown;
/// the render thread the EngineStream members; the device's callback only DeviceMix::render.
class LiveOutput final : public EngineStream
{
public:
    /// How long the keeper waits without a callback before it takes the device as stalled.
    static constexpr std::chrono::milliseconds StallTime{2000};
    /// How long a run waits for the device to open before it gives up.
    static constexpr std::chrono::milliseconds OpenTime{8000};

    explicit LiveOutput(OutputDeviceFactory factory);
    /// shutDown(500 ms).
    ~LiveOutput() override;
    LiveOutput(const LiveOutput&) = delete;
    LiveOutput& operator=(const LiveOutput&) = delete;

    /// Remembers the choice for the next open (the next Play opens it when it differs from
    /// the open device's).
    void choose(const OutputChoice& choice);
    OutputChoice choice() const;
    /// Opens the chosen device now (after closing the open one), on the keeper thread.
    void open();
    /// Lists the output devices again (on the keeper thread; state() has them after).
    void refreshDevices();
    OutputState state() const;
    /// The live voices: start and collect on the controlling thread.
    LiveVoices& voices();
    /// Underruns of the current (or last) run.
    std::uint64_t runUnderruns() const;
    /// The device's callbacks so far.
    std::uint64_t callbacks() const;
    /// The frames of the playing run the device has taken (MIDI clock out follows them).
    const RunClock& runClock() const;
    /// Closes the device and ends the keeper, waiting at most limit. False when the device
    /// did not close in time: the keeper then finishes by itself, keeping what the device
    /// uses alive until then.
    bool shutDown(std::chrono::milliseconds limit);

    // EngineStream (render thread)
    void begin(const std::atomic<bool>& stop) override;
    int bufferFrames() const override;
    std::int64_t queuedFrames() const override;
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override;
    bool playing() const override;
    void end(bool drop) override;
    PlayedNoteFeed* playedNotes() override;
    std::uint32_t runId() const override;
    /// The notes of the events the runs play, for MIDI out (wanted while it sends them).
    PlayedNoteFeed& noteFeed() { return m_notes; }

private:
    struct Shared;
    static void keep(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_keeper;
    std::atomic<std::uint64_t> m_runUnderrunBase{0}; // set by the render thread
    PlayedNoteFeed m_notes;
};

} // namespace bw::audio
