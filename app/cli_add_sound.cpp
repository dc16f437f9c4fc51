// The add-sound command: the sample import window's load and ADD, for scripts.
#include "app/cli_add_sound.h"

#include "app/cli_text.h"
#include "core/song.h"
#include "library/file_lock.h"
#include "library/sample_import.h"
#include "library/sample_loader.h"
#include "library/sound_library.h"

#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

int addSoundUsage()
{
    std::cerr << "usage: beatwright-cli add-sound FILE --library LIB.slb [--name NAME]\n";
    return 2;
}

/// Holds back the signals that end a program from a terminal while it lives, so that the
/// library is replaced whole or not at all; one that came meanwhile ends the program once it
/// is let go.
class HeldSignals
{
public:
    HeldSignals()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&held, sig);
        }
        sigprocmask(SIG_BLOCK, &held, &m_previous);
    }
    ~HeldSignals() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
    sigset_t m_previous{};
};

} // namespace

int AddSoundCommand(const std::vector<std::string>& args)
{
    std::string soundFile;
    std::string libraryFile;
    std::string name;
    bool named = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--library" && i + 1 < args.size()) {
            libraryFile = args[++i];
        } else if (a == "--name" && i + 1 < args.size()) {
            name = args[++i];
            named = true;
        } else if (soundFile.empty() && !a.empty() && a[0] != '-') {
            soundFile = a;
        } else {
            return addSoundUsage();
        }
    }
    if (soundFile.empty() || libraryFile.empty()) {
        return addSoundUsage();
    }
    if (named && name.empty()) {
        // A sound without a name can never be chosen for a track.
        std::cerr << "add-sound: the name given with --name is empty\n";
        return 2;
    }

    // Everything is read before anything is written: a failure leaves the library as it was.
    // The lock is held from the read to the rename, so that other writers of the library
    // (the program, another add-sound) never lose their sounds to this one, nor this one's
    // to them.
    const bw::FileLock lock(libraryFile);
    const bw::library::LoadedSample sample = bw::library::LoadSampleFile(soundFile);
    bw::library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    std::error_code ec;
    if (std::filesystem::exists(libraryFile, ec)) {
        // A file the sound would take past the limit is refused before it is read: reading
        // a library of nearly 1 GiB whole would only end in the same refusal.
        const std::uint64_t have = std::filesystem::file_size(libraryFile, ec);
        const std::uint64_t total =
            have + bw::library::SoundFileBytes(std::uint64_t{sample.samples->size()} * 2);
        if (!ec && total > bw::library::MaxLibraryFileBytes) {
            std::cerr << TerminalText(bw::library::LibraryTooLargeText(
                             libraryFile, total, bw::library::MaxLibraryFileBytes))
                      << '\n';
            return 1;
        }
        lib.LoadSoundLibrary(libraryFile);
    } else {
        std::cerr << TerminalText(libraryFile) << ": new library\n";
    }
    if (sample.cut) {
        std::cerr << bw::library::CutText << '\n';
    }
    if (!named) {
        name = std::filesystem::path(soundFile).filename().string();
    }
    // Unlike the window, which asks for another name, a taken name gets the library's
    // numbered suffix; the name printed is the one stored.
    const int index =
        bw::library::AddSamples(lib, name, sample.samples->data(), sample.samples->size());
    {
        const HeldSignals held;
        lib.SaveSoundLibrary(libraryFile);
    }
    // Stored names are Latin-1 bytes, shown as `info` shows them.
    std::cout << bw::core::EscapeControlBytes(lib.SoundNameAt(index)) << '\n';
    return 0;
}
