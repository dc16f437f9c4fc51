// MIDI out: the clock pulses' places, Start / Song Position Pointer / Stop, the device's run
// clock they follow, the played events' notes, and the clock's thread following runs as they
// start and end.
#include "audio/device_mix.h"
#include "audio/midi_clock.h"
#include "audio/midi_note_out.h"
#include "tests/audio/wait_until.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::audio::MidiBytes;
using bw::audio::MidiClockSchedule;
using bw::audio::MidiNoteSchedule;
using bw::audio::PlayedNote;

MidiBytes On(std::uint8_t note, std::uint8_t velocity)
{
    return MidiBytes{{0x99, note, velocity}, 3};
}

MidiBytes Off(std::uint8_t note)
{
    return MidiBytes{{0x89, note, 0}, 3};
}

int Count(const std::vector<MidiBytes>& out, std::uint8_t status)
{
    int n = 0;
    for (const MidiBytes& m : out) {
        n += m.bytes[0] == status ? 1 : 0;
    }
    return n;
}

/// The first frame at which pulse n is due, found by advancing one frame at a time.
std::vector<int> PulseFrames(MidiClockSchedule& s, int frames)
{
    std::vector<int> at;
    std::vector<MidiBytes> out;
    for (int f = 0; f <= frames; ++f) {
        out.clear();
        s.advance(f, out);
        for (std::size_t i = 0; i < out.size(); ++i) {
            at.push_back(f);
        }
    }
    return at;
}

TEST(MidiClockSchedule, TwentyFourPulsesABeatFromTheRunsFirstFrame)
{
    MidiClockSchedule s;
    std::vector<MidiBytes> out;
    s.start(0, 22050, out); // 120 bpm
    ASSERT_EQ(out, (std::vector<MidiBytes>{{{0xFA, 0, 0}, 1}}));
    const std::vector<int> at = PulseFrames(s, 2 * 22050);
    ASSERT_EQ(at.size(), 49U); // both beats' pulses and the third beat's first
    for (std::size_t n = 0; n < at.size(); ++n) {
        // Pulse n is due at n * 918.75 frames, sent at the first whole frame not before it.
        EXPECT_EQ(at[n], static_cast<int>(std::ceil(static_cast<double>(n) * 918.75))) << n;
    }
    out.clear();
    s.stop(out);
    s.stop(out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{{{0xFC, 0, 0}, 1}}));
}

TEST(MidiClockSchedule, AStartLaterInTheSongSendsItsPositionAndContinue)
{
    MidiClockSchedule s;
    std::vector<MidiBytes> out;
    s.start(4, 22050, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{{{0xF2, 16, 0}, 3}, {{0xFB, 0, 0}, 1}}));
    out.clear();
    s.start(3000, 22050, out); // 12000 sixteenths: 93 * 128 + 96
    EXPECT_EQ(out[0], (MidiBytes{{0xF2, 96, 93}, 3}));
    out.clear();
    s.start(5000, 22050, out); // past what the pointer holds
    EXPECT_EQ(out[0], (MidiBytes{{0xF2, 127, 127}, 3}));
}

TEST(MidiClockSchedule, ATempoChangeSpacesTheNextPulsesFromTheLastOne)
{
    MidiClockSchedule s;
    std::vector<MidiBytes> out;
    s.start(0, 24000, out); // a pulse every 1000 frames
    out.clear();
    s.advance(5500, out);
    EXPECT_EQ(Count(out, 0xF8), 6);  // frames 0 .. 5000
    s.setFramesPerBeat(48000, 5500); // twice as slow: the next pulse at 7000, not 6000
    out.clear();
    s.advance(6999, out);
    EXPECT_TRUE(out.empty());
    s.advance(7000, out);
    s.advance(9000, out);
    EXPECT_EQ(Count(out, 0xF8), 2);
    EXPECT_EQ(s.pulses(), 8);
}

TEST(MidiClockSchedule, PlayedFramesRunOnFromTheLastBufferButNeverPastIt)
{
    bw::audio::RunClockReading r{1, 1000, 441, 5'000'000'000};
    EXPECT_DOUBLE_EQ(bw::audio::PlayedFramesAt(r, 5'000'000'000), 1000.0);
    EXPECT_DOUBLE_EQ(bw::audio::PlayedFramesAt(r, 5'005'000'000), 1000.0 + 220.5);
    EXPECT_DOUBLE_EQ(bw::audio::PlayedFramesAt(r, 6'000'000'000), 1441.0); // a stalled device
    r.timeNs = 0;
    EXPECT_DOUBLE_EQ(bw::audio::PlayedFramesAt(r, 6'000'000'000), 1000.0);
}

TEST(DeviceMix, TheRunClockCountsTheRunsFramesOnceItSounds)
{
    bw::audio::DeviceMix mix;
    std::vector<std::int16_t> out(2 * 128);
    std::vector<std::int16_t> frames(2 * 300, 1);
    mix.setRunActive(true);
    mix.render(out.data(), 128); // waiting for its first frames
    auto r = mix.readRunClock();
    EXPECT_EQ(r.run % 2, 1U);
    EXPECT_EQ(r.timeNs, 0);
    mix.stream().write(frames.data(), 300);
    mix.render(out.data(), 128);
    mix.render(out.data(), 128);
    r = mix.readRunClock();
    EXPECT_EQ(r.frames, 128U); // before the last buffer
    EXPECT_EQ(r.count, 128U);
    EXPECT_NE(r.timeNs, 0);
    const std::uint32_t first = r.run;
    mix.setRunActive(false); // the run ended with 44 frames still to play
    mix.render(out.data(), 128);
    r = mix.readRunClock();
    EXPECT_EQ(r.run, first);
    EXPECT_EQ(r.frames, 256U);
    EXPECT_EQ(r.count, 44U);
    mix.render(out.data(), 128);
    EXPECT_EQ(mix.readRunClock().run, first + 1); // played out
    mix.setRunActive(true);
    mix.render(out.data(), 128);
    r = mix.readRunClock();
    EXPECT_NE(r.run, first);
    EXPECT_EQ(r.frames, 0U);
    mix.stream().write(frames.data(), 300);
    mix.render(out.data(), 128);
    mix.setRunActive(false); // Stop: what is queued goes
    mix.stream().drop();
    mix.render(out.data(), 128);
    EXPECT_EQ(mix.readRunClock().run, first + 3);
}

TEST(MidiNoteSchedule, EachNoteGoesOutWhenItsFrameIsPlayedInFrameOrderAndEndsA32ndLater)
{
    MidiNoteSchedule s;
    std::vector<MidiBytes> out;
    // A block's notes come track by track, not in the order they sound.
    s.add(PlayedNote{1, 2000, 38, 90});
    s.add(PlayedNote{1, 0, 36, 127});
    s.add(PlayedNote{1, 2000, 42, 20});
    s.advance(1, -1, 8000, out); // the run holds its start: nothing is heard yet
    EXPECT_TRUE(out.empty());
    s.advance(1, 0, 8000, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{On(36, 127)}));
    out.clear();
    s.advance(1, 999, 8000, out); // its off is due at frame 1000
    EXPECT_TRUE(out.empty());
    s.advance(1, 2400, 8000, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{Off(36), On(38, 90), On(42, 20)}));
    out.clear();
    s.advance(1, 3000, 8000, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{Off(38), Off(42)}));
    EXPECT_FALSE(s.busy());
}

TEST(MidiNoteSchedule, ANoteAgainBeforeItsOffEndsItFirst)
{
    MidiNoteSchedule s;
    std::vector<MidiBytes> out;
    s.add(PlayedNote{1, 0, 36, 100});
    s.add(PlayedNote{1, 500, 36, 50});
    s.advance(1, 600, 8000, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{On(36, 100), Off(36), On(36, 50)}));
}

TEST(MidiNoteSchedule, AnEndedRunsNotesAreDroppedAndTheNextRunsWaitForIt)
{
    MidiNoteSchedule s;
    std::vector<MidiBytes> out;
    s.add(PlayedNote{1, 100, 36, 100});
    s.add(PlayedNote{1, 5000, 38, 100}); // queued when Stop dropped it
    s.add(PlayedNote{3, 0, 40, 100});    // the next run, rendered ahead of its first frame
    s.advance(1, 200, 8000, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{On(36, 100)}));
    out.clear();
    s.advance(2, 0, 8000, out); // stopped: the sounding note ends, no other starts
    EXPECT_EQ(out, (std::vector<MidiBytes>{Off(36)}));
    out.clear();
    s.advance(3, -1, 8000, out);
    EXPECT_TRUE(out.empty());
    s.advance(3, 0, 8000, out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{On(40, 100)}));
    out.clear();
    s.stop(out);
    EXPECT_EQ(out, (std::vector<MidiBytes>{Off(40)}));
    EXPECT_FALSE(s.busy());
}

/// A run clock the test drives: frames at the sample rate from when a run starts.
class FakeRunClock : public bw::audio::RunClock
{
public:
    void startRun()
    {
        m_start = std::chrono::steady_clock::now();
        m_run += 1 + (m_run & 1U);
    }
    void endRun() { m_run += m_run & 1U; }
    bw::audio::RunClockReading readRunClock() const override
    {
        bw::audio::RunClockReading r;
        r.run = m_run.load();
        if ((r.run & 1U) != 0) {
            const auto now = std::chrono::steady_clock::now();
            r.frames = static_cast<std::uint64_t>(
                std::chrono::duration<double>(now - m_start.load()).count() * 44100);
            r.timeNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch())
                           .count();
        }
        return r;
    }

private:
    std::atomic<std::uint32_t> m_run{0};
    std::atomic<std::chrono::steady_clock::time_point> m_start{};
};

class RecordingSink : public bw::audio::MidiOutputSink
{
public:
    bool available() const override { return true; }
    std::vector<std::string> ports() override { return {}; }
    bool connect(const std::string&) override { return true; }
    void send(const MidiBytes& m) override
    {
        std::lock_guard<std::mutex> g(mutex);
        sent.push_back(m);
    }
    std::vector<MidiBytes> taken()
    {
        std::lock_guard<std::mutex> g(mutex);
        return sent;
    }
    std::mutex mutex;
    std::vector<MidiBytes> sent;
};

TEST(MidiClockOut, FollowsRunsAsTheyStartAndEndAndOnlyRunsItSawStart)
{
    using bw::test::waitUntil;
    FakeRunClock clock;
    auto owned = std::make_unique<RecordingSink>();
    RecordingSink& sink = *owned;
    bw::audio::MidiClockOut out(clock, std::move(owned));
    out.setEnabled(true);
    out.prepare(2, 4410); // ten beats a second: 240 pulses
    clock.startRun();
    ASSERT_TRUE(waitUntil([&] { return Count(sink.taken(), 0xF8) >= 24; }));
    auto sent = sink.taken();
    EXPECT_EQ(sent[0], (MidiBytes{{0xF2, 8, 0}, 3}));
    EXPECT_EQ(sent[1], (MidiBytes{{0xFB, 0, 0}, 1}));
    clock.endRun();
    ASSERT_TRUE(waitUntil([&] { return Count(sink.taken(), 0xFC) == 1; }));
    // Turned off while playing: Stop, then nothing.
    out.prepare(0, 4410);
    clock.startRun();
    ASSERT_TRUE(waitUntil([&] { return Count(sink.taken(), 0xFA) == 1; }));
    out.setEnabled(false);
    ASSERT_TRUE(waitUntil([&] { return Count(sink.taken(), 0xFC) == 2; }));
    // Turned on again mid-run: where the song stands is unknown, so the clock waits for the
    // next run.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    out.setEnabled(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::size_t before = sink.taken().size();
    EXPECT_EQ(sink.taken().back(), (MidiBytes{{0xFC, 0, 0}, 1}));
    clock.endRun();
    clock.startRun();
    ASSERT_TRUE(waitUntil([&] { return Count(sink.taken(), 0xFA) == 2; }));
    EXPECT_GT(sink.taken().size(), before);
}

TEST(MidiClockOut, SendsTheEnginesNotesWhileNotesAreOnWithOrWithoutTheClock)
{
    using bw::test::waitUntil;
    FakeRunClock clock;
    bw::audio::PlayedNoteFeed feed;
    auto owned = std::make_unique<RecordingSink>();
    RecordingSink& sink = *owned;
    bw::audio::MidiClockOut out(clock, std::move(owned), &feed);
    out.prepare(0, 4410);
    out.setNotesEnabled(true); // the clock stays off
    EXPECT_TRUE(feed.wanted.load());
    clock.startRun();
    const std::uint32_t run = clock.readRunClock().run;
    feed.ring.push(PlayedNote{run, 441, 36, 100});
    ASSERT_TRUE(waitUntil([&] { return sink.taken().size() >= 2; }));
    EXPECT_EQ(sink.taken(), (std::vector<MidiBytes>{On(36, 100), Off(36)}));
    out.setNotesEnabled(false);
    EXPECT_FALSE(feed.wanted.load());
    feed.ring.push(PlayedNote{run, 1000, 38, 100});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(sink.taken().size(), 2U);
}

} // namespace
