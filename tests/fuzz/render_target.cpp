#include "tests/fuzz/render_target.h"

#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bw::fuzz {

namespace {

[[noreturn]] void broken(const std::string& what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

/// The sounds the fuzzed songs play: the names the seed files use, one with a stop target,
/// stretched ones (also with a negative multiplier), and sounds too short to play.
const library::SoundLibrary& fixedLibrary()
{
    static const library::SoundLibrary lib = [] {
        library::SoundLibrary l;
        std::vector<std::uint8_t> wave(4000);
        for (std::size_t i = 0; i < wave.size(); ++i) {
            wave[i] = static_cast<std::uint8_t>((i * 37) ^ (i >> 3));
        }
        l.AddSound("Kick", "", 0, 0, 0, 4000, wave.data());
        l.AddSound("Snare", "", 0, 0, 0, 1200, wave.data());
        l.AddSound("Hat", "HatOpen", 0, 0, 0, 600, wave.data());
        l.AddSound("HatOpen", "", 0, 0, 0, 3000, wave.data());
        l.AddSound("Clap", "Kick", 1, 2, library::StretchEnabled, 900, wave.data());
        l.AddSound("Back", "", 2, -3, library::StretchEnabled, 800, wave.data());
        l.AddSound("Odd", "", 0, 0, 0, 3, wave.data());
        l.AddSound("Empty", "", 0, 0, 0, 0, nullptr);
        return l;
    }();
    return lib;
}

constexpr int BlocksPerMode = 6;

void renderBlocks(core::TSong& song,
                  library::SoundLibrary& lib,
                  audio::StretchCache& cache,
                  bool songMode)
{
    core::SongLock lock;
    audio::RequestFlags flags;
    audio::HeadlessHost host(song, lock);
    host.onBlock = [&flags, &host](const audio::BlockReport&) {
        if (host.blocks() >= BlocksPerMode) {
            flags.StopRequested = true;
        }
    };
    flags.SongMode = songMode;
    if (songMode) {
        host.setSongPosition(0, false);
    }
    audio::Twaverender engine(audio::EngineContext{song, lib, lock, cache, flags, host, nullptr});
    engine.run();
    if (!engine.finished() || flags.EngineRunning.load()) {
        broken("the run did not end");
    }
    if (host.blocks() > BlocksPerMode) {
        broken("the run went on after the stop request");
    }
    const std::string failure = engine.failure();
    if (!failure.empty() && failure.rfind("SHUTDOWN AUDIO RENDER:", 0) != 0) {
        broken("a failure without the engine's message: " + failure);
    }
}

} // namespace

void checkRender(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<core::TSong> song;
    try {
        song = core::ParsePatternFile(std::vector<std::uint8_t>(data, data + size), "fuzz.bwp");
    } catch (const FileError&) {
        return;
    }
    // Taken in as the program takes a document: the tempo and master volume within their
    // bars, the tracks bound to the library. Everything else reaches the engine as read.
    song->Bpm = std::clamp(song->Bpm, 50, 300);
    library::SoundLibrary lib = [] {
        library::SoundLibrary copy;
        const auto& fixed = fixedLibrary();
        for (int i = 0; i < fixed.count(); ++i) {
            const auto& s = fixed.at(i);
            const auto bytes = s.bytes();
            copy.AddSound(s.Name.str(), s.StopTarget.str(), s.StretchDiv, s.StretchMul, s.Flags,
                          s.DataSize, bytes.data());
        }
        return copy;
    }();
    core::BindTrackSounds(song->Tracks, song->TrackCount, lib, true);
    audio::StretchCache cache;
    cache.setBudget(32 << 20);
    renderBlocks(*song, lib, cache, false);
    renderBlocks(*song, lib, cache, true);
    if (cache.totalSize() > cache.budget()) {
        broken("the copies passed the cache budget");
    }
}

} // namespace bw::fuzz
