// make_hostile_files DIR: writes the small hostile files into DIR (tests/data/hostile in the
// repository). Run it after changing hostile_files.cpp; the hostile-file test checks that the
// files kept in the repository are the ones this writes.
#include "tests/data/hostile_files.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_hostile_files DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (const auto& [name, bytes] : bw::hostile::smallFiles()) {
        std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << (dir / name) << '\n';
            return 1;
        }
    }
    return 0;
}
