// The sequencer panel: shown and hidden, its inner layout, and what it shows of playback.

#include "audio/engine_host.h"
#include "core/arrangement.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/entry_windows.h"
#include "ui_test_support.h"

#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

class SequencerPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void sequencerPanelToggles()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"}, 4, true);
        MessageRecorder messages;
        TMain main(folder.dir.path());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(!main.sequencer().seqpanel->isHidden()); // the file asked for it
        QCOMPARE(main.sequencer().seqpanel->width(), 300);
        const int sw = main.sequencer().seqpanel->width();
        const int sh = main.sequencer().seqpanel->height();
        QCOMPARE(main.sequencer().Panel35->y() + main.sequencer().Panel35->height(), sh - 8);
        QCOMPARE(main.sequencer().Panel34->x() + main.sequencer().Panel34->width(), sw - 9);
        QCOMPARE(main.sequencer().Panel20->width(), sw - 21);
        QCOMPARE(main.sequencer().Panel20->y(),
                 main.sequencer().Label6->y() + main.sequencer().Label6->height() + 5);
        QCOMPARE(main.sequencer().Label6->width(), (sw - 25) / 2);

        main.PatternSequencer1->trigger();
        QVERIFY(main.sequencer().seqpanel->isHidden());
        main.sequencer().setPanelWidth(30);
        main.PatternSequencer1->trigger();
        QVERIFY(!main.sequencer().seqpanel->isHidden());
        QCOMPARE(main.sequencer().panelWidth(), 50);
        main.sequencer().setPanelWidth(20);
        main.PatternSequencer1->trigger(); // widened also when it is being hidden
        QVERIFY(main.sequencer().seqpanel->isHidden());
        QCOMPARE(main.sequencer().panelWidth(), 50);
    }

    void positionBoxShowsPlayback()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        SequencerPanel& seq = main.sequencer();
        main.context().SetSongPosition(7);
        QCOMPARE(seq.PosLabel->text(), QStringLiteral("7"));
        main.context().SetSongPosition(5000);
        QCOMPARE(seq.PosLabel->text(), QStringLiteral("4000"));
        QCOMPARE(main.songPosition(), 4000);

        audio::BlockReport report;
        report.activeVoices = 5;
        report.songPosition = 12;
        report.silence = true;
        main.bridge().blockDone(report); // on the UI thread it is shown at once
        QCOMPARE(seq.Label13->text(), QStringLiteral("5"));
        QCOMPARE(seq.PosLabel->text(), QStringLiteral("12"));
        QVERIFY(seq.Lsilence->isVisible());
        report.silence = false;
        main.bridge().blockDone(report);
        QVERIFY(seq.Lsilence->isHidden());
    }

    void namesColumnMarksThePatternsThatPlay()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        SequencerPanel& seq = main.sequencer();
        const QPoint row0(seq.leftseqbox->width() - 3, 8);
        QCOMPARE(PixelOf(*seq.leftseqbox, row0), ToQColor(colors::Silver));
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::AddSeqEntry(main.song(), 0, "A");
        }
        main.context().SetSongPosition(2);
        QCOMPARE(PixelOf(*seq.leftseqbox, row0), ToQColor(colors::Blue));
    }

    void songPlaybackMarksAndFollowsTheBeatHeard()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        SequencerPanel& seq = main.sequencer();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::InitPattern(main.song(), core::AddPattern(main.song(), "B"));
            core::AddSeqEntry(main.song(), 0, "A");
            core::AddSeqEntry(main.song(), 4, "B");
        }
        main.context().patternsEdited();
        QVERIFY(seq.followBox->isChecked());
        // Beat 5 is heard: B sounds while A is shown, so the grid turns to B, and the beat is
        // marked on the lane over B's placement.
        audio::BlockReport heard;
        heard.songMode = true;
        heard.songPosition = 5;
        heard.pattern = 0;
        heard.soundingPattern = 1;
        heard.soundingPatterns = 0b10;
        main.context().SetSongPosition(0); // the engine runs ahead: A at its position
        main.bridge().blockDone(heard);
        QCOMPARE(main.song().CurrentPattern, 1);
        const int bw = seq.SeqBeatWidth;
        QCOMPARE(PixelOf(*seq.PaintBox3, QPoint(5 * bw, seq.SeqRowHeight + 8)),
                 ToQColor(colors::Red));
        QCOMPARE(PixelOf(*seq.PaintBox3, QPoint(6 * bw, seq.SeqRowHeight + 8)),
                 ToQColor(core::PatternPalette[1])); // B's colour
        QCOMPARE(seq.PosLabel->text(), QStringLiteral("5"));
        // The names column marks the pattern heard, not the one at the engine's position.
        const int nameX = seq.leftseqbox->width() - 3;
        QCOMPARE(PixelOf(*seq.leftseqbox, QPoint(nameX, seq.SeqRowHeight + 8)),
                 ToQColor(colors::Blue));
        QCOMPARE(PixelOf(*seq.leftseqbox, QPoint(nameX, 8)), ToQColor(colors::Silver));
        // Without "follow" the grid stays where the user put it.
        seq.followBox->setChecked(false);
        main.context().SwitchPattern(0);
        main.bridge().blockDone(heard);
        QCOMPARE(main.song().CurrentPattern, 0);
    }

    void laneClicksPlaceAndRemovePatterns()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        SequencerPanel& seq = main.sequencer();
        QWidget* lane = seq.PaintBox3;
        const int bw = seq.SeqBeatWidth;
        const auto entries = [&main]() {
            QStringList out;
            for (const auto& e : main.song().Sequence) {
                out << QStringLiteral("%1@%2")
                           .arg(QString::fromLatin1(e.Name.str().c_str()))
                           .arg(e.Position);
            }
            return out;
        };
        ClickAt(lane, QPoint(8 * bw + 2, 5));
        QCOMPARE(entries(), QStringList({"A@8"}));
        // The placement's first and inner beats are drawn in the pattern's colour (A: blue).
        QCOMPARE(PixelOf(*lane, QPoint(9 * bw + 3, 8)), ToQColor(colors::Blue));
        ClickAt(lane, QPoint(11 * bw + 2, 5)); // anywhere on it removes it
        QVERIFY(entries().isEmpty());
        ClickAt(lane, QPoint(8 * bw + 2, 5));
        ClickAt(lane, QPoint(6 * bw + 2, 200)); // below the last row: the last pattern
        QCOMPARE(entries(), QStringList({"A@6", "A@8"}));
        main.context().SetSongPosition(9);
        QCOMPARE(main.song().pattern(0).PlayActive, 1);
        QCOMPARE(main.song().pattern(0).PlayFrom, 3); // the first entry in list order
        QVERIFY(main.isModified());
    }

    void rulerButtonsAndTheStopBox()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        SequencerPanel& seq = main.sequencer();
        ClickAt(seq.PaintBox11, QPoint(12 * seq.SeqBeatWidth + 3, 20));
        QCOMPARE(main.songPosition(), 12);
        ClickAt(seq.g, QPoint(5, 5));
        QCOMPARE(main.songPosition(), 0);
        // Holding "step right" moves 20 beats a second; it never passes the ends.
        QTest::mousePress(seq.Image6, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::qWait(520);
        QTest::mouseRelease(seq.Image6, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(main.songPosition() >= 7 && main.songPosition() <= 12);
        QTest::mousePress(seq.Image5, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::qWait(1000);
        QTest::mouseRelease(seq.Image5, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(main.songPosition(), 0);
        QVERIFY(!seq.Changepostimer->isActive());

        // The stop box opens the number popup: 0 becomes 1, 5000 becomes 999.
        Tnumberedit& popup = *program.windows->numberedit;
        for (const auto& [typed, expected] :
             {std::pair<const char*, int>{"0", 1}, std::pair<const char*, int>{"5000", 999},
              std::pair<const char*, int>{"64", 64}}) {
            QTimer::singleShot(50, &popup, [&popup, typed = typed] {
                QCOMPARE(popup.edit()->selectedText(), popup.edit()->text());
                QTest::keyClicks(popup.edit(), QString::fromLatin1(typed));
                QTest::keyClick(popup.edit(), Qt::Key_Return);
            });
            ClickAt(seq.stopseqbox, QPoint(3, 3));
            QCOMPARE(main.song().StopPosition, expected);
            QCOMPARE(seq.stopseqbox->text(), QString::number(expected));
        }
    }

    void namesColumnPicksThePattern()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            for (const char* n : {"B", "C", "D"}) {
                const int i = core::AddPattern(main.song(), n);
                core::InitPattern(main.song(), i);
            }
        }
        main.context().patternsEdited();
        SequencerPanel& seq = main.sequencer();
        ClickAt(seq.leftseqbox, QPoint(10, 2 * seq.SeqRowHeight + 4));
        QCOMPARE(main.song().CurrentPattern, 2);
        seq.SeqScrollY = 32; // the lane scrolled down by two rows
        ClickAt(seq.leftseqbox, QPoint(10, 5));
        QCOMPARE(main.song().CurrentPattern, 2);
        ClickAt(seq.leftseqbox, QPoint(10, 20));
        QCOMPARE(main.song().CurrentPattern, 3);
    }

    void songModePlaysToTheStopPosition()
    {
        ShownProgram program({"Kick"}, 2, true);
        TMain& main = program.main();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::AddSeqEntry(main.song(), 0, "A");
            core::AddSeqEntry(main.song(), 2, "A");
            main.song().StopPosition = 3;
            main.song().Bpm = 300;
        }
        main.ShowSongSettings();
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(main.songPosition() >= 2, 5000);
        // After the stop position the engine ends by itself and the buttons reset.
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(main.transportBand().stopB->isChecked(), 5000);
        QVERIFY(main.songPosition() >= 4);
        QVERIFY(program.messages.messages.empty());
    }

    void loopSoloPlaysThePatternUntilReleased()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);
        QVERIFY(!main.transport().songMode());
        QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
    }

    void stopReleasesLoopSolo()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        main.sequencer().loopbut->setChecked(true);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QVERIFY(!main.sequencer().loopbut->isChecked());
    }
};

std::unique_ptr<QObject> MakeSequencerPanelTest()
{
    return std::make_unique<SequencerPanelTest>();
}

} // namespace bw::testing

#include "sequencer_panel_test.moc"
