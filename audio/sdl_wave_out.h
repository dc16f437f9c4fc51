#pragma once

#include "audio/wave_out.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace bw::audio {

/// The sound card output over SDL2: opens the default output device, plays queued buffers in
/// order from SDL's audio thread and reports each one done from there. SDL_AUDIODRIVER picks
/// the driver (tests use "dummy" and "disk"). open/queue/reset/close run on one caller thread.
class SdlWaveOut : public WaveOut
{
public:
    SdlWaveOut();
    ~SdlWaveOut() override;
    SdlWaveOut(const SdlWaveOut&) = delete;
    SdlWaveOut& operator=(const SdlWaveOut&) = delete;

    void open(int rate, int bits, int channels, DoneCallback done) override;
    void queue(WaveBuffer* buffer) override;
    void reset() override;
    void close() override;
    bool isOpen() const override;
    /// Device callbacks that found the queue empty after playback had begun: gaps the
    /// listener hears.
    std::uint64_t underruns() const;

    /// True when SDL was built with the named audio driver ("dummy", "disk", ...).
    static bool driverAvailable(const std::string& name);

    /// The most buffers that can wait in the queue at once.
    static constexpr std::size_t QueueCapacity = 1024;

private:
    void closeDevice();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace bw::audio
