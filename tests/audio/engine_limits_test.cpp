// The engine keeps every song value it reads to its range, bounds the pitch it resamples with
// and the memory of its copies, and has no undefined arithmetic for any value a file can set.
#include "audio/groove.h"
#include "audio/memory_wave_out.h"
#include "audio/resampler.h"
#include "audio/wav_writer.h"
#include "engine_fixture.h"

#include <climits>
#include <filesystem>
#include <functional>
#include <iterator>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

using audio::PitchedLength;
using audio::PitchFactor;
using audio::ShuffledPosition;

constexpr int MaxPitch()
{
    return audio::MaxPitchSemitones;
}

/// One pass of a 4-beat pattern with one event of a decaying sound on track 0 (echoed on
/// track 1), rendered after change has set the values under test.
std::vector<std::int16_t> renderWith(const std::function<void(EngineDoc&)>& change)
{
    ScratchDir dir;
    EngineDoc doc;
    std::vector<std::int16_t> sound(3000);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::int16_t>((i % 50) * 200 - 5000);
    }
    doc.addSound("S", sound);
    doc.track(0, "S", 9000, 700);
    doc.track(1, "S", 8000, 1300).DelaySend = 600;
    doc.event(0, 0, 7000, 3, 100);
    doc.event(1, 73, 6000, -2, -100); // in the second half of a shuffle step
    doc.song->ShuffleAmount = 40;
    doc.song->ShuffleDivision = 4;
    change(doc);
    const WavFile w = doc.exportTo(dir.file("x.wav"), false);
    EXPECT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;
    return w.samples;
}

TEST(EngineLimits, SongValuesAreKeptToTheirRangesWhenTheEngineReadsThem)
{
    struct Case
    {
        const char* label;
        std::function<void(EngineDoc&)> outside;
        std::function<void(EngineDoc&)> limit;
    };
    const std::vector<Case> cases = {
        {"delay repeats", [](EngineDoc& d) { d.song->DelayRepeats = 50; },
         [](EngineDoc& d) { d.song->DelayRepeats = 10; }},
        {"negative delay repeats", [](EngineDoc& d) { d.song->DelayRepeats = -5; },
         [](EngineDoc& d) { d.song->DelayRepeats = 0; }},
        {"delay feedback", [](EngineDoc& d) { d.song->DelayFeedback = 400; },
         [](EngineDoc& d) { d.song->DelayFeedback = 100; }},
        {"delay send", [](EngineDoc& d) { d.song->Tracks[1].DelaySend = 90000; },
         [](EngineDoc& d) { d.song->Tracks[1].DelaySend = 1000; }},
        {"shuffle amount", [](EngineDoc& d) { d.song->ShuffleAmount = 150; },
         [](EngineDoc& d) { d.song->ShuffleAmount = 100; }},
        {"shuffle amount INT_MIN", [](EngineDoc& d) { d.song->ShuffleAmount = INT_MIN; },
         [](EngineDoc& d) { d.song->ShuffleAmount = 0; }},
        {"shuffle grid", [](EngineDoc& d) { d.song->ShuffleDivision = -3; },
         [](EngineDoc& d) { d.song->ShuffleDivision = 2; }},
        {"humanize",
         [](EngineDoc& d) {
             d.song->HumanizeTiming = 900;
             d.song->HumanizeVolume = INT_MAX;
         },
         [](EngineDoc& d) { core::SetHumanize(*d.song, 20, 30); }},
        {"negative humanize",
         [](EngineDoc& d) {
             d.song->HumanizeTiming = INT_MIN;
             d.song->HumanizeVolume = -4;
         },
         [](EngineDoc& d) { core::SetHumanize(*d.song, 0, 0); }},
        {"master volume", [](EngineDoc& d) { d.song->MasterVolume = 25000; },
         [](EngineDoc& d) { d.song->MasterVolume = 10000; }},
        {"track volume", [](EngineDoc& d) { d.song->Tracks[0].Volume = 70000; },
         [](EngineDoc& d) { d.song->Tracks[0].Volume = 10000; }},
        {"event volume", [](EngineDoc& d) { d.song->Events[0][0].Volume = INT_MAX; },
         [](EngineDoc& d) { d.song->Events[0][0].Volume = 10000; }},
        {"track pan",
         [](EngineDoc& d) {
             d.song->Tracks[0].Pan = 5000;
             d.song->Events[0][0].Pan = -900;
         },
         [](EngineDoc& d) {
             d.song->Tracks[0].Pan = 2000;
             d.song->Events[0][0].Pan = -900;
         }},
        {"event pan", [](EngineDoc& d) { d.song->Events[1][73].Pan = -7000; },
         [](EngineDoc& d) { d.song->Events[1][73].Pan = -1000; }},
        {"pitch", [](EngineDoc& d) { d.song->Events[0][0].Pitch = 200; },
         [](EngineDoc& d) { d.song->Events[0][0].Pitch = MaxPitch(); }},
        {"pitch sum", [](EngineDoc& d) { d.song->Tracks[0].Transpose = INT_MIN + 1; },
         [](EngineDoc& d) { d.song->Events[0][0].Pitch = -MaxPitch(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto outside = renderWith(c.outside);
        const auto limit = renderWith(c.limit);
        ASSERT_FALSE(outside.empty());
        EXPECT_TRUE(outside == limit);
    }
}

TEST(EngineLimits, APatternLengthNoEditorMakesStillEnds)
{
    // Beats 0 and beats past the limit play as 1 and 100 beats.
    EXPECT_EQ(renderWith([](EngineDoc& d) { d.song->Beats = 0; }).size(), 22050U * 2);
    EXPECT_EQ(renderWith([](EngineDoc& d) { d.song->Beats = 100000; }).size(), 100U * 22050 * 2);
}

TEST(EngineLimits, NoUndefinedArithmeticForAnyValue)
{
    // Run these under -fsanitize=undefined,float-cast-overflow.
    EXPECT_EQ(PitchFactor(INT_MIN), PitchFactor(-MaxPitch()));
    EXPECT_EQ(PitchFactor(INT_MAX), PitchFactor(MaxPitch()));
    EXPECT_NEAR(PitchFactor(-96), 256.0F, 0.01F);
    // Eight octaves down, a sound of 2^30 samples asks for more than 32 bits of samples.
    EXPECT_GT(PitchedLength(PitchFactor(-96), 1 << 30), std::int64_t{1} << 37);
    EXPECT_EQ(PitchedLength(1e30F, INT_MAX), 0);
    EXPECT_EQ(ShuffledPosition(64, 256, INT_MIN, 2), 126 - (2147483748LL * 64) / 100);
    EXPECT_EQ(ShuffledPosition(64, 256, INT_MAX, 2), 126 - (-2147483547LL * 64) / 100);
}

TEST(EngineLimits, CopiesStayWithinTheCacheBudget)
{
    audio::StretchCache cache;
    cache.setBudget(1000);
    const auto src = std::make_shared<library::SampleData>(100, std::int16_t{1});
    EXPECT_TRUE(cache.AcquireCopy(0, src, 400, 99, 188).copy);
    EXPECT_TRUE(cache.AcquireCopy(0, src, 500, 99, 238).copy);
    EXPECT_FALSE(cache.AcquireCopy(0, src, 200, 99, 88).copy) << "both are in use";
    EXPECT_FALSE(cache.AcquireCopy(0, src, 1001, 99, 488).copy) << "larger than the budget";
    EXPECT_EQ(cache.totalSize(), 900);
    cache.ReleaseAllCopies();
    EXPECT_TRUE(cache.AcquireCopy(0, src, 200, 99, 88).copy) << "copies no voice plays go";
    EXPECT_LE(cache.totalSize(), 1000);
    EXPECT_EQ(audio::StretchCache::DefaultBudget, 128 << 20);
}

TEST(EngineLimits, AStretchedSoundBeyondTheBudgetStaysSilentWithOneNotice)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.cache.setBudget(1 << 20);
    // Stretched to 40 beats: 1.7 MB for its copy. The short one (a quarter beat) fits.
    doc.addSound("Long", constant(100, 8000), "", 1, 40, 1);
    doc.addSound("Short", constant(100, 1000), "", 1, 1, 4);
    doc.track(0, "Long");
    doc.track(1, "Short");
    doc.event(0, 0, 10000);
    doc.event(0, 128, 10000);
    doc.event(1, 0, 10000);
    const WavFile w = doc.exportTo(dir.file("s.wav"), false);
    EXPECT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;
    ASSERT_EQ(doc.host->notices().size(), 1U);
    EXPECT_EQ(doc.host->notices()[0], "The sound \"Long\" stays silent: its stretched or pitched "
                                      "copy (2 MB) does not fit in the 1 MB kept for such "
                                      "copies.");
    EXPECT_EQ(w.samples[0], 800); // only the short sound: 10000 x 4 / 5 x 1000 / 10000
}

TEST(EngineFailure, TheDevicesOwnErrorTextFollowsTheStage)
{
    EngineDoc doc;
    doc.flags.SongMode = false;
    audio::Twaverender engine(doc.context([] {
        auto out = std::make_unique<audio::MemoryWaveOut>(audio::MemoryWaveOut::Mode::Immediate);
        out->failNextOpen("Couldn't open audio device: No such device");
        return out;
    }));
    engine.run();
    EXPECT_EQ(engine.failure(), "SHUTDOWN AUDIO RENDER:Init Sound System Error(120)\n"
                                "Couldn't open audio device: No such device");
}

TEST(EngineExportTarget, AFolderOrPipeIsRefusedAndAFailedExportKeepsTheOldFile)
{
    ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.wav"));
    for (const char* target : {"pipe.wav", "folder.wav"}) {
        SCOPED_TRACE(target);
        EngineDoc doc;
        doc.exportTo(dir.file(target), false); // a pipe nobody reads once hung here
        const auto m = doc.host->messages();
        ASSERT_EQ(m.size(), 2U);
        EXPECT_EQ(m[0], audio::OpenFileErrorText);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("pipe.wav")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.wav")));

    writeFileAtomically(dir.file("old.wav"), {1, 2, 3});
    EngineDoc doc;
    doc.song->DelayDivision = 0;
    doc.addSound("S", constant(10, 1000));
    doc.track(0, "S").DelaySend = 10;
    doc.event(0, 0, 5000);
    core::AddSeqEntry(*doc.song, 0, "A");
    doc.exportTo(dir.file("old.wav"), true); // a song export: fails after its file was created
    EXPECT_EQ(doc.lastFailure, "SHUTDOWN AUDIO RENDER:Delay Error(305)");
    EXPECT_EQ(readWholeFile(dir.file("old.wav")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator{}),
              3);
}

TEST(WavLimit, AnExportThatWouldPassTheSizeAWavFileHoldsStopsAndLeavesNoFile)
{
    ScratchDir dir;
    const std::string path = dir.file("big.wav");
    audio::WavWriter w(1000);
    ASSERT_TRUE(w.WriteWavHeader(path, 2, 0, 16, 4, 176400, 44100));
    const std::vector<std::uint8_t> block(600, 1);
    w.WriteWavBlock(block.data(), block.size());
    try {
        w.WriteWavBlock(block.data(), block.size());
        ADD_FAILURE() << "wrote past the limit";
    } catch (const audio::WavWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("the export would pass 4 GiB, the most a WAV file "
                                             "can hold; nothing was written"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(w.isOpen());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_EQ(audio::WavWriter::MaxDataBytes, 0xFFFFFFFFULL - 36);
}

} // namespace
} // namespace bw::test
