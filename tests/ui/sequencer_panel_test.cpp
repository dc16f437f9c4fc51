// The sequencer panel: shown and hidden, its inner layout, and what it shows of playback.

#include "audio/engine_host.h"
#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/main_window.h"
#include "ui/paint_box.h"
#include "ui/render_bridge.h"
#include "ui/sequencer_panel.h"
#include "ui/transport_band.h"
#include "ui_test_support.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QTest>
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

    void stopReleasesLoopSolo()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        main.sequencer().loopbut->setChecked(true);
        QTest::mouseClick(main.transport().stopB, Qt::LeftButton);
        QVERIFY(!main.sequencer().loopbut->isChecked());
    }
};

std::unique_ptr<QObject> MakeSequencerPanelTest()
{
    return std::make_unique<SequencerPanelTest>();
}

} // namespace bw::testing

#include "sequencer_panel_test.moc"
