// Exports through the real engine, checked against hand-computed files and samples.
#include "engine_fixture.h"

#include <gtest/gtest.h>

namespace bw::test {
namespace {

constexpr int FramesPerBeat = 22050; // at 120 bpm

std::int16_t left(const WavFile& w, int frame)
{
    return w.samples[static_cast<std::size_t>(2 * frame)];
}
std::int16_t right(const WavFile& w, int frame)
{
    return w.samples[static_cast<std::size_t>(2 * frame + 1)];
}

TEST(EngineExport, FourBeatStereoPatternFileLayout)
{
    ScratchDir dir;
    EngineDoc doc;
    const WavFile w = doc.exportTo(dir.file("p.wav"), false);
    ASSERT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;
    EXPECT_EQ(w.bytes.size(), 352844U);
    EXPECT_EQ(w.riffSize, 352836U);
    EXPECT_EQ(w.dataSize, 352800U);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.blockAlign, 4);
    EXPECT_EQ(w.bytesPerSecond, 176400U);
    EXPECT_EQ(std::string(w.bytes.begin(), w.bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(w.bytes.begin() + 8, w.bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(std::string(w.bytes.begin() + 36, w.bytes.begin() + 40), "data");
}

TEST(EngineExport, MonoPatternKeepsLeftChannel)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.song->Stereo = 0;
    doc.addSound("S", constant(100, 10000));
    doc.track(0, "S", 10000, 0); // hard left: the right channel would carry nothing
    doc.event(0, 0, 5000);
    const WavFile w = doc.exportTo(dir.file("m.wav"), false);
    EXPECT_EQ(w.dataSize, 176400U);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.bytesPerSecond, 88200U);
    // Mono mixing ignores pan: 5000 → gain 4000 → 4000 × 10000 / 10000.
    EXPECT_EQ(w.samples[0], 4000);
    EXPECT_EQ(w.samples[99], 4000);
    EXPECT_EQ(w.samples[100], 0);
}

TEST(EngineExport, SongWritesStopPositionPlusOneBeats)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.song->StopPosition = 7;
    const WavFile w = doc.exportTo(dir.file("s.wav"), true);
    EXPECT_EQ(w.dataSize, 8U * FramesPerBeat * 4);
    EXPECT_EQ(w.bytes.size(), 44U + 8U * FramesPerBeat * 4);
    EXPECT_EQ(doc.host->exportDialogCloses(), 1);
}

TEST(EngineExport, SongBeyondTheTimeLineEndsAtItsLastBeat)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.song->Bpm = 300; // short blocks keep the test quick
    doc.song->StopPosition = 5000;
    const WavFile w = doc.exportTo(dir.file("s.wav"), true);
    const std::uint32_t beat = (2646000 / 300) * 2 * 2;
    EXPECT_EQ(w.dataSize, 4001U * beat);
}

TEST(EngineExport, OneEventHandComputed)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.song->MasterVolume = 8000;
    doc.addSound("S", constant(300, 12345));
    doc.track(0, "S", 9000, 1500);
    doc.event(0, 63, 7000, 0, -250); // pan 1250: left weight 750
    const WavFile w = doc.exportTo(dir.file("e.wav"), false);
    // volume = ((7000 × 8000) / 10000 × 9000) / 10000 = 5040; g = 4032;
    // t = 4032 × 12345 / 10000 = 4977; left = 4977 × 750 / 1000 = 3732; right = 4977.
    // Slot 63 of 4 beats starts 252/256 into beat 0: frame 252 × 44100 / 256 / 2 = 21705.
    EXPECT_EQ(left(w, 21704), 0);
    EXPECT_EQ(left(w, 21705), 3732);
    EXPECT_EQ(right(w, 21705), 4977);
    // The voice runs on into beat 1 without a gap or a lost sample: 300 frames in all.
    EXPECT_EQ(left(w, 21705 + 299), 3732);
    EXPECT_EQ(left(w, 21705 + 300), 0);
    EXPECT_EQ(doc.lastClips, 0);
}

TEST(EngineExport, SaturationCountsEachClippedChannel)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("Loud", constant(100, 25000));
    doc.track(0, "Loud");
    doc.track(1, "Loud");
    doc.event(0, 0, 10000);
    doc.event(1, 0, 10000);
    // Each voice adds 20000: 40000 saturates to 32767 in both channels of 100 frames.
    WavFile w = doc.exportTo(dir.file("c.wav"), false);
    EXPECT_EQ(left(w, 0), 32767);
    EXPECT_EQ(right(w, 99), 32767);
    EXPECT_EQ(doc.lastClips, 400); // two passes rendered (pre-roll and export) × 100 × 2

    doc.song->Stereo = 0;
    w = doc.exportTo(dir.file("c2.wav"), false);
    EXPECT_EQ(w.samples[0], 32767);
    EXPECT_EQ(doc.lastClips, 200); // mono counts one per frame
}

TEST(EngineExport, NegativeSaturationAndPanWeights)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("Neg", constant(10, -25000));
    doc.track(0, "Neg", 10000, 1500); // right of centre: left weight 500
    doc.track(1, "Neg", 10000, 1500);
    doc.event(0, 0, 10000);
    doc.event(1, 0, 10000);
    const WavFile w = doc.exportTo(dir.file("n.wav"), false);
    // t = -20000: left -10000 per voice (sum -20000 fits), right -20000 (sum saturates).
    EXPECT_EQ(left(w, 0), -20000);
    EXPECT_EQ(right(w, 0), -32768);
}

TEST(EngineExport, EchoesFollowTheDelayGrid)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("S", constant(50, 10000));
    doc.track(0, "S").DelaySend = 1000;
    doc.song->DelayDivision = 2;
    doc.song->DelayFeedback = 100;
    doc.song->DelayRepeats = 0;
    doc.event(0, 0, 10000);
    const WavFile w = doc.exportTo(dir.file("d.wav"), false);
    // The event and its single echo half a beat later, at full volume (8000 × 10000 / 10000).
    EXPECT_EQ(left(w, 0), 8000);
    EXPECT_EQ(left(w, 11025), 8000);
    EXPECT_EQ(left(w, 11025 + 50), 0);
    EXPECT_EQ(left(w, 2 * 11025), 0);
}

TEST(EngineExport, ShuffleDelaysOffBeatSixteenths)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("S", constant(10, 1000));
    doc.track(0, "S");
    doc.song->ShuffleAmount = 50;
    doc.song->ShuffleDivision = 2;
    doc.event(0, 16, 10000); // 1/4 into beat 0: offset 64 moves to 94
    const WavFile w = doc.exportTo(dir.file("sh.wav"), false);
    const int frame = 94 * 44100 / 256 / 2;
    EXPECT_EQ(left(w, frame - 1), 0);
    EXPECT_EQ(left(w, frame), 800);
}

TEST(EngineExport, StopTargetCutsAtTheNextZeroCrossing)
{
    ScratchDir dir;
    EngineDoc doc;
    // The open sound is positive up to sample 11499 and negative from 11500 on.
    std::vector<std::int16_t> open(30000, 1000);
    for (std::size_t i = 11500; i < open.size(); ++i) {
        open[i] = -1000;
    }
    doc.addSound("Open", open);
    doc.addSound("Closed", constant(10, 0), "Open");
    doc.track(0, "Open");
    doc.track(1, "Closed");
    doc.event(0, 0, 10000);
    doc.event(1, 32, 10000); // half a beat in: frame 11025
    const WavFile w = doc.exportTo(dir.file("st.wav"), false);
    // Cut at 11025, ended at the first sample of the other sign (11500), which still plays.
    EXPECT_EQ(left(w, 11499), 800);
    EXPECT_EQ(left(w, 11500), -800);
    EXPECT_EQ(left(w, 11501), 0);
}

TEST(EngineExport, StopTargetCutLimitedToAThousandSamples)
{
    ScratchDir dir;
    EngineDoc doc;
    std::vector<std::int16_t> open(30000, 1000);
    for (std::size_t i = 13000; i < open.size(); ++i) {
        open[i] = -1000; // the crossing lies 1975 samples after the cut: too far
    }
    doc.addSound("Open", open);
    doc.addSound("Closed", constant(10, 0), "Open");
    doc.track(0, "Open");
    doc.track(1, "Closed");
    doc.event(0, 0, 10000);
    doc.event(1, 32, 10000);
    const WavFile w = doc.exportTo(dir.file("st.wav"), false);
    EXPECT_EQ(left(w, 11025), 800);
    EXPECT_EQ(left(w, 11026), 0);
}

TEST(EngineExport, StretchedSoundFillsItsBeats)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("Loop", constant(1000, 5000), "", 1, 1, 1); // one beat long at any tempo
    doc.track(0, "Loop");
    doc.event(0, 0, 10000, 7); // the event's pitch is ignored for a stretched sound
    const WavFile w = doc.exportTo(dir.file("l.wav"), false);
    EXPECT_EQ(left(w, 0), 4000);
    EXPECT_EQ(left(w, FramesPerBeat - 1), 4000);
    EXPECT_EQ(left(w, FramesPerBeat), 0);
    ASSERT_EQ(doc.cache.entries().size(), 1U);
    EXPECT_EQ(doc.cache.entries()[0].targetLength, FramesPerBeat);
}

TEST(EngineExport, PitchedSoundIsShortened)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("S", constant(100, 10000)); // L = 99
    doc.track(0, "S");
    doc.event(0, 0, 10000, 12);
    doc.event(0, 64, 10000, 12); // the same copy again
    const WavFile w = doc.exportTo(dir.file("p.wav"), false);
    EXPECT_EQ(left(w, 48), 8000); // 49 samples: Trunc(0.49999988 × 99)
    EXPECT_EQ(left(w, 49), 0);
    ASSERT_EQ(doc.cache.entries().size(), 1U);
    EXPECT_GE(doc.cache.entries()[0].useCount, 2);
}

TEST(EngineExport, UnplayableSoundsStaySilent)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("Empty", {});
    doc.addSound("NoDiv", constant(100, 1000), "", 1, 1, 0);
    doc.addSound("Fine", constant(10, 1000));
    doc.track(0, "Empty");
    doc.track(1, "NoDiv");
    doc.track(2, "Fine");
    doc.event(0, 0, 10000);
    doc.event(1, 0, 10000);
    doc.event(2, 0, 10000);
    const WavFile w = doc.exportTo(dir.file("u.wav"), false);
    EXPECT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;
    EXPECT_EQ(left(w, 0), 800); // only the playable sound
}

TEST(EngineExport, RendersAreBitIdenticalFromRunToRun)
{
    ScratchDir dir;
    EngineDoc doc;
    std::vector<std::int16_t> noise(30000);
    std::uint32_t x = 12345;
    for (auto& s : noise) {
        x = x * 1664525U + 1013904223U;
        s = static_cast<std::int16_t>(x >> 16);
    }
    doc.addSound("N", noise);
    for (int t = 0; t < 12; ++t) {
        doc.track(t, "N", 7000 + 200 * t, 150 * t + 100);
        for (int s = t; s < 256; s += 12) {
            doc.event(t, s, 2000 + 600 * t, 0, (t % 3 - 1) * 300);
        }
    }
    const WavFile a = doc.exportTo(dir.file("a.wav"), false);
    const WavFile b = doc.exportTo(dir.file("b.wav"), false);
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_GT(doc.lastClips, 0); // loud enough to exercise saturation
}

TEST(EngineFailure, UnwritableExportFileShowsBothMessages)
{
    EngineDoc doc;
    doc.exportTo("/nonexistent-folder/x.wav", false);
    const auto m = doc.host->messages();
    ASSERT_EQ(m.size(), 2U);
    EXPECT_EQ(m[0], "Open File Error! I can\xC2\xB4t write. Maybe the file is used by another "
                    "application.");
    EXPECT_EQ(m[1], "SHUTDOWN AUDIO RENDER:play Error(510)");
    EXPECT_FALSE(doc.flags.EngineRunning.load());
    EXPECT_FALSE(doc.flags.WriteRequested.load());
}

TEST(EngineFailure, BadSettingsStopWithTheirStage)
{
    ScratchDir dir;
    {
        EngineDoc doc;
        doc.song->Bpm = 0;
        doc.exportTo(dir.file("a.wav"), false);
        EXPECT_EQ(doc.lastFailure, "SHUTDOWN AUDIO RENDER:Calculate Loop Error(200)");
    }
    {
        EngineDoc doc;
        doc.addSound("S", constant(10, 1000));
        doc.track(0, "S").DelaySend = 10;
        doc.event(0, 0, 5000);
        doc.song->DelayDivision = 0;
        doc.exportTo(dir.file("b.wav"), false);
        EXPECT_EQ(doc.lastFailure, "SHUTDOWN AUDIO RENDER:Delay Error(305)");
    }
    {
        EngineDoc doc;
        doc.addSound("S", constant(10, 1000));
        doc.track(0, "S");
        doc.event(0, 0, 5000);
        doc.song->ShuffleAmount = 50;
        doc.song->ShuffleDivision = 300; // a step of 0
        doc.exportTo(dir.file("c.wav"), false);
        EXPECT_EQ(doc.lastFailure, "SHUTDOWN AUDIO RENDER:Calculate Sound Error(300)");
    }
}

} // namespace
} // namespace bw::test
