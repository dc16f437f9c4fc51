// Swing on eighths and seeded humanize: the offsets themselves, and exports through the engine.
#include "audio/groove.h"
#include "engine_fixture.h"

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

constexpr int FramesPerBeat = 22050; // at 120 bpm

std::int16_t left(const WavFile& w, int frame)
{
    return w.samples[static_cast<std::size_t>(2 * frame)];
}

/// Frames where the left channel turns from silence to sound, with the first sample there.
std::vector<std::pair<int, int>> onsets(const WavFile& w)
{
    std::vector<std::pair<int, int>> out;
    const int frames = static_cast<int>(w.samples.size() / 2);
    for (int f = 0; f < frames; ++f) {
        if (left(w, f) != 0 && (f == 0 || left(w, f - 1) == 0)) {
            out.emplace_back(f, left(w, f));
        }
    }
    return out;
}

/// Hats (10 samples of 1000) on track 0 at every step of the given slots apart, 4 beats.
void hats(EngineDoc& doc, int slotsApart, std::int32_t volume)
{
    doc.addSound("Hat", constant(10, 1000));
    doc.track(0, "Hat");
    for (int s = 0; s < 256; s += slotsApart) {
        doc.event(0, s, volume);
    }
}

TEST(Swing, AGridOfOneMovesTheOffBeatEighths)
{
    ScratchDir dir;
    const auto render = [&dir](int amount, int grid) {
        EngineDoc doc;
        hats(doc, 32, 10000); // eighths: 32 slots of a 64-slot beat
        doc.song->ShuffleAmount = amount;
        doc.song->ShuffleDivision = grid;
        return doc.exportTo(dir.file("e.wav"), false);
    };
    // The off-beat eighth lies at 128/256 of the beat, the middle of a step of 256: moved to
    // 254 - (100 - 40) * (256 - 128) / 100 = 178, frame 178 * 44100 / 256 / 2 = 15331.
    const WavFile swung = render(40, 1);
    const WavFile straight = render(0, 1);
    std::vector<std::pair<int, int>> expected;
    for (int beat = 0; beat < 4; ++beat) {
        expected.emplace_back(beat * FramesPerBeat, 800);
        expected.emplace_back(beat * FramesPerBeat + 15331, 800);
    }
    EXPECT_EQ(onsets(swung), expected);
    for (int beat = 0; beat < 4; ++beat) {
        expected[static_cast<std::size_t>(2 * beat + 1)].first = beat * FramesPerBeat + 11025;
    }
    EXPECT_EQ(onsets(straight), expected);
    // A grid of 2 swings sixteenths only: eighths stay where they are.
    EXPECT_EQ(render(40, 2).bytes, straight.bytes);
}

TEST(Humanize, OffsetsStayWithinTheirAmountsAndAverageZero)
{
    // 20 ms at 120 bpm: 10 whole units of 1/256 beat (19.5 ms); never more than the amount.
    EXPECT_EQ(audio::HumanizeTimingUnits(20, FramesPerBeat), 10);
    for (const int bpm : {50, 97, 120, 300}) {
        const int frames = 2646000 / bpm;
        for (int ms = 0; ms <= 20; ++ms) {
            const int units = audio::HumanizeTimingUnits(ms, frames);
            EXPECT_LE(units * frames * 1000, ms * 44100 * 256) << bpm << " bpm " << ms << " ms";
            EXPECT_GT((units + 1) * frames * 1000, ms * 44100 * 256) << bpm << " bpm " << ms;
        }
    }
    const int range = 10;
    std::int64_t timingSum = 0, volumeSum = 0, product = 0;
    int lowest = 0, highest = 0, count = 0;
    for (int track = 0; track < 5; ++track) {
        for (int slot = 0; slot < 250; slot += 25) {
            for (int pass = 0; pass < 200; ++pass) {
                const std::uint64_t h = audio::HumanizeHash({42, 3, track, slot, pass});
                const int t = audio::HumanizeOffset(h, range, 0);
                const int v = audio::HumanizedVolume(h, 5000, 30) - 5000;
                ASSERT_LE(std::abs(t), range);
                ASSERT_LE(std::abs(v), 1500);
                lowest = std::min(lowest, t);
                highest = std::max(highest, t);
                timingSum += t;
                volumeSum += v;
                product += static_cast<std::int64_t>(t) * v;
                ++count;
            }
        }
    }
    ASSERT_EQ(count, 10000);
    EXPECT_EQ(lowest, -range);
    EXPECT_EQ(highest, range);
    // Standard errors of the means: about 0.045 units and 6 volume steps.
    EXPECT_LT(std::abs(static_cast<double>(timingSum) / count), 0.2);
    EXPECT_LT(std::abs(static_cast<double>(volumeSum) / count), 30.0);
    // Timing and volume are drawn apart (a correlation near 0).
    const double correlation = static_cast<double>(product) / count / (4.47 * 612.0);
    EXPECT_LT(std::abs(correlation), 0.05);
    // Neither amount moves anything at 0, and the same key gives the same offsets.
    const std::uint64_t h = audio::HumanizeHash({42, 0, 1, 2, 3});
    EXPECT_EQ(audio::HumanizeOffset(h, 0, 0), 0);
    EXPECT_EQ(audio::HumanizedVolume(h, 5000, 0), 5000);
    EXPECT_EQ(h, audio::HumanizeHash({42, 0, 1, 2, 3}));
    EXPECT_NE(h, audio::HumanizeHash({43, 0, 1, 2, 3}));
    EXPECT_NE(h, audio::HumanizeHash({42, 0, 1, 2, 4}));
}

TEST(Humanize, ExportsRepeatExactlyAndFollowTheSeed)
{
    ScratchDir dir;
    const auto render = [&dir](int timing, int volume, std::uint64_t seed) {
        EngineDoc doc;
        hats(doc, 16, 5000); // sixteenths at half volume: 400 each unmoved
        core::SetHumanize(*doc.song, timing, volume);
        doc.song->HumanizeSeed = seed;
        return doc.exportTo(dir.file("h.wav"), false);
    };
    const WavFile plain = render(0, 0, core::DefaultHumanizeSeed);
    const WavFile a = render(20, 30, 7);
    EXPECT_EQ(render(20, 30, 7).bytes, a.bytes);
    EXPECT_NE(render(20, 30, 8).bytes, a.bytes);
    EXPECT_NE(a.bytes, plain.bytes);
    // Amounts of 0 move nothing whatever the seed.
    EXPECT_EQ(render(0, 0, 7).bytes, plain.bytes);

    // Each hit lies within 20 ms (882 frames) of its step and not before its beat, at 400
    // within 30 %; and they do move.
    const auto hits = onsets(a);
    ASSERT_EQ(hits.size(), 16U);
    int moved = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const int step = static_cast<int>(i) * FramesPerBeat / 4;
        const int beatStart = static_cast<int>(i / 4) * FramesPerBeat;
        EXPECT_LE(std::abs(hits[i].first - step), 882) << i;
        EXPECT_GE(hits[i].first, beatStart) << i;
        EXPECT_GE(hits[i].second, 280) << i;
        EXPECT_LE(hits[i].second, 520) << i;
        moved += hits[i].first != step ? 1 : 0;
    }
    EXPECT_GE(moved, 8);
}

TEST(Humanize, EachPlacementOfAPatternGetsItsOwnFeel)
{
    ScratchDir dir;
    const auto render = [&dir] {
        EngineDoc doc;
        hats(doc, 64, 5000); // one hit a beat
        core::SetHumanize(*doc.song, 20, 30);
        doc.song->HumanizeSeed = 99;
        core::StoreWorkingCopy(*doc.song, 0);
        core::AddSeqEntry(*doc.song, 0, "A");
        core::AddSeqEntry(*doc.song, 4, "A");
        doc.song->StopPosition = 7;
        return doc.exportTo(dir.file("s.wav"), true);
    };
    const WavFile w = render();
    ASSERT_TRUE(w.samples.size() >= static_cast<std::size_t>(2 * 8 * FramesPerBeat));
    EXPECT_EQ(render().bytes, w.bytes);
    const auto hits = onsets(w);
    ASSERT_EQ(hits.size(), 8U);
    bool differs = false;
    for (std::size_t i = 0; i < 4; ++i) {
        differs = differs || hits[i].second != hits[i + 4].second ||
                  hits[i].first + 4 * FramesPerBeat != hits[i + 4].first;
    }
    EXPECT_TRUE(differs);
}

} // namespace
} // namespace bw::test
