// The program's sound output as the user meets it: previews heard at once from the sound
// windows and the grid, a device that goes away and comes back, and the "Wave Output"
// window. A fake device takes the sound (it plays in real time and keeps what it played).

#include "audio/fake_output_device.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/track_list.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/transport.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/library_window.h"
#include "ui/windows/wave_output_window.h"
#include "ui_test_support.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// The click sound of the test library as a voice of gain g plays it on one side.
std::int16_t Scaled(std::int16_t sample, std::int32_t g, std::int32_t weight = 1000)
{
    return static_cast<std::int16_t>(sample * g / 10000 * weight / 1000);
}

} // namespace

class OutputTest : public QObject
{
    Q_OBJECT

private slots:
    void theLibraryWindowAndTheGridPlayAtOnce()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        ShownProgram program(FakeOutputs(device), {"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        const library::SampleData& click = *main.library().at(2).Data; // "Hat"

        // The library window: PLAY, and a double-click on a sound.
        main.SoundLibary1->trigger();
        Tsoundlibary& lib = *program.windows->soundlibary;
        lib.ListBox1->setCurrentRow(2);
        std::size_t from = device->playedFrames();
        QTest::mouseClick(lib.ButtonPlay, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(main.transport().output()->voices().pending(), 0, 5000);
        std::vector<std::int16_t> heard = FirstSoundPlayed(*device, from);
        QCOMPARE(heard.size(), click.size() - 2);
        QVERIFY(std::equal(heard.begin(), heard.end(), click.begin()));
        from = device->playedFrames();
        QListWidgetItem* item = lib.ListBox1->item(2);
        // A double-click as the window system delivers it: a click, then the second press.
        const QPoint at = lib.ListBox1->visualItemRect(item).center();
        QTest::mouseClick(lib.ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(lib.ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTRY_VERIFY_WITH_TIMEOUT(!FirstSoundPlayed(*device, from).empty(), 5000);
        lib.close();
        QCOMPARE(main.transport().runCount(), 0);

        // A click on the grid while stopped: the new event is heard through its track (Snare
        // at half volume, panned right) and the master volume.
        {
            std::lock_guard<core::SongLock> g(main.songLock());
            main.song().Tracks[1].Volume = 5000;
            main.song().Tracks[1].Pan = 1500;
            main.song().MasterVolume = 8000;
        }
        QTRY_COMPARE_WITH_TIMEOUT(main.transport().output()->voices().pending(), 0, 5000);
        QTest::qWait(50);
        from = device->playedFrames();
        PatternGrid& grid = main.grid();
        ClickAt(grid.noteBox, QPoint(grid.noteBox->width() / 2 + 3, 24 + 12));
        QTRY_COMPARE_WITH_TIMEOUT(main.transport().output()->voices().pending(), 0, 5000);
        QTest::qWait(50);
        const std::vector<std::int16_t> played = device->played();
        std::size_t f = from;
        while (2 * f < played.size() && played[2 * f + 1] == 0) {
            ++f;
        }
        QVERIFY(2 * f + 1 < played.size());
        // A new event's volume 5000 through master 8000 and track 5000: 2000, gain 1600.
        const library::SampleData& snare = *main.library().at(1).Data;
        QCOMPARE(played[2 * f + 1], Scaled(snare[0], 1600));
        QCOMPARE(played[2 * f], Scaled(snare[0], 1600, 500));

        // While it plays, a click adds the event and leaves the sound to the song.
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY(main.transport().running());
        const int pending = main.transport().output()->voices().pending();
        ClickAt(grid.noteBox, QPoint(grid.noteBox->width() / 4 + 3, 24 + 12));
        QCOMPARE(main.transport().output()->voices().pending(), pending);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_VERIFY(!main.transport().running());
        QVERIFY(program.messages.messages.empty());
    }

    void aDeviceThatGoesStopsPlaybackAndTheStatusLineSaysSo()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        ShownProgram program(FakeOutputs(device), {"Kick"});
        TMain& main = program.main();
        {
            // The pattern all along the song, so that Play is heard wherever it starts.
            std::lock_guard<core::SongLock> g(main.songLock());
            for (int position = 0; position < 64; position += 4) {
                core::AddSeqEntry(main.song(), position, "A");
            }
            core::SetStopPosition(main.song(), 64);
        }
        QVERIFY(OutputOpen(main));
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY(main.transport().running());
        QTRY_VERIFY_WITH_TIMEOUT(!FirstSoundPlayed(*device).empty(), 5000);

        device->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(main.statusBar()->currentMessage(),
                                  QStringLiteral("The sound device \"Fake Speakers\" is no longer "
                                                 "available: playback stopped."),
                                  1000);
        QVERIFY(program.messages.messages.empty()); // nothing modal
        QVERIFY(main.transportBand().playb->isEnabled());

        // Back: the output opens again by itself, and Play plays.
        device->replug();
        QTRY_COMPARE_WITH_TIMEOUT(main.statusBar()->currentMessage(),
                                  QStringLiteral("The sound device \"Fake Speakers\" is "
                                                 "available again."),
                                  5000);
        device->clearPlayed();
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!FirstSoundPlayed(*device).empty(), 5000);
        QVERIFY(main.transport().running());

        // Gone again while stopped: Play opens the output again without waiting for it to
        // come back on its own.
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_VERIFY(!main.transport().running());
        device->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().outputState().status == audio::OutputStatus::Lost,
                                 5000);
        device->replug();
        device->clearPlayed();
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!FirstSoundPlayed(*device).empty(), 5000);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_VERIFY(!main.transport().running());
        QVERIFY(program.messages.messages.empty());
    }

    void closingDoesNotWaitForADeviceThatHangs()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        {
            ShownProgram program(FakeOutputs(device), {"Kick"});
            TMain& main = program.main();
            QVERIFY(OutputOpen(main));
            QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(device->playedFrames() > 4000, 5000);
            device->stall(); // no more sound taken, and closing it hangs
            QElapsedTimer timer;
            timer.start();
            QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
            QVERIFY(main.close());
            program.windows.reset();
            // Stop, the close and the windows' end, without the device: a hang guard, the
            // time itself is measured in bench/README.md.
            QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        }
        device->release(); // the device finishes closing on its own
        QTRY_VERIFY_WITH_TIMEOUT(device.use_count() == 1, 5000);
    }

    void theWaveOutputWindowShowsAndKeepsTheChoice()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        ShownProgram program(FakeOutputs(device), {"Kick"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        QVERIFY(main.WaveOutput1->isVisible());
        main.WaveOutput1->trigger();
        Twaveoutf& w = *program.windows->waveoutf;
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Wave Output"));
        QTRY_COMPARE(w.deviceList->count(), 3);
        QCOMPARE(w.driverLabel->text(), QStringLiteral("Driver: fake"));
        QCOMPARE(w.deviceList->item(0)->text(), QStringLiteral("System default"));
        QCOMPARE(w.deviceList->item(2)->text(), QStringLiteral("Fake Headphones"));
        QCOMPARE(w.bufferBox->count(), 4);
        QCOMPARE(w.bufferBox->currentText(), QStringLiteral("512 frames"));
        QCOMPARE(w.latencyLabel->text(), QStringLiteral("11.6 ms"));
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Sound goes to \"Fake Speakers\""));

        w.deviceList->setCurrentRow(2);
        w.bufferBox->setCurrentIndex(w.bufferBox->findData(2048));
        QCOMPARE(w.latencyLabel->text(), QStringLiteral("46.4 ms"));
        // Kept for the next start, and taken by the next Play (not before).
        QCOMPARE(LoadOutputChoice(), (audio::OutputChoice{"Fake Headphones", 2048}));
        QCOMPARE(device->opens().size(), std::size_t{1});
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(device->opens().size(), std::size_t{2}, 5000);
        QCOMPARE(device->opens()[1], (audio::OutputChoice{"Fake Headphones", 2048}));
        QTRY_COMPARE(w.statusLabel->text(), QStringLiteral("Sound goes to \"Fake Headphones\""));
        QTRY_VERIFY(main.transport().running());
        QCOMPARE(w.underrunLabel->text(), QString::number(main.transport().runUnderruns()));
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_VERIFY(!main.transport().running());

        // The next start opens what was chosen.
        program.windows.reset();
        auto again = std::make_shared<audio::FakeOutputControl>();
        program.windows = CreateProgramWindows(program.folder.dir.path(), FakeOutputs(again));
        QTRY_COMPARE_WITH_TIMEOUT(again->opens().size(), std::size_t{1}, 5000);
        QCOMPARE(again->opens()[0], (audio::OutputChoice{"Fake Headphones", 2048}));
        SaveOutputChoice({}); // the next test starts from the default
        QVERIFY(program.messages.messages.empty());
    }
};

std::unique_ptr<QObject> MakeOutputTest()
{
    return std::make_unique<OutputTest>();
}

} // namespace bw::testing

#include "output_test.moc"
