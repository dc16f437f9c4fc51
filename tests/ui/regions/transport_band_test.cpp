// The transport band: the song's settings in its controls, play and stop, the position LED.

#include "audio/request_flags.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

class TransportBandTest : public QObject
{
    Q_OBJECT

private slots:
    void songSettingsReachTheControls()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"}, 3);
        MessageRecorder messages;
        TMain main(folder.dir.path());
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::TSong& s = main.song();
            s.Transpose = 5;
            s.MasterVolume = 5000;
            s.Stereo = 0;
            s.ShuffleAmount = 20;
            s.DelayFeedback = 75;
            s.StopPosition = 64;
            s.Ticks = 12;
        }
        main.ShowSongSettings();
        QCOMPARE(main.transportBand().BeatB->currentText(),
                 QStringLiteral("2"));  // 3 is no item: first item
        QCOMPARE(main.song().Beats, 3); // the song keeps its beats
        QCOMPARE(main.transportBand().TickB->currentText(), QStringLiteral("12"));
        QCOMPARE(main.transportBand().transcom->currentText(), QStringLiteral("+5"));
        QCOMPARE(main.transportBand().mastervol->value(), 500);
        QCOMPARE(main.transportBand().Channels->text(), QStringLiteral("mono"));
        QCOMPARE(main.transportBand().Panel32->text(), QStringLiteral("20%"));
        QCOMPARE(main.transportBand().Panel30->text(), QStringLiteral("75%"));
        QCOMPARE(main.sequencer().stopseqbox->text(), QStringLiteral("64"));

        QComboBox box;
        box.addItems({"4", "+4", "x", "8"});
        ui::SelectItemByNumber(&box, 4);
        QCOMPARE(box.currentIndex(), 1); // the last match wins
        ui::SelectItemByNumber(&box, 7);
        QCOMPARE(box.currentIndex(), 0);

        // A file's tempo and master volume are taken in through their bars, as the engine
        // and the command line's render then use them.
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().Bpm = 20;
            main.song().MasterVolume = 12345;
        }
        main.ShowSongSettings();
        QCOMPARE(main.transportBand().bpm->value(), 50);
        QCOMPARE(main.song().Bpm, 50);
        QCOMPARE(main.song().MasterVolume, 10000);
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().MasterVolume = 4567;
        }
        main.ShowSongSettings();
        QCOMPARE(main.song().MasterVolume, 4560);
    }

    void controlsWriteTheSong()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TransportBand& t = main.transportBand();
        // Beats 4 -> 8: the events keep their beat, so they move into the first half.
        QCOMPARE(t.BeatB->currentText(), QStringLiteral("4"));
        QTest::keyClick(t.BeatB, Qt::Key_Down);
        QCOMPARE(t.BeatB->currentText(), QStringLiteral("8"));
        QCOMPARE(main.song().Beats, 8);
        for (const int slot : {0, 32, 64, 96}) {
            QCOMPARE(main.song().Events[0][static_cast<std::size_t>(slot)].Volume, 5000);
        }
        QCOMPARE(main.song().Events[0][128].Volume, 0);
        QCOMPARE(main.song().pattern(0).Beats, 8); // stored into its pattern
        // Ticks change the grid only.
        QTest::keyClick(t.TickB, Qt::Key_Down);
        QCOMPARE(main.song().Ticks, 6);
        QCOMPARE(main.song().Events[0][32].Volume, 5000);
        // Transpose from the list: "0" then one down is -1.
        QTest::keyClick(t.transcom, Qt::Key_Down);
        QCOMPARE(main.song().Transpose, -1);
        // Tempo: the song and its read-out follow the bar.
        t.bpm->setValue(141);
        QCOMPARE(main.song().Bpm, 141);
        QCOMPARE(t.Label5->text(), QStringLiteral("141"));
        // Master volume position 500 gives 5000.
        t.mastervol->setValue(500);
        QCOMPARE(main.song().MasterVolume, 5000);
        // Channels switch on any press.
        ClickAt(t.Channels, QPoint(5, 5));
        QCOMPARE(main.song().Stereo, 0);
        QCOMPARE(t.Channels->text(), QStringLiteral("mono"));
        ClickAt(t.Channels, QPoint(5, 5), Qt::RightButton);
        QCOMPARE(main.song().Stereo, 1);
        QCOMPARE(t.Channels->text(), QStringLiteral("stereo"));
        QVERIFY(program.messages.messages.empty());
    }

    void slidersStepWithKeysShowTheirValueAndReset()
    {
        // A drag moves the master volume by about 33 a pixel: exact values come from the
        // keys, ten a step and five hundred a page, shown as they change.
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TransportBand& t = main.transportBand();
        ClickAt(t.mastervol, QPoint(t.mastervol->width() - 3, t.mastervol->height() / 2));
        QVERIFY(t.mastervol->hasFocus());
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(t.mastervol, Qt::Key_PageDown);
        }
        QCOMPARE(main.song().MasterVolume, 5000);
        QTest::keyClick(t.mastervol, Qt::Key_Right);
        QCOMPARE(main.song().MasterVolume, 5010);
        QVERIFY(
            main.statusBar()->currentMessage().startsWith(QStringLiteral("Master volume: 5010")));
        QTest::mouseDClick(t.mastervol, Qt::LeftButton, {}, QPoint(5, t.mastervol->height() / 2));
        QCOMPARE(main.song().MasterVolume, 10000);
        // The tempo bar the same way, back to 120 on a double click.
        ClickAt(t.bpm, QPoint(t.bpm->width() / 2, t.bpm->height() / 2));
        QTest::keyClick(t.bpm, Qt::Key_Home);
        QTest::keyClick(t.bpm, Qt::Key_Right);
        QCOMPARE(main.song().Bpm, 51);
        QTest::keyClick(t.bpm, Qt::Key_PageUp);
        QCOMPARE(main.song().Bpm, 61);
        QTest::mouseDClick(t.bpm, Qt::LeftButton, {}, QPoint(t.bpm->width() / 2, 3));
        QCOMPARE(main.song().Bpm, 120);
        QCOMPARE(t.Label5->text(), QStringLiteral("120"));
    }

    void playAndStopButtonsRunTheEngine()
    {
        ShownProgram program({"Kick", "Snare"}, 4, true);
        TMain& main = program.main();
        TransportBand& transport = main.transportBand();
        main.sequencer().loopbut->setChecked(true);
        QTest::mouseClick(transport.playb, Qt::LeftButton);
        QVERIFY(transport.playb->isChecked());
        QVERIFY2(!main.sequencer().loopbut->isChecked(), "Play releases LOOP SOLO");
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);
        QVERIFY(main.transport().songMode());
        QTest::mouseClick(transport.stopB, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
        QVERIFY(transport.stopB->isChecked());
        QVERIFY(!transport.playb->isChecked());
        QVERIFY(program.messages.messages.empty());
    }

    void ledLightsTheBeatBeingPlayed()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TransportBand& transport = main.transportBand();
        const QColor red = ToQColor(colors::Red);
        const int W = main.context().gridWidth();
        const int y = transport.ledPB->height() / 2;
        const int beat2 = XFromPos(64, W) + 4;
        QVERIFY2(PixelOf(*transport.ledPB, QPoint(beat2, y)) != red, "dark while nothing plays");
        // The engine reports the block that begins to sound, with its play window: the LED
        // lights that beat, not the one the engine renders meanwhile.
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::SetPlayWindow(main.song(), 0, 3);
        }
        audio::BlockReport heard;
        heard.pattern = 0;
        heard.patternSounds = true;
        heard.playFromSlot = 64;
        heard.playToSlot = 128;
        main.bridge().blockDone(heard); // on the UI thread it is shown at once
        QCOMPARE(PixelOf(*transport.ledPB, QPoint(beat2, y)), red);
        QVERIFY(PixelOf(*transport.ledPB, QPoint(XFromPos(128, W) + 4, y)) != red);
        heard.silence = true;
        main.bridge().blockDone(heard);
        QVERIFY(PixelOf(*transport.ledPB, QPoint(beat2, y)) != red);
        heard.silence = false;
        heard.pattern = 1; // another pattern than the one shown sounds
        main.bridge().blockDone(heard);
        QVERIFY(PixelOf(*transport.ledPB, QPoint(beat2, y)) != red);
        heard.pattern = 0;
        main.bridge().blockDone(heard);
        main.bridge().engineEnded(false);
        QVERIFY2(PixelOf(*transport.ledPB, QPoint(beat2, y)) != red, "dark once the run ends");
    }
};

std::unique_ptr<QObject> MakeTransportBandTest()
{
    return std::make_unique<TransportBandTest>();
}

} // namespace bw::testing

#include "transport_band_test.moc"
