// Times the two file readers on 10 MB files of the shapes that used to take quadratic time:
//   reader_bench [MEGABYTES]
// Each file is built in memory, written to a temporary folder and read back with the
// program's own readers (ReadPatternFile, LoadSoundLibrary) five times; the median is shown.
#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/sound_library.h"
#include "tests/core/bwp_builder.h"
#include "tests/data/hostile_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

double medianSeconds(const std::function<void()>& read)
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        read();
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

/// An old-layout sequence: every entry names pattern "A", whose pans are cleared each time.
Bytes oldLayoutSequence(std::size_t entries)
{
    bw::testing::BwpBuilder b;
    b.pattern("A").tagInt("BEATS_", 4).tagInt("SCORE_", 1).event(0, 0, 5000, 0, 300);
    b.tag("SEQDAT");
    for (std::size_t i = 0; i < entries; ++i) {
        b.i32(0).name("A");
    }
    b.i32(-1);
    return b.bytes();
}

/// Events of many patterns: 31 tracks x 257 slots each, the most a pattern holds.
Bytes fullPatterns(std::size_t bytes)
{
    bw::testing::BwpBuilder b;
    int p = 0;
    while (b.size() < bytes) {
        b.pattern(std::string("P").append(std::to_string(p++))).tag("SCORE_").i32(31 * 257);
        for (int t = 0; t < 31; ++t) {
            for (int s = 0; s < 257; ++s) {
                b.event(t, s, 5000);
            }
        }
    }
    return b.bytes();
}

/// Sounds of one name: each new one is named after the first twelve, "Kick(12)".
Bytes sameNames(std::size_t sounds)
{
    bw::library::SoundLibrary lib;
    for (std::size_t i = 0; i < sounds; ++i) {
        lib.AddSound("Kick", "", 0, 0, 0, 0, nullptr);
    }
    return lib.serialize();
}

Bytes oneLargeSound(std::size_t bytes)
{
    bw::library::SoundLibrary lib;
    const Bytes data(bytes, 0x11);
    lib.AddSound("Long", "", 0, 0, 0, static_cast<std::int32_t>(bytes), data.data());
    return lib.serialize();
}

} // namespace

int main(int argc, char** argv)
{
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const auto target = static_cast<std::size_t>(megabytes * 1000 * 1000);
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "bw-reader-bench";
    fs::create_directories(dir);

    struct Case
    {
        const char* label;
        const char* file;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"pattern: sequence entries each placed in front", "front.bwp",
         bw::hostile::longSequenceFile(target / 25)},
        {"pattern: old-layout sequence of one pattern", "old.bwp", oldLayoutSequence(target / 25)},
        {"pattern: full patterns of events", "events.bwp", fullPatterns(target)},
        {"library: sounds of distinct names", "distinct.slb",
         bw::hostile::distinctNameLibrary(target / 87)},
        {"library: sounds of one name", "same.slb", sameNames(target / 87)},
        {"library: one long sound", "long.slb", oneLargeSound(target)},
    };
    std::printf("| file | size | records | median read s |\n|---|---|---|---|\n");
    for (const auto& c : cases) {
        const std::string path = (dir / c.file).string();
        bw::writeFileAtomically(path, c.bytes);
        std::size_t records = 0;
        const double seconds = medianSeconds([&] {
            if (path.ends_with(".bwp")) {
                const auto song = bw::core::ReadPatternFile(path);
                records = song->Sequence.size() > 1 ? song->Sequence.size()
                                                    : static_cast<std::size_t>(song->PatternCount);
            } else {
                bw::library::SoundLibrary lib;
                lib.LoadSoundLibrary(path);
                records = static_cast<std::size_t>(lib.count());
            }
        });
        std::printf("| %s | %.1f MB | %zu | %.3f |\n", c.label,
                    static_cast<double>(c.bytes.size()) / 1e6, records, seconds);
        fs::remove(path);
    }
    fs::remove(dir);
    return 0;
}
