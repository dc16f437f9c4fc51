// The render command: the real engine in export mode, with a host that needs no UI and no
// sound device.
#include "app/cli_render.h"

#include "app/cli_text.h"
#include "audio/export_file.h"
#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/stretch_cache.h"
#include "audio/wav_writer.h"
#include "core/pattern_file.h"
#include "library/sound_library.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

namespace {

int renderUsage()
{
    std::cerr
        << "usage: beatwright-cli render FILE.bwp --library FILE.slb "
           "(--pattern [N] | --song [--from BEAT] [--to BEAT]) (-o OUT.wav | --stems DIR | both) "
           "[--format wav|flac|ogg]\n";
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

/// Runs the engine on its own thread while this one waits for SIGINT, SIGTERM and SIGHUP (the
/// terminal closed): the first of them stops the export and has its temporary file removed.
/// Returns the signal, or 0. The wait ends the moment the engine does (its thread says so
/// through an eventfd): a polling wait would add up to a whole period to every export.
int runUntilDoneOrInterrupted(bw::audio::Twaverender& engine, bw::audio::RequestFlags& flags)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the caller ignores stays ignored (a shell's background job ignores SIGINT,
        // so that Ctrl-C at the prompt leaves it running).
        struct sigaction current
        {
        };
        if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&stopSignals, sig);
        }
    }
    sigset_t previous;
    // Blocked before the engine thread starts, so it inherits the mask and the signals only
    // reach the signalfd below.
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    const int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    const int ended = ::eventfd(0, EFD_CLOEXEC);
    std::thread thread([&engine, ended] {
        engine.run();
        if (ended >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(ended, &one, sizeof one);
        }
    });
    int interrupted = 0;
    while (!engine.finished()) {
        std::array<pollfd, 2> fds{pollfd{ended, POLLIN, 0}, pollfd{signals, POLLIN, 0}};
        // Once interrupted, the stop is asked for again every 50 ms: a run still starting up
        // clears StopRequested once. Without the two descriptors the wait polls.
        const bool poll50 = interrupted != 0 || ended < 0 || signals < 0;
        ::poll(fds.data(), fds.size(), poll50 ? 50 : -1);
        const timespec now{0, 0};
        const int sig = ::sigtimedwait(&stopSignals, nullptr, &now);
        if (sig > 0 && interrupted == 0) {
            interrupted = sig;
        }
        if (interrupted != 0) {
            flags.AbandonExport = true;
            flags.StopRequested = true;
        }
    }
    thread.join();
    for (const int fd : {ended, signals}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    // Take the signals that came meanwhile (a second Ctrl-C), so that unblocking them does
    // not end the program before it has said what it did.
    const timespec now{0, 0};
    while (::sigtimedwait(&stopSignals, nullptr, &now) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return interrupted;
}

} // namespace

int RenderCommand(const std::vector<std::string>& args)
{
    std::string songFile;
    std::string libraryFile;
    std::string outFile;
    std::string stemsFolder; // one file per track that sounds, when given
    bool songMode = false;
    bool patternMode = false;
    int patternIndex = 0;
    int from = -1; // beats from .. to - 1 of the song; -1: as "Stop at" says
    int to = -1;
    std::optional<bw::audio::ExportFormat> format; // from the suffix of OUT when not given
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--library" && i + 1 < args.size()) {
            libraryFile = args[++i];
        } else if (a == "-o" && i + 1 < args.size()) {
            outFile = args[++i];
        } else if (a == "--stems" && i + 1 < args.size()) {
            stemsFolder = args[++i];
        } else if (a == "--format" && i + 1 < args.size()) {
            format = bw::audio::ExportFormatNamed(args[++i]);
            if (!format) {
                std::cerr << "--format takes wav, flac or ogg, not \"" << TerminalText(args[i])
                          << "\"\n";
                return 2;
            }
        } else if (a == "--song") {
            songMode = true;
        } else if ((a == "--from" || a == "--to") && i + 1 < args.size()) {
            if (!parseInt(args[++i], a == "--from" ? from : to)) {
                std::cerr << a << " takes a beat number, not \"" << TerminalText(args[i]) << "\"\n";
                return 2;
            }
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
    if (songFile.empty() || libraryFile.empty() || (outFile.empty() && stemsFolder.empty()) ||
        songMode == patternMode) {
        return renderUsage();
    }
    const bool ranged = from >= 0 || to >= 0;
    if (ranged && !songMode) {
        std::cerr << "--from and --to choose beats of the song: use them with --song\n";
        return 2;
    }
    const bw::audio::ExportFormat outFormat =
        format ? *format : bw::audio::ExportFormatOfName(outFile);
    // Refused before anything is read or written: no empty file for a codec that is missing.
    if (const std::string problem = bw::audio::ExportFormatProblem(outFormat, 2);
        !problem.empty()) {
        std::cerr << TerminalText(problem) << '\n';
        return 1;
    }
    if (const std::string problem =
            outFile.empty() ? std::string()
                            : bw::audio::ExportTargetProblem(
                                  outFile, {{songFile, "song"}, {libraryFile, "library"}});
        !problem.empty()) {
        std::cerr << TerminalText(problem) << '\n';
        return 1;
    }

    bw::library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    lib.LoadSoundLibrary(libraryFile);
    bw::core::PatternReadCallbacks callbacks;
    callbacks.warn = [](const std::string& text) {
        std::cerr << bw::core::EscapeControlBytes(text) << '\n';
    };
    auto song = bw::core::ReadPatternFile(songFile, callbacks);

    // As the main window takes the document in: the tempo within its bar, the master volume
    // through its bar's 0..1000 positions.
    song->Bpm = std::clamp(song->Bpm, 50, 300);
    const std::int32_t masterPosition = std::clamp(song->MasterVolume / 10, 0, 1000);
    song->MasterVolume = masterPosition * 10000 / 1000;
    if (patternMode) {
        if (!song->validPattern(patternIndex)) {
            std::cerr << TerminalText(songFile) << ": there is no pattern " << patternIndex
                      << " (the file holds " << song->PatternCount << ")\n";
            return 1;
        }
        bw::core::StoreWorkingCopy(*song, song->CurrentPattern);
        bw::core::LoadWorkingCopy(*song, patternIndex);
    }
    // Bound as the main window binds a document it takes in, with the same warnings.
    for (const auto& m : bw::core::BindTrackSounds(song->Tracks, song->TrackCount, lib, true)) {
        std::cerr << bw::core::EscapeControlBytes(bw::core::MissingSoundText(m)) << '\n';
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
    host.onNotice = [tty, &lastProgress](const std::string& text) {
        std::fprintf(stderr, "%s%s\n", tty && lastProgress >= 0 ? "\n" : "", text.c_str());
    };
    flags.InspectorPlayRequested = false;
    flags.SongMode = false;
    flags.setExportFileName(outFile);
    bw::audio::ExportOptions options;
    // The stems take --format, else the suffix of OUT, else WAV.
    options.format = outFormat;
    options.mix = !outFile.empty();
    options.stemsFolder = stemsFolder;
    flags.setExportOptions(options);
    flags.WriteSong = songMode;
    if (ranged) {
        // The beats after the last one default to the song's end, the "Stop at" beat.
        from = std::max(from, 0);
        to = to >= 0 ? to : song->StopPosition + 1;
        if (to <= from || from > bw::core::MaxSongPosition || to > bw::core::MaxSongPosition + 1) {
            std::cerr << "render: --from " << from << " --to " << to
                      << " holds no beat of the song's time line (0.." << bw::core::MaxSongPosition
                      << ")\n";
            return 2;
        }
        flags.ExportFrom = from;
        flags.ExportTo = to;
    }
    flags.WriteRequested = true;

    bw::audio::Twaverender engine(
        bw::audio::EngineContext{*song, lib, lock, cache, flags, host, nullptr});
    const int interrupted = runUntilDoneOrInterrupted(engine, flags);
    if (tty && lastProgress >= 0) {
        std::fprintf(stderr, "\n");
    }
    if (interrupted != 0 && host.exportDialogCloses() == 0) {
        if (!outFile.empty()) {
            std::cerr << "interrupted: " << TerminalText(outFile) << " was not written\n";
        }
        if (!stemsFolder.empty()) {
            std::cerr << "interrupted: no stems were written to " << TerminalText(stemsFolder)
                      << '\n';
        }
        // End as the signal would have ended the program, so that callers see it.
        std::signal(interrupted, SIG_DFL);
        std::raise(interrupted);
        return 128 + interrupted;
    }
    // A failed render leaves OUT as it was: only the temporary file is removed.
    const auto messages = host.messages();
    if (!messages.empty()) {
        for (const auto& m : messages) {
            std::cerr << TerminalText(m) << '\n';
        }
        return 1;
    }
    std::cerr << "clip count: " << engine.totalClips() << '\n';
    return 0;
}
