// The tool row: the grid's modes and the blinking "Paste" button of a waiting paste.

#include "ui/regions/pattern_grid.h"
#include "ui/regions/tool_row.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/paint_box.h"
#include "ui_test_support.h"

#include <QObject>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

class ToolRowTest : public QObject
{
    Q_OBJECT

private slots:
    void modesAreExclusiveAndSetTheGridsCursor()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        ToolRow& row = main.toolRow();
        QVERIFY(row.OneB->isChecked());
        QTest::mouseClick(row.GroupB, Qt::LeftButton);
        QVERIFY(row.GroupB->isChecked());
        QVERIFY(!row.OneB->isChecked());
        QCOMPARE(main.grid().noteBox->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(row.OneB, Qt::LeftButton);
        QVERIFY(!row.GroupB->isChecked());
        QVERIFY(row.FillB->isHidden());
    }

    void theVolumeOfNewHitsIsTheSongs()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QSpinBox* box = main.toolRow().newVolume;
        QCOMPARE(box->value(), core::DefaultEventVolume);
        box->setValue(3000);
        QCOMPARE(main.song().DefaultVolume, 3000);
        // Typed digits count once, when Enter takes them: one undo step, not one per digit.
        const std::size_t steps = main.history().steps();
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("8000"));
        QCOMPARE(main.song().DefaultVolume, 3000);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(main.song().DefaultVolume, 8000);
        QCOMPARE(main.history().steps(), steps + 1);
        // The box shows what the song holds (a song opened, an undo), kept to 2..10000.
        main.context().withSong([](core::TSong& s) { s.DefaultVolume = 20000; });
        main.context().showSongSettings();
        QCOMPARE(box->value(), 10000);
        QCOMPARE(main.song().DefaultVolume, 20000);
    }

    void pasteBlinksWhileItWaits()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        ToolRow& row = main.toolRow();
        QTest::mouseClick(row.SpeedButton5, Qt::LeftButton);
        QVERIFY(row.PasteTimer->isActive());
        QCOMPARE(row.PasteTimer->interval(), 500);
        const bool first = row.SpeedButton5->isChecked();
        QTRY_VERIFY_WITH_TIMEOUT(row.SpeedButton5->isChecked() != first, 2000);
        QTest::mouseClick(row.SpeedButton5, Qt::LeftButton); // a second Paste cancels
        QVERIFY(!row.PasteTimer->isActive());
        QVERIFY(!row.SpeedButton5->isChecked());
        QVERIFY(!main.grid().state().PastePending);
    }
};

std::unique_ptr<QObject> MakeToolRowTest()
{
    return std::make_unique<ToolRowTest>();
}

} // namespace bw::testing

#include "tool_row_test.moc"
