#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bw::audio {

class DeviceMix;

/// Which output the program plays through, and the size of its buffer.
struct OutputChoice
{
    static constexpr int DefaultBufferFrames = 512;
    /// The buffer sizes offered, in frames.
    static constexpr int BufferSizes[] = {256, 512, 1024, 2048};

    std::string device; // a name from OutputDevice::devices(); empty = the system default
    int bufferFrames = DefaultBufferFrames;

    bool operator==(const OutputChoice&) const = default;
    /// bufferFrames kept to one of BufferSizes (the nearest not below it, else the largest).
    static int validBufferFrames(int frames);
};

/// The milliseconds a buffer of frames lasts at the output rate.
double BufferMilliseconds(int frames);

/// The program's own output interface: a sound device that, once open, calls
/// DeviceMix::render on a thread of its own for every buffer it plays (16-bit stereo at
/// 44100 Hz). Every member is called on one thread, the output's keeper (LiveOutput); any of
/// them may take long or, for a device that hangs, not return at all.
class OutputDevice
{
public:
    virtual ~OutputDevice() = default;

    /// The sound system's name for how it reaches the hardware ("pulseaudio", "alsa", ...).
    virtual std::string driver() = 0;
    /// The output devices there are now, by name.
    virtual std::vector<std::string> devices() = 0;
    /// Opens choice.device (the system default when empty) and starts calling mix.render.
    /// Returns the name of the device opened. Throws WaveOutError with the system's text.
    virtual std::string open(const OutputChoice& choice, DeviceMix& mix) = 0;
    /// Stops the callback and closes the device; once it returns, render is not called again.
    virtual void close() = 0;

    /// What the device says when asked (a few times a second).
    struct Health
    {
        bool lost = false;        // the open device has gone (removed, or stopped for good)
        bool deviceAdded = false; // an output device appeared since the last call
    };
    virtual Health health() = 0;
};

using OutputDeviceFactory = std::function<std::unique_ptr<OutputDevice>()>;

} // namespace bw::audio
