// Plays a song through the sound output in real time and counts underruns (device callbacks
// that found nothing queued): playback_check FILE.bwp FILE.slb SECONDS
// Runs with any SDL driver; SDL_AUDIODRIVER=dummy paces like a sound card without one.
#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/sdl_wave_out.h"
#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "library/sound_library.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: playback_check FILE.bwp FILE.slb SECONDS\n");
        return 2;
    }
    bw::library::SoundLibrary lib;
    lib.LoadSoundLibrary(argv[2]);
    auto song = bw::core::ReadPatternFile(argv[1]);
    bw::core::SongLock lock;
    bw::audio::StretchCache cache;
    bw::audio::RequestFlags flags;
    bw::audio::HeadlessHost host(*song, lock);
    std::atomic<bw::audio::SdlWaveOut*> output{nullptr};
    host.setSongPosition(0, false);
    flags.SongMode = true;
    bw::audio::Twaverender engine(
        bw::audio::EngineContext{*song, lib, lock, cache, flags, host, [&output] {
                                     auto out = std::make_unique<bw::audio::SdlWaveOut>();
                                     output = out.get();
                                     return out;
                                 }});
    engine.start();
    const auto seconds = std::stoi(argv[3]);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::uint64_t underruns = output.load() != nullptr ? output.load()->underruns() : 0;
    const int blocks = host.blocks();
    flags.StopRequested = true;
    engine.join();
    std::printf("played %d beats in %d s: %llu underruns%s\n", blocks, seconds,
                static_cast<unsigned long long>(underruns),
                engine.failure().empty() ? "" : (" — " + engine.failure()).c_str());
    return underruns == 0 && engine.failure().empty() ? 0 : 1;
}
