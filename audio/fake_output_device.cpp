#include "audio/fake_output_device.h"

#include "audio/device_mix.h"
#include "audio/wave_out.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace bw::audio {

void FakeOutputControl::failOpens(std::string text)
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_openFailure = std::move(text);
}

void FakeOutputControl::stall()
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_stalled = true;
}

void FakeOutputControl::release()
{
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_stalled = false;
    }
    m_changed.notify_all();
}

void FakeOutputControl::unplug()
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_present = false;
}

void FakeOutputControl::replug()
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_present = true;
    m_added = true;
}

void FakeOutputControl::setRate(int framesPerSecond)
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_rate = std::max(framesPerSecond, 0);
}

std::vector<std::int16_t> FakeOutputControl::played() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_played;
}

std::size_t FakeOutputControl::playedFrames() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_played.size() / 2;
}

void FakeOutputControl::clearPlayed()
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_played.clear();
}

std::vector<OutputChoice> FakeOutputControl::opens() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_opens;
}

int FakeOutputControl::closes() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_closes;
}

FakeOutputDevice::FakeOutputDevice(std::shared_ptr<FakeOutputControl> control)
    : m_control(std::move(control))
{}

FakeOutputDevice::~FakeOutputDevice()
{
    close();
}

std::vector<std::string> FakeOutputDevice::devices()
{
    std::lock_guard<std::mutex> g(m_control->m_mutex);
    if (!m_control->m_present) {
        return {};
    }
    return {Names[0], Names[1]};
}

std::string FakeOutputDevice::open(const OutputChoice& choice, DeviceMix& mix)
{
    close();
    std::string name = choice.device.empty() ? std::string(Names[0]) : choice.device;
    {
        std::lock_guard<std::mutex> g(m_control->m_mutex);
        if (!m_control->m_openFailure.empty()) {
            throw WaveOutError(m_control->m_openFailure);
        }
        if (!m_control->m_present || (name != Names[0] && name != Names[1])) {
            throw WaveOutError("No such device");
        }
        m_control->m_opens.push_back(choice);
    }
    m_quit = false;
    const int frames = OutputChoice::validBufferFrames(choice.bufferFrames);
    m_thread = std::thread([this, &mix, frames] { run(&mix, frames); });
    return name;
}

void FakeOutputDevice::run(DeviceMix* mix, int bufferFrames)
{
    using Clock = std::chrono::steady_clock;
    std::vector<std::int16_t> buffer(static_cast<std::size_t>(bufferFrames) * 2);
    auto next = Clock::now();
    FakeOutputControl& c = *m_control;
    while (!m_quit.load()) {
        int rate = 0;
        {
            std::unique_lock<std::mutex> lock(c.m_mutex);
            c.m_changed.wait(lock, [&] { return !c.m_stalled || m_quit.load(); });
            rate = c.m_rate;
        }
        if (m_quit.load()) {
            break;
        }
        mix->render(buffer.data(), bufferFrames);
        {
            std::lock_guard<std::mutex> g(c.m_mutex);
            if (c.m_present) {
                c.m_played.insert(c.m_played.end(), buffer.begin(), buffer.end());
            }
        }
        if (rate > 0) {
            next += std::chrono::microseconds(std::int64_t{bufferFrames} * 1000000 / rate);
            const auto now = Clock::now();
            if (next < now - std::chrono::milliseconds(100)) {
                next = now; // far behind (a busy machine): do not catch up in a burst
            }
            std::this_thread::sleep_until(next);
        } else {
            std::this_thread::yield();
        }
    }
}

void FakeOutputDevice::close()
{
    if (!m_thread.joinable()) {
        return;
    }
    {
        // A stalled device hangs here until it is released.
        std::unique_lock<std::mutex> lock(m_control->m_mutex);
        m_control->m_changed.wait(lock, [this] { return !m_control->m_stalled; });
        ++m_control->m_closes;
        m_quit = true; // under the lock, so that the device's thread cannot miss it
    }
    m_control->m_changed.notify_all();
    m_thread.join();
}

OutputDevice::Health FakeOutputDevice::health()
{
    std::lock_guard<std::mutex> g(m_control->m_mutex);
    Health h;
    h.lost = m_thread.joinable() && !m_control->m_present;
    h.deviceAdded = std::exchange(m_control->m_added, false);
    return h;
}

OutputDeviceFactory FakeOutput(const std::shared_ptr<FakeOutputControl>& control)
{
    return [control] { return std::make_unique<FakeOutputDevice>(control); };
}

} // namespace bw::audio
