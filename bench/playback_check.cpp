// Plays a song through the sound output in real time and counts underruns (device callbacks
// that found nothing queued): playback_check FILE.bwp FILE.slb SECONDS
// Runs with any SDL driver; SDL_AUDIODRIVER=dummy paces like a sound card without one.
#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/sdl_wave_out.h"
#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "library/sound_library.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace {

/// Hands the engine an output whose SDL device this program keeps: the engine releases its
/// output when its run ends (at once when the device does not open), and the underrun count
/// is read after that.
class KeptOutput : public bw::audio::WaveOut
{
public:
    explicit KeptOutput(std::shared_ptr<bw::audio::SdlWaveOut> out) : m_out(std::move(out)) {}
    void open(int rate, int bits, int channels, DoneCallback done) override
    {
        m_out->open(rate, bits, channels, std::move(done));
    }
    void queue(bw::audio::WaveBuffer* buffer) override { m_out->queue(buffer); }
    void reset() override { m_out->reset(); }
    void close() override { m_out->close(); }
    bool isOpen() const override { return m_out->isOpen(); }

private:
    std::shared_ptr<bw::audio::SdlWaveOut> m_out;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: playback_check FILE.bwp FILE.slb SECONDS\n");
        return 2;
    }
    try {
        bw::library::SoundLibrary lib;
        lib.LoadSoundLibrary(argv[2]);
        auto song = bw::core::ReadPatternFile(argv[1]);
        bw::core::SongLock lock;
        bw::audio::StretchCache cache;
        bw::audio::RequestFlags flags;
        bw::audio::HeadlessHost host(*song, lock);
        const auto device = std::make_shared<bw::audio::SdlWaveOut>();
        host.setSongPosition(0, false);
        flags.SongMode = true;
        bw::audio::Twaverender engine(
            bw::audio::EngineContext{*song, lib, lock, cache, flags, host,
                                     [device] { return std::make_unique<KeptOutput>(device); }});
        engine.start();
        const int seconds = std::stoi(argv[3]);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end && !engine.finished()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        flags.StopRequested = true;
        engine.join();
        const std::uint64_t underruns = device->underruns();
        const std::string failure = engine.failure();
        std::printf("played %d beats in %d s: %llu underruns%s\n", host.blocks(), seconds,
                    static_cast<unsigned long long>(underruns),
                    failure.empty() ? "" : (" - " + failure).c_str());
        return underruns == 0 && failure.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
