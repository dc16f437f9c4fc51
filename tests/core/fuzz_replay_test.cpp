// Runs the fuzz entry points on the seed files, and on every cut of them, in every build.
#include "tests/fuzz/fuzz_targets.h"

#include <gtest/gtest.h>

namespace {

TEST(FuzzReplay, PatternSeedsAndTheirCuts)
{
    for (const auto& [name, bytes] : bw::fuzz::patternSeeds()) {
        SCOPED_TRACE(name);
        for (std::size_t n = 0; n < bytes.size(); n += 13) {
            bw::fuzz::checkPatternFile(bytes.data(), n);
        }
        bw::fuzz::checkPatternFile(bytes.data(), bytes.size());
    }
}

TEST(FuzzReplay, LibrarySeedsAndTheirCuts)
{
    for (const auto& [name, bytes] : bw::fuzz::librarySeeds()) {
        SCOPED_TRACE(name);
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            bw::fuzz::checkLibraryFile(bytes.data(), n);
        }
    }
}

TEST(FuzzReplay, LibraryWriterScriptsAndTheirCuts)
{
    for (const auto& [name, bytes] : bw::fuzz::libraryWriterSeeds()) {
        SCOPED_TRACE(name);
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            bw::fuzz::checkLibraryWriter(bytes.data(), n);
        }
    }
}

} // namespace
