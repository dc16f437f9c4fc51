#pragma once

#include "audio/output_device.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bw::audio {

/// What a FakeOutputDevice does and what it has played, shared with the test that drives it
/// (it outlives the device). Every member is safe from any thread.
class FakeOutputControl
{
public:
    /// Opens fail with this text while it is not empty.
    void failOpens(std::string text);
    /// The device stops calling back, and closing it hangs until it is released (a sound
    /// server that no longer answers); release() lets it go on.
    void stall();
    void release();
    /// The device goes away: an open device reports itself lost and opens fail until it
    /// returns; its return is reported as a device that appeared.
    void unplug();
    void replug();
    /// Frames per second the device takes (0: as fast as the callback renders).
    void setRate(int framesPerSecond);

    /// Every frame the device played since the last clear (interleaved stereo values).
    std::vector<std::int16_t> played() const;
    std::size_t playedFrames() const;
    void clearPlayed();
    /// Each successful open's choice, in order.
    std::vector<OutputChoice> opens() const;
    int closes() const;

private:
    friend class FakeOutputDevice;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_openFailure;
    bool m_stalled = false;
    bool m_present = true;
    bool m_added = false;
    int m_rate = 44100;
    std::vector<std::int16_t> m_played;
    std::vector<OutputChoice> m_opens;
    int m_closes = 0;
};

/// An output for tests that needs no sound card: once open, a thread of its own calls
/// DeviceMix::render a buffer at a time at the rate the control sets and keeps what was
/// played; the control makes it fail, stall, vanish and return on command.
class FakeOutputDevice final : public OutputDevice
{
public:
    explicit FakeOutputDevice(std::shared_ptr<FakeOutputControl> control);
    ~FakeOutputDevice() override;
    FakeOutputDevice(const FakeOutputDevice&) = delete;
    FakeOutputDevice& operator=(const FakeOutputDevice&) = delete;

    /// The device names the fake lists (the first is what the default opens).
    static constexpr const char* Names[] = {"Fake Speakers", "Fake Headphones"};

    std::string driver() override { return "fake"; }
    std::vector<std::string> devices() override;
    std::string open(const OutputChoice& choice, DeviceMix& mix) override;
    void close() override;
    Health health() override;

private:
    void run(DeviceMix* mix, int bufferFrames);

    std::shared_ptr<FakeOutputControl> m_control;
    std::thread m_thread;
    std::atomic<bool> m_quit{false};
};

/// A factory of fake devices driven by control.
OutputDeviceFactory FakeOutput(const std::shared_ptr<FakeOutputControl>& control);

} // namespace bw::audio
