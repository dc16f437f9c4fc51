// The pattern grid region: what it draws for the song and how it follows its scroll box.

#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/main_window.h"
#include "ui/paint_box.h"
#include "ui/pattern_grid.h"
#include "ui/skin.h"
#include "ui_test_support.h"

#include <QObject>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

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
