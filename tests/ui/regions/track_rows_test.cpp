// The track list's rows as a whole: solo, adding, removing, renaming and moving tracks, and
// files dropped on the window; each edit one undo step.

#include "core/track_commands.h"
#include "tests/library/wav_builder.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/pattern_dialogs.h"
#include "ui_test_support.h"

#include <string>
#include <vector>

#include <QLineEdit>
#include <QMimeData>
#include <QObject>
#include <QScrollArea>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// The middle of track row t in the track list.
QPoint Row(int t)
{
    return {40, t * 24 + 12};
}

/// What each track shows, its own name or its sound's, and its sound, as "label/sound".
std::vector<std::string> Tracks(TMain& main)
{
    std::lock_guard<core::SongLock> guard(main.songLock());
    const core::TSong& s = main.song();
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(s.TrackCount));
    for (int t = 0; t < s.TrackCount; ++t) {
        out.push_back(core::TrackLabel(s, t) + "/" +
                      s.Tracks[static_cast<std::size_t>(t)].SoundName.str());
    }
    return out;
}

/// Local files dropped at a point of widget, as a file manager drops them.
void DropFiles(TMain& main, QWidget* widget, QPoint at, const QStringList& files)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& f : files) {
        urls << QUrl::fromLocalFile(f);
    }
    mime.setUrls(urls);
    const QPointF pos = widget->mapTo(&main, at);
    QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&main, &enter);
    QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&main, &drop);
    QTest::qWait(50); // the files are taken once the drop has finished
}

} // namespace

class TrackRowsTest : public QObject
{
    Q_OBJECT

private slots:
    void soloSilencesTheOtherTracksAndMuteWins()
    {
        ShownProgram program({"Kick", "Snare", "Hat"});
        TMain& main = program.main();
        TrackList& list = main.trackList();
        const auto heard = [&main](int t) {
            std::lock_guard<core::SongLock> guard(main.songLock());
            const core::TSong& s = main.song();
            return core::TrackHeard(s, s.Tracks[static_cast<std::size_t>(t)], t);
        };
        const QColor off = PixelOf(*list.soloBox, QPoint(4, Row(1).y()));
        ClickSettled(list.soloBox, QPoint(8, Row(1).y()));
        QVERIFY(!heard(0));
        QVERIFY(heard(1));
        QVERIFY(PixelOf(*list.soloBox, QPoint(4, Row(1).y())) != off);
        QCOMPARE(PixelOf(*list.soloBox, QPoint(4, Row(2).y())), off);
        ClickSettled(list.PaintBox4, QPoint(9, Row(1).y())); // muted, the soloed track is silent
        QVERIFY(!heard(1));
        QVERIFY(!heard(2));
        main.Undo1->trigger();
        QVERIFY(heard(1));
        main.Undo1->trigger();
        QVERIFY(heard(0));
        QCOMPARE(PixelOf(*list.soloBox, QPoint(4, Row(1).y())), off);
    }

    void tracksAreAddedRenamedMovedAndRemoved()
    {
        ShownProgram program({"Kick", "Snare", "Hat"}, 4, false, 900, 800);
        TMain& main = program.main();
        TrackList& list = main.trackList();
        const std::vector<std::string> start = Tracks(main);
        QCOMPARE(start.size(), std::size_t{12});
        ClickSettled(list.PaintBox1, Row(12)); // "+ add track"
        QCOMPARE(Tracks(main).size(), std::size_t{13});

        QTest::mouseDClick(list.PaintBox1, Qt::LeftButton, Qt::NoModifier, Row(1));
        QVERIFY(list.trackNameEdit != nullptr && list.trackNameEdit->isVisible());
        QTest::keyClicks(list.trackNameEdit, QStringLiteral("Backbeat"));
        QTest::keyClick(list.trackNameEdit, Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(list.trackNameEdit->isHidden());
        QCOMPARE(Tracks(main)[1], std::string("Backbeat/Snare")); // the sound stays

        DragSettled(list.PaintBox1, Row(0), Row(2));
        std::vector<std::string> moved = Tracks(main);
        moved.resize(3);
        QCOMPARE(moved, std::vector<std::string>({"Backbeat/Snare", "Hat/Hat", "Kick/Kick"}));

        main.RemoveTrack1->trigger(); // the current track: Kick, with its four events
        QCOMPARE(Tracks(main).size(), std::size_t{12});
        QCOMPARE(Tracks(main)[2], std::string("/"));
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            for (const auto& row : main.song().Events) {
                for (const auto& e : row) {
                    QCOMPARE(e.Volume, 0);
                }
            }
        }

        main.Undo1->trigger();
        QCOMPARE(Tracks(main)[2], std::string("Kick/Kick"));
        main.Undo1->trigger();
        QCOMPARE(Tracks(main)[0], std::string("Kick/Kick"));
        main.Undo1->trigger();
        QCOMPARE(Tracks(main)[1], std::string("Snare/Snare"));
        main.Undo1->trigger();
        QCOMPARE(Tracks(main), start);
    }

    void droppedSoundFilesGoToTracksAndADroppedSongOpens()
    {
        ShownProgram program({"Kick", "", "Hat"});
        TMain& main = program.main();
        QStringList wavs;
        for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
            wavs << program.folder.path(name);
            const std::vector<std::uint8_t> bytes = canonicalWav(std::vector<std::int16_t>(
                400, static_cast<std::int16_t>(1000 + static_cast<int>(wavs.size()))));
            WriteBytes(wavs.back(), QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())));
        }
        DropFiles(main, main.trackList().PaintBox1, Row(0), {wavs[0]});
        QCOMPARE(Tracks(main)[0], std::string("a.wav/a.wav"));
        // Anywhere on the grid (here on the empty sixth row): the tracks without a sound, from
        // the top.
        DropFiles(main, main.grid().ScrollBox1, QPoint(100, Row(5).y()), {wavs[1], wavs[2]});
        std::vector<std::string> given = Tracks(main);
        given.resize(4);
        QCOMPARE(given, std::vector<std::string>(
                            {"a.wav/a.wav", "b.wav/b.wav", "Hat/Hat", "c.wav/c.wav"}));
        QVERIFY(program.messages.messages.empty());
        QCOMPARE(main.library().count(), 7);
        main.Undo1->trigger();
        QCOMPARE(Tracks(main)[1], std::string("/"));
        QCOMPARE(Tracks(main)[0], std::string("a.wav/a.wav"));

        // A song file opens wherever it lands, after the question about the changes.
        const QString other = program.folder.path("other.bwp");
        WriteSong(other, {"Clap"});
        int asked = 0;
        TwantsaveF::setHandler([&asked] {
            ++asked;
            return TwantsaveF::Answer::No;
        });
        DropFiles(main, main.trackList().PaintBox1, Row(0), {other});
        TwantsaveF::setHandler({});
        QCOMPARE(asked, 1);
        QCOMPARE(Tracks(main)[0], std::string("Clap/Clap"));
    }
};

std::unique_ptr<QObject> MakeTrackRowsTest()
{
    return std::make_unique<TrackRowsTest>();
}

} // namespace bw::testing

#include "track_rows_test.moc"
