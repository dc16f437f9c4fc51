// Playback through the program's open output: the engine renders each beat in short steps a
// few milliseconds ahead of the device, so that what the user changes is heard at once, and
// the device gets exactly what an export writes when nothing changes.

#include "audio/fake_output_device.h"
#include "audio/live_output.h"
#include "audio/midi_note_out.h"
#include "audio/render_run.h"
#include "engine_fixture.h"
#include "tests/audio/wait_until.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

using namespace std::chrono_literals;

/// A run of doc's current pattern on a fake device that plays in real time.
struct StreamPlayback
{
    explicit StreamPlayback(EngineDoc& d, int bufferFrames = 512, bool notes = false) : doc(d)
    {
        output.choose({"", bufferFrames});
        output.noteFeed().wanted = notes; // MIDI out
        doc.flags.SongMode = false;
        engine = std::make_unique<audio::Twaverender>(audio::EngineContext{
            *doc.song, doc.lib, doc.lock, doc.cache, doc.flags, *doc.host, {}, &output});
        engine->start();
    }
    ~StreamPlayback()
    {
        doc.flags.StopRequested = true;
        engine->join();
    }
    StreamPlayback(const StreamPlayback&) = delete;
    StreamPlayback& operator=(const StreamPlayback&) = delete;

    void stop()
    {
        doc.flags.StopRequested = true;
        engine->join();
    }
    /// Changes the song as the UI does, and returns the frames the device had played then.
    std::size_t change(const std::function<void(core::TSong&)>& edit)
    {
        std::lock_guard<core::SongLock> g(doc.lock);
        const std::size_t at = control->playedFrames();
        edit(*doc.song);
        return at;
    }

    EngineDoc& doc;
    std::shared_ptr<audio::FakeOutputControl> control =
        std::make_shared<audio::FakeOutputControl>();
    audio::LiveOutput output{audio::FakeOutput(control)};
    std::unique_ptr<audio::Twaverender> engine;
};

/// The first frame at or after from whose left and right values are left and right; -1 for
/// none.
std::int64_t firstFrame(const std::vector<std::int16_t>& played,
                        std::size_t from,
                        std::int16_t left,
                        std::int16_t right)
{
    for (std::size_t f = from; 2 * f + 1 < played.size(); ++f) {
        if (played[2 * f] == left && played[2 * f + 1] == right) {
            return static_cast<std::int64_t>(f);
        }
    }
    return -1;
}

TEST(EngineStream, TheDeviceGetsTheExportsSamplesMixedStepByStep)
{
    EngineDoc doc;
    doc.song->Bpm = 300;
    std::vector<std::int16_t> tone(1500);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(((i / 20) % 2 == 0 ? 1 : -1) *
                                            (3000 + 7 * static_cast<int>(i)));
    }
    doc.addSound("Tone", tone);
    doc.addSound("Low", constant(9000, -2500), "Tone");
    doc.track(0, "Tone", 9000, 600).DelaySend = 400;
    doc.track(1, "Low", 7000, 1700);
    for (int s = 0; s < 200; s += 16) {
        doc.event(0, s, 4000 + 40 * s, 0, s % 3 == 0 ? 200 : 0);
    }
    doc.event(1, 40, 10000);
    doc.event(1, 130, 6000, 5); // a pitched copy as well, cut by the tone that follows
    doc.song->ShuffleAmount = 40;
    ScratchDir dir;
    const WavFile pass = doc.exportTo(dir.file("export.wav"), false);
    ASSERT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;
    ASSERT_GT(pass.samples.size(), 0U);

    for (int attempt = 0; attempt < 3; ++attempt) {
        StreamPlayback play(doc);
        const int before = doc.host->blocks();
        ASSERT_TRUE(waitUntil([&] { return doc.host->blocks() >= before + 10; }));
        const std::uint64_t underruns = play.output.runUnderruns();
        play.stop();
        ASSERT_TRUE(play.engine->failure().empty()) << play.engine->failure();
        if (underruns != 0) {
            continue; // a gap the export has not: this attempt proves nothing
        }
        const std::vector<std::int16_t> device = play.control->played();
        std::size_t first = 0;
        while (first < device.size() && device[first] == 0) {
            ++first;
        }
        first -= first % 2;
        // An export begins after a pass, so echoes and long sounds of that pass sound into
        // its first beats: it matches the device's second pass.
        first += pass.samples.size();
        ASSERT_GE(device.size() - first, pass.samples.size());
        for (std::size_t i = 0; i < pass.samples.size(); ++i) {
            ASSERT_EQ(device[first + i], pass.samples[i]) << "first difference at value " << i;
        }
        return;
    }
    GTEST_SKIP() << "the machine is too busy to play in real time without gaps";
}

/// A song whose track 0 plays a constant 8000 without a break (a one-beat sound on every
/// beat), so that the level on the device shows every change at once: 6400 on both sides.
struct LevelSong
{
    LevelSong()
    {
        doc.song->Bpm = 60;
        core::ChangeBeats(*doc.song, 1);
        doc.addSound("Level", constant(44100, 8000));
        doc.track(0, "Level");
        doc.event(0, 0, 10000);
    }
    EngineDoc doc;
};

// What may still sound after a change: the two buffers and a step the engine keeps queued,
// the step it was mixing, and the buffer the device was playing.
constexpr std::size_t HeardWithin = 3 * 512 + 2 * audio::RenderRun::StepFrames;

TEST(EngineStream, MuteVolumePanAndMasterAreHeardWithinTwoBuffersAndAStep)
{
    LevelSong song;
    StreamPlayback play(song.doc);
    ASSERT_TRUE(waitUntil([&] { return firstFrame(play.control->played(), 0, 6400, 6400) >= 0; }));
    std::this_thread::sleep_for(200ms);

    struct Change
    {
        std::function<void(core::TSong&)> edit;
        std::int16_t left;
        std::int16_t right;
    };
    // Each voice started at a beat takes the values of then; a change in the middle of one
    // reaches the voice already sounding.
    const std::vector<Change> changes = {
        {[](core::TSong& s) { s.Tracks[0].Volume = 5000; }, 3200, 3200}, // the fader
        {[](core::TSong& s) { s.Tracks[0].Pan = 1500; }, 1600, 3200},
        {[](core::TSong& s) { s.MasterVolume = 2500; }, 400, 800},
        {[](core::TSong& s) { s.Tracks[0].Enabled = 0; }, 0, 0}, // mute
    };
    std::vector<std::size_t> at;
    for (const Change& c : changes) {
        at.push_back(play.change(c.edit));
        std::this_thread::sleep_for(150ms);
    }
    play.stop();
    const std::vector<std::int16_t> played = play.control->played();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const std::int64_t heard = firstFrame(played, at[i], changes[i].left, changes[i].right);
        ASSERT_GE(heard, 0) << "change " << i << " never heard";
        EXPECT_LE(static_cast<std::size_t>(heard) - at[i], HeardWithin) << "change " << i;
    }
}

TEST(EngineStream, EachEventStartedGoesOutAsANoteAtTheFrameItIsHeard)
{
    EngineDoc doc;
    doc.song->Bpm = 60;
    core::ChangeBeats(*doc.song, 1);
    doc.addSound("Kick", constant(2000, 8000));
    doc.addSound("Snare", constant(2000, -8000));
    doc.addSound("Low Tom", constant(2000, 8000));
    doc.track(0, "Kick");
    doc.track(1, "Snare");
    doc.track(2, "Low Tom").Enabled = 0; // muted: neither heard nor sent
    doc.event(0, 0, 10000);
    doc.event(1, 128, 5000); // half a beat in
    doc.event(2, 64, 10000);
    std::vector<audio::PlayedNote> notes;
    StreamPlayback play(doc, 512, true);
    ASSERT_TRUE(waitUntil([&] {
        audio::PlayedNote n;
        while (play.output.noteFeed().ring.pop(n)) {
            notes.push_back(n);
        }
        return notes.size() >= 4;
    }));
    const std::uint32_t run = play.output.runId();
    const std::uint64_t underruns = play.output.runUnderruns();
    play.stop();
    // Two passes of the beat: the kick at its start, the snare half a beat (22050 frames) on.
    ASSERT_GE(notes.size(), 4U);
    const std::vector<std::tuple<std::int64_t, int, int>> expected = {
        {0, 36, 127}, {22050, 38, 64}, {44100, 36, 127}, {66150, 38, 64}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(notes[i].run, run);
        EXPECT_EQ(std::tuple(notes[i].frame, int{notes[i].note}, int{notes[i].velocity}),
                  expected[i])
            << "note " << i;
    }
    if (underruns != 0) {
        return; // a gap the notes cannot know of: where the snare sounds proves nothing
    }
    // The run's frame 0 is the kick's first on the device, and the snare sounds where its
    // note says.
    const std::vector<std::int16_t> played = play.control->played();
    std::size_t kick = 0;
    while (kick + 1 < played.size() / 2 && played[2 * kick] == 0) {
        ++kick;
    }
    std::size_t snare = kick;
    while (snare + 1 < played.size() / 2 && played[2 * snare] >= 0) {
        ++snare;
    }
    EXPECT_EQ(static_cast<std::int64_t>(snare - kick), notes[1].frame);
}

TEST(EngineStream, ALostDeviceEndsTheRunAndAStalledOneDoesNotHoldUpStop)
{
    {
        LevelSong song;
        StreamPlayback play(song.doc);
        ASSERT_TRUE(waitUntil([&] { return play.control->playedFrames() > 4410; }));
        play.control->unplug();
        ASSERT_TRUE(waitUntil([&] { return play.engine->finished(); }));
        EXPECT_TRUE(play.engine->failure().empty()) << "a loss is no failure of the run";
        EXPECT_FALSE(song.doc.flags.EngineRunning.load());
    }
    LevelSong song;
    StreamPlayback play(song.doc);
    ASSERT_TRUE(waitUntil([&] { return play.control->playedFrames() > 4410; }));
    play.control->stall();
    std::this_thread::sleep_for(100ms); // the engine waits for the device to take frames
    song.doc.flags.StopRequested = true;
    EXPECT_TRUE(waitUntil([&] { return play.engine->finished(); }, 2s));
    play.engine->join();
    play.control->release();
}

} // namespace
} // namespace bw::test
