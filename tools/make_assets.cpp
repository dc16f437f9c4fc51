// bw_make_assets: writes the files the program reads from its own folder.
//   bw_make_assets kit OUT.slb      the default sound library
//   bw_make_assets song OUT.bwp     the starter song
//   bw_make_assets cursor OUT.cur   the grid's drumstick cursor

#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/sound_library.h"
#include "tools/default_kit.h"
#include "tools/default_song.h"
#include "tools/stick_cursor.h"

#include <exception>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: bw_make_assets (kit OUT.slb | song OUT.bwp | cursor OUT.cur)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return usage();
    }
    const std::string what = argv[1];
    const std::string out = argv[2];
    try {
        if (what == "kit") {
            bw::library::SoundLibrary lib;
            lib.CreateSoundLibrary();
            bw::tools::AddKitToLibrary(bw::tools::BuildDefaultKit(), lib);
            lib.SaveSoundLibrary(out);
        } else if (what == "song") {
            auto song = bw::tools::BuildDefaultSong();
            // The starter song opens with the sequencer lane shown, so the arrangement is
            // visible from the first start.
            bw::core::WritePatternFile(out, *song, true);
        } else if (what == "cursor") {
            bw::writeFileAtomically(out, bw::tools::EncodeCursor(bw::tools::DrawStick(),
                                                                 bw::tools::CursorHotX,
                                                                 bw::tools::CursorHotY));
        } else {
            return usage();
        }
    } catch (const std::exception& e) {
        std::cerr << "bw_make_assets: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
