// The pattern grid region: what it draws for the song and how it follows its scroll box.

#include "sound_test_support.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/tool_row.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui_test_support.h"

#include <vector>

#include <QObject>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

class PatternGridTest : public QObject
{
    Q_OBJECT

private slots:
    void markersSitOnTheirSlotsAndShowTheSelection()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        PatternGrid& grid = main.grid();
        const int W = grid.PaintBox2->width();
        QCOMPARE(W, main.context().gridWidth());
        // The song has an event on every beat of track 0: slots 0, 64, 128 and 192.
        const int x = XFromPos(128, W);
        const QImage& score = main.skin()->score;
        QCOMPARE(PixelOf(*grid.PaintBox2, QPoint(x + 3, 12)), score.pixelColor(3, 24 + 0));
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::ClickSelect(main.song(), 0, 128, false);
        }
        main.context().documentEdited();
        QCOMPARE(PixelOf(*grid.PaintBox2, QPoint(x + 3, 12)), ToQColor(colors::Lime));
        // No marker in a row without events: the background shows there.
        QVERIFY(PixelOf(*grid.PaintBox2, QPoint(x + 3, 36)) != ToQColor(colors::Lime));
        // Beats start on lime bars, the steps inside a beat on blue ones.
        const int below = grid.PaintBox2->height() - 3;
        QCOMPARE(PixelOf(*grid.PaintBox2, QPoint(XFromPos(64, W), below)), ToQColor(colors::Lime));
        QCOMPARE(PixelOf(*grid.PaintBox2, QPoint(1 * W / 16, below)), ToQColor(colors::Blue));
    }

    void clicksInsertAndDeleteOnTheStepUnderThePointer()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        PatternGrid& grid = main.grid();
        QWidget* box = grid.noteBox;
        const int W = box->width();
        const int S = 16; // 4 beats x 4 ticks
        const auto volume = [&main](int t, int p) {
            return main.song().Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)];
        };
        // A click a little right of step 5 snaps to it: slot 5 x 256 / 16 = 80, row 1.
        ClickAt(box, QPoint(5 * W / S + 3, 24 + 12));
        QCOMPARE(volume(1, 80).Volume, 5000);
        // A click in the right half of the last step lands on slot 256, and its marker shows
        // at the grid's right edge, where a right click removes it again.
        const QPoint edge(W - 4, 24 + 12);
        QVERIFY(PixelOf(*box, edge) != ToQColor(colors::Red));
        ClickAt(box, QPoint(W - 2, 24 + 5));
        QCOMPARE(volume(1, 256).Volume, 5000);
        QCOMPARE(PixelOf(*box, edge), ToQColor(colors::Red));
        ClickAt(box, edge, Qt::RightButton);
        QCOMPARE(volume(1, 256).Volume, 0);
        QVERIFY(PixelOf(*box, edge) != ToQColor(colors::Red));
        ClickAt(box, QPoint(W - 2, 24 + 5));
        // Left on an existing event resets it and keeps its mark.
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::TNoteEvent& e = main.song().Events[1][80];
            e.Volume = 777;
            e.Pitch = 4;
            e.Pan = -300;
            e.Selected = 1;
        }
        ClickAt(box, QPoint(5 * W / S, 24 + 20));
        QCOMPARE(volume(1, 80).Volume, 5000);
        QCOMPARE(volume(1, 80).Pitch, 0);
        QCOMPARE(volume(1, 80).Pan, 0);
        QCOMPARE(volume(1, 80).Selected, 1);
        // A right click deletes; a middle click does nothing.
        ClickAt(box, QPoint(5 * W / S - 2, 24 + 3), Qt::RightButton);
        QCOMPARE(volume(1, 80).Volume, 0);
        ClickAt(box, QPoint(8 * W / S, 24 + 3), Qt::MiddleButton);
        QCOMPARE(volume(1, 128).Volume, 0);
        // Below the last row the last track is meant.
        ClickAt(box, QPoint(0, box->height() - 2));
        QCOMPARE(volume(11, 0).Volume, 5000);
    }

    void markersShowTheirVolumeAndTheHoverNamesIt()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        QWidget* box = main.grid().noteBox;
        const int W = box->width();
        const int volumes[] = {2000, 5000, 7500, 10000};
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            for (int i = 0; i < 4; ++i) {
                core::TNoteEvent& e = main.song().Events[1][static_cast<std::size_t>(64 * i)];
                e.Volume = volumes[i];
                e.Pitch = i == 2 ? 3 : 0;
                e.Pan = i == 2 ? -200 : 0;
            }
        }
        main.context().documentEdited();
        // Each marker's lit (bright amber) pixels grow with its volume: four different looks.
        const QImage shot = box->grab().toImage();
        int lastLit = 0;
        for (int i = 0; i < 4; ++i) {
            const QImage marker = shot.copy(XFromPos(64 * i, W), 24 + 2, 11, 21);
            int lit = 0;
            for (int y = 0; y < marker.height(); ++y) {
                for (int x = 0; x < marker.width(); ++x) {
                    lit += marker.pixelColor(x, y).value() > 180 ? 1 : 0;
                }
            }
            QVERIFY2(lit > lastLit + 8, qPrintable(QStringLiteral("volume %1").arg(volumes[i])));
            lastLit = lit;
        }
        SaveScreenshot(*box, "velocity_markers.png");

        // The hover names the event's values in the status line, and clears it off the events.
        QStatusBar* status = main.statusBar();
        QCOMPARE(status->objectName(), QStringLiteral("statusLine"));
        HoverAt(box, QPoint(XFromPos(128, W) + 2, 24 + 12));
        QCOMPARE(status->currentMessage(),
                 QStringLiteral("Track 2, 3.1: volume 7500, pitch +3, pan -200"));
        HoverAt(box, QPoint(XFromPos(160, W) + 2, 24 + 12));
        QVERIFY(status->currentMessage().isEmpty());
    }

    void aRightDragSetsAVolumeAndCtrlClickGivesTheNewHitsOne()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QWidget* box = main.grid().noteBox;
        const int W = box->width();
        const auto volume = [&main](int p) {
            return main.song().Events[0][static_cast<std::size_t>(p)].Volume;
        };
        // Track 0 holds 5000 at slots 0, 64, 128 and 192. Up is louder, 50 a pixel, kept to
        // 2..10000; the pointer may leave the row.
        const QPoint at(XFromPos(64, W) + 2, 12);
        QTest::mousePress(box, Qt::RightButton, {}, at);
        QTest::mouseMove(box, at - QPoint(0, 1)); // a wobble is still a click
        QCOMPARE(volume(64), 5000);
        QTest::mouseMove(box, at - QPoint(0, 30));
        QCOMPARE(volume(64), 6500);
        QTest::mouseRelease(box, Qt::RightButton, {}, at - QPoint(0, 30));
        QCOMPARE(volume(64), 6500);
        QTest::mousePress(box, Qt::RightButton, {}, at);
        QTest::mouseMove(box, at + QPoint(0, 200));
        QTest::mouseRelease(box, Qt::RightButton, {}, at + QPoint(0, 200));
        QCOMPARE(volume(64), 2);
        // A right click without a drag still deletes.
        ClickAt(box, at, Qt::RightButton);
        QCOMPARE(volume(64), 0);

        // Ctrl + click gives an event the volume for new hits and keeps its pitch; a click
        // inserts at it.
        main.toolRow().newVolume->setValue(7250);
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().Events[0][128].Pitch = -5;
        }
        ClickAt(box, QPoint(XFromPos(128, W) + 2, 12), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(volume(128), 7250);
        QCOMPARE(main.song().Events[0][128].Pitch, -5);
        ClickAt(box, QPoint(XFromPos(32, W) + 2, 12));
        QCOMPARE(volume(32), 7250);
    }

    void selectModeClicksAndBands()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        PatternGrid& grid = main.grid();
        QWidget* box = grid.noteBox;
        const int W = box->width();
        const auto marked = [&main]() {
            std::vector<int> found;
            for (int p = 0; p < core::PatternSlots; ++p) {
                const core::TNoteEvent& e = main.song().Events[0][static_cast<std::size_t>(p)];
                if (e.Volume > 0 && e.Selected == 1) {
                    found.push_back(p);
                }
            }
            return found;
        };
        // Track 0 has events at slots 0, 64, 128 and 192.
        QTest::mouseClick(main.toolRow().GroupB, Qt::LeftButton);
        QVERIFY(grid.selectMode());
        QCOMPARE(box->cursor().shape(), Qt::ArrowCursor);
        ClickAt(box, QPoint(XFromPos(64, W), 12));
        QCOMPARE(marked(), std::vector<int>({64}));
        ClickAt(box, QPoint(XFromPos(192, W), 12), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(marked(), std::vector<int>({64, 192}));
        ClickAt(box, QPoint(XFromPos(128, W), 12));
        QCOMPARE(marked(), std::vector<int>({128}));

        // A band from an empty slot of row 1 up over slots 64..128 of row 0: exactly those.
        DragOn(box, QPoint(XFromPos(48, W), 30), QPoint(XFromPos(144, W), 5));
        QCOMPARE(marked(), std::vector<int>({64, 128}));
        QVERIFY(!grid.state().BandActive);
        // With Shift the band inverts what it covers and keeps the rest.
        DragOn(box, QPoint(XFromPos(0, W), 40), QPoint(XFromPos(80, W), 2), Qt::ShiftModifier);
        QCOMPARE(marked(), std::vector<int>({0, 128}));

        // Back to "add/delete events": the marks go, the stick cursor returns.
        QTest::mouseClick(main.toolRow().OneB, Qt::LeftButton);
        QVERIFY(!grid.selectMode());
        QVERIFY(marked().empty());
    }

    void zoomDoublesTheWidthUpToTheLimit()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        PatternGrid& grid = main.grid();
        const int start = grid.PaintBox2->width();
        QTest::mouseClick(main.toolRow().zoomplus, Qt::LeftButton);
        QCOMPARE(grid.PaintBox2->width(), start * 2);
        QCOMPARE(main.context().gridWidth(), start * 2);
        int last = start * 2;
        for (int i = 0; i < 12; ++i) {
            QTest::mouseClick(main.toolRow().zoomplus, Qt::LeftButton);
            QVERIFY(grid.PaintBox2->width() <= PatternGrid::MaxWidth);
            last = grid.PaintBox2->width();
        }
        QVERIFY(last * 2 > PatternGrid::MaxWidth);
        QTest::mouseClick(main.toolRow().zoommin, Qt::LeftButton);
        QCOMPARE(grid.PaintBox2->width(), last / 2);
        for (int i = 0; i < 12; ++i) {
            QTest::mouseClick(main.toolRow().zoommin, Qt::LeftButton);
        }
        QCOMPARE(grid.PaintBox2->width(), start); // never narrower than the view
        // A zoomed grid still maps clicks to slots by its own width.
        QTest::mouseClick(main.toolRow().zoomplus, Qt::LeftButton);
        const int W = grid.noteBox->width();
        grid.ScrollBox1->horizontalScrollBar()->setValue(W / 2);
        QCOMPARE(main.context().gridScrollX(), -W / 2);
        ClickAt(grid.noteBox, QPoint(XFromPos(160, W), 24 + 12));
        QCOMPARE(main.song().Events[1][160].Volume, 5000);
    }

    void aWaitingPasteDropsOnTheNextClick()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        PatternGrid& grid = main.grid();
        QWidget* box = grid.noteBox;
        const int W = box->width();
        core::EventGrid& clip = main.clipboard();
        clip[1][0].Volume = 4000;
        clip[1][0].Selected = 1;
        clip[1][32].Volume = 3000;
        clip[1][32].Selected = 1;
        clip[2][16].Volume = 2000; // not marked: not pasted
        main.context().ClipAnchor = 0;
        QVERIFY(grid.togglePaste());
        const QImage before = box->grab().toImage();
        QTest::mouseMove(box, QPoint(XFromPos(64, W), 40));
        QVERIFY(grid.state().PreviewShown);
        QVERIFY(box->grab().toImage() != before);
        // Dropped at slot 240: the event 32 slots later falls outside and is dropped.
        ClickAt(box, QPoint(XFromPos(240, W), 40), Qt::RightButton);
        QVERIFY(!grid.state().PastePending);
        QCOMPARE(main.song().Events[1][240].Volume, 4000);
        QCOMPARE(main.song().Events[1][240].Selected, 1);
        QCOMPARE(main.song().Events[2][16 + 240 - 0].Volume, 0);
        QVERIFY(!main.toolRow().SpeedButton5->isChecked());

        // "add/delete events" cancels a waiting paste.
        QVERIFY(grid.togglePaste());
        QTest::mouseClick(main.toolRow().OneB, Qt::LeftButton);
        QVERIFY(!grid.state().PastePending);
    }

    void noTracksNoEdits()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().TrackCount = 0;
        }
        ClickAt(main.grid().noteBox, QPoint(5, 5));
        QCOMPARE(main.song().Events[0][0].Volume, 5000); // the event already there, untouched
        ClickAt(main.grid().noteBox, QPoint(5, 5), Qt::RightButton);
        QCOMPARE(main.song().Events[0][0].Volume, 5000);
    }

    void scrollingTheGridPublishesItsView()
    {
        // 31 rows do not fit a short window: the grid scrolls vertically.
        std::vector<std::string> sounds(31, "Kick");
        ShownProgram program(sounds, 4, false, 900, 480);
        TMain& main = program.main();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().TrackCount = 31;
        }
        PatternGrid& grid = main.grid();
        grid.setRowCount(31);
        QCOMPARE(grid.PaintBox2->height(), 31 * 24);
        QScrollBar* bar = grid.ScrollBox1->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QSignalSpy views(&main.context(), &EditorContext::gridViewChanged);
        bar->setValue(48);
        QCOMPARE(main.context().gridScrollY(), -48);
        QCOMPARE(views.count(), 1);
        // The grid fills the visible width, beside the vertical bar.
        QCOMPARE(grid.PaintBox2->width(), grid.ScrollBox1->viewport()->width());
    }

    void pastePreviewAndBandAreRepainted()
    {
        ProgramFolder folder;
        MessageRecorder messages;
        TMain main(folder.dir.path());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        PatternGrid& grid = main.grid();
        const QImage plain = grid.noteBox->grab().toImage();

        auto& clip = main.clipboard();
        clip[2][64].Volume = 5000;
        clip[2][64].Selected = 1;
        PatternGrid::State& edit = grid.state();
        main.context().ClipAnchor = 64;
        edit.PastePending = true;
        edit.PreviewShown = true;
        edit.PreviewX = 100;
        const QImage preview = grid.noteBox->grab().toImage();
        QVERIFY(preview != plain);
        // Drawn again by the next paint, not wiped by it.
        QCOMPARE(grid.noteBox->grab().toImage(), preview);

        edit.PastePending = false;
        edit.BandActive = true;
        edit.BandStartX = 20;
        edit.BandStartY = 20;
        edit.BandEndX = 120;
        edit.BandEndY = 60;
        const QImage band = grid.noteBox->grab().toImage();
        QVERIFY(band != plain);
        edit.BandActive = false;
        QCOMPARE(grid.noteBox->grab().toImage(), plain);
    }
};

std::unique_ptr<QObject> MakePatternGridTest()
{
    return std::make_unique<PatternGridTest>();
}

} // namespace bw::testing

#include "pattern_grid_test.moc"
