// The pattern tabs: switching, the new-pattern dialog and deleting patterns.

#include "ui/regions/pattern_grid.h"
#include "ui/regions/pattern_tabs.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/pattern_dialogs.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

QStringList TabTexts(const QTabBar& tabs)
{
    QStringList out;
    for (int i = 0; i < tabs.count(); ++i) {
        out << tabs.tabText(i);
    }
    return out;
}

/// Adds a pattern through "New Pat" and the dialog, as a user types it.
void AddPatternNamed(TMain& main, TNewPattenDia1& dialog, const QString& name, bool copy)
{
    QTest::mouseClick(main.patternTabs().Button5, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.patname()->text().isEmpty());
    QTest::keyClicks(dialog.patname(), name);
    dialog.copyB()->setChecked(copy);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
}

int EventCount(const core::TSong& song)
{
    int n = 0;
    for (const auto& row : song.Events) {
        for (const auto& e : row) {
            n += e.Volume > 0 ? 1 : 0;
        }
    }
    return n;
}

} // namespace

class PatternTabsTest : public QObject
{
    Q_OBJECT

private slots:
    void newPatternsGetUniqueNamesAndCopyOrNot()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        TNewPattenDia1& dialog = *program.windows->newPattenDia1;
        QTabBar& tabs = *main.patternTabs().pattab;
        // An unsaved edit of the working copy is copied too.
        ClickAt(main.grid().noteBox, QPoint(main.grid().noteBox->width() / 16 + 2, 24 + 12));
        const int events = EventCount(main.song());
        QCOMPARE(events, 5);

        AddPatternNamed(main, dialog, QStringLiteral("A"), true);
        AddPatternNamed(main, dialog, QString(), false);
        AddPatternNamed(main, dialog, QString(), true);
        QCOMPARE(TabTexts(tabs), QStringList({"A", "A.", "-", "-."}));
        QCOMPARE(tabs.currentIndex(), 3);
        QCOMPARE(main.song().CurrentPattern, 3);
        const core::TSong& s = main.song();
        QCOMPARE(s.pattern(1).Events[1][16].Volume, 5000);
        QCOMPARE(EventCount(s), 0); // copied from the empty pattern "-"
        int inDash = 0;
        for (const auto& row : s.pattern(2).Events) {
            for (const auto& e : row) {
                inDash += e.Volume > 0 ? 1 : 0;
            }
        }
        QCOMPARE(inDash, 0);
        QCOMPARE(s.pattern(2).Tracks[1].SoundName.str(), std::string("Snare"));
        QCOMPARE(s.pattern(2).Beats, 4);
        QVERIFY(main.isModified());
    }

    void tabsShowEachPatternsEvents()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TNewPattenDia1& dialog = *program.windows->newPattenDia1;
        QTabBar& tabs = *main.patternTabs().pattab;
        AddPatternNamed(main, dialog, QStringLiteral("B"), false);
        QCOMPARE(EventCount(main.song()), 0);
        QWidget* grid = main.grid().noteBox;
        ClickAt(grid, QPoint(2, 24 * 2 + 12)); // an event in "B" only
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(0).center());
        QCOMPARE(main.song().CurrentPattern, 0);
        QCOMPARE(EventCount(main.song()), 4);
        QCOMPARE(main.song().Events[2][0].Volume, 0);
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(1).center());
        QCOMPARE(main.song().Events[2][0].Volume, 5000);
        QCOMPARE(EventCount(main.song()), 1);
    }

    void deletingRefusesTheLastPatternAndAsksFirst()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        PatternTabs& tabs = main.patternTabs();
        QTest::mouseClick(tabs.Button6, Qt::LeftButton);
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
        QCOMPARE(program.messages.messages[0].text,
                 QStringLiteral("You can not delete the last pattern!"));
        QCOMPARE(main.song().PatternCount, 1);
        program.messages.messages.clear();

        AddPatternNamed(main, *program.windows->newPattenDia1, QStringLiteral("B"), false);
        AddPatternNamed(main, *program.windows->newPattenDia1, QStringLiteral("C"), false);
        QTest::mouseClick(tabs.pattab, Qt::LeftButton, {}, tabs.pattab->tabRect(1).center());
        ui::SetMessageHandler([](const QString&, const QString&, ui::MessageButtons) {
            return ui::MessageResult::Cancel;
        });
        QTest::mouseClick(tabs.Button6, Qt::LeftButton);
        ui::SetMessageHandler({});
        QCOMPARE(main.song().PatternCount, 3);
        {
            MessageRecorder answers;
            QTest::mouseClick(tabs.Button6, Qt::LeftButton);
            QCOMPARE(answers.messages.at(0).text, QStringLiteral("Are you sure to delete \"B\" ?"));
            QCOMPARE(answers.messages.at(0).caption, QStringLiteral("?"));
        }
        QCOMPARE(TabTexts(*tabs.pattab), QStringList({"A", "C"}));
        QCOMPARE(main.song().CurrentPattern, 0); // the first pattern becomes current
        QCOMPARE(tabs.pattab->currentIndex(), 0);
    }

    void deletingAPatternTakesItsPlacementsAndOneUndoBringsBothBack()
    {
        ShownProgram program({"Kick"}, 4, true);
        TMain& main = program.main();
        PatternTabs& tabs = main.patternTabs();
        AddPatternNamed(main, *program.windows->newPattenDia1, QStringLiteral("B"), false);
        QWidget* lane = main.sequencer().PaintBox3;
        const int bw = main.sequencer().SeqBeatWidth;
        const int rh = main.sequencer().SeqRowHeight;
        ClickAt(lane, QPoint(0 * bw + 2, 4));      // A at 0
        ClickAt(lane, QPoint(4 * bw + 2, rh + 4)); // B at 4
        QTest::qWait(10); // the placements are a step of their own before Del Pat
        const auto placements = [&main] {
            QStringList out;
            for (const auto& e : main.song().Sequence) {
                out << QString::fromLatin1(e.Name.str().c_str());
            }
            return out;
        };
        QCOMPARE(placements(), QStringList({"A", "B"}));
        QCOMPARE(main.song().CurrentPattern, 1);
        QTest::mouseClick(tabs.Button6, Qt::LeftButton); // the recorder answers OK
        QCOMPARE(TabTexts(*tabs.pattab), QStringList({"A"}));
        QCOMPARE(placements(), QStringList({"A"}));
        // A new pattern of the old name starts with no placements of its own.
        AddPatternNamed(main, *program.windows->newPattenDia1, QStringLiteral("B"), false);
        QCOMPARE(placements(), QStringList({"A"}));
        main.Undo1->trigger();
        main.Undo1->trigger(); // one step back over the deletion: pattern and placement
        QCOMPARE(TabTexts(*tabs.pattab), QStringList({"A", "B"}));
        QCOMPARE(placements(), QStringList({"A", "B"}));
    }
};

std::unique_ptr<QObject> MakePatternTabsTest()
{
    return std::make_unique<PatternTabsTest>();
}

} // namespace bw::testing

#include "pattern_tabs_test.moc"
