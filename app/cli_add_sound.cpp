// The add-sound command: the sample import window's load and ADD, for scripts.
#include "app/cli_add_sound.h"

#include "library/sample_import.h"
#include "library/sample_loader.h"
#include "library/sound_library.h"

#include <filesystem>
#include <iostream>

namespace {

int addSoundUsage()
{
    std::cerr << "usage: beatwright-cli add-sound FILE --library LIB.slb [--name NAME]\n";
    return 2;
}

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

    // Everything is read before anything is written: a failure leaves the library as it was.
    bw::library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    std::error_code ec;
    if (std::filesystem::exists(libraryFile, ec)) {
        lib.LoadSoundLibrary(libraryFile);
    } else {
        std::cerr << libraryFile << ": new library\n";
    }
    const bw::library::LoadedSample sample = bw::library::LoadSampleFile(soundFile);
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
    lib.SaveSoundLibrary(libraryFile);
    std::cout << lib.SoundNameAt(index) << '\n';
    return 0;
}
