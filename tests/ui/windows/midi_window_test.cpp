// The MIDI window and clock out as the user meets them: Play sends Start and the pulses on the
// program's clock port and Stop ends them; the window chooses the input ports, the song's
// channel (one undo step), whether clock goes out and whether the played events go out as
// notes.

#include "audio/fake_output_device.h"
#include "audio/midi_clock.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/main_window.h"
#include "ui/shell/midi_pads.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/transport.h"
#include "ui/windows/midi_window.h"
#include "ui_test_support.h"

#include <mutex>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

struct SentMidi
{
    std::mutex mutex;
    std::vector<audio::MidiBytes> sent;
    std::string connected;

    int count(std::uint8_t status, int note = -1)
    {
        std::lock_guard<std::mutex> g(mutex);
        int n = 0;
        for (const auto& m : sent) {
            n += m.bytes[0] == status && (note < 0 || m.bytes[1] == note) ? 1 : 0;
        }
        return n;
    }
};

class RecordingSink : public audio::MidiOutputSink
{
public:
    explicit RecordingSink(std::shared_ptr<SentMidi> sent) : m_sent(std::move(sent)) {}
    bool available() const override { return true; }
    std::vector<std::string> ports() override { return {"Synth:in"}; }
    bool connect(const std::string& port) override
    {
        std::lock_guard<std::mutex> g(m_sent->mutex);
        m_sent->connected = port;
        return true;
    }
    void send(const audio::MidiBytes& m) override
    {
        std::lock_guard<std::mutex> g(m_sent->mutex);
        m_sent->sent.push_back(m);
    }

private:
    std::shared_ptr<SentMidi> m_sent;
};

class TwoPorts : public audio::MidiInputSource
{
public:
    bool available() const override { return true; }
    std::vector<std::string> ports() override { return {"Pads", "Keys"}; }
    bool connect(const std::string&) override { return true; }
    void disconnect(const std::string&) override {}
    void take(std::vector<audio::MidiMessage>&) override {}
};

SoundOutputs WithClock(const std::shared_ptr<audio::FakeOutputControl>& device,
                       const std::shared_ptr<SentMidi>& sent)
{
    SoundOutputs outputs = FakeOutputs(device);
    outputs.midi = [] { return std::make_unique<TwoPorts>(); };
    outputs.midiOut = [sent] { return std::make_unique<RecordingSink>(sent); };
    return outputs;
}

/// The program on a fake device with a recording MIDI output.
struct MidiWindowShown
{
    std::shared_ptr<audio::FakeOutputControl> device = std::make_shared<audio::FakeOutputControl>();
    std::shared_ptr<SentMidi> sent = std::make_shared<SentMidi>();
    ShownProgram program{WithClock(device, sent), {"Kick", "Snare"}};

    TMain& main() { return program.main(); }
    /// View > "MIDI": the window it opens.
    TMidiWindow* window()
    {
        main().Midi1->trigger();
        return main().links().midi;
    }
};

} // namespace

class MidiWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { SaveMidiChoice(MidiChoice{}); }

    void playAndStopSendStartThePulsesAndStop()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        auto sent = std::make_shared<SentMidi>();
        ShownProgram program(WithClock(device, sent), {"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(sent->count(audio::MidiStart), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(sent->count(audio::MidiTimingClock) >= 24, 5000);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(sent->count(audio::MidiStop), 1, 5000);
        const int pulses = sent->count(audio::MidiTimingClock);
        QTest::qWait(100);
        QCOMPARE(sent->count(audio::MidiTimingClock), pulses);
    }

    void theWindowChoosesPortsChannelAndClock()
    {
        MidiWindowShown shown;
        TMain& main = shown.main();
        const std::shared_ptr<SentMidi>& sent = shown.sent;
        TMidiWindow* window = shown.window();
        QVERIFY(window != nullptr);
        QTRY_VERIFY(window->isVisible());
        QVERIFY(window->everyPortBox->isChecked());
        QCOMPARE(window->inputList->count(), 2);
        QVERIFY(!window->inputList->isEnabled());

        // Only the keys: the pads' port is let go and the choice is kept.
        window->everyPortBox->click();
        QVERIFY(window->inputList->isEnabled());
        window->inputList->item(0)->setCheckState(Qt::Unchecked);
        QCOMPARE(main.pads().connectedPorts(), std::vector<std::string>{"Keys"});
        QCOMPARE(LoadMidiChoice().inputPorts, std::vector<std::string>{"Keys"});

        // The channel is the song's: an edit that undoes.
        window->channelBox->setCurrentIndex(window->channelBox->findData(10));
        emit window->channelBox->activated(window->channelBox->currentIndex());
        QCOMPARE(main.song().MidiChannel, 10);
        main.Undo1->trigger();
        QCOMPARE(main.song().MidiChannel, 0);

        // Clock to a port of the user's, then off.
        QVERIFY(window->clockBox->isChecked());
        window->clockPortBox->setCurrentIndex(
            window->clockPortBox->findData(QStringLiteral("Synth:in")));
        emit window->clockPortBox->activated(window->clockPortBox->currentIndex());
        {
            std::lock_guard<std::mutex> g(sent->mutex);
            QCOMPARE(sent->connected, std::string("Synth:in"));
        }
        window->clockBox->click();
        QVERIFY(!main.transport().midiClock()->enabled());
        QVERIFY(!LoadMidiChoice().clockOut);
        QCOMPARE(LoadMidiChoice().outputPort, std::string("Synth:in"));
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(sent->count(audio::MidiStart), 0);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
    }

    void theNotesBoxSendsEachPlayedEventAsANoteOfItsTrack()
    {
        MidiWindowShown shown;
        TMain& main = shown.main();
        const std::shared_ptr<SentMidi>& sent = shown.sent;
        TMidiWindow* window = shown.window();
        QTRY_VERIFY(window->isVisible());
        window->clockBox->click(); // no clock: the notes alone
        QVERIFY(!window->clockPortBox->isEnabled());
        QVERIFY(!window->notesBox->isChecked());
        window->notesBox->click();
        QVERIFY(window->clockPortBox->isEnabled()); // the notes go there too
        QVERIFY(main.transport().midiClock()->notesEnabled());
        QVERIFY(LoadMidiChoice().notesOut);
        QVERIFY(OutputOpen(main));
        // The kick plays every beat at the song's volume of 5000: note 36, velocity 64.
        QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton); // the pattern loops
        QTRY_VERIFY_WITH_TIMEOUT(sent->count(0x99, 36) >= 2, 5000);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(sent->count(0x89), sent->count(0x99), 5000); // each note ends
        QCOMPARE(sent->count(audio::MidiTimingClock), 0);
        std::lock_guard<std::mutex> g(sent->mutex);
        for (const audio::MidiBytes& m : sent->sent) {
            if (m.bytes[0] == 0x99) {
                QCOMPARE(int{m.bytes[1]}, 36);
                QCOMPARE(int{m.bytes[2]}, 64);
            }
        }
    }
};

std::unique_ptr<QObject> MakeMidiWindowTest()
{
    return std::make_unique<MidiWindowTest>();
}

} // namespace bw::testing

#include "midi_window_test.moc"
