// Runs the WAV reader and sample import fuzz entry points on their seed files and on cuts and
// single-byte changes of them, in every build.
#include "library/sample_loader.h"
#include "library/wav_reader.h"
#include "tests/fuzz/sound_fuzz_targets.h"

#include <gtest/gtest.h>

namespace {

template <typename Check>
void replay(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& seeds,
            Check check)
{
    for (const auto& [name, bytes] : seeds) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(bytes.empty());
        for (std::size_t n = 0; n < bytes.size(); n += 7) {
            check(bytes.data(), n);
        }
        check(bytes.data(), bytes.size());
        // Every header byte set to 0 and to 0xFF in turn.
        for (std::size_t i = 0; i < std::min<std::size_t>(bytes.size(), 80); ++i) {
            for (const std::uint8_t v : {std::uint8_t{0}, std::uint8_t{0xFF}}) {
                auto changed = bytes;
                changed[i] = v;
                check(changed.data(), changed.size());
            }
        }
    }
}

TEST(FuzzReplay, WavSeedsCutsAndChanges)
{
    int opened = 0;
    for (const auto& [name, bytes] : bw::fuzz::wavSeeds()) {
        bw::library::TWAVSource wav;
        try {
            wav.OpenSource(bw::library::memorySource(bytes));
            ++opened;
        } catch (const bw::library::WavSourceError&) {
        }
    }
    EXPECT_EQ(opened, 4); // all but the one with its data before its format
    replay(bw::fuzz::wavSeeds(), bw::fuzz::checkWavFile);
}

TEST(FuzzReplay, SampleSeedsCutsAndChanges)
{
    for (const auto& [name, bytes] : bw::fuzz::sampleSeeds()) {
        EXPECT_NO_THROW(bw::library::LoadSampleBytes(bytes, name)) << name;
    }
    replay(bw::fuzz::sampleSeeds(), bw::fuzz::checkSampleFile);
}

} // namespace
