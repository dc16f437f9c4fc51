#include "audio/async_player.h"
#include "audio/memory_wave_out.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace bw::audio {
namespace {

constexpr const char* NoDevice = "TASyncPlayer: kein Ausgabegerät geöffnet";
constexpr const char* TooManyBuffers = "TAsyncPlayer.Write: WaveOutMaxBuffers überschritten";

std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed = 0)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return v;
}

std::int32_t size32(const std::vector<std::uint8_t>& v)
{
    return static_cast<std::int32_t>(v.size());
}

std::uint32_t shareOf(const WaveBuffer* b)
{
    return b->user.load() & 0x7FFFFFFFu;
}

/// A player over a MemoryWaveOut whose buffers the test completes by hand.
struct ManualRig
{
    MemoryWaveOut* out;
    TAsyncPlayer player;

    ManualRig() : ManualRig(std::make_unique<MemoryWaveOut>(MemoryWaveOut::Mode::Manual)) {}
    explicit ManualRig(std::unique_ptr<MemoryWaveOut> o) : out(o.get()), player(std::move(o)) {}
};

template <typename F> void expectFailure(F&& f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "expected failure: " << message;
    } catch (const WaveOutError& e) {
        EXPECT_EQ(e.what(), message);
    }
}

TEST(AsyncPlayer, CutsWritesIntoBuffersAndHoldsThemBackUntilStart)
{
    ManualRig rig;
    EXPECT_EQ(rig.player.bufferSize(), 4096);
    rig.player.Open(44100, 16, 2);
    EXPECT_EQ(rig.player.bufferSize(), 8192);
    const auto data = pattern(44100);
    rig.player.Write(data.data(), size32(data), 1000);

    ASSERT_EQ(rig.player.count(), 6);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rig.player.buffer(i)->length, 8192u);
        EXPECT_EQ(shareOf(rig.player.buffer(i)), 185u);
    }
    EXPECT_EQ(rig.player.buffer(5)->length, 3140u);
    EXPECT_EQ(shareOf(rig.player.buffer(5)), 71u);
    EXPECT_EQ(rig.player.QueuedDuration(), 185 * 5 + 71);

    // Held back: nothing reaches the output yet.
    EXPECT_TRUE(rig.player.HoldBack());
    EXPECT_EQ(rig.player.State(), 1);
    EXPECT_EQ(rig.out->capture()->bufferCount(), 0u);

    rig.player.Start();
    EXPECT_FALSE(rig.player.HoldBack());
    EXPECT_EQ(rig.player.State(), 2);
    EXPECT_EQ(rig.out->capture()->bytes(), data);

    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(rig.out->completeNext());
    }
    EXPECT_EQ(rig.player.State(), 2);
    EXPECT_EQ(rig.player.QueuedDuration(), 71);
    ASSERT_TRUE(rig.out->completeNext());
    EXPECT_EQ(rig.player.State(), 1);
    EXPECT_EQ(rig.player.QueuedDuration(), 0);
    EXPECT_EQ(rig.player.InFlight(), 0);

    // Idle after the first Start: the next write plays at once.
    rig.player.Write(data.data(), 100, 10);
    EXPECT_EQ(rig.player.State(), 2);
    EXPECT_EQ(rig.out->pendingCount(), 1u);
}

TEST(AsyncPlayer, MonoUsesSmallerBuffersAndLongBlocksDoNotOverflowShares)
{
    ManualRig rig;
    rig.player.Open(44100, 16, 1);
    EXPECT_EQ(rig.player.bufferSize(), 4096);
    // The longest engine block at the largest durations: duration × bytes exceeds 32 bits.
    const auto data = pattern(529198);
    rig.player.Write(data.data(), size32(data), 1000000);
    EXPECT_EQ(shareOf(rig.player.buffer(0)), 7740u); // 1000000 × 4096 / 529198
    EXPECT_GT(rig.player.QueuedDuration(), 1000000 - rig.player.count());
    EXPECT_LE(rig.player.QueuedDuration(), 1000000);
}

TEST(AsyncPlayer, StartsByItselfPast989HeldBackBuffers)
{
    ManualRig rig;
    rig.player.Open(44100, 16, 2);
    const auto block = pattern(8192);
    for (int i = 0; i < 989; ++i) {
        rig.player.Write(block.data(), size32(block), 1);
    }
    EXPECT_TRUE(rig.player.HoldBack());
    EXPECT_EQ(rig.out->pendingCount(), 0u);
    rig.player.Write(block.data(), size32(block), 1);
    EXPECT_FALSE(rig.player.HoldBack());
    EXPECT_EQ(rig.player.State(), 2);
    EXPECT_EQ(rig.out->pendingCount(), 990u);
}

TEST(AsyncPlayer, RunningOutOfBuffersClosesThePlayer)
{
    ManualRig rig;
    rig.player.Open(44100, 16, 2);
    rig.player.Start();
    const auto block = pattern(8192);
    for (int i = 0; i < TAsyncPlayer::MaxBuffers; ++i) {
        rig.player.Write(block.data(), size32(block), 1);
    }
    EXPECT_EQ(rig.out->pendingCount(), 998u);
    expectFailure([&] { rig.player.Write(block.data(), size32(block), 1); }, TooManyBuffers);
    EXPECT_EQ(rig.player.State(), 0);
    EXPECT_FALSE(rig.out->isOpen());
    EXPECT_EQ(rig.player.count(), 0);
    expectFailure([&] { rig.player.Write(block.data(), 4, 1); }, NoDevice);
    expectFailure([&] { rig.player.Start(); }, NoDevice);
}

TEST(AsyncPlayer, ClosedPlayerRefusesWriteAndStart)
{
    TAsyncPlayer player(std::make_unique<MemoryWaveOut>());
    const std::uint8_t bytes[4] = {};
    expectFailure([&] { player.Write(bytes, 4, 1); }, NoDevice);
    expectFailure([&] { player.Start(); }, NoDevice);
    player.Reset(); // harmless when closed
    player.Close();
    EXPECT_EQ(player.State(), 0);
}

TEST(AsyncPlayer, DeviceErrorsClosePlayerAndCarryTheDeviceText)
{
    ManualRig rig;
    rig.out->failNextOpen("Gerät belegt");
    expectFailure([&] { rig.player.Open(44100, 16, 2); }, "Gerät belegt");
    EXPECT_EQ(rig.player.State(), 0);

    rig.player.Open(44100, 16, 2);
    const auto data = pattern(20000);
    rig.player.Write(data.data(), size32(data), 100);
    rig.out->failNextQueue("Treiberfehler");
    expectFailure([&] { rig.player.Start(); }, "Treiberfehler");
    EXPECT_EQ(rig.player.State(), 0);
    EXPECT_EQ(rig.player.QueuedDuration(), 0);
    EXPECT_EQ(rig.player.count(), 0);
}

TEST(AsyncPlayer, ReusesBuffersInSteadyStateAndResetFreesAll)
{
    ManualRig rig;
    rig.player.Open(44100, 16, 2);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 50; ++i) {
        const auto block = pattern(20000, static_cast<std::uint8_t>(i));
        rig.player.Write(block.data(), size32(block), 200);
        if (rig.player.State() == 1) {
            rig.player.Start();
        }
        expected.insert(expected.end(), block.begin(), block.end());
        rig.out->completeAll();
        EXPECT_EQ(rig.player.count(), 3);
    }
    EXPECT_EQ(rig.out->capture()->bytes(), expected);
    EXPECT_EQ(rig.player.State(), 1);

    const auto block = pattern(30000);
    rig.player.Write(block.data(), size32(block), 300);
    EXPECT_EQ(rig.player.State(), 2);
    rig.player.Reset();
    EXPECT_EQ(rig.out->pendingCount(), 0u);
    EXPECT_EQ(rig.player.count(), 0);
    EXPECT_EQ(rig.player.InFlight(), 0);
    EXPECT_EQ(rig.player.QueuedDuration(), 0);
    EXPECT_EQ(rig.player.State(), 1);
    EXPECT_TRUE(rig.player.isOpen());
}

TEST(AsyncPlayer, ResetDropsHeldBackBuffersFromTheQueuedTotal)
{
    ManualRig rig;
    rig.player.Open(44100, 16, 2);
    const auto data = pattern(44100);
    rig.player.Write(data.data(), size32(data), 1000);
    rig.player.Reset();
    // The output never saw these buffers; the total must not stay stuck above the wait limit.
    EXPECT_EQ(rig.player.QueuedDuration(), 0);
    EXPECT_EQ(rig.out->capture()->bufferCount(), 0u);

    // The preview sequence: close, reopen mono, play, reopen stereo.
    rig.player.Close();
    rig.player.Open(44100, 16, 1);
    EXPECT_EQ(rig.player.bufferSize(), 4096);
    EXPECT_TRUE(rig.player.HoldBack());
    rig.player.Open(44100, 16, 2);
    const auto opens = rig.out->capture()->opens();
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[1], (WaveFormat{44100, 16, 1}));
    EXPECT_EQ(opens[2], (WaveFormat{44100, 16, 2}));
}

TEST(AsyncPlayer, OutputsThatFinishAtOnceLeaveThePlayerIdle)
{
    for (bool useNull : {true, false}) {
        std::unique_ptr<WaveOut> out;
        if (useNull) {
            out = std::make_unique<NullWaveOut>();
        } else {
            out = std::make_unique<MemoryWaveOut>(MemoryWaveOut::Mode::Immediate);
        }
        TAsyncPlayer player(std::move(out));
        player.Open(44100, 16, 2);
        const auto data = pattern(44100);
        player.Write(data.data(), size32(data), 1000);
        player.Start();
        EXPECT_EQ(player.State(), 1);
        player.Write(data.data(), size32(data), 1000);
        EXPECT_EQ(player.State(), 1);
        EXPECT_EQ(player.QueuedDuration(), 0);
        EXPECT_EQ(player.InFlight(), 0);
        EXPECT_EQ(player.count(), 6); // the held-back write needed six; later ones reuse one
    }
}

// One thread writes like the render engine while another completes buffers like a device.
TEST(AsyncPlayer, WriterAndCompleterOnDifferentThreads)
{
    ManualRig rig;
    std::atomic<bool> writing{true};
    std::vector<std::uint8_t> expected;
    int maxCount = 0;

    std::thread writer([&] {
        rig.player.Open(44100, 16, 2);
        for (int i = 0; i < 300; ++i) {
            const auto block = pattern(10000 + static_cast<std::size_t>(i % 7) * 999,
                                       static_cast<std::uint8_t>(i));
            while (rig.player.QueuedDuration() >= 500) {
                std::this_thread::yield();
            }
            rig.player.Write(block.data(), size32(block), 100);
            if (rig.player.State() == 1) {
                rig.player.Start();
            }
            expected.insert(expected.end(), block.begin(), block.end());
            maxCount = std::max(maxCount, rig.player.count());
        }
        while (rig.player.State() != 1) {
            std::this_thread::yield();
        }
        writing = false;
    });
    while (writing) {
        if (!rig.out->completeNext()) {
            std::this_thread::yield();
        }
    }
    writer.join();

    EXPECT_EQ(rig.player.QueuedDuration(), 0);
    EXPECT_EQ(rig.player.InFlight(), 0);
    EXPECT_EQ(rig.out->capture()->bytes(), expected);
    EXPECT_LE(maxCount, 16); // about 500 units of 100-unit blocks, 2-3 buffers each
    rig.player.Close();
}

} // namespace
} // namespace bw::audio
