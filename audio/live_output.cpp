#include "audio/live_output.h"

#include "audio/wave_out.h"

#include <exception>
#include <utility>

namespace bw::audio {

namespace {

using Clock = std::chrono::steady_clock;

/// How often the keeper asks the device how it is.
constexpr auto PollInterval = std::chrono::milliseconds(100);

} // namespace

int OutputChoice::validBufferFrames(int frames)
{
    for (const int size : BufferSizes) {
        if (frames <= size) {
            return size;
        }
    }
    return BufferSizes[std::size(BufferSizes) - 1];
}

double BufferMilliseconds(int frames)
{
    return static_cast<double>(frames) * 1000.0 / 44100.0;
}

/// Everything the keeper thread uses: it holds a reference of its own, so that a keeper left
/// behind by shutDown (its device does not close) never reads freed memory.
struct LiveOutput::Shared
{
    explicit Shared(OutputDeviceFactory f) : factory(std::move(f)) {}

    OutputDeviceFactory factory;
    DeviceMix mix;

    mutable std::mutex mutex;
    std::condition_variable wake;    // the keeper waits for requests on it
    std::condition_variable changed; // others wait for the keeper on it
    // Guarded by mutex.
    OutputState state;
    OutputChoice choice;
    std::uint64_t opensAsked = 0; // open requests made
    std::uint64_t opensDone = 0;  // open requests the keeper has carried out
    bool reopening = false;       // the open under way follows a device that appeared
    bool refreshAsked = false;
    bool quit = false;
    bool finished = false;

    std::atomic<bool> playing{false}; // the device is open and takes frames
    std::atomic<int> bufferFrames{OutputChoice::DefaultBufferFrames};

    // Keeper thread only.
    std::unique_ptr<OutputDevice> device;
    bool deviceOpen = false;
    std::uint64_t lastCallbacks = 0;
    Clock::time_point lastProgress;

    void closeDevice()
    {
        if (!deviceOpen) {
            return;
        }
        deviceOpen = false;
        try {
            device->close();
        } catch (...) {
            // Closed as far as the device lets us; its callback has ended.
        }
        // The callback can no longer run: its voices end here and their samples go back.
        mix.voices().deviceClosed();
    }

    /// Opens choice (keeper thread, without the mutex); fills the result into the state.
    void openDevice(const OutputChoice& wanted, std::unique_lock<std::mutex>& lock)
    {
        lock.unlock();
        closeDevice();
        std::string name;
        std::string error;
        std::string driver;
        std::vector<std::string> devices;
        OutputChoice used = wanted; // what the open device was opened with
        if (!device) {
            error = "There is no sound output.";
        } else {
            try {
                name = device->open(wanted, mix);
                deviceOpen = true;
            } catch (const std::exception& e) {
                error = e.what();
            }
            if (!deviceOpen && !wanted.device.empty()) {
                // The chosen device is not there (unplugged, renamed): the system default
                // plays meanwhile, and the next run tries the chosen one again.
                OutputChoice fallback = wanted;
                fallback.device.clear();
                try {
                    name = device->open(fallback, mix);
                    deviceOpen = true;
                    used = fallback;
                } catch (const std::exception&) {
                    // The chosen device's error says more.
                }
            }
            if (deviceOpen) {
                lastCallbacks = mix.callbacks();
                lastProgress = Clock::now();
            }
            try {
                driver = device->driver();
                devices = device->devices();
            } catch (...) {
            }
        }
        lock.lock();
        state.driver = driver;
        state.devices = std::move(devices);
        if (deviceOpen) {
            state.status = OutputStatus::Open;
            state.device = name;
            state.error.clear();
            state.opened = used;
            bufferFrames = used.bufferFrames;
            if (reopening) {
                ++state.returns;
            }
            playing = true;
        } else {
            state.status = OutputStatus::Failed;
            state.error = error.empty() ? "The sound device could not be opened." : error;
        }
        reopening = false;
    }

    /// Asks the device how it is (keeper thread, without the mutex).
    void poll(std::unique_lock<std::mutex>& lock)
    {
        lock.unlock();
        OutputDevice::Health health;
        if (device) {
            try {
                health = device->health();
            } catch (...) {
                health.lost = deviceOpen;
            }
        }
        bool stalled = false;
        if (deviceOpen) {
            const std::uint64_t calls = mix.callbacks();
            const auto now = Clock::now();
            if (calls != lastCallbacks) {
                lastCallbacks = calls;
                lastProgress = now;
            }
            stalled = now - lastProgress > StallTime;
        }
        lock.lock();
        if (deviceOpen && (health.lost || stalled)) {
            // Published before the device is closed: closing a device that hangs may never
            // return, and the program must hear of the loss all the same.
            playing = false;
            state.status = OutputStatus::Lost;
            ++state.losses;
            changed.notify_all();
            lock.unlock();
            closeDevice();
            lock.lock();
            return;
        }
        const bool waiting =
            state.status == OutputStatus::Lost || state.status == OutputStatus::Failed;
        if (!deviceOpen && waiting && health.deviceAdded && opensDone == opensAsked) {
            ++opensAsked;
            reopening = true;
        }
    }
};

LiveOutput::LiveOutput(OutputDeviceFactory factory)
    : m_shared(std::make_shared<Shared>(std::move(factory)))
{
    m_keeper = std::thread([shared = m_shared] { keep(shared); });
}

LiveOutput::~LiveOutput()
{
    shutDown(std::chrono::milliseconds(500));
}

void LiveOutput::keep(const std::shared_ptr<Shared>& shared)
{
    Shared& s = *shared;
    try {
        s.device = s.factory ? s.factory() : nullptr;
    } catch (...) {
        s.device.reset();
    }
    std::unique_lock<std::mutex> lock(s.mutex);
    while (!s.quit) {
        if (s.opensDone < s.opensAsked) {
            const std::uint64_t asked = s.opensAsked;
            const OutputChoice choice = s.choice;
            s.state.status = OutputStatus::Opening;
            s.playing = false;
            s.openDevice(choice, lock);
            s.opensDone = asked;
            s.changed.notify_all();
            continue;
        }
        if (s.refreshAsked) {
            s.refreshAsked = false;
            lock.unlock();
            std::vector<std::string> devices;
            try {
                devices = s.device ? s.device->devices() : std::vector<std::string>{};
            } catch (...) {
            }
            lock.lock();
            s.state.devices = std::move(devices);
            s.changed.notify_all();
            continue;
        }
        if (s.wake.wait_for(lock, PollInterval, [&s] {
                return s.quit || s.opensDone < s.opensAsked || s.refreshAsked;
            })) {
            continue;
        }
        s.poll(lock);
    }
    s.playing = false;
    lock.unlock();
    s.closeDevice();
    s.device.reset();
    lock.lock();
    s.state.status = OutputStatus::Closed;
    s.finished = true;
    s.changed.notify_all();
}

void LiveOutput::choose(const OutputChoice& choice)
{
    std::lock_guard<std::mutex> g(m_shared->mutex);
    m_shared->choice = choice;
    m_shared->choice.bufferFrames = OutputChoice::validBufferFrames(choice.bufferFrames);
}

OutputChoice LiveOutput::choice() const
{
    std::lock_guard<std::mutex> g(m_shared->mutex);
    return m_shared->choice;
}

void LiveOutput::open()
{
    {
        std::lock_guard<std::mutex> g(m_shared->mutex);
        ++m_shared->opensAsked;
    }
    m_shared->wake.notify_all();
}

void LiveOutput::refreshDevices()
{
    {
        std::lock_guard<std::mutex> g(m_shared->mutex);
        m_shared->refreshAsked = true;
    }
    m_shared->wake.notify_all();
}

OutputState LiveOutput::state() const
{
    std::lock_guard<std::mutex> g(m_shared->mutex);
    return m_shared->state;
}

LiveVoices& LiveOutput::voices()
{
    return m_shared->mix.voices();
}

std::uint64_t LiveOutput::callbacks() const
{
    return m_shared->mix.callbacks();
}

const RunClock& LiveOutput::runClock() const
{
    return m_shared->mix;
}

std::uint64_t LiveOutput::runUnderruns() const
{
    return m_shared->mix.underruns() - m_runUnderrunBase.load();
}

bool LiveOutput::shutDown(std::chrono::milliseconds limit)
{
    if (!m_keeper.joinable()) {
        return true;
    }
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.quit = true;
    s.wake.notify_all();
    const bool done = s.changed.wait_for(lock, limit, [&s] { return s.finished; });
    lock.unlock();
    if (done) {
        m_keeper.join();
    } else {
        m_keeper.detach(); // it holds what it needs; the device may still return
    }
    return done;
}

void LiveOutput::begin(const std::atomic<bool>& stop)
{
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    const bool current = s.playing.load() && s.state.opened == s.choice;
    if (!current) {
        const std::uint64_t asked = ++s.opensAsked;
        s.wake.notify_all();
        const auto limit = Clock::now() + OpenTime;
        while (s.opensDone < asked && !s.quit) {
            if (stop.load() || Clock::now() >= limit) {
                break;
            }
            s.changed.wait_for(lock, std::chrono::milliseconds(10));
        }
        if (stop.load()) {
            return; // the run ends before it has played anything
        }
        if (s.opensDone < asked) {
            throw WaveOutError("The sound device does not answer.");
        }
        if (!s.playing.load()) {
            throw WaveOutError(s.state.error.empty() ? "The sound device could not be opened."
                                                     : s.state.error);
        }
    }
    lock.unlock();
    s.mix.stream().drop();
    m_runUnderrunBase = s.mix.underruns();
    s.mix.setRunActive(true);
}

int LiveOutput::bufferFrames() const
{
    return m_shared->bufferFrames.load();
}

std::int64_t LiveOutput::queuedFrames() const
{
    return static_cast<std::int64_t>(m_shared->mix.stream().queued());
}

std::int64_t LiveOutput::write(const std::int16_t* frames, std::int64_t count)
{
    if (count <= 0) {
        return 0;
    }
    return static_cast<std::int64_t>(
        m_shared->mix.stream().write(frames, static_cast<std::uint64_t>(count)));
}

bool LiveOutput::playing() const
{
    return m_shared->playing.load();
}

PlayedNoteFeed* LiveOutput::playedNotes()
{
    return m_notes.wanted.load() ? &m_notes : nullptr;
}

std::uint32_t LiveOutput::runId() const
{
    return m_shared->mix.run();
}

void LiveOutput::end(bool drop)
{
    m_shared->mix.setRunActive(false);
    if (drop) {
        m_shared->mix.stream().drop();
    }
}

} // namespace bw::audio
