// The sound popup: cell geometry, hover information, picking and previewing.

#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/sound_popup.h"
#include "ui_test_support.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

class SoundPopupTest : public QObject
{
    Q_OBJECT

private slots:
    void cellsFillColumnsTopToBottom()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        // 23 sounds: with 22 rows a column the 23rd opens a second column.
        QComboBox names;
        for (int i = 0; i < 23; ++i) {
            names.addItem(QStringLiteral("S%1").arg(i));
        }
        TselfPopup& popup = *program.windows->selfPopup;
        popup.showAt(QPoint(10, 10), &names);
        const int client = popup.ScrollBox1->viewport()->height();
        popup.resize(popup.width(), popup.height() + (378 - client));
        QTRY_COMPARE(popup.ScrollBox1->viewport()->height(), 378);
        QCOMPARE(popup.rowsPerColumn(), 22);
        QCOMPARE(popup.cellOrigin(22), QPoint(110, 0));
        QCOMPARE(popup.indexAt(QPoint(115, 3)), 22);
        QCOMPARE(popup.P->width(), std::max(220, popup.ScrollBox1->viewport()->width()));
        popup.close();
        Q_UNUSED(main);
    }

    void hoverShowsNameLengthAndStretch()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            std::vector<std::uint8_t> bytes(88200, 0);
            main.library().AddSound("Long", "", 1, 1, library::StretchEnabled,
                                    static_cast<std::int32_t>(bytes.size()), bytes.data());
        }
        main.trackList().fillSoundBox();
        TselfPopup& popup = *program.windows->selfPopup;
        popup.showAt(QPoint(0, 0), main.trackList().soundbox);
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        HoverAt(popup.P, popup.cellOrigin(4) + QPoint(30, 8));
        QCOMPARE(popup.hoverIndex(), 4);
        QCOMPARE(popup.namePanel->text(), QStringLiteral("Long"));
        QCOMPARE(popup.lengthPanel->text(), QStringLiteral("length: 1000ms"));
        QCOMPARE(popup.stretchPanel->text(), QStringLiteral("Stretched"));
        QCOMPARE(popup.hintPanel->text(), QStringLiteral("Click right to hear"));
        // An empty cell keeps the last sound's texts.
        HoverAt(popup.P, popup.cellOrigin(9) + QPoint(30, 8));
        QCOMPARE(popup.namePanel->text(), QStringLiteral("Long"));
        popup.close();
    }

    void rightClickPlaysTheSoundAndStaysOpen()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        ShownProgram program(FakeOutputs(device), {"Kick"});
        TMain& main = program.main();
        QVERIFY(OutputOpen(main));
        TselfPopup& popup = *program.windows->selfPopup;
        popup.showAt(QPoint(0, 0), main.trackList().soundbox);
        // An empty cell plays nothing.
        ClickAt(popup.P, popup.cellOrigin(7) + QPoint(5, 5), Qt::RightButton);
        QVERIFY(popup.isVisible());
        QCOMPARE(main.transport().output()->voices().pending(), 0);
        ClickAt(popup.P, popup.cellOrigin(1) + QPoint(5, 5), Qt::RightButton);
        QVERIFY(popup.isVisible());
        // Played once on the live voices, without a run of the engine: the sound as it is,
        // but its last four bytes, on both sides.
        QCOMPARE(main.transport().runCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(main.transport().output()->voices().pending(), 0, 5000);
        const std::vector<std::int16_t> heard = FirstSoundPlayed(*device);
        const library::SampleData& snare = *main.library().at(1).Data;
        QCOMPARE(heard.size(), snare.size() - 2);
        QVERIFY(std::equal(heard.begin(), heard.end(), snare.begin()));
        QCOMPARE(main.song().Tracks[0].SoundName.str(), std::string("Kick")); // no pick
        // Esc closes it, still without a pick, wherever the keyboard focus is inside it.
        QTest::keyClick(popup.ScrollBox1, Qt::Key_Escape);
        QVERIFY(!popup.isVisible());
        QCOMPARE(main.song().Tracks[0].SoundName.str(), std::string("Kick"));
    }

    void keepsItselfOnTheScreen()
    {
        ShownProgram program({"Kick"});
        TselfPopup& popup = *program.windows->selfPopup;
        const QRect area = popup.screen()->geometry();
        popup.showAt(area.bottomRight() - QPoint(20, 20), program.main().trackList().soundbox);
        QVERIFY(popup.frameGeometry().bottom() <= area.bottom());
        QVERIFY(popup.frameGeometry().right() <= area.right());
        popup.close();
    }
};

std::unique_ptr<QObject> MakeSoundPopupTest()
{
    return std::make_unique<SoundPopupTest>();
}

} // namespace bw::testing

#include "sound_popup_test.moc"
