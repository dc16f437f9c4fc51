// The mixing arithmetic: the vector kernel against the reference loop, and the voice work of
// one block (echoes, stop events) on hand-made voice tables.
#include "audio/block_renderer.h"
#include "audio/mixer.h"
#include "audio/stretch_cache.h"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace bw::audio {
namespace {

TEST(Mixer, VectorKernelMatchesReferenceOnRandomRuns)
{
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::uniform_int_distribution<int> gain(0, 9999);
    std::uniform_int_distribution<int> pan(0, 2000);
    std::uniform_int_distribution<int> len(0, 300);
    for (int round = 0; round < 400; ++round) {
        const int n = len(rng);
        std::vector<std::int16_t> samples(static_cast<std::size_t>(n));
        for (auto& s : samples) {
            s = static_cast<std::int16_t>(sample(rng));
        }
        // A block that already holds loud material, so saturation happens in both directions.
        std::vector<std::int16_t> a(static_cast<std::size_t>(2 * n));
        for (auto& v : a) {
            v = static_cast<std::int16_t>(sample(rng));
        }
        if (n > 2) {
            a[0] = -32768;
            a[1] = 32767;
        }
        std::vector<std::int16_t> b = a;
        std::vector<std::int16_t> c = a;
        // A stem of its own loud material: it saturates on its own, apart from the mix.
        std::vector<std::int16_t> stem(a.size());
        for (auto& v : stem) {
            v = static_cast<std::int16_t>(sample(rng));
        }
        std::vector<std::int16_t> stemRef = stem;
        MixGain m;
        m.g = round % 50 == 0 ? 0 : gain(rng);
        m.stereo = round % 4 != 0;
        PanWeights(round % 7 == 0 ? 1000 : pan(rng), m.leftWeight, m.rightWeight);
        const std::int32_t clipsA = MixRunScalar(a.data(), samples.data(), n, m);
        const std::int32_t clipsB = MixRun(b.data(), samples.data(), n, m);
        ASSERT_EQ(a, b) << "round " << round << " g " << m.g;
        ASSERT_EQ(clipsA, clipsB) << "round " << round;
        // Mixed with a stem in the same pass: the mix as before, the stem as its own run.
        MixRunScalar(stemRef.data(), samples.data(), n, m);
        ASSERT_EQ(MixRunWithStem(c.data(), stem.data(), samples.data(), n, m), clipsA);
        ASSERT_EQ(c, a) << "round " << round;
        ASSERT_EQ(stem, stemRef) << "round " << round;
    }
}

TEST(Mixer, SaturationRules)
{
    MixGain m; // g 0 adds nothing, yet a sum of exactly -32768 counts as clipped
    std::vector<std::int16_t> frames{-32768, -32767, 32767, 0};
    const std::vector<std::int16_t> samples{1000, 1000};
    m.g = 0;
    EXPECT_EQ(MixRunScalar(frames.data(), samples.data(), 2, m), 1);
    EXPECT_EQ(frames, (std::vector<std::int16_t>{-32768, -32767, 32767, 0}));

    m.g = 8000; // 25000 → 20000 per voice
    std::vector<std::int16_t> block{20000, -20000};
    const std::vector<std::int16_t> loud{25000};
    EXPECT_EQ(MixRun(block.data(), loud.data(), 1, m), 1);
    EXPECT_EQ(block, (std::vector<std::int16_t>{32767, 0}));
}

TEST(Mixer, PanWeights)
{
    std::int32_t l = 0;
    std::int32_t r = 0;
    PanWeights(1500, l, r);
    EXPECT_EQ(l, 500);
    EXPECT_EQ(r, 1000);
    PanWeights(300, l, r);
    EXPECT_EQ(l, 1000);
    EXPECT_EQ(r, 300);
    PanWeights(1000, l, r);
    EXPECT_EQ(l, 1000);
    EXPECT_EQ(r, 1000);
}

Voice makeVoice(std::int32_t volume,
                std::int32_t start,
                int sound,
                std::size_t samples,
                std::int16_t value = 1000)
{
    Voice v;
    v.volume = volume;
    v.start = start;
    v.sound = sound;
    v.data = std::make_shared<library::SampleData>(samples, value);
    v.end = static_cast<std::int32_t>(samples) - 1;
    v.settings.StopTargetIndex = -1;
    return v;
}

TEST(BlockWork, EchoCountsAndVolumes)
{
    BlockRenderer r;
    r.beginBlock(120);
    BlockSettings s;
    s.delayDivision = 4;
    s.delayFeedback = 60;
    for (const int repeats : {0, 10}) {
        r.clearVoices();
        Voice v = makeVoice(10000, 0, 0, 10);
        v.delay = 1;
        v.settings.DelaySend = 500;
        r.voices()[0] = v;
        s.delayRepeats = repeats;
        r.spawnEchoes(s);
        EXPECT_EQ(r.activeVoices(), 1 + repeats + 1);
        EXPECT_EQ(r.voices()[0].delay, 0);
        // Echo g: 10000 × 501 / 1001, then (g + 1) times × 61 / 101; 64 units apart.
        const Voice& e1 = r.voices()[1];
        EXPECT_EQ(e1.echo, 1);
        EXPECT_EQ(e1.start, 64);
        EXPECT_EQ(e1.volume, 5004 * 61 / 101 * 61 / 101);
        EXPECT_EQ(e1.delay, 0);
    }
    // Feedback 0 silences every echo.
    r.clearVoices();
    Voice v = makeVoice(10000, 0, 0, 10);
    v.delay = 1;
    v.settings.DelaySend = 1000;
    r.voices()[0] = v;
    s.delayFeedback = 0;
    s.delayRepeats = 3;
    r.spawnEchoes(s);
    EXPECT_EQ(r.activeVoices(), 1);
}

TEST(BlockWork, StopEventsOnlyCutTheSameEchoGeneration)
{
    BlockRenderer r;
    r.beginBlock(120);
    Voice open = makeVoice(5000, 0, 0, 30000);
    open.position = 100; // already sounding
    Voice closed = makeVoice(5000, 128, 1, 10);
    closed.settings.StopTargetIndex = 0;
    closed.echo = 1;
    r.voices()[0] = open;
    r.voices()[1] = closed;
    r.applyStopEvents();
    EXPECT_EQ(r.voices()[0].end, 29999); // another generation: untouched
    r.voices()[1].echo = 0;
    r.applyStopEvents();
    // cut = offset 11025 + position 100 − 0; no sign change: ends right there.
    EXPECT_EQ(r.voices()[0].end, 11125);
}

TEST(BlockWork, VoicesStartInLaterBlocksAndContinueAcrossBlocks)
{
    BlockRenderer r;
    StretchCache cache;
    BlockSettings s;
    r.beginBlock(120);
    r.voices()[0] = makeVoice(10000, 300, 0, 60000); // starts in the next block
    r.mix(cache, s);
    EXPECT_EQ(r.voices()[0].start, 44);
    EXPECT_EQ(r.block()[0], 0);
    r.beginBlock(120);
    r.mix(cache, s);
    const int offset = 44 * 44100 / 256 / 2;
    EXPECT_EQ(r.block()[2 * (offset - 1)], 0);
    EXPECT_EQ(r.block()[2 * offset], 800);
    EXPECT_EQ(r.voices()[0].position, 22050 - offset);
    EXPECT_EQ(r.voices()[0].start, 0);
    r.beginBlock(120);
    r.mix(cache, s);
    EXPECT_EQ(r.block()[0], 800); // the sample after the last one written
    EXPECT_TRUE(r.voices()[0].active());
}

TEST(BlockWork, TwoThreadsMixTheSameBlocksAsTheReferenceLoop)
{
    // A dense, loud table over several blocks: the chunks the two threads share must add up
    // to exactly what one thread gives, saturation and clip counts included.
    std::mt19937 rng(20261218);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::uniform_int_distribution<int> volume(1, 10000);
    std::uniform_int_distribution<int> start(0, 700);
    std::uniform_int_distribution<int> length(1, 60000);
    std::uniform_int_distribution<int> pan(0, 2000);
    BlockRenderer chunked;
    BlockRenderer reference;
    reference.setScalarMixing(true);
    for (int i = 0; i < 200; ++i) {
        Voice v = makeVoice(volume(rng), start(rng), i, 1);
        library::SampleData data(static_cast<std::size_t>(length(rng)));
        for (auto& s : data) {
            s = static_cast<std::int16_t>(sample(rng));
        }
        v.end = static_cast<std::int32_t>(data.size()) - 1;
        v.data = std::make_shared<library::SampleData>(std::move(data));
        v.settings.Pan = pan(rng);
        chunked.voices()[static_cast<std::size_t>(i)] = v;
        reference.voices()[static_cast<std::size_t>(i)] = v;
    }
    StretchCache cache;
    for (const int bpm : {120, 300, 50}) {
        SCOPED_TRACE(bpm);
        const std::int32_t values = chunked.beginBlock(bpm);
        reference.beginBlock(bpm);
        const BlockSettings s;
        const std::int32_t clips = chunked.mix(cache, s);
        EXPECT_EQ(clips, reference.mix(cache, s));
        EXPECT_GT(clips, 0);
        EXPECT_TRUE(std::equal(chunked.block(), chunked.block() + values, reference.block()));
    }
}

} // namespace
} // namespace bw::audio
