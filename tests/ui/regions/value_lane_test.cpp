// The value lane: the current track's event values under the grid; the animation box.

#include "audio/engine_host.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
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

    void draggingPaintsVolumesAndPans()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        ValueLane& lane = main.valueLane();
        QWidget* box = lane.valbox;
        const int H = box->height();
        const int W = main.context().gridWidth();
        const auto event = [&main](int slot) {
            return main.song().Events[0][static_cast<std::size_t>(slot)];
        };
        // A press at the very bottom leaves the event at volume 2, never 0.
        ClickAt(box, QPoint(XFromPos(64, W), H - 1));
        QCOMPARE(event(64).Volume, (H - (H - 1)) * 10000 / H);
        ClickAt(box, QPoint(XFromPos(64, W), H + 30));
        QCOMPARE(event(64).Volume, 2);
        // A drag across the lane paints each event it passes.
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(XFromPos(0, W), H / 4));
        QTest::mouseMove(box, QPoint(XFromPos(128, W), H / 2));
        QTest::mouseMove(box, QPoint(XFromPos(192, W), 0));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(XFromPos(192, W), 0));
        QCOMPARE(event(0).Volume, (H - H / 4) * 10000 / H);
        QCOMPARE(event(128).Volume, (H - H / 2) * 10000 / H);
        QCOMPARE(event(192).Volume, 10000);
        QVERIFY(!main.context().MixerDragging);
        // Over an empty slot nothing changes.
        ClickAt(box, QPoint(XFromPos(32, W), 10));
        QCOMPARE(event(32).Volume, 0);

        // Pan mode: the top edge is 1000, the bottom -1000.
        ClickAt(lane.tab, QPoint(30, lane.tab->height() * 6 / 8));
        QCOMPARE(lane.laneMode(), int{ValueLane::PanMode});
        ClickAt(box, QPoint(XFromPos(0, W) + 1, 0)); // (0, 0) would mean the centre
        QCOMPARE(event(0).Pan, 1000);
        ClickAt(box, QPoint(XFromPos(128, W), H));
        QCOMPARE(event(128).Pan, -1000);
        ClickAt(box, QPoint(XFromPos(64, W), H / 2));
        QCOMPARE(event(64).Pan, (H - H / 2) * 2000 / H - 1000);
        QCOMPARE(event(0).Volume, (H - H / 4) * 10000 / H); // volumes untouched
        // The dot sits at the pan's height.
        QCOMPARE(PixelOf(*box, QPoint(XFromPos(0, W) + 1, 1)), ToQColor(colors::Red));
    }

    void pitchTagsFollowClicks()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        ValueLane& lane = main.valueLane();
        QWidget* box = lane.valbox;
        const int H = box->height();
        const int W = main.context().gridWidth();
        ClickAt(lane.tab, QPoint(30, lane.tab->height() * 4 / 8));
        QCOMPARE(lane.laneMode(), int{ValueLane::PitchMode});
        for (int i = 0; i < 7; ++i) {
            ClickAt(box, QPoint(XFromPos(64, W), 40));
        }
        QCOMPARE(main.song().Events[0][64].Pitch, 7);
        ClickAt(box, QPoint(XFromPos(128, W), 40), Qt::RightButton);
        QCOMPARE(main.song().Events[0][128].Pitch, -1);
        // An empty slot's pitch changes too (inserting an event there resets it).
        ClickAt(box, QPoint(XFromPos(32, W), 40));
        QCOMPARE(main.song().Events[0][32].Pitch, 1);
        // "+7" sits 14 px above the centre line on a yellow tag; a huge pitch stays inside.
        const QColor yellow = ToQColor(colors::Yellow);
        QCOMPARE(PixelOf(*box, QPoint(XFromPos(64, W) + 1, H / 2 - 14 + 1)), yellow);
        QVERIFY(PixelOf(*box, QPoint(XFromPos(0, W) + 1, H / 2 - 14 + 1)) != yellow);
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().Events[0][192].Pitch = 100000;
        }
        main.context().documentEdited();
        QCOMPARE(PixelOf(*box, QPoint(XFromPos(192, W) + 1, 2)), yellow);
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
