// What the engine makes of the arrangement: solo in exports, a song export of some beats
// only, and song playback that stays in the loop range.
#include "audio/memory_wave_out.h"
#include "core/arrangement.h"
#include "core/track_commands.h"
#include "engine_fixture.h"

#include <chrono>
#include <set>
#include <thread>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

constexpr std::uint32_t BeatBytes = 22050 * 4; // one beat of stereo at 120 bpm

TEST(EngineArrange, AnExportHasOnlyTheSoloedTracksAndAMutedSoloStaysSilent)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("Low", constant(100, 1000));
    doc.addSound("High", constant(100, 3000));
    doc.track(0, "Low", 10000, 0);
    doc.track(1, "High", 10000, 0);
    doc.event(0, 0, 5000);
    doc.event(1, 0, 5000);
    const std::int16_t both = doc.exportTo(dir.file("a.wav"), false).samples[0];
    core::ToggleSolo(*doc.song, 1);
    const std::int16_t high = doc.exportTo(dir.file("b.wav"), false).samples[0];
    EXPECT_EQ(high, 3 * both / 4) << "only High sounds";
    doc.song->Tracks[1].Enabled = 0;
    EXPECT_EQ(doc.exportTo(dir.file("c.wav"), false).samples[0], 0);
}

TEST(EngineArrange, ASongExportOfSomeBeatsStartsAtTheFirstAndWritesThemOnce)
{
    ScratchDir dir;
    EngineDoc doc;
    doc.addSound("S", constant(10, 2000));
    doc.track(0, "S", 10000, 0);
    doc.event(0, 0, 5000);
    core::StoreWorkingCopy(*doc.song, 0);
    core::AddSeqEntry(*doc.song, 4, "A");
    doc.song->StopPosition = 11;
    doc.song->LoopOn = true; // a loop range that is on changes nothing of an export
    core::SetLoopRange(*doc.song, 0, 1);
    doc.flags.ExportFrom = 4;
    doc.flags.ExportTo = 7;
    const WavFile w = doc.exportTo(dir.file("r.wav"), true);
    EXPECT_EQ(w.dataSize, 3U * BeatBytes);
    EXPECT_NE(w.samples[0], 0) << "beat 4, where A starts, comes first";
    EXPECT_EQ(doc.flags.ExportFrom.load(), -1) << "the next export is the whole song again";
    EXPECT_EQ(doc.exportTo(dir.file("s.wav"), true).dataSize, 12U * BeatBytes);
}

TEST(EngineArrange, SongPlaybackStaysInTheLoopRangeWhileTheLoopIsOn)
{
    EngineDoc doc;
    doc.song->Bpm = 300; // short blocks
    doc.song->StopPosition = 7;
    core::SetLoopRange(*doc.song, 2, 3);
    doc.song->LoopOn = true;
    doc.host->setSongPosition(6, false); // outside: playback starts at the range's first beat
    std::mutex mutex;
    std::vector<int> heard;
    doc.host->onBlock = [&](const audio::BlockReport& r) {
        std::lock_guard<std::mutex> guard(mutex);
        heard.push_back(r.songPosition);
    };
    doc.flags.SongMode = true;
    audio::Twaverender engine(doc.context([] {
        return std::make_unique<audio::MemoryWaveOut>(audio::MemoryWaveOut::Mode::Immediate);
    }));
    engine.start();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (doc.host->blocks() < 12 && !engine.finished() &&
           std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(engine.finished()) << "a loop does not end by itself";
    doc.flags.StopRequested = true;
    while (!engine.finished() && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::lock_guard<std::mutex> guard(mutex);
    EXPECT_EQ(std::set<int>(heard.begin(), heard.end()), (std::set<int>{2, 3}));
}

} // namespace
} // namespace bw::test
