// The tool row: the grid's modes and the blinking "Paste" button of a waiting paste.

#include "ui/regions/pattern_grid.h"
#include "ui/regions/tool_row.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/paint_box.h"
#include "ui_test_support.h"

#include <QObject>
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
