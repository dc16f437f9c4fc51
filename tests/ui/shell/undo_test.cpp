// Undo and redo of every kind of edit, made through the widgets as a user makes it.

#include "core/pattern_file.h"
#include "ui/regions/mixer_strip.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/pattern_tabs.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/tool_row.h"
#include "ui/regions/track_list.h"
#include "ui/regions/transport_band.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/entry_windows.h"
#include "ui/windows/groove_popups.h"
#include "ui/windows/pattern_dialogs.h"
#include "ui/windows/sound_popup.h"
#include "ui_test_support.h"

#include <functional>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QObject>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// The document as its file holds it, seen from pattern 0 with track 0 current, so that only
/// edits count (undo leaves the current pattern and track as they are).
std::vector<std::uint8_t> Document(TMain& main)
{
    std::lock_guard<core::SongLock> guard(main.songLock());
    core::TSong& s = main.song();
    const int current = s.CurrentPattern;
    const int track = s.SelectedTrack;
    core::StoreWorkingCopy(s, current);
    core::LoadWorkingCopy(s, 0);
    s.SelectedTrack = 0;
    auto bytes = core::SerializePatternFile(s);
    core::LoadWorkingCopy(s, current);
    s.SelectedTrack = track;
    return bytes;
}

} // namespace

class UndoTest : public QObject
{
    Q_OBJECT

    /// Does one edit through the widgets; checks it is one step that undo takes back to the
    /// document before and redo brings back to the one after.
    void step(TMain& main, const char* what, const std::function<void()>& edit)
    {
        const auto before = Document(main);
        const std::size_t steps = main.history().steps();
        edit();
        QTest::qWait(1); // a release's step is recorded once the release has been handled
        const auto after = Document(main);
        QVERIFY2(after != before, what);
        QVERIFY2(main.history().steps() == steps + 1, what);
        QVERIFY(main.Undo1->isEnabled());
        main.Undo1->trigger();
        QVERIFY2(Document(main) == before, what);
        QVERIFY(main.Redo1->isEnabled());
        main.Redo1->trigger();
        QVERIFY2(Document(main) == after, what);
    }

private slots:
    void everyEditIsOneStep()
    {
        ShownProgram program({"Kick", "Snare", "Hat"}, 4, true);
        TMain& main = program.main();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QVERIFY(!main.Undo1->isEnabled());
        QVERIFY(!main.Redo1->isEnabled());
        QWidget* grid = main.grid().noteBox;
        const int W = grid->width();

        step(main, "insert", [&] { ClickAt(grid, QPoint(XFromPos(32, W), 24 + 12)); });
        step(main, "delete", [&] { ClickAt(grid, QPoint(XFromPos(64, W), 12), Qt::RightButton); });
        QTest::mouseClick(main.toolRow().GroupB, Qt::LeftButton);
        DragOn(grid, QPoint(XFromPos(100, W), 40), QPoint(XFromPos(200, W), 5));
        step(main, "cut", [&] { QTest::keyClick(&main, Qt::Key_X, Qt::ControlModifier); });
        step(main, "paste", [&] {
            main.Inster1Click();
            ClickAt(grid, QPoint(XFromPos(16, W), 40));
        });
        DragOn(grid, QPoint(XFromPos(10, W), 40), QPoint(XFromPos(40, W), 5));
        step(main, "delete selected", [&] { main.Delete1->trigger(); });
        QTest::mouseClick(main.toolRow().OneB, Qt::LeftButton);

        // A drag over the value lane is one step, however many events it sets.
        QWidget* lane = main.valueLane().valbox;
        step(main, "lane drag", [&] {
            QTest::mousePress(lane, Qt::LeftButton, {}, QPoint(XFromPos(0, W), 60));
            QTest::mouseMove(lane, QPoint(XFromPos(16, W), 50));
            QTest::mouseMove(lane, QPoint(XFromPos(128, W), 20));
            QTest::mouseMove(lane, QPoint(XFromPos(192, W), 10));
            QTest::mouseRelease(lane, Qt::LeftButton, {}, QPoint(XFromPos(192, W), 10));
        });
        TransportBand& t = main.transportBand();
        step(main, "beats", [&] { QTest::keyClick(t.BeatB, Qt::Key_Down); });
        step(main, "ticks", [&] { QTest::keyClick(t.TickB, Qt::Key_Down); });
        step(main, "tempo", [&] { t.bpm->setValue(133); });
        step(main, "master volume", [&] { t.mastervol->setValue(420); });
        step(main, "transpose", [&] { QTest::keyClick(t.transcom, Qt::Key_Up); });
        step(main, "channels", [&] { ClickAt(t.Channels, QPoint(4, 4)); });
        step(main, "mute", [&] { ClickAt(main.trackList().PaintBox4, QPoint(9, 12)); });
        step(main, "track sound", [&] {
            ClickAt(main.trackList().PaintBox1, QPoint(40, 48 + 10), Qt::RightButton);
            TselfPopup& popup = *program.windows->selfPopup;
            ClickAt(popup.P, popup.cellOrigin(3) + QPoint(20, 8));
        });
        // A drag over the mixer is one step too.
        MixerStrip& mixer = main.mixer();
        step(main, "mixer drag", [&] {
            QWidget* faders = mixer.Volumemix;
            const int column = faders->width() / 12;
            QTest::mousePress(faders, Qt::LeftButton, {}, QPoint(column / 4, 40));
            QTest::mouseMove(faders, QPoint(column / 4, 50));
            QTest::mouseMove(faders, QPoint(column / 4, 60));
            QTest::mouseRelease(faders, Qt::LeftButton, {}, QPoint(column / 4, 60));
        });
        step(main, "shuffle", [&] { program.windows->shuffelForm->TrackBar1->setValue(35); });
        step(main, "delay", [&] { program.windows->delayF->fee->setValue(77); });
        THumanizeForm& humanize = *program.windows->humanizeForm;
        step(main, "humanize timing", [&] { humanize.timeBar->setValue(9); });
        step(main, "humanize volume", [&] { humanize.volBar->setValue(14); });
        step(main, "new seed", [&] { QTest::mouseClick(humanize.newSeed, Qt::LeftButton); });
        step(main, "volume of new hits", [&] { main.toolRow().newVolume->setValue(6000); });
        const QPoint hit(XFromPos(224, W) + 2, 48 + 12);
        ClickAt(grid, hit); // a hit at 6000 to work on
        QTest::qWait(1);
        step(main, "hit volume drag", [&] {
            const QPoint at = hit;
            QTest::mousePress(grid, Qt::RightButton, {}, at);
            QTest::mouseMove(grid, at - QPoint(0, 10));
            QTest::mouseMove(grid, at - QPoint(0, 20));
            QTest::mouseRelease(grid, Qt::RightButton, {}, at - QPoint(0, 20));
        });
        step(main, "hit volume click",
             [&] { ClickAt(grid, hit, Qt::LeftButton, Qt::ControlModifier); });

        TNewPattenDia1& dialog = *program.windows->newPattenDia1;
        const auto newPattern = [&](bool copy) {
            QTest::mouseClick(main.patternTabs().Button5, Qt::LeftButton);
            QTest::keyClicks(dialog.patname(), QStringLiteral("N"));
            dialog.copyB()->setChecked(copy);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        };
        step(main, "new pattern", [&] { newPattern(false); });
        step(main, "copy pattern", [&] { newPattern(true); });
        step(main, "delete pattern", [&] {
            MessageRecorder ok;
            QTest::mouseClick(main.patternTabs().Button6, Qt::LeftButton);
        });
        SequencerPanel& seq = main.sequencer();
        step(main, "placement",
             [&] { ClickAt(seq.PaintBox3, QPoint(20 * seq.SeqBeatWidth + 2, 5)); });
        step(main, "stop position", [&] {
            Tnumberedit& popup = *program.windows->numberedit;
            QTimer::singleShot(50, &popup, [&popup] {
                QTest::keyClicks(popup.edit(), QStringLiteral("77"));
                QTest::keyClick(popup.edit(), Qt::Key_Return);
            });
            ClickAt(seq.stopseqbox, QPoint(3, 3));
        });
        QVERIFY(program.messages.messages.empty());

        // Everything undone gives the document as it was opened; the shortcuts work.
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        for (int i = 0; i < 100 && main.Undo1->isEnabled(); ++i) {
            QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier);
        }
        QVERIFY(!main.Undo1->isEnabled());
        QVERIFY(!main.isModified());
        QVERIFY(!main.windowTitle().endsWith(QStringLiteral("*")));
        QTest::keyClick(&main, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(main.isModified());
        QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(main.history().canUndo());
    }

    void savingMarksTheStateAndNewOrOpenClearsTheHistory()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QWidget* grid = main.grid().noteBox;
        ClickAt(grid, QPoint(5, 24 + 12));
        const QString path = program.folder.path("s.bwp");
        SetFileDialogHandler([&path](const FileRequest&) { return path; });
        QVERIFY(main.Saveas1Click());
        QVERIFY(!main.isModified());
        ClickAt(grid, QPoint(5, 48 + 12));
        QVERIFY(main.isModified());
        main.Undo1->trigger(); // back to the saved state: unchanged again
        QVERIFY(!main.isModified());
        main.Undo1->trigger();
        QVERIFY(main.isModified());
        main.Redo1->trigger();
        QVERIFY(!main.isModified());
        TwantsaveF::setHandler([] { return TwantsaveF::Answer::No; });
        main.Open1Click();
        TwantsaveF::setHandler({});
        SetFileDialogHandler({});
        QVERIFY(!main.Undo1->isEnabled());
        QVERIFY(!main.Redo1->isEnabled());
        QCOMPARE(main.history().steps(), std::size_t{0});
    }

    void theEditMenuStartsWithUndoAndRedo()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QStringList edit;
        for (QAction* a : main.editMenu->actions()) {
            edit << (a->isSeparator() ? QStringLiteral("|") : a->text());
        }
        QCOMPARE(edit, QStringList({"Undo", "Redo", "|", "Cut", "Copy", "Paste", "Delete"}));
        QCOMPARE(main.Redo1->shortcuts().size(), 2);
    }
};

std::unique_ptr<QObject> MakeUndoTest()
{
    return std::make_unique<UndoTest>();
}

} // namespace bw::testing

#include "undo_test.moc"
