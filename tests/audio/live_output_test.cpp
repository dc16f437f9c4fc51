// The program's open output: the engine's stream ring, the live voices mixed in the device
// callback, and the keeper that opens, watches and reopens the device (driven through the
// fake device, which fails, stalls, vanishes and returns on command).

#include "audio/device_mix.h"
#include "audio/fake_output_device.h"
#include "audio/live_output.h"
#include "audio/wave_out.h"
#include "tests/audio/wait_until.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::int16_t> frames(std::size_t n, std::int16_t left, std::int16_t right)
{
    std::vector<std::int16_t> v;
    for (std::size_t i = 0; i < n; ++i) {
        v.push_back(left);
        v.push_back(right);
    }
    return v;
}

TEST(StreamRing, PassesFramesInOrderAcrossTheWrapAndDropsOnRequest)
{
    audio::StreamRing ring;
    std::vector<std::int16_t> out(2 * 1000);
    // Move the positions near the end of the ring, so the next write wraps.
    const auto filler = frames(1000, 1, 1);
    std::uint64_t moved = 0;
    while (moved + 1000 <= audio::StreamRing::Capacity - 300) {
        ASSERT_EQ(ring.write(filler.data(), 1000), 1000U);
        ASSERT_EQ(ring.read(out.data(), 1000), 1000U);
        moved += 1000;
    }
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < 1000; ++i) {
        ramp.push_back(static_cast<std::int16_t>(i));
        ramp.push_back(static_cast<std::int16_t>(-i));
    }
    ASSERT_EQ(ring.write(ramp.data(), 1000), 1000U);
    EXPECT_EQ(ring.queued(), 1000U);
    ASSERT_EQ(ring.read(out.data(), 1000), 1000U);
    EXPECT_EQ(out, ramp);
    EXPECT_EQ(ring.read(out.data(), 10), 0U); // empty

    // A full ring takes no more, and a drop leaves nothing to read.
    const auto big = frames(audio::StreamRing::Capacity + 10, 5, 5);
    EXPECT_EQ(ring.write(big.data(), audio::StreamRing::Capacity + 10),
              audio::StreamRing::Capacity);
    EXPECT_EQ(ring.room(), 0U);
    ring.drop();
    EXPECT_EQ(ring.queued(), 0U);
    EXPECT_EQ(ring.read(out.data(), 10), 0U);
    const auto after = frames(3, 9, 8);
    ring.write(after.data(), 3);
    ASSERT_EQ(ring.read(out.data(), 10), 3U);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[5], 8);
}

TEST(LiveVoices, MixOverTheStreamWithTheEnginesSaturationAndHandTheSamplesBack)
{
    audio::DeviceMix mix;
    auto sound = std::make_shared<library::SampleData>(600, std::int16_t{30000});
    std::weak_ptr<const library::SampleData> kept = sound;
    // The engine's stream holds 20000 on the left and -100 on the right.
    const auto engine = frames(256, 20000, -100);
    mix.stream().write(engine.data(), 256);
    ASSERT_TRUE(mix.voices().start(sound, 100, 600, audio::LiveVoices::unityGain()));
    sound.reset(); // the library lets it go while it plays
    std::vector<std::int16_t> out(512);
    mix.render(out.data(), 256);
    EXPECT_EQ(out[0], 32767); // 20000 + 30000, saturated
    EXPECT_EQ(out[1], 29900); // -100 + 30000
    EXPECT_EQ(out[510], 32767);
    EXPECT_EQ(mix.voices().sounding(), 1);
    mix.voices().collect();
    EXPECT_FALSE(kept.expired()) << "freed while the callback still plays it";
    mix.render(out.data(), 256); // the rest: 244 samples, then silence
    EXPECT_EQ(out[2 * 243], 30000);
    EXPECT_EQ(out[2 * 244], 0);
    EXPECT_EQ(mix.voices().sounding(), 0);
    EXPECT_FALSE(kept.expired()) << "released before the controlling thread collected it";
    mix.voices().collect();
    EXPECT_TRUE(kept.expired());
    EXPECT_EQ(mix.voices().pending(), 0);
}

TEST(LiveVoices, AChokeGroupKeepsOneSoundAndAFullPoolGivesWayToTheOldest)
{
    audio::DeviceMix mix;
    std::vector<std::int16_t> out(2 * 64);
    auto a = std::make_shared<library::SampleData>(10000, std::int16_t{100});
    auto b = std::make_shared<library::SampleData>(10000, std::int16_t{7});
    ASSERT_TRUE(mix.voices().start(a, 0, 10000, audio::LiveVoices::unityGain(), 1));
    mix.render(out.data(), 64);
    EXPECT_EQ(out[0], 100);
    ASSERT_TRUE(mix.voices().start(b, 0, 10000, audio::LiveVoices::unityGain(), 1));
    mix.render(out.data(), 64);
    EXPECT_EQ(out[0], 7); // the new preview replaced the old one
    EXPECT_EQ(mix.voices().sounding(), 1);

    // Every voice sounding: one more start still sounds, in place of the one played longest.
    for (int i = 1; i < audio::LiveVoices::VoiceCount; ++i) {
        ASSERT_TRUE(mix.voices().start(a, 0, 10000, audio::LiveVoices::unityGain()));
        mix.render(out.data(), 1);
    }
    EXPECT_EQ(mix.voices().sounding(), audio::LiveVoices::VoiceCount);
    auto c = std::make_shared<library::SampleData>(10000, std::int16_t{1});
    ASSERT_TRUE(mix.voices().start(c, 0, 10000, audio::LiveVoices::unityGain()));
    mix.render(out.data(), 1);
    EXPECT_EQ(mix.voices().sounding(), audio::LiveVoices::VoiceCount);
    EXPECT_EQ(out[0], 1 + 100 * (audio::LiveVoices::VoiceCount - 1)); // b gave way
    mix.voices().stop();
    mix.render(out.data(), 1);
    EXPECT_EQ(out[0], 0);
    mix.voices().collect();
    EXPECT_EQ(mix.voices().pending(), 0);
}

TEST(LiveVoices, AClosedDeviceEndsEveryVoiceAndEveryCommandWaiting)
{
    audio::LiveVoices voices;
    auto s = std::make_shared<library::SampleData>(100, std::int16_t{1});
    std::weak_ptr<const library::SampleData> kept = s;
    ASSERT_TRUE(voices.start(s, 0, 100, audio::LiveVoices::unityGain()));
    std::vector<std::int16_t> out(2 * 10);
    voices.mixInto(out.data(), 10);
    ASSERT_TRUE(voices.start(s, 0, 100, audio::LiveVoices::unityGain())); // never taken
    s.reset();
    EXPECT_EQ(voices.pending(), 2);
    voices.deviceClosed();
    voices.collect();
    EXPECT_EQ(voices.pending(), 0);
    EXPECT_TRUE(kept.expired());
    // Nothing the device cannot play is started: bad ranges and no samples.
    auto t = std::make_shared<library::SampleData>(10, std::int16_t{1});
    EXPECT_FALSE(voices.start(t, 5, 5, audio::LiveVoices::unityGain()));
    EXPECT_FALSE(voices.start(t, 0, 11, audio::LiveVoices::unityGain()));
    EXPECT_FALSE(voices.start(nullptr, 0, 1, audio::LiveVoices::unityGain()));
    // A device that takes no commands fills the queue; starts then fail instead of waiting.
    int started = 0;
    while (voices.start(t, 0, 10, audio::LiveVoices::unityGain()) && started < 1000) {
        ++started;
    }
    EXPECT_LT(started, 1000);
}

TEST(DeviceMix, CountsUnderrunsOnlyWhileARunPlaysAfterItsFirstFrames)
{
    audio::DeviceMix mix;
    std::vector<std::int16_t> out(2 * 128);
    mix.render(out.data(), 128); // no run: silence is no underrun
    mix.setRunActive(true);
    mix.render(out.data(), 128); // the run has not sounded yet
    EXPECT_EQ(mix.underruns(), 0U);
    // The first step alone does not start the run: no sound, a gap, then the rest.
    const auto first = frames(64, 3, 3);
    mix.stream().write(first.data(), 64);
    mix.render(out.data(), 128);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(mix.stream().queued(), 64U);
    const auto some = frames(136, 3, 3);
    mix.stream().write(some.data(), 136);
    mix.render(out.data(), 128);
    EXPECT_EQ(mix.underruns(), 0U);
    mix.render(out.data(), 128); // 72 frames for 128
    EXPECT_EQ(mix.underruns(), 1U);
    EXPECT_EQ(out[2 * 71], 3);
    EXPECT_EQ(out[2 * 72], 0);
    mix.setRunActive(false); // playing out, and after the run
    mix.render(out.data(), 128);
    EXPECT_EQ(mix.underruns(), 1U);
    EXPECT_EQ(mix.callbacks(), 6U);
}

TEST(DeviceMix, ARunShorterThanOneCallbackPlaysOnceItHasEnded)
{
    audio::DeviceMix mix;
    std::vector<std::int16_t> out(2 * 128);
    mix.setRunActive(true);
    const auto some = frames(40, 5, 5);
    mix.stream().write(some.data(), 40);
    mix.render(out.data(), 128);
    EXPECT_EQ(out[0], 0); // still waiting for more
    mix.setRunActive(false);
    mix.render(out.data(), 128);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[2 * 39], 5);
    EXPECT_EQ(out[2 * 40], 0);
    EXPECT_EQ(mix.underruns(), 0U);
}

/// A LiveOutput on a fake device.
struct FakeProgramOutput
{
    std::shared_ptr<audio::FakeOutputControl> control =
        std::make_shared<audio::FakeOutputControl>();
    std::unique_ptr<audio::LiveOutput> output =
        std::make_unique<audio::LiveOutput>(audio::FakeOutput(control));

    bool waitFor(audio::OutputStatus status)
    {
        return waitUntil([&] { return output->state().status == status; });
    }
};

TEST(LiveOutput, OpensListsAndFollowsADeviceThatGoesAndComesBack)
{
    FakeProgramOutput f;
    f.output->open();
    ASSERT_TRUE(f.waitFor(audio::OutputStatus::Open));
    audio::OutputState s = f.output->state();
    EXPECT_EQ(s.device, "Fake Speakers");
    EXPECT_EQ(s.driver, "fake");
    EXPECT_EQ(s.devices, (std::vector<std::string>{"Fake Speakers", "Fake Headphones"}));
    EXPECT_TRUE(f.output->playing());
    EXPECT_TRUE(waitUntil([&] { return f.output->callbacks() > 2; }));

    f.control->unplug();
    ASSERT_TRUE(f.waitFor(audio::OutputStatus::Lost));
    s = f.output->state();
    EXPECT_EQ(s.losses, 1U);
    EXPECT_EQ(s.device, "Fake Speakers");
    EXPECT_FALSE(f.output->playing());
    EXPECT_EQ(f.control->closes(), 1); // the lost device is closed

    f.control->replug(); // a device appears: the output opens again by itself
    ASSERT_TRUE(waitUntil([&] { return f.output->state().returns == 1; }));
    EXPECT_EQ(f.output->state().status, audio::OutputStatus::Open);
    EXPECT_TRUE(f.output->playing());
    EXPECT_TRUE(f.output->shutDown(5s));
    EXPECT_EQ(f.output->state().status, audio::OutputStatus::Closed);
}

TEST(LiveOutput, ARunOpensTheChosenDeviceOrFailsWithTheSystemsText)
{
    FakeProgramOutput f;
    std::atomic<bool> stop{false};
    f.control->failOpens("Device or resource busy");
    try {
        f.output->begin(stop);
        FAIL() << "a run began without a device";
    } catch (const audio::WaveOutError& e) {
        EXPECT_STREQ(e.what(), "Device or resource busy");
    }
    EXPECT_EQ(f.output->state().status, audio::OutputStatus::Failed);

    // The next run tries again, with the choice made meanwhile.
    f.control->failOpens("");
    f.output->choose({"Fake Headphones", 2048});
    f.output->begin(stop);
    EXPECT_TRUE(f.output->playing());
    EXPECT_EQ(f.output->state().device, "Fake Headphones");
    EXPECT_EQ(f.output->bufferFrames(), 2048);
    // The same choice again: the open device stays.
    f.output->end(true);
    f.output->begin(stop);
    ASSERT_EQ(f.control->opens().size(), 1U);
    EXPECT_EQ(f.control->opens()[0], (audio::OutputChoice{"Fake Headphones", 2048}));
    // A buffer size between the offered ones takes the next one up.
    f.output->choose({"", 300});
    EXPECT_EQ(f.output->choice().bufferFrames, 512);
}

TEST(LiveOutput, AChosenDeviceThatIsMissingGivesWayToTheDefaultAndIsTriedAgain)
{
    FakeProgramOutput f;
    std::atomic<bool> stop{false};
    f.output->choose({"USB Headset", 1024});
    f.output->begin(stop);
    EXPECT_TRUE(f.output->playing());
    EXPECT_EQ(f.output->state().device, "Fake Speakers");
    ASSERT_EQ(f.control->opens().size(), 1U);
    EXPECT_EQ(f.control->opens()[0], (audio::OutputChoice{"", 1024}));
    // The next run asks for the chosen device again before it settles for the default.
    f.output->end(true);
    f.output->begin(stop);
    EXPECT_EQ(f.control->opens().size(), 2U);
    EXPECT_TRUE(f.output->playing());
}

TEST(LiveOutput, ADeviceThatStallsIsTakenAsLostAndNeverHoldsUpTheProgram)
{
    FakeProgramOutput f;
    f.output->open();
    ASSERT_TRUE(f.waitFor(audio::OutputStatus::Open));
    std::atomic<bool> stop{false};
    f.output->begin(stop);
    f.control->stall(); // no more callbacks, and closing it hangs
    const auto stalled = std::chrono::steady_clock::now();
    ASSERT_TRUE(f.waitFor(audio::OutputStatus::Lost));
    EXPECT_GE(std::chrono::steady_clock::now() - stalled, audio::LiveOutput::StallTime - 200ms);
    EXPECT_FALSE(f.output->playing());

    // A run asking for the device meanwhile gives up when told to stop.
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop = true;
    });
    f.output->begin(stop); // the keeper is stuck closing: this returns on stop
    stopper.join();

    // Closing the program does not wait for the device beyond its limit.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(f.output->shutDown(100ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    f.output.reset();
    f.control->release(); // the keeper left behind finishes on its own, and lets go
    EXPECT_TRUE(waitUntil([&] { return f.control.use_count() == 1; }));
    EXPECT_EQ(f.control->closes(), 1);
}

} // namespace
} // namespace bw::test
