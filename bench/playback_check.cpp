// Plays a song in real time through the program's SDL output and counts underruns (callbacks
// that found too little queued once the run had sounded):
//     playback_check FILE.bwp FILE.slb SECONDS [BUFFER_FRAMES]

#include "audio/headless_host.h"
#include "audio/live_output.h"
#include "audio/render_engine.h"
#include "audio/sdl_output_device.h"
#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "library/sound_library.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: playback_check FILE.bwp FILE.slb SECONDS [BUFFER_FRAMES]\n");
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
        // The output outlives the run: its underruns are read after the engine has ended
        // (at once when no device opens).
        bw::audio::LiveOutput output([] { return std::make_unique<bw::audio::SdlOutputDevice>(); });
        bw::audio::OutputChoice choice;
        if (argc == 5) {
            choice.bufferFrames = bw::audio::OutputChoice::validBufferFrames(std::stoi(argv[4]));
        }
        output.choose(choice);
        host.setSongPosition(0, false);
        flags.SongMode = true;
        bw::audio::Twaverender engine(
            bw::audio::EngineContext{*song, lib, lock, cache, flags, host, {}, &output});
        engine.start();
        const int seconds = std::stoi(argv[3]);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end && !engine.finished()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        flags.StopRequested = true;
        engine.join();
        const std::uint64_t underruns = output.runUnderruns();
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
