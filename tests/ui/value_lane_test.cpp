// The value lane: the current track's event values under the grid; the animation box.

#include "audio/engine_host.h"
#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/main_window.h"
#include "ui/paint_box.h"
#include "ui/render_bridge.h"
#include "ui/value_lane.h"
#include "ui_test_support.h"

#include <QObject>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

class ValueLaneTest : public QObject
{
    Q_OBJECT

private slots:
    void volumeBarsStandUnderTheirEvents()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        ValueLane& lane = main.valueLane();
        QCOMPARE(lane.valbox->height(), ValueLane::LaneHeight);
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().Events[0][64].Volume = 2500; // a quarter of the lane high
        }
        main.context().documentEdited();
        const int H = ValueLane::LaneHeight;
        const int W = main.context().gridWidth();
        const int x = XFromPos(64, W) + 1;
        const QColor black = ToQColor(colors::Black);
        const int top = H - H * 2500 / 10000;
        QCOMPARE(PixelOf(*lane.valbox, QPoint(x, top + 1)), black);
        QCOMPARE(PixelOf(*lane.valbox, QPoint(x, H - 2)), black);
        QVERIFY(PixelOf(*lane.valbox, QPoint(x, top - 4)) != black);
        // Slot 0 holds a full-volume event of 5000: half the lane.
        QCOMPARE(PixelOf(*lane.valbox, QPoint(XFromPos(0, W) + 1, H - H / 2 + 1)), black);

        // Another current track: its events only (track 1 has none).
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().SelectedTrack = 1;
        }
        main.context().displayEdited();
        QVERIFY(PixelOf(*lane.valbox, QPoint(x, H - 2)) != black);
    }

    void animationStepsOncePerBlock()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        ValueLane& lane = main.valueLane();
        QVERIFY(lane.funBox3->isHidden());
        QCOMPARE(lane.animationCounter(), 0);
        const audio::BlockReport report;
        for (int i = 0; i < 5; ++i) {
            main.bridge().blockDone(report);
        }
        QCOMPARE(lane.animationCounter(), 1);
    }
};

std::unique_ptr<QObject> MakeValueLaneTest()
{
    return std::make_unique<ValueLaneTest>();
}

} // namespace bw::testing

#include "value_lane_test.moc"
