// The render command: the real engine in export mode, with a host that needs no UI and no
// sound device.
#include "app/cli_render.h"

#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "library/sound_library.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

int renderUsage()
{
    std::cerr << "usage: beatwright-cli render FILE.bwp --library FILE.slb "
                 "(--pattern [N] | --song) -o OUT.wav\n";
    return 2;
}

bool parseInt(const std::string& s, int& out)
{
    if (s.empty() || s.size() > 9) {
        return false;
    }
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    out = std::stoi(s);
    return true;
}

} // namespace

int RenderCommand(const std::vector<std::string>& args)
{
    std::string songFile;
    std::string libraryFile;
    std::string outFile;
    bool songMode = false;
    bool patternMode = false;
    int patternIndex = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--library" && i + 1 < args.size()) {
            libraryFile = args[++i];
        } else if (a == "-o" && i + 1 < args.size()) {
            outFile = args[++i];
        } else if (a == "--song") {
            songMode = true;
        } else if (a == "--pattern") {
            patternMode = true;
            if (i + 1 < args.size() && parseInt(args[i + 1], patternIndex)) {
                ++i;
            }
        } else if (songFile.empty() && !a.empty() && a[0] != '-') {
            songFile = a;
        } else {
            return renderUsage();
        }
    }
    if (songFile.empty() || libraryFile.empty() || outFile.empty() || songMode == patternMode) {
        return renderUsage();
    }

    bw::library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    lib.LoadSoundLibrary(libraryFile);
    bw::core::PatternReadCallbacks callbacks;
    callbacks.warn = [](const std::string& text) { std::cerr << text << '\n'; };
    auto song = bw::core::ReadPatternFile(songFile, callbacks);

    // As the main window takes the document in: the tempo within its bar, the master volume
    // through its bar's 0..1000 positions.
    song->Bpm = std::clamp(song->Bpm, 50, 300);
    const std::int32_t masterPosition = std::clamp(song->MasterVolume / 10, 0, 1000);
    song->MasterVolume = masterPosition * 10000 / 1000;
    if (patternMode) {
        if (!song->validPattern(patternIndex)) {
            std::cerr << songFile << ": there is no pattern " << patternIndex << " (the file holds "
                      << song->PatternCount << ")\n";
            return 1;
        }
        bw::core::StoreWorkingCopy(*song, song->CurrentPattern);
        bw::core::LoadWorkingCopy(*song, patternIndex);
    }
    // Bound as the main window binds a document it takes in, with the same warnings.
    for (const auto& m : bw::core::BindTrackSounds(song->Tracks, song->TrackCount, lib, true)) {
        std::cerr << bw::core::MissingSoundText(m) << '\n';
    }

    bw::core::SongLock lock;
    bw::audio::StretchCache cache;
    bw::audio::RequestFlags flags;
    bw::audio::HeadlessHost host(*song, lock);
    const bool tty = ::isatty(STDERR_FILENO) != 0;
    int lastProgress = -1;
    host.onBlock = [&](const bw::audio::BlockReport& r) {
        // Every percent on a terminal, every tenth otherwise, so logs stay short.
        const int step = tty ? 1 : 10;
        if (r.writing && r.progress / step != lastProgress / step) {
            lastProgress = r.progress;
            std::fprintf(stderr, tty ? "\rrendering %3d%%" : "rendering %3d%%\n",
                         std::clamp(r.progress, 0, 100));
        }
    };
    flags.InspectorPlayRequested = false;
    flags.SongMode = false;
    flags.setExportFileName(outFile);
    flags.WriteSong = songMode;
    flags.WriteRequested = true;

    bw::audio::Twaverender engine(
        bw::audio::EngineContext{*song, lib, lock, cache, flags, host, nullptr});
    engine.run();
    if (tty && lastProgress >= 0) {
        std::fprintf(stderr, "\n");
    }
    const auto messages = host.messages();
    if (!messages.empty()) {
        for (const auto& m : messages) {
            std::cerr << m << '\n';
        }
        std::remove(outFile.c_str());
        return 1;
    }
    std::cerr << "clip count: " << engine.totalClips() << '\n';
    return 0;
}
