// write_fuzz_seeds DIR: writes the seed corpora into DIR/pattern, DIR/library, DIR/writer,
// DIR/wav and DIR/sample.
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/sound_fuzz_targets.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: write_fuzz_seeds DIR\n";
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    const auto write = [&root](const char* folder, const auto& seeds) {
        fs::create_directories(root / folder);
        for (const auto& [name, bytes] : seeds) {
            std::ofstream out(root / folder / name, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                std::cerr << "cannot write " << (root / folder / name) << '\n';
                return false;
            }
        }
        return true;
    };
    if (!write("pattern", bw::fuzz::patternSeeds()) ||
        !write("library", bw::fuzz::librarySeeds()) ||
        !write("writer", bw::fuzz::libraryWriterSeeds()) || !write("wav", bw::fuzz::wavSeeds()) ||
        !write("sample", bw::fuzz::sampleSeeds())) {
        return 1;
    }
    return 0;
}
