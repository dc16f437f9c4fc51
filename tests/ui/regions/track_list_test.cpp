// The track list: rows level with the grid's, the current track, names and mute lamps.

#include "ui/regions/pattern_grid.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/windows/sound_popup.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
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

    void clicksChooseTheCurrentTrackAndOpenThePopup()
    {
        // Tall enough for room below "+ add track", the row under the last track.
        ShownProgram program({"Kick", "", "Hat"}, 4, false, 900, 800);
        TMain& main = program.main();
        TrackList& list = main.trackList();
        TselfPopup& popup = *program.windows->selfPopup;
        ClickAt(list.PaintBox1, QPoint(40, 2 * 24 + 10));
        QCOMPARE(main.song().SelectedTrack, 2);
        QVERIFY(list.CheckBox1->isChecked());
        QCOMPARE(list.soundbox->currentIndex(), 2);
        QVERIFY(popup.isHidden());
        // Below the last row (and "+ add track"): the last track.
        QVERIFY(list.PaintBox1->height() - 2 > 13 * 24);
        ClickAt(list.PaintBox1, QPoint(40, list.PaintBox1->height() - 2));
        QCOMPARE(main.song().SelectedTrack, 11);

        // A right click opens the popup at the pointer; a left click on a cell picks the sound.
        const QPoint press(40, 24 + 10);
        ClickAt(list.PaintBox1, press, Qt::RightButton);
        QCOMPARE(main.song().SelectedTrack, 1);
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.pos(), list.PaintBox1->mapToGlobal(press));
        ClickAt(popup.P, popup.cellOrigin(1) + QPoint(20, 8));
        QVERIFY(popup.isHidden());
        const core::TTrack& track = main.song().Tracks[1];
        QCOMPARE(track.SoundName.str(), std::string("Snare"));
        QCOMPARE(int{track.Enabled}, 1);
        QCOMPARE(track.SoundIndex, 1);
        QVERIFY(program.messages.messages.empty());

        // The right-most 25 px open it with the left button too.
        ClickAt(list.PaintBox1, QPoint(list.PaintBox1->width() - 10, 10));
        QVERIFY(popup.isVisible());
        popup.close();
    }

    void muteLampsSwitchTracksButNotSilentOnes()
    {
        ShownProgram program({"Kick", "", "Hat"});
        TMain& main = program.main();
        TrackList& list = main.trackList();
        const auto enabled = [&main](int t) {
            return int{main.song().Tracks[static_cast<std::size_t>(t)].Enabled};
        };
        ClickAt(list.PaintBox4, QPoint(9, 12));
        QCOMPARE(enabled(0), 0);
        ClickAt(list.PaintBox4, QPoint(9, 12));
        QCOMPARE(enabled(0), 1);
        ClickAt(list.PaintBox4, QPoint(9, 24 + 12)); // no sound: stays off
        QCOMPARE(enabled(1), 0);
        QCOMPARE(PixelOf(*list.PaintBox4, QPoint(9, 36)), main.skin()->mubu2.pixelColor(9, 12));
    }

    void deletingALibrarySoundAsksAndRebindsTheTracks()
    {
        ShownProgram program({"Kick", "Snare", "Hat"});
        TMain& main = program.main();
        TrackList& list = main.trackList();
        const QByteArray before = [&] {
            QFile f(program.folder.path("default.slb"));
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        // Cancel changes nothing.
        ui::SetMessageHandler([](const QString&, const QString&, ui::MessageButtons) {
            return ui::MessageResult::Cancel;
        });
        QVERIFY(!list.DeleteLibrarySound(1));
        ui::SetMessageHandler({});
        QCOMPARE(main.library().count(), 4);
        QCOMPARE(list.soundbox->count(), 4);
        {
            MessageRecorder answers; // OK to the question, then the warning
            QVERIFY(list.DeleteLibrarySound(1));
            QCOMPARE(answers.messages.size(), std::size_t{2});
            QCOMPARE(answers.messages[0].text,
                     QStringLiteral("Are you sure to delete \"Snare\" ?"));
            QCOMPARE(answers.messages[0].caption, QStringLiteral("hmmmm..."));
            QCOMPARE(
                answers.messages[1].text,
                QStringLiteral("The sound \"Snare\" is not in the libary but in the track 2!"));
        }
        QCOMPARE(main.library().count(), 3);
        QCOMPARE(list.soundbox->count(), 3);
        QCOMPARE(list.soundbox->itemText(1), QStringLiteral("Hat"));
        QCOMPARE(main.song().Tracks[2].SoundIndex, 1); // Hat moved up
        QCOMPARE(int{main.song().Tracks[1].Enabled}, 0);
        // The library file was saved without the sound.
        library::SoundLibrary saved;
        saved.LoadSoundLibrary(program.folder.path("default.slb").toStdString());
        QCOMPARE(saved.count(), 3);
        QVERIFY(saved.FindSound("Snare") < 0);
        QVERIFY(!before.isEmpty());
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
