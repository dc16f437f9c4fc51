// beatwright-cli: the headless entry. `info` prints a pattern file or a sound library as JSON.
#include "app/cli_add_sound.h"
#include "app/cli_midi.h"
#include "app/cli_render.h"
#include "app/cli_text.h"
#include "core/pattern_file.h"
#include "core/song_json.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage()
{
    std::cerr << "usage:\n"
                 "  beatwright-cli info FILE.bwp --json\n"
                 "  beatwright-cli info FILE.slb --json\n"
                 "  beatwright-cli render FILE.bwp --library FILE.slb (--pattern [N] | --song "
                 "[--from BEAT] [--to BEAT]) -o OUT.wav\n"
                 "  beatwright-cli add-sound FILE --library LIB.slb [--name NAME]\n"
                 "  beatwright-cli export-midi FILE.bwp -o OUT.mid [--pattern N]\n";
    return 2;
}

bool endsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (s.size() < n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const char a =
            static_cast<char>(std::tolower(static_cast<unsigned char>(s[s.size() - n + i])));
        if (a != suffix[i]) {
            return false;
        }
    }
    return true;
}

int info(const std::vector<std::string>& args)
{
    std::string file;
    for (const auto& a : args) {
        if (a == "--json") {
            continue;
        }
        if (!file.empty()) {
            return usage();
        }
        file = a;
    }
    if (file.empty()) {
        return usage();
    }
    if (endsWith(file, ".slb")) {
        bw::library::SoundLibrary lib;
        lib.CreateSoundLibrary();
        lib.LoadSoundLibrary(file);
        std::cout << bw::core::LibraryToJson(lib);
        return 0;
    }
    bool sequencerVisible = false;
    bw::core::PatternReadCallbacks callbacks;
    callbacks.showSequencer = [&] { sequencerVisible = true; };
    callbacks.warn = [](const std::string& text) {
        std::cerr << bw::core::EscapeControlBytes(text) << '\n';
    };
    const auto song = bw::core::ReadPatternFile(file, callbacks);
    std::cout << bw::core::SongToJson(*song, sequencerVisible);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Output into a pipe whose reader has gone (stderr piped to `head`) must not end a render
    // or a library write half-way: the writes fail quietly instead.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "info") {
            return info(args);
        }
        if (command == "render") {
            return RenderCommand(args);
        }
        if (command == "add-sound") {
            return AddSoundCommand(args);
        }
        if (command == "export-midi") {
            return ExportMidiCommand(args);
        }
    } catch (const std::exception& e) {
        // Messages name files, whose names may hold anything.
        std::cerr << TerminalText(e.what()) << '\n';
        return 1;
    }
    return usage();
}
