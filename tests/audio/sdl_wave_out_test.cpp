#include "audio/async_player.h"
#include "audio/sdl_wave_out.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace bw::audio {
namespace {

/// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_had) {
            ::setenv(m_name, m_old.c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

/// Interleaved stereo 16-bit samples, none of them zero, so silence is easy to tell apart.
std::vector<std::int16_t> toneSamples(std::size_t frames)
{
    std::vector<std::int16_t> s(frames * 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int v = 1 + static_cast<int>(i % 30000);
        s[i] = static_cast<std::int16_t>(i % 2 == 0 ? v : -v);
    }
    return s;
}

std::int32_t bytesOf(const std::vector<std::int16_t>& s)
{
    return static_cast<std::int32_t>(s.size() * sizeof(std::int16_t));
}

bool waitUntilIdle(const TAsyncPlayer& player)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (player.State() != 1) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class SdlPlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // CTest sets the dummy driver; a direct run must not need a sound card either.
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
};

TEST_F(SdlPlayer, PlaysEverythingQueuedThenGoesIdle)
{
    TAsyncPlayer player(std::make_unique<SdlWaveOut>());
    player.Open(44100, 16, 2);
    EXPECT_EQ(player.State(), 1);
    const auto samples = toneSamples(11025);
    player.Write(samples.data(), bytesOf(samples), 1000);
    EXPECT_EQ(player.State(), 1); // held back
    player.Start();
    ASSERT_TRUE(waitUntilIdle(player));
    EXPECT_EQ(player.QueuedDuration(), 0);
    EXPECT_EQ(player.InFlight(), 0);

    // Idle after an underrun: the next write plays at once.
    player.Write(samples.data(), bytesOf(samples), 1000);
    ASSERT_TRUE(waitUntilIdle(player));
    EXPECT_EQ(player.QueuedDuration(), 0);
    player.Close();
    EXPECT_EQ(player.State(), 0);
}

TEST_F(SdlPlayer, ResetWhilePlayingFinishesEveryBufferAndPlayingResumes)
{
    TAsyncPlayer player(std::make_unique<SdlWaveOut>());
    player.Open(44100, 16, 2);
    const auto samples = toneSamples(88200); // two seconds
    player.Write(samples.data(), bytesOf(samples), 4000);
    player.Start();
    player.Reset();
    EXPECT_EQ(player.InFlight(), 0);
    EXPECT_EQ(player.QueuedDuration(), 0);
    EXPECT_EQ(player.count(), 0);

    const auto shortTone = toneSamples(2000);
    player.Write(shortTone.data(), bytesOf(shortTone), 100);
    ASSERT_TRUE(waitUntilIdle(player));
    EXPECT_EQ(player.QueuedDuration(), 0);
}

TEST_F(SdlPlayer, FailedSecondOpenLeavesTheFirstPlaying)
{
    // The dummy driver has a single device: the second open fails, and giving up must not
    // shut the audio subsystem under the first.
    TAsyncPlayer first(std::make_unique<SdlWaveOut>());
    TAsyncPlayer second(std::make_unique<SdlWaveOut>());
    first.Open(44100, 16, 2);
    EXPECT_THROW(second.Open(44100, 16, 1), WaveOutError);
    EXPECT_EQ(second.State(), 0);
    const auto samples = toneSamples(2000);
    first.Write(samples.data(), bytesOf(samples), 100);
    first.Start();
    ASSERT_TRUE(waitUntilIdle(first));
}

TEST_F(SdlPlayer, UnknownDriverFailsWithSdlsText)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    TAsyncPlayer player(std::make_unique<SdlWaveOut>());
    try {
        player.Open(44100, 16, 2);
        FAIL() << "open should fail";
    } catch (const WaveOutError& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_EQ(player.State(), 0);
}

// The disk driver writes exactly what the callback produced: the samples must come out
// unchanged and in order, with silence only before and after them.
TEST_F(SdlPlayer, DiskDriverWritesTheSamplesInOrder)
{
    if (!SdlWaveOut::driverAvailable("disk")) {
        GTEST_SKIP() << "SDL was built without the disk audio driver";
    }
    const auto file = std::filesystem::temp_directory_path() /
                      ("bw_disk_audio_" + std::to_string(::getpid()) + ".raw");
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "disk");
        ScopedEnv path("SDL_DISKAUDIOFILE", file.string());
        TAsyncPlayer player(std::make_unique<SdlWaveOut>());
        player.Open(44100, 16, 2);
        const auto samples = toneSamples(11025);
        player.Write(samples.data(), bytesOf(samples) / 2, 500);
        player.Write(samples.data() + samples.size() / 2, bytesOf(samples) / 2, 500);
        player.Start();
        ASSERT_TRUE(waitUntilIdle(player));
        player.Close();
    }
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> raw((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
    in.close();
    std::filesystem::remove(file);

    std::vector<std::int16_t> got(raw.size() / 2);
    for (std::size_t i = 0; i < got.size(); ++i) {
        const auto lo = static_cast<std::uint8_t>(raw[2 * i]);
        const auto hi = static_cast<std::uint8_t>(raw[2 * i + 1]);
        got[i] = static_cast<std::int16_t>(lo | (hi << 8));
    }
    const auto expected = toneSamples(11025);
    std::size_t first = 0;
    while (first < got.size() && got[first] == 0) {
        ++first;
    }
    ASSERT_GE(got.size() - first, expected.size()) << "the device wrote too little";
    EXPECT_EQ(first % 2, 0u) << "leading silence must be whole frames";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(got[first + i], expected[i]) << "first difference at sample " << i;
    }
    for (std::size_t i = first + expected.size(); i < got.size(); ++i) {
        ASSERT_EQ(got[i], 0) << "trailing data at sample " << i;
    }
}

} // namespace
} // namespace bw::audio
