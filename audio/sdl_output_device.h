#pragma once

#include "audio/output_device.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bw::audio {

/// The program's sound output over SDL2: opens a device by name (or the system default)
/// with a callback that runs DeviceMix::render, lists the output devices, and watches the
/// open one through SDL's removal event for its id and its status. SDL_AUDIODRIVER picks the
/// driver (tests use "dummy", "disk" and "pulseaudio" on a private server). Every member runs
/// on the output's keeper thread, which alone calls SDL for it.
class SdlOutputDevice final : public OutputDevice
{
public:
    SdlOutputDevice() = default;
    ~SdlOutputDevice() override;
    SdlOutputDevice(const SdlOutputDevice&) = delete;
    SdlOutputDevice& operator=(const SdlOutputDevice&) = delete;

    std::string driver() override;
    std::vector<std::string> devices() override;
    std::string open(const OutputChoice& choice, DeviceMix& mix) override;
    void close() override;
    Health health() override;

    /// The name shown for the system default when SDL cannot name it.
    static constexpr const char* DefaultName = "System default";

private:
    /// Starts SDL's audio and event subsystems once; false with SDL's text in error.
    bool start(std::string& error);
    void stopSubsystems();

    std::uint32_t m_device = 0; // SDL_AudioDeviceID
    bool m_started = false;
};

} // namespace bw::audio
