// Pads and keys as the user meets them: a note on plays its track at once on the program's
// output, a closed hat ends the open hat, and "Learn MIDI Note" binds a note to the selected
// track as one undo step that the saved song keeps. A fake MIDI source stands for the ports,
// and a JACK server with its dummy back end carries real MIDI into the program's own input.

#include "audio/fake_output_device.h"
#include "audio/midi_input.h"
#include "audio/rtmidi_input.h"
#include "core/note_map.h"
#include "core/pattern_file.h"
#include "tests/support/jack_server.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/main_window.h"
#include "ui/shell/midi_pads.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui_test_support.h"

#include <RtMidi.h>
#include <chrono>

#include <QAction>
#include <QObject>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// Messages the test hands in, as a port would.
struct FakeMidi
{
    std::vector<audio::MidiMessage> waiting;
};

class FakeMidiSource : public audio::MidiInputSource
{
public:
    explicit FakeMidiSource(std::shared_ptr<FakeMidi> shared) : m_shared(std::move(shared)) {}
    bool available() const override { return true; }
    std::vector<std::string> ports() override { return {"Pads"}; }
    bool connect(const std::string&) override { return true; }
    void disconnect(const std::string&) override {}
    void take(std::vector<audio::MidiMessage>& out) override
    {
        out.insert(out.end(), m_shared->waiting.begin(), m_shared->waiting.end());
        m_shared->waiting.clear();
    }

private:
    std::shared_ptr<FakeMidi> m_shared;
};

SoundOutputs WithMidi(const std::shared_ptr<audio::FakeOutputControl>& device,
                      const std::shared_ptr<FakeMidi>& midi)
{
    SoundOutputs outputs = FakeOutputs(device);
    outputs.midi = [midi] { return std::make_unique<FakeMidiSource>(midi); };
    return outputs;
}

} // namespace

class MidiPadsTest : public QObject
{
    Q_OBJECT

private slots:
    void aNoteOnPlaysItsTrackAtOnceWithItsVelocity()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        auto midi = std::make_shared<FakeMidi>();
        ShownProgram program(WithMidi(device, midi), {"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        QVERIFY(main.pads().available());
        QCOMPARE(main.pads().connectedPorts(), std::vector<std::string>{"Pads"});
        QSignalSpy hits(&main.pads(), &MidiPads::padHit);
        const std::size_t from = device->playedFrames();
        midi->waiting.push_back({1, 0x99, 38, 127}); // Snare's default note, full velocity
        QTRY_COMPARE_WITH_TIMEOUT(hits.count(), 1, 2000);
        QCOMPARE(hits.at(0).at(0).toInt(), 1);
        QCOMPARE(hits.at(0).at(1).toInt(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!FirstSoundPlayed(*device, from).empty(), 5000);
        const std::vector<std::int16_t> heard = FirstSoundPlayed(*device, from);
        const library::SampleData& snare = *main.library().at(1).Data;
        QVERIFY(heard.size() >= 2);
        QVERIFY(heard[0] != 0 && std::abs(heard[0]) <= std::abs(snare[0]));
        midi->waiting.push_back({2, 0x99, 60, 127}); // no track plays 60
        QTest::qWait(50);
        QCOMPARE(hits.count(), 1);
    }

    void aNoteSentThroughJackPlaysTheKickWhileStopped()
    {
        JackServer jack;
        if (!jack.up()) {
            QSKIP("jackd with its dummy back end could not start: MIDI through JACK is untested");
        }
        auto device = std::make_shared<audio::FakeOutputControl>();
        SoundOutputs outputs = FakeOutputs(device);
        outputs.midi = [] { return std::make_unique<audio::RtMidiInputSource>(); };
        ShownProgram program(std::move(outputs), {"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        QVERIFY(main.pads().available());
        RtMidiOut sender(RtMidi::UNIX_JACK, "Sender");
        sender.openVirtualPort("Pads");
        // The rescan finds the new port by itself.
        QTRY_VERIFY_WITH_TIMEOUT(
            main.pads().connectedPorts() == std::vector<std::string>{"Sender:Pads"}, 5000);
        QSignalSpy hits(&main.pads(), &MidiPads::padHit);
        QTest::qWait(100);
        const std::size_t from = device->playedFrames();
        std::vector<unsigned char> noteOn{0x99, 36, 127};
        sender.sendMessage(&noteOn);
        QTRY_COMPARE_WITH_TIMEOUT(hits.count(), 1, 2000);
        QCOMPARE(hits.at(0).at(0).toInt(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!FirstSoundPlayed(*device, from).empty(), 5000);
        const library::SampleData& kick = *main.library().at(0).Data;
        const std::vector<std::int16_t> heard = FirstSoundPlayed(*device, from);
        QVERIFY(heard.size() >= 2);
        QVERIFY(std::abs(heard[0]) <= std::abs(kick[0]) && heard[0] != 0);
    }

    void eightNotesSentThroughJackInTimeLandOnTheirBeatsAndOneUndoRemovesThem()
    {
        JackServer jack;
        if (!jack.up()) {
            QSKIP("jackd with its dummy back end could not start: MIDI through JACK is untested");
        }
        auto device = std::make_shared<audio::FakeOutputControl>();
        SoundOutputs outputs = FakeOutputs(device);
        outputs.midi = [] { return std::make_unique<audio::RtMidiInputSource>(); };
        ShownProgram program(std::move(outputs), {"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        RtMidiOut sender(RtMidi::UNIX_JACK, "Sender");
        sender.openVirtualPort("Pads");
        QTRY_VERIFY_WITH_TIMEOUT(
            main.pads().connectedPorts() == std::vector<std::string>{"Sender:Pads"}, 5000);
        const auto before = std::make_unique<core::EventGrid>(main.song().Events);
        QSignalSpy recorded(&main.pads(), &MidiPads::recorded);
        main.transportBand().recB->click();
        // Played in time with what is heard: a kick and a snare the moment each beat sounds.
        int sent = 0;
        std::vector<int> beats;
        QObject::connect(&main.bridge(), &RenderBridge::blockReported, &main,
                         [&](const audio::BlockReport& r) {
                             if (!r.patternSounds || sent >= 8 || !main.pads().recording()) {
                                 return;
                             }
                             const auto velocity = static_cast<unsigned char>(40 + 10 * sent);
                             std::vector<unsigned char> kick{0x99, 36, velocity};
                             std::vector<unsigned char> snare{0x99, 38, velocity};
                             sender.sendMessage(&kick);
                             sender.sendMessage(&snare);
                             sent += 2;
                             beats.push_back(r.playFromSlot);
                         });
        QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(recorded.count(), 8, 10000);
        main.stopBClick();
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
        for (int i = 0; i < 8; ++i) {
            const int track = recorded.at(i).at(0).toInt();
            const int slot = recorded.at(i).at(1).toInt();
            QCOMPARE(track, i % 2); // kick, then snare
            QCOMPARE(slot, beats[static_cast<std::size_t>(i / 2)]);
            const int velocity = 40 + 10 * (i / 2) * 2;
            QCOMPARE(main.song()
                         .Events[static_cast<std::size_t>(track)][static_cast<std::size_t>(slot)]
                         .Volume,
                     audio::VolumeOfVelocity(velocity));
        }
        QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier); // one Ctrl+Z: the take goes
        for (std::size_t t = 0; t < 2; ++t) {
            for (std::size_t p = 0; p < core::PatternSlots; ++p) {
                QCOMPARE(main.song().Events[t][p].Volume, (*before)[t][p].Volume);
            }
        }
    }

    void aTakeWritesEachHitOnTheGridAndUndoesAsOneStep()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        auto midi = std::make_shared<FakeMidi>();
        ShownProgram program(WithMidi(device, midi), {"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        QSignalSpy recorded(&main.pads(), &MidiPads::recorded);
        QSignalSpy ended(&main.pads(), &MidiPads::takeEnded);
        main.transportBand().recB->click();
        QVERIFY(main.pads().recording());
        QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton); // the pattern loops
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);
        QTest::qWait(300); // a beat or so heard
        const auto now = [] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
        midi->waiting.push_back({now(), 0x99, 36, 127});
        QTRY_COMPARE_WITH_TIMEOUT(recorded.count(), 1, 2000);
        QTest::qWait(120);
        midi->waiting.push_back({now(), 0x99, 38, 64});
        QTRY_COMPARE_WITH_TIMEOUT(recorded.count(), 2, 2000);
        const int kickSlot = recorded.at(0).at(1).toInt();
        const int snareSlot = recorded.at(1).at(1).toInt();
        QCOMPARE(kickSlot % 16, 0); // a sixteenth of the 4 x 4 grid
        QCOMPARE(snareSlot % 16, 0);
        QCOMPARE(main.song().Events[0][static_cast<std::size_t>(kickSlot)].Volume, 10000);
        QCOMPARE(main.song().Events[1][static_cast<std::size_t>(snareSlot)].Volume, 5039);
        QVERIFY(main.Undo1->isEnabled()); // offered while the take is still open
        main.stopBClick();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
        QVERIFY(main.isModified());
        main.Undo1->trigger(); // the whole take goes
        QCOMPARE(main.song().Events[0][static_cast<std::size_t>(kickSlot)].Volume, 0);
        QCOMPARE(main.song().Events[1][static_cast<std::size_t>(snareSlot)].Volume, 0);
    }

    void learningBindsTheNextNoteAsOneUndoStepThatTheSongKeeps()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        auto midi = std::make_shared<FakeMidi>();
        ShownProgram program(WithMidi(device, midi), {"Kick", "Snare"});
        TMain& main = program.main();
        QSignalSpy learned(&main.pads(), &MidiPads::learned);
        {
            std::lock_guard<core::SongLock> g(main.songLock());
            main.song().SelectedTrack = 1;
        }
        main.LearnMidi1->trigger();
        QVERIFY(main.pads().learning());
        QVERIFY(main.statusBar()->currentMessage().contains(QStringLiteral("track 2")));
        midi->waiting.push_back({1, 0x90, 70, 90});
        QTRY_COMPARE_WITH_TIMEOUT(learned.count(), 1, 2000);
        QCOMPARE(main.song().TrackNotes[1], 70);
        QVERIFY(main.isModified());
        const auto bytes = [&main] {
            std::lock_guard<core::SongLock> g(main.songLock());
            return core::SerializePatternFile(main.song());
        }();
        QCOMPARE(core::ParsePatternFile(bytes, "x.bwp")->TrackNotes[1], 70);
        QSignalSpy hits(&main.pads(), &MidiPads::padHit);
        midi->waiting.push_back({2, 0x90, 70, 90});
        QTRY_COMPARE_WITH_TIMEOUT(hits.count(), 1, 2000);
        QCOMPARE(hits.at(0).at(0).toInt(), 1);
        main.Undo1->trigger();
        QCOMPARE(main.song().TrackNotes[1], -1);
    }
};

std::unique_ptr<QObject> MakeMidiPadsTest()
{
    return std::make_unique<MidiPadsTest>();
}

} // namespace bw::testing

#include "midi_pads_test.moc"
