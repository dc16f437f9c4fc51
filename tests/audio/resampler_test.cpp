// Pitch factors, resampling, the stretch cache's reuse and trimming, and the shuffle curve.
#include "audio/groove.h"
#include "audio/resampler.h"
#include "audio/stretch_cache.h"

#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace bw::audio {
namespace {

TEST(Resampler, PitchFactorKeepsSinglePrecisionSteps)
{
    EXPECT_EQ(PitchFactor(0), 1.0F);
    EXPECT_FLOAT_EQ(PitchFactor(12), 0.49999988F);
    EXPECT_LT(PitchFactor(12), 0.5F);
    EXPECT_NEAR(PitchFactor(-12), 2.0F, 1e-6F);
    // 100 samples (L = 99) at +12 become 49, not 49.5 rounded.
    EXPECT_EQ(PitchedLength(PitchFactor(12), 99), 49);
}

TEST(Resampler, WithoutInterpolationPicksSourceSamples)
{
    std::vector<std::int16_t> src(100);
    for (std::size_t i = 0; i < src.size(); ++i) {
        src[i] = static_cast<std::int16_t>(i * 10);
    }
    std::vector<std::int16_t> copy(49);
    Resample(src.data(), 99, copy.data(), 49, false);
    for (int b = 0; b < 49; ++b) {
        const auto i = static_cast<int>(99.0L / 49.0L * b);
        EXPECT_EQ(copy[static_cast<std::size_t>(b)], src[static_cast<std::size_t>(i)]) << b;
    }
}

TEST(Resampler, InterpolationMixesNeighboursByThousandths)
{
    const std::vector<std::int16_t> src{0, 1000, -1000, 30000};
    std::vector<std::int16_t> copy(6);
    Resample(src.data(), 3, copy.data(), 6, true); // r = 0.5
    EXPECT_EQ(copy, (std::vector<std::int16_t>{0, 500, 1000, 0, -1000, 14500}));
    // A one-sample source never reads past its end.
    const std::vector<std::int16_t> one{1234};
    std::vector<std::int16_t> stretched(5);
    Resample(one.data(), 0, stretched.data(), 5, true);
    EXPECT_EQ(stretched, std::vector<std::int16_t>(5, 1234));
}

library::SampleDataPtr source(std::size_t n)
{
    return std::make_shared<library::SampleData>(n, std::int16_t{1});
}

TEST(StretchCache, SameRequestReusesOneEntry)
{
    StretchCache cache;
    const auto src = source(100);
    auto a = cache.AcquireCopy(0, src, 49 * 2 + 24, 99, 49);
    EXPECT_FALSE(a.found);
    EXPECT_EQ(a.copy->size(), 61U);
    auto b = cache.AcquireCopy(0, src, 49 * 2 + 24, 99, 49);
    EXPECT_TRUE(b.found);
    EXPECT_EQ(a.copy, b.copy);
    ASSERT_EQ(cache.entries().size(), 1U);
    EXPECT_EQ(cache.entries()[0].useCount, 2);
    // Another length, or another sound of the same size, is another entry.
    cache.AcquireCopy(0, src, 50 * 2 + 24, 99, 50);
    cache.AcquireCopy(0, source(100), 49 * 2 + 24, 99, 49);
    EXPECT_EQ(cache.entries().size(), 3U);
    EXPECT_EQ(cache.totalSize(), 122 + 124 + 122);
}

TEST(StretchCache, DeletedSoundNeverMatches)
{
    StretchCache cache;
    auto src = source(100);
    cache.AcquireCopy(0, src, 122, 99, 49);
    src.reset();
    auto again = source(100);
    EXPECT_FALSE(cache.AcquireCopy(0, again, 122, 99, 49).found);
}

TEST(StretchCache, NothingIsTrimmedUpToTheLimit)
{
    StretchCache cache;
    const auto src = source(10);
    cache.AcquireCopy(0, src, 1000000, 9, 1);
    cache.AcquireCopy(0, src, 1000000, 9, 2); // exactly 2,000,000 bytes
    cache.ReleaseAllCopies();
    for (int i = 0; i < 50; ++i) {
        cache.AgeEntries();
        cache.TrimCache();
    }
    EXPECT_EQ(cache.entries().size(), 2U);
}

TEST(StretchCache, AboveTheLimitEntriesIdleMoreThanTenBlocksGo)
{
    StretchCache cache;
    const auto src = source(10);
    auto a = cache.AcquireCopy(0, src, 1500000, 9, 1);
    auto b = cache.AcquireCopy(0, src, 1500000, 9, 2);
    cache.ReleaseAllCopies();
    for (int i = 0; i < 10; ++i) {
        cache.AgeEntries();
    }
    cache.TrimCache();
    EXPECT_EQ(cache.entries().size(), 2U);                       // idle exactly 10: kept
    EXPECT_TRUE(cache.AcquireCopy(0, src, 1500000, 9, 1).found); // a in use again
    cache.AgeEntries();
    cache.TrimCache();
    EXPECT_TRUE(cache.ContainsCopy(a.copy.get()));
    EXPECT_FALSE(cache.ContainsCopy(b.copy.get())); // idle 11: freed
    EXPECT_EQ(cache.totalSize(), 1500000);
}

TEST(Groove, ShuffleWorkedCases)
{
    EXPECT_EQ(ShuffledPosition(64, 256, 0, 2), 64);
    EXPECT_EQ(ShuffledPosition(64, 256, 50, 2), 94);
    EXPECT_EQ(ShuffledPosition(64, 256, 100, 2), 126);
    EXPECT_EQ(ShuffledPosition(100, 256, 100, 2), 126);
    EXPECT_EQ(ShuffledPosition(64, 256, 1, 2), 63);
    EXPECT_EQ(ShuffledPosition(192, 256, 50, 2), 222);
    EXPECT_EQ(ShuffledPosition(128, 256, 100, 2), 128);
    EXPECT_EQ(ShuffledPosition(32, 256, 50, 4), 46);
    EXPECT_EQ(ShuffledPosition(48, 256, 50, 4), 54);
    EXPECT_EQ(ShuffledPosition(10, 256, 50, 2), 10); // first half of a step stays
    EXPECT_THROW(ShuffledPosition(10, 256, 50, 300), std::domain_error);
    EXPECT_THROW(ShuffledPosition(10, 256, 50, 0), std::domain_error);
}

} // namespace
} // namespace bw::audio
