// The wave player demo window: a tone and a mono file played through the output player on
// the program's sound output (SDL's dummy driver plays in real time).

#include "audio/async_player.h"
#include "sound_test_support.h"
#include "ui/windows/periphery_windows.h"

#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// The program's own output on a fake device: SDL's dummy driver opens one device at a time,
/// and the demo's player needs it.
ui::SoundOutputs DemoOutputs()
{
    return {audio::FakeOutput(std::make_shared<audio::FakeOutputControl>()),
            [] { return std::make_unique<audio::SdlWaveOut>(); },
            {},
            {}};
}

} // namespace

class WaveTestWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void playsAToneAndAMonoFile()
    {
        ShownProgram program(DemoOutputs(), {"Kick"});
        TWaveTest& w = *program.windows->waveTest;
        w.show();
        w.frequency->setValue(1000);
        QTest::mouseClick(w.toneButton, Qt::LeftButton);
        QVERIFY(w.playing());
        QCOMPARE(w.status->text(), QStringLiteral("Playing a 1000 Hz square wave"));
        QVERIFY(w.player() != nullptr && w.player()->QueuedDuration() > 0);
        QVERIFY(w.player()->QueuedDuration() <= 600); // fed as it plays, not all at once
        QTRY_VERIFY_WITH_TIMEOUT(!w.playing(), 6000);
        QCOMPARE(w.status->text(), QStringLiteral("Played"));

        const QString file = program.folder.path("beep.wav");
        WriteVector(file, canonicalWav(Sine16(440, 13230, 0.3))); // 300 ms
        FileAnswers files({file});
        QTest::mouseClick(w.openButton, Qt::LeftButton);
        QCOMPARE(w.fileLabel->text(), QStringLiteral("beep.wav  (44100 Hz, 16 bit, 300 ms)"));
        QVERIFY(w.playButton->isEnabled());
        QTest::mouseClick(w.playButton, Qt::LeftButton);
        QVERIFY(w.playing());
        QTRY_VERIFY_WITH_TIMEOUT(!w.playing(), 4000);
        QCOMPARE(w.status->text(), QStringLiteral("Played"));
        QVERIFY(program.messages.messages.empty());
    }

    void refusesWhatItCannotPlayAndStops()
    {
        ShownProgram program(DemoOutputs(), {"Kick"});
        TWaveTest& w = *program.windows->waveTest;
        w.show();
        const QString stereo = program.folder.path("stereo.wav");
        WriteVector(stereo, StereoSine48k24());
        const QString missing = program.folder.path("missing.wav");
        FileAnswers files({stereo, missing});
        QTest::mouseClick(w.openButton, Qt::LeftButton);
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
        QVERIFY(program.messages.messages[0].text.startsWith(
            QStringLiteral("Only mono PCM files of 8 or 16 bits")));
        QVERIFY(!w.playButton->isEnabled());
        QTest::mouseClick(w.openButton, Qt::LeftButton);
        QCOMPARE(program.messages.messages.size(), std::size_t{2});
        QCOMPARE(program.messages.messages[1].text,
                 QStringLiteral("Datei %1 nicht gefunden.").arg(missing));

        QTest::mouseClick(w.toneButton, Qt::LeftButton);
        QVERIFY(w.playing());
        QTest::mouseClick(w.stopButton, Qt::LeftButton);
        QVERIFY(!w.playing());
        QCOMPARE(w.status->text(), QStringLiteral("Stopped"));
        QCOMPARE(w.player()->State(), audio::TAsyncPlayer::StateClosed);
    }
};

std::unique_ptr<QObject> MakeWaveTestWindowTest()
{
    return std::make_unique<WaveTestWindowTest>();
}

} // namespace bw::testing

#include "wave_test_window_test.moc"
