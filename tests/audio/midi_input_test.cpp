// MIDI input behind its interface: the ring, port keeping, pad routing and learning, without a
// MIDI service.
#include "audio/midi_input.h"
#include "audio/take_recorder.h"

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace bw::audio;

class FakeSource : public MidiInputSource
{
public:
    bool available() const override { return up; }
    std::vector<std::string> ports() override { return present; }
    bool connect(const std::string& port) override
    {
        if (port == refuses) {
            return false;
        }
        ++open[port];
        return true;
    }
    void disconnect(const std::string& port) override { --open[port]; }
    void take(std::vector<MidiMessage>& out) override
    {
        out.insert(out.end(), waiting.begin(), waiting.end());
        waiting.clear();
    }

    bool up = true;
    std::vector<std::string> present;
    std::string refuses;
    std::map<std::string, int> open;
    std::vector<MidiMessage> waiting;
};

std::unique_ptr<bw::core::TSong> kit()
{
    auto song = std::make_unique<bw::core::TSong>();
    bw::core::InitSong(*song);
    bw::core::InitPattern(*song, bw::core::AddPattern(*song, "A"));
    bw::core::LoadWorkingCopy(*song, 0);
    song->Tracks[0].SoundName.assign("Kick");
    song->Tracks[1].SoundName.assign("Closed Hat");
    song->Tracks[2].SoundName.assign("Open Hat");
    song->TrackCount = 3;
    return song;
}

TEST(MidiQueue, CarriesMessagesInOrderAcrossThreadsAndDropsWhenFull)
{
    MidiQueue q;
    std::thread producer([&q] {
        for (int i = 0; i < 100000; ++i) {
            while (!q.push({i, 0x90, static_cast<std::uint8_t>(i & 0x7F), 1})) {
                std::this_thread::yield();
            }
        }
    });
    std::int64_t expected = 0;
    MidiMessage m;
    while (expected < 100000) {
        if (q.pop(m)) {
            ASSERT_EQ(m.timeNs, expected);
            ++expected;
        }
    }
    producer.join();
    EXPECT_FALSE(q.pop(m));
    auto full = std::make_unique<MidiQueue>();
    for (std::size_t i = 0; i < MidiQueue::Capacity; ++i) {
        ASSERT_TRUE(full->push({}));
    }
    EXPECT_FALSE(full->push({}));
    EXPECT_EQ(full->dropped(), 1U);
}

TEST(MidiPortKeeper, ConnectsEveryPortOrTheChosenOnesAndLetsGoOfPortsThatWent)
{
    FakeSource source;
    MidiPortKeeper keeper(source);
    source.present = {"Pads", "Keys", "Broken"};
    source.refuses = "Broken";
    EXPECT_EQ(keeper.rescan(), (std::vector<std::string>{"Pads", "Keys"}));
    EXPECT_EQ(keeper.rescan().size(), 2U) << "a rescan opens nothing twice";
    EXPECT_EQ(source.open["Pads"], 1);
    source.present = {"Keys"}; // the pads were unplugged
    EXPECT_EQ(keeper.rescan(), (std::vector<std::string>{"Keys"}));
    EXPECT_EQ(source.open["Pads"], 0);
    keeper.choose({"Pads"});
    EXPECT_TRUE(keeper.rescan().empty()) << "Keys is not chosen, Pads is not there";
    EXPECT_EQ(source.open["Keys"], 0);
    source.present = {"Keys", "Pads"}; // plugged in again
    EXPECT_EQ(keeper.rescan(), (std::vector<std::string>{"Pads"}));
    source.up = false;
    EXPECT_TRUE(keeper.rescan().empty());
}

TEST(MidiPads, NoteOnsPlayTheirTrackWithTheVelocityAsVolume)
{
    auto song = kit();
    PadHit hit = RoutePad(*song, {0, 0x99, 36, 127});
    EXPECT_EQ(hit.track, 0);
    EXPECT_EQ(hit.volume, 10000);
    hit = RoutePad(*song, {0, 0x90, 46, 64});
    EXPECT_EQ(hit.track, 2);
    EXPECT_EQ(hit.volume, 5039);
    EXPECT_EQ(RoutePad(*song, {0, 0x90, 42, 1}).volume, 78);
    EXPECT_EQ(RoutePad(*song, {0, 0x90, 36, 0}).track, -1) << "velocity 0 is a note off";
    EXPECT_EQ(RoutePad(*song, {0, 0x80, 36, 100}).track, -1);
    EXPECT_EQ(RoutePad(*song, {0, 0xB0, 36, 100}).track, -1);
    hit = RoutePad(*song, {0, 0x90, 60, 100});
    EXPECT_EQ(hit.track, -1);
    EXPECT_EQ(hit.note, 60) << "a note no track plays can still be learned";
    song->MidiChannel = 10;
    EXPECT_EQ(RoutePad(*song, {0, 0x90, 36, 100}).track, -1) << "channel 1, not 10";
    EXPECT_EQ(RoutePad(*song, {0, 0x99, 36, 100}).track, 0);
}

TEST(MidiLearn, TheNextNoteGoesToTheArmedTrackAndLeavesItsFormerTrack)
{
    auto song = kit();
    MidiLearn learn;
    EXPECT_FALSE(learn.take(*song, RoutePad(*song, {0, 0x90, 50, 100}))) << "not armed";
    learn.arm(1);
    EXPECT_FALSE(learn.take(*song, RoutePad(*song, {0, 0x80, 50, 100})));
    EXPECT_TRUE(learn.armed()) << "a note off leaves it waiting";
    EXPECT_TRUE(learn.take(*song, RoutePad(*song, {0, 0x90, 50, 100})));
    EXPECT_FALSE(learn.armed());
    EXPECT_EQ(RoutePad(*song, {0, 0x90, 50, 100}).track, 1);
    learn.arm(2);
    EXPECT_TRUE(learn.take(*song, RoutePad(*song, {0, 0x90, 50, 100})));
    EXPECT_EQ(song->TrackNotes[1], -1);
    EXPECT_EQ(RoutePad(*song, {0, 0x90, 50, 100}).track, 2);
    EXPECT_EQ(RoutePad(*song, {0, 0x90, 42, 100}).track, 1) << "track 1 has its default again";
}

TEST(TakeRecorder, AHitLandsOnTheNearestGridStepOfTheBeatHeard)
{
    TakeRecorder r;
    EXPECT_EQ(r.slotOf(0, 4, 4), -1) << "nothing heard yet";
    const std::int64_t beat = 500'000'000;     // 120 bpm
    r.beatHeard(1'000'000'000, 64, 128, beat); // beat 1 of 4
    EXPECT_EQ(r.slotOf(1'000'000'000, 4, 4), 64);
    EXPECT_EQ(r.slotOf(1'000'000'000 + beat / 4, 4, 4), 80) << "the second sixteenth";
    EXPECT_EQ(r.slotOf(1'000'000'000 + beat / 8 - 1'000'000, 4, 4), 64) << "just early";
    EXPECT_EQ(r.slotOf(1'000'000'000 + beat / 8 + 1'000'000, 4, 4), 80) << "just late";
    EXPECT_EQ(r.slotOf(1'000'000'000 - 10'000'000, 4, 4), 64) << "slightly ahead of the beat";
    EXPECT_EQ(r.slotOf(1'000'000'000 + 3 * beat, 4, 4), -1) << "long past";
    r.beatHeard(0, 192, 256, beat); // the last beat
    EXPECT_EQ(r.slotOf(beat - 10'000'000, 4, 4), 0) << "the pattern's end wraps to its start";
    EXPECT_EQ(r.slotOf(beat / 3, 4, 3), 192 + 21) << "triplets: 256 / 12 = 21.3 per step";
    r.silent();
    EXPECT_EQ(r.slotOf(beat / 3, 4, 3), -1);
}

TEST(TakeRecorder, AHitOnAnEventTakesItsVolumeAndKeepsItsPitch)
{
    auto song = kit();
    song->Events[1][16].Volume = 3000;
    song->Events[1][16].Pitch = 5;
    RecordHit(*song, 1, 16, 9000);
    RecordHit(*song, 0, 0, 1);
    RecordHit(*song, 0, 257, 5000);
    EXPECT_EQ(song->Events[1][16].Volume, 9000);
    EXPECT_EQ(song->Events[1][16].Pitch, 5);
    EXPECT_EQ(song->Events[0][0].Volume, 2);
}

} // namespace
