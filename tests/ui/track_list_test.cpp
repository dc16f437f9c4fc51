// The track list: rows level with the grid's, the current track, names and mute lamps.

#include "ui/editor_context.h"
#include "ui/main_window.h"
#include "ui/paint_box.h"
#include "ui/pattern_grid.h"
#include "ui/skin.h"
#include "ui/track_list.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QObject>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

class TrackListTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsShowTheCurrentTrackAndTheLamps()
    {
        ShownProgram program({"Kick", "", "Hat"});
        TMain& main = program.main();
        TrackList& list = main.trackList();
        const Skin& skin = *main.skin();
        // Right of the names, the row pictures show through: the current track's is its own.
        const int x = list.PaintBox1->width() - 4;
        QCOMPARE(PixelOf(*list.PaintBox1, QPoint(x, 2)), skin.soulei2.pixelColor(x, 2));
        QCOMPARE(PixelOf(*list.PaintBox1, QPoint(x, 26)), skin.soulei.pixelColor(x, 2));
        // Track 2 has no sound: its lamp is off.
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 12)), skin.mubu1.pixelColor(9, 12));
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 36)), skin.mubu2.pixelColor(9, 12));
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 60)), skin.mubu1.pixelColor(9, 12));

        // A new current track moves the highlight with the next repaint.
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().SelectedTrack = 1;
        }
        main.context().displayEdited();
        QCOMPARE(PixelOf(*list.PaintBox1, QPoint(x, 2)), skin.soulei.pixelColor(x, 2));
        QCOMPARE(PixelOf(*list.PaintBox1, QPoint(x, 26)), skin.soulei2.pixelColor(x, 2));
    }

    void rowsFollowTheGridsVerticalScroll()
    {
        std::vector<std::string> sounds(31, "Kick");
        sounds[3] = "";
        ShownProgram program(sounds, 4, false, 900, 480);
        TMain& main = program.main();
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().TrackCount = 31;
        }
        main.grid().setRowCount(31);
        TrackList& list = main.trackList();
        const Skin& skin = *main.skin();
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 84)), skin.mubu2.pixelColor(9, 12));
        // Scrolled by two rows, the muted fourth track's lamp is the second row on screen.
        main.grid().ScrollBox1->verticalScrollBar()->setValue(48);
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 36)), skin.mubu2.pixelColor(9, 12));
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 84)), skin.mubu1.pixelColor(9, 12));
        const int x = list.PaintBox1->width() - 4;
        QCOMPARE(PixelOf(*list.PaintBox1, QPoint(x, 2)), skin.soulei.pixelColor(x, 2));
    }

    void soundBoxListsTheLibrary()
    {
        ShownProgram program({"Kick"});
        QComboBox& box = *program.main().trackList().soundbox;
        QVERIFY(box.isHidden());
        QCOMPARE(box.count(), 4);
        QCOMPARE(box.itemText(2), QStringLiteral("Hat"));
        QCOMPARE(box.maxVisibleItems(), 30);
    }
};

std::unique_ptr<QObject> MakeTrackListTest()
{
    return std::make_unique<TrackListTest>();
}

} // namespace bw::testing

#include "track_list_test.moc"
