// Runs the render fuzzer's entry point on the hostile songs, and on cuts of them, in every
// build: each must render its few blocks or be refused, and end.
#include "library/atomic_file.h"
#include "tests/fuzz/render_target.h"
#include "tests/support/test_paths.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(FuzzRenderReplay, HostileSongsAndTheirCuts)
{
    int songs = 0;
    for (const auto& e : std::filesystem::directory_iterator(BW_HOSTILE_DIR)) {
        if (e.path().extension() != ".bwp") {
            continue;
        }
        SCOPED_TRACE(e.path().filename().string());
        const auto bytes = bw::readWholeFile(e.path().string());
        bw::fuzz::checkRender(bytes.data(), bytes.size());
        for (std::size_t n = 112; n < bytes.size(); n += 97) {
            bw::fuzz::checkRender(bytes.data(), n);
        }
        ++songs;
    }
    EXPECT_GE(songs, 20);
}

} // namespace
