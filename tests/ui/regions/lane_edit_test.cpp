// The sequencer panel's arranging: placements dragged, copied and edited from their menu in
// their pattern's colour, and the loop range on the ruler; each edit one undo step.

#include "core/arrangement.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui_test_support.h"

#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QObject>
#include <QStatusBar>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// The middle of beat b of row 0 on the lane (and on the ruler).
QPoint Beat(int b, int y = 8)
{
    return {b * 8 + 4, y};
}

std::vector<int> Placed(TMain& main)
{
    std::lock_guard<core::SongLock> guard(main.songLock());
    std::vector<int> out;
    for (const auto& e : main.song().Sequence) {
        out.push_back(e.Position);
    }
    return out;
}

/// Chooses an item of the menu open now (by object name; sub names a submenu to look in).
void Choose(const char* item, const char* sub = nullptr)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    QMenu* in = sub != nullptr ? menu->findChild<QMenu*>(QString::fromLatin1(sub)) : menu;
    QVERIFY(in != nullptr);
    auto* action = in->findChild<QAction*>(QString::fromLatin1(item));
    if (action == nullptr) {
        for (QAction* a : in->actions()) {
            action = a->objectName() == QLatin1String(item) ? a : action;
        }
    }
    QVERIFY(action != nullptr);
    action->trigger();
    menu->close();
}

} // namespace

class LaneEditTest : public QObject
{
    Q_OBJECT

private slots:
    void placementsAreDraggedCopiedAndEditedFromTheirMenu()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        QWidget* lane = main.sequencer().PaintBox3;
        ClickSettled(lane, Beat(0));
        QCOMPARE(Placed(main), std::vector<int>({0}));
        DragSettled(lane, Beat(1), Beat(9)); // grabbed at its second beat: it starts at 8
        QCOMPARE(Placed(main), std::vector<int>({8}));
        DragSettled(lane, Beat(8), Beat(12), Qt::ControlModifier);
        QCOMPARE(Placed(main), std::vector<int>({8, 12}));
        DragSettled(lane, Beat(12), Beat(10)); // onto the one at 8: refused, and said why
        QCOMPARE(Placed(main), std::vector<int>({8, 12}));
        QVERIFY(
            main.statusBar()->currentMessage().contains(QStringLiteral("cannot go to beat 10")));

        ClickSettled(lane, Beat(13), Qt::RightButton);
        Choose("duplicatePlacement");
        QCOMPARE(Placed(main), std::vector<int>({8, 12, 16}));
        ClickSettled(lane, Beat(8), Qt::RightButton);
        Choose("deletePlacement");
        QCOMPARE(Placed(main), std::vector<int>({12, 16}));
        ClickSettled(lane, Beat(12), Qt::RightButton);
        Choose("color4", "colorMenu");
        const QColor orange = ToQColor(static_cast<BgrColor>(core::PatternPalette[4]));
        QCOMPARE(PixelOf(*lane, Beat(13)), orange);
        QCOMPARE(PixelOf(*lane, Beat(17)), orange);

        // Six edits, six steps.
        const std::vector<std::vector<int>> before = {{12, 16}, {8, 12, 16}, {8, 12}, {8}, {0}, {}};
        for (const auto& placed : before) {
            main.Undo1->trigger();
            QCOMPARE(Placed(main), placed);
        }
        std::lock_guard<core::SongLock> guard(main.songLock());
        QCOMPARE(main.song().pattern(0).Color, 0);
    }

    void theRulerMarksTheLoopRangeThatTheLoopBoxTurnsOn()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        SequencerPanel& seq = main.sequencer();
        QWidget* ruler = seq.PaintBox11;
        const int strip = ruler->height() - 4;
        const auto range = [&main] {
            std::lock_guard<core::SongLock> guard(main.songLock());
            const core::TSong& s = main.song();
            return std::vector<int>({s.LoopStart, s.LoopEnd, s.LoopOn ? 1 : 0});
        };
        ClickSettled(ruler, Beat(6, 3));
        QCOMPARE(main.songPosition(), 6); // a click still moves the position
        QCOMPARE(range(), std::vector<int>({0, 0, 0}));
        DragSettled(ruler, Beat(4, 3), Beat(11, 3));
        QCOMPARE(range(), std::vector<int>({4, 12, 0}));
        DragSettled(ruler, QPoint(12 * 8, strip), QPoint(16 * 8, strip)); // the end's handle
        QCOMPARE(range(), std::vector<int>({4, 16, 0}));
        DragSettled(ruler, QPoint(4 * 8, strip), QPoint(2 * 8, strip)); // the start's handle
        QCOMPARE(range(), std::vector<int>({2, 16, 0}));
        const QColor off = PixelOf(*ruler, QPoint(9 * 8 + 3, strip));
        QCOMPARE(off.red(), off.green()); // gray while the loop is off
        ClickSettled(seq.loopBox, QPoint(6, seq.loopBox->height() / 2));
        QCOMPARE(range(), std::vector<int>({2, 16, 1}));
        const QColor on = PixelOf(*ruler, QPoint(9 * 8 + 3, strip));
        QVERIFY(on.green() > on.red() + 20);

        main.Undo1->trigger();
        QCOMPARE(range(), std::vector<int>({2, 16, 0}));
        QVERIFY(!seq.loopBox->isChecked());
        main.Undo1->trigger();
        QCOMPARE(range(), std::vector<int>({4, 16, 0}));
        main.Undo1->trigger();
        main.Undo1->trigger();
        QCOMPARE(range(), std::vector<int>({0, 0, 0}));
        main.Redo1->trigger();
        QCOMPARE(range(), std::vector<int>({4, 12, 0}));

        ClickSettled(ruler, Beat(5, 3), Qt::RightButton);
        Choose("clearLoop");
        QCOMPARE(range(), std::vector<int>({0, 0, 0}));
        // Turned on without a range, the loop takes the bar at the song position.
        main.context().SetSongPosition(6);
        ClickSettled(seq.loopBox, QPoint(6, seq.loopBox->height() / 2));
        QCOMPARE(range(), std::vector<int>({4, 8, 1}));
    }
};

std::unique_ptr<QObject> MakeLaneEditTest()
{
    return std::make_unique<LaneEditTest>();
}

} // namespace bw::testing

#include "lane_edit_test.moc"
