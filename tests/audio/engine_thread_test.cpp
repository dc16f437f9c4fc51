// The engine on its own thread: starting while running, stopping, and the UI editing the
// document while a run plays (run this under ThreadSanitizer).
#include "audio/memory_wave_out.h"
#include "engine_fixture.h"

#include <chrono>
#include <random>
#include <thread>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

void waitUntil(const std::function<bool()>& done)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

audio::WaveOutFactory memoryOutput()
{
    return [] {
        return std::make_unique<audio::MemoryWaveOut>(audio::MemoryWaveOut::Mode::Immediate);
    };
}

TEST(EngineThread, SecondStartEndsAtOnceAndStopEndsTheRun)
{
    EngineDoc doc;
    doc.addSound("S", constant(5000, 3000));
    doc.track(0, "S");
    doc.event(0, 0, 8000);
    doc.flags.SongMode = false;
    audio::Twaverender first(doc.context(memoryOutput()));
    first.start();
    waitUntil([&] { return doc.host->blocks() >= 3; });
    audio::Twaverender second(doc.context(memoryOutput()));
    second.start();
    waitUntil([&] { return second.finished(); });
    EXPECT_TRUE(second.finished());
    EXPECT_FALSE(first.finished());
    doc.flags.StopRequested = true;
    waitUntil([&] { return first.finished(); });
    EXPECT_TRUE(first.finished());
    EXPECT_FALSE(doc.flags.EngineRunning.load());
    EXPECT_TRUE(doc.host->ended());
    EXPECT_TRUE(first.failure().empty());
}

TEST(EngineThread, EditingWhilePlayingIsSafe)
{
    EngineDoc doc;
    for (int i = 0; i < 4; ++i) {
        doc.addSound("S" + std::to_string(i), constant(3000, static_cast<std::int16_t>(1000 * i)));
        doc.track(i, "S" + std::to_string(i)).DelaySend = 300;
    }
    doc.lib.at(1).StopTarget.assign("S0");
    doc.song->ShuffleAmount = 30;
    doc.flags.SongMode = false;
    audio::Twaverender engine(doc.context(memoryOutput()));
    engine.start();

    std::mt19937 rng(7);
    for (int step = 0; step < 3000; ++step) {
        const int t = static_cast<int>(rng() % 4);
        const int s = static_cast<int>(rng() % 256);
        std::lock_guard<core::SongLock> g(doc.lock);
        switch (rng() % 9) {
        case 0:
            core::InsertEvent(*doc.song, t, s);
            doc.song->Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)].Pitch =
                static_cast<std::int32_t>(rng() % 5) - 2;
            break;
        case 1:
            core::DeleteEvent(*doc.song, t, s);
            break;
        case 2:
            doc.song->Tracks[static_cast<std::size_t>(t)].Volume =
                static_cast<std::int32_t>(rng() % 10001);
            break;
        case 3:
            if (doc.song->PatternCount < 6) {
                const int k = core::AddPattern(*doc.song, "P" + std::to_string(step));
                core::StoreWorkingCopy(*doc.song, k);
            }
            break;
        case 4:
            if (doc.song->PatternCount > 1) {
                core::DeletePattern(*doc.song, doc.song->CurrentPattern);
            }
            break;
        case 5:
            core::AddSeqEntry(*doc.song, s, "A");
            break;
        case 6:
            if (!doc.song->Sequence.empty()) {
                doc.song->Sequence.erase(doc.song->Sequence.begin());
            }
            break;
        case 7:
            doc.addSound("N" + std::to_string(step), constant(200, 500));
            break;
        default:
            if (doc.lib.count() > 4) {
                doc.lib.DeleteSound(doc.lib.count() - 1);
            }
            core::ChangeBeats(*doc.song, 2 + static_cast<int>(rng() % 3) * 2);
            break;
        }
    }
    doc.flags.StopRequested = true;
    engine.join();
    EXPECT_TRUE(engine.failure().empty()) << engine.failure();
    EXPECT_GT(doc.host->blocks(), 0);
}

TEST(EngineThread, PreviewPlaysOnceInMonoAndEnds)
{
    EngineDoc doc;
    auto capture = std::make_shared<audio::MemoryWaveCapture>();
    doc.flags.setPreview(std::make_shared<library::SampleData>(1000, std::int16_t{77}), 2000);
    doc.flags.PreviewRequested = true;
    audio::Twaverender engine(doc.context([capture] {
        return std::make_unique<audio::MemoryWaveOut>(audio::MemoryWaveOut::Mode::Immediate,
                                                      capture);
    }));
    engine.start();
    engine.join();
    const auto opens = capture->opens();
    ASSERT_GE(opens.size(), 3U);
    EXPECT_EQ(opens[0].channels, 2);
    EXPECT_EQ(opens[1].channels, 1);
    EXPECT_EQ(opens[2].channels, 2);
    // Only the preview's bytes went out: the sound without its last 4 bytes.
    const auto bytes = capture->bytes();
    ASSERT_EQ(bytes.size(), 1996U);
    EXPECT_EQ(bytes[0], 77);
    EXPECT_FALSE(doc.flags.EngineRunning.load());
}

} // namespace
} // namespace bw::test
