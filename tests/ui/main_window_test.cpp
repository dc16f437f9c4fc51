// Start-up, sound binding, layout, menu and close of the main window.

#include "audio/request_flags.h"
#include "ui/export_dialog.h"
#include "ui/library_window.h"
#include "ui/main_window.h"
#include "ui/paint_box.h"
#include "ui/performance_window.h"
#include "ui/periphery_windows.h"
#include "ui/program_windows.h"
#include "ui/render_bridge.h"
#include "ui/sequencer_lane.h"
#include "ui/skin.h"
#include "ui_test_support.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// A 16 x 16 cursor file with its hotspot at (3, 5).
QByteArray CursorFile()
{
    QByteArray b;
    const auto u8 = [&b](int v) { b.append(static_cast<char>(v & 0xFF)); };
    const auto u16 = [&u8](int v) {
        u8(v);
        u8(v >> 8);
    };
    const auto u32 = [&u16](int v) {
        u16(v);
        u16(v >> 16);
    };
    u16(0);
    u16(2);
    u16(1);
    u8(16);
    u8(16);
    u8(0);
    u8(0);
    u16(3);
    u16(5);
    u32(40 + 16 * 16 * 4 + 16 * 4);
    u32(22);
    u32(40);
    u32(16);
    u32(32);
    u16(1);
    u16(32);
    for (int i = 0; i < 6; ++i) {
        u32(0);
    }
    for (int i = 0; i < 16 * 16; ++i) {
        u8(0x20);
        u8(0x80);
        u8(0xF0);
        u8(0xFF);
    }
    for (int i = 0; i < 16 * 4; ++i) {
        u8(0);
    }
    return b;
}

/// A program folder with the default files the test asks for.
struct ProgramFolder
{
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

const std::vector<std::string> Kit = {"Kick", "Snare", "Hat", "Clap"};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void windowsAreCreatedInOrderAndHidden()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path());

        const QStringList expected = {
            "Main",      "infoF",    "WaveInspector", "WaveTest",      "soundlibary", "Conti",
            "WriteWavF", "Refo",     "NewPattenDia1", "SequencerForm", "XXXForm",     "selfPopup",
            "MakSoED",   "Multiseq", "wantsaveF",     "numberedit",    "ShuffelForm", "prefform",
            "waveoutf",  "performf", "DelayF",        "LowPassF",      "Form1"};
        QStringList names;
        for (QWidget* w : windows->creationOrder) {
            names << w->objectName();
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
        }
        QCOMPARE(names, expected);
        QCOMPARE(windows->main->windowTitle(), QStringLiteral("Beatwright  - NONAME.BWP "));
        QCOMPARE(windows->soundlibary->windowTitle(), QStringLiteral("Sound Libary"));
        QCOMPARE(windows->writeWavF->windowTitle(), QStringLiteral("Write Wav"));
        QCOMPARE(windows->multiseq->size(), QSize(573, 356));
        QVERIFY(messages.messages.empty());

        // Start-up has loaded the library into the chooser and the song into the tabs.
        TMain& main = *windows->main;
        QVERIFY(main.windowReady());
        QVERIFY(main.firstShow());
        QCOMPARE(main.soundbox->count(), 4);
        QCOMPARE(main.soundbox->itemText(3), QStringLiteral("Clap"));
        QCOMPARE(main.pattab->count(), 1);
        QCOMPARE(main.pattab->tabText(0), QStringLiteral("A"));
        QCOMPARE(main.song().Tracks[1].SoundIndex, 1);

        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(!main.firstShow());
        const QRect area = main.screen()->geometry();
        if (area.width() >= 780) {
            QCOMPARE(main.geometry(), QRect(area.left() + 10, area.top() + 10, area.width() - 20,
                                            area.height() - 50));
        } else {
            QVERIFY(main.isMaximized());
        }
        QCOMPARE(main.BeatB->currentText(), QStringLiteral("4"));
        QCOMPARE(main.Channels->text(), QStringLiteral("stereo"));
        QCOMPARE(main.stopseqbox->text(), QStringLiteral("40"));
    }

    void missingLibraryStartsEmptyWithOneMessage()
    {
        ProgramFolder folder;
        WriteSong(folder.path("default.bwp"), {"Kick"});
        MessageRecorder messages;
        TMain main(folder.dir.path());
        // The missing library is named once; then the track whose sound is gone is reported.
        QCOMPARE(messages.messages.size(), std::size_t{2});
        QCOMPARE(messages.messages[0].caption, QStringLiteral("!"));
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("default.slb")));
        QCOMPARE(messages.messages[1].caption, QStringLiteral("hmmmm..."));
        QCOMPARE(main.library().count(), 0);
        QCOMPARE(main.soundbox->count(), 0);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
    }

    void unreadableLibraryIsDroppedWhole()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        QFile f(folder.path("default.slb"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() - 100)); // the last sound is cut short
        f.close();
        WriteSong(folder.path("default.bwp"), {});
        MessageRecorder messages;
        TMain main(folder.dir.path());
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("default.slb")));
        QCOMPARE(main.library().count(), 0);
    }

    void missingSongStartsWithOneEmptyPattern()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        MessageRecorder messages;
        TMain main(folder.dir.path());
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QCOMPARE(messages.messages[0].caption, QStringLiteral("!"));
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("default.bwp")));
        const core::TSong& song = main.song();
        QCOMPARE(song.PatternCount, 1);
        QCOMPARE(song.Beats, 4);
        QCOMPARE(song.Ticks, 4);
        QCOMPARE(song.TrackCount, core::DefaultTrackCount);
        QCOMPARE(main.pattab->count(), 1);
        QCOMPARE(main.library().count(), 4);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
    }

    void garbageSongIsAFailedRead()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteBytes(folder.path("default.bwp"), QByteArray("not a pattern file at all"));
        MessageRecorder messages;
        TMain main(folder.dir.path());
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("default.bwp")));
        QCOMPARE(main.song().PatternCount, 1);
    }

    void cursorFileOrArrow()
    {
        ProgramFolder folder;
        MessageRecorder messages;
        {
            TMain main(folder.dir.path());
            QVERIFY(!main.hasStickCursor());
            QCOMPARE(main.noteBox->cursor().shape(), Qt::ArrowCursor);
            // Nothing present: one message per default file, none for the cursor.
            QCOMPARE(messages.messages.size(), std::size_t{2});
        }
        WriteBytes(folder.path("stick.cur"), CursorFile());
        TMain main(folder.dir.path());
        QVERIFY(main.hasStickCursor());
        QCOMPARE(main.noteBox->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(main.noteBox->cursor().hotSpot(), QPoint(3, 5));
    }

    void missingSoundsAreReportedPerTrack()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Ghost", "Ghost", "", "Hat"});
        MessageRecorder messages;
        TMain main(folder.dir.path());
        QCOMPARE(messages.messages.size(), std::size_t{2});
        QCOMPARE(messages.messages[0].caption, QStringLiteral("hmmmm..."));
        QCOMPARE(messages.messages[0].text,
                 QStringLiteral("The sound \"Ghost\" is not in the libary but in the track 2!"));
        QCOMPARE(messages.messages[1].text,
                 QStringLiteral("The sound \"Ghost\" is not in the libary but in the track 3!"));
        const core::TSong& song = main.song();
        for (const int t : {1, 2, 3}) {
            QCOMPARE(int{song.Tracks[static_cast<std::size_t>(t)].Enabled}, 0);
            QVERIFY(song.Tracks[static_cast<std::size_t>(t)].SoundName.empty());
        }
        QCOMPARE(int{song.Tracks[4].Enabled}, 1);
        QCOMPARE(song.Tracks[4].SoundIndex, 2);

        // Checked again, the tracks are now silent and empty: no further message.
        messages.messages.clear();
        main.CheckTrackSounds();
        QVERIFY(messages.messages.empty());
    }

    void laterStopTargetWins()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), {"Open", "Closed", "Snare", "Closed2"});
        WriteSong(folder.path("default.bwp"), {"Closed", "Open", "Snare"});
        MessageRecorder messages;
        TMain main(folder.dir.path());
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.library().at(1).StopTarget.assign("Open"); // a closed hat cuts the open one
            main.library().at(3).Name.assign("Open");       // a second sound of that name
            main.library().at(2).StopTarget.assign("Nobody");
        }
        main.CheckTrackSounds();
        const core::TSong& song = main.song();
        QCOMPARE(song.Tracks[0].StopTargetIndex, 3);
        QCOMPARE(song.Tracks[1].StopTargetIndex, -1);
        QCOMPARE(song.Tracks[2].StopTargetIndex, -1);
        // A track whose sound no longer carries its name gets no stop target.
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().Tracks[0].SoundIndex = 1;
            main.library().at(1).Name.assign("Renamed");
            main.library().at(0).Name.assign("Closed");
        }
        main.CheckTrackSounds();
        QCOMPARE(main.song().Tracks[0].SoundIndex, 0);
        QCOMPARE(main.song().Tracks[0].StopTargetIndex, -1);
        QVERIFY(messages.messages.empty());
    }

    void songSettingsReachTheControls()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"}, 3);
        MessageRecorder messages;
        TMain main(folder.dir.path());
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::TSong& s = main.song();
            s.Transpose = 5;
            s.MasterVolume = 5000;
            s.Stereo = 0;
            s.ShuffleAmount = 20;
            s.DelayFeedback = 75;
            s.StopPosition = 64;
            s.Ticks = 12;
        }
        main.ShowSongSettings();
        QCOMPARE(main.BeatB->currentText(), QStringLiteral("2")); // 3 is no item: first item
        QCOMPARE(main.song().Beats, 3);                           // the song keeps its beats
        QCOMPARE(main.TickB->currentText(), QStringLiteral("12"));
        QCOMPARE(main.transcom->currentText(), QStringLiteral("+5"));
        QCOMPARE(main.mastervol->value(), 500);
        QCOMPARE(main.Channels->text(), QStringLiteral("mono"));
        QCOMPARE(main.Panel32->text(), QStringLiteral("20%"));
        QCOMPARE(main.Panel30->text(), QStringLiteral("75%"));
        QCOMPARE(main.stopseqbox->text(), QStringLiteral("64"));

        QComboBox box;
        box.addItems({"4", "+4", "x", "8"});
        SelectItemByNumber(&box, 4);
        QCOMPARE(box.currentIndex(), 1); // the last match wins
        SelectItemByNumber(&box, 7);
        QCOMPARE(box.currentIndex(), 0);

        // A file's tempo and master volume are taken in through their bars, as the engine
        // and the command line's render then use them.
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().Bpm = 20;
            main.song().MasterVolume = 12345;
        }
        main.ShowSongSettings();
        QCOMPARE(main.bpm->value(), 50);
        QCOMPARE(main.song().Bpm, 50);
        QCOMPARE(main.song().MasterVolume, 10000);
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().MasterVolume = 4567;
        }
        main.ShowSongSettings();
        QCOMPARE(main.song().MasterVolume, 4560);
    }

    void resizeFollowsTheWidthRules()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"});
        MessageRecorder messages;
        TMain main(folder.dir.path());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.showNormal();

        const auto resizeTo = [&main](int w) {
            main.resize(w, 520);
            QTRY_COMPARE(main.width(), w);
            main.FormResize();
        };
        resizeTo(340);
        QVERIFY(main.Panel1->isHidden());
        QVERIFY(main.Panel3->isHidden());
        QVERIFY(main.Panel14->isHidden());
        QVERIFY(main.Panel24->isHidden());

        resizeTo(450);
        QVERIFY(!main.Panel1->isHidden());
        QVERIFY(!main.Panel3->isHidden());
        QVERIFY(main.Panel14->isHidden());
        QVERIFY(main.Panel24->isHidden());

        resizeTo(800);
        QVERIFY(!main.Panel14->isHidden());
        QVERIFY(!main.Panel24->isHidden());
        QVERIFY(!main.Panel25->isHidden());
        const int W = main.Panel10->width();
        QVERIFY(W > 100);
        QCOMPARE(main.bpm->x(), W / 51);
        QCOMPARE(main.bpm->width(), W * 23 / 51 - W / 51);
        QCOMPARE(main.Label5->x(), W / 51);
        QCOMPARE(main.bpmLabel->x(), main.Label5->x() + main.Label5->width() + 8);
        QCOMPARE(main.Channels->x(), W * 24 / 51);
        QCOMPARE(main.Channels->width(), 49);
        QCOMPARE(main.mastervol->x(), W * 25 / 51 + 49);
        QCOMPARE(main.mastervol->width(), W * 50 / 51 - (W * 25 / 51 + 49));
        QCOMPARE(main.masterLabel->x(), W * 25 / 51 + 53);
        QCOMPARE(main.Panel24->width(), (800 - 49) % 12 + 23);
        // The mixer fills what the side panels leave.
        QCOMPARE(main.Panel9->x() + main.Panel9->width(), main.Panel24->x());

        main.showMaximized();
        QTRY_VERIFY(main.isMaximized());
        main.FormResize();
        QVERIFY(main.Panel25->isHidden());
        main.showNormal();
        QTRY_VERIFY(!main.isMaximized());
        main.FormResize();
        QVERIFY(!main.Panel25->isHidden());
    }

    void sequencerPanelToggles()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"}, 4, true);
        MessageRecorder messages;
        TMain main(folder.dir.path());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(!main.seqpanel->isHidden()); // the file asked for it
        QCOMPARE(main.seqpanel->width(), 300);
        const int sw = main.seqpanel->width();
        const int sh = main.seqpanel->height();
        QCOMPARE(main.Panel35->y() + main.Panel35->height(), sh - 8);
        QCOMPARE(main.Panel34->x() + main.Panel34->width(), sw - 9);
        QCOMPARE(main.Panel20->width(), sw - 21);
        QCOMPARE(main.Panel20->y(), main.Label6->y() + main.Label6->height() + 5);
        QCOMPARE(main.Label6->width(), (sw - 25) / 2);

        main.PatternSequencer1->trigger();
        QVERIFY(main.seqpanel->isHidden());
        main.setSequencerWidth(30);
        main.PatternSequencer1->trigger();
        QVERIFY(!main.seqpanel->isHidden());
        QCOMPARE(main.sequencerWidth(), 50);
        main.setSequencerWidth(20);
        main.PatternSequencer1->trigger(); // widened also when it is being hidden
        QVERIFY(main.seqpanel->isHidden());
        QCOMPARE(main.sequencerWidth(), 50);
    }

    void pastePreviewAndBandAreRepainted()
    {
        ProgramFolder folder;
        MessageRecorder messages;
        TMain main(folder.dir.path());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QImage plain = main.noteBox->grab().toImage();

        auto& clip = main.clipboard();
        clip[2][64].Volume = 5000;
        clip[2][64].Selected = 1;
        MainEditState& edit = main.editState();
        edit.ClipAnchor = 64;
        edit.PastePending = true;
        edit.PreviewShown = true;
        edit.PreviewX = 100;
        const QImage preview = main.noteBox->grab().toImage();
        QVERIFY(preview != plain);
        // Drawn again by the next paint, not wiped by it.
        QCOMPARE(main.noteBox->grab().toImage(), preview);

        edit.PastePending = false;
        edit.BandActive = true;
        edit.BandStartX = 20;
        edit.BandStartY = 20;
        edit.BandEndX = 120;
        edit.BandEndY = 60;
        const QImage band = main.noteBox->grab().toImage();
        QVERIFY(band != plain);
        edit.BandActive = false;
        QCOMPARE(main.noteBox->grab().toImage(), plain);
    }

    void menuHoldsEveryItem()
    {
        ProgramFolder folder;
        MessageRecorder messages;
        TMain main(folder.dir.path());
        struct Item
        {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
            bool visible;
        };
        const Item items[] = {
            {"New1", "New", {}, true},
            {"Open1", "Open", QKeySequence(QStringLiteral("Ctrl+O")), true},
            {"Save1", "Save", QKeySequence(QStringLiteral("Ctrl+S")), true},
            {"Saveas1", "Save as", {}, true},
            {"WriteWav1", "Write Pattern  Wav", QKeySequence(QStringLiteral("Ctrl+W")), true},
            {"WritePatternSong1", "Write Song Wav", {}, true},
            {"Quit1", "Quit", {}, true},
            {"Cut1", "Cut", QKeySequence(QStringLiteral("Ctrl+X")), true},
            {"Copy1", "Copy", QKeySequence(QStringLiteral("Ctrl+C")), true},
            {"Inster1", "Paste", QKeySequence(QStringLiteral("Ctrl+V")), true},
            {"Delete1", "Delete", QKeySequence(QStringLiteral("Del")), true},
            {"Preferences1", "Preferences", {}, false},
            {"PatternSequencer1", "Pattern Sequencer", {}, true},
            {"SoundLibary1", "Sound Libary", QKeySequence(QStringLiteral("Ctrl+L")), true},
            {"WaveOutput1", "Wave Output", {}, false},
            {"Performance1", "Performance", {}, true},
            {"help2", "Help", {}, true},
            {"AboutBeatwright1", "About Beatwright", {}, true},
            {"gotowebsite1", "go to website", {}, true},
        };
        for (const Item& item : items) {
            auto* action = main.findChild<QAction*>(QString::fromLatin1(item.name));
            QVERIFY2(action != nullptr, item.name);
            QCOMPARE(action->text(), QString::fromLatin1(item.caption));
            QCOMPARE(action->shortcut(), item.shortcut);
            QCOMPARE(action->isVisible(), item.visible);
        }
        // Menus in order, separators after "Save as", "Write Song Wav" and "Help".
        const QList<QAction*> menus = main.menuBar()->actions();
        QCOMPARE(menus.size(), 4);
        QStringList file;
        for (QAction* a : main.fileMenu->actions()) {
            file << (a->isSeparator() ? QStringLiteral("|") : a->text());
        }
        QCOMPARE(file, QStringList({"New", "Open", "Save", "Save as", "|", "Write Pattern  Wav",
                                    "Write Song Wav", "|", "Quit"}));
        QStringList help;
        for (QAction* a : main.helpMenu->actions()) {
            help << (a->isSeparator() ? QStringLiteral("|") : a->text());
        }
        QCOMPARE(help, QStringList({"Help", "|", "About Beatwright", "go to website"}));
    }

    void helpWebsiteAndAbout()
    {
        ProgramFolder folder;
        MessageRecorder messages;
        UrlRecorder urls;
        auto windows = CreateProgramWindows(folder.dir.path());
        TMain& main = *windows->main;
        main.help2->trigger();
        main.gotowebsite1->trigger();
        QCOMPARE(urls.urls.size(), std::size_t{2});
        QCOMPARE(urls.urls[0], QUrl::fromLocalFile(folder.path("help/index.htm")));
        QCOMPARE(urls.urls[1], QUrl(QString::fromLatin1(ProductPageUrl)));

        TinfoF& about = *windows->infoF;
        main.AboutBeatwright1->trigger();
        QVERIFY(about.isVisible());
        QVERIFY(!about.isModal());
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("Label1"))->text() ==
                QStringLiteral("v 1.003"));
        QCOMPARE(about.okButton()->text(), QStringLiteral("OK"));
        QTest::mouseClick(about.okButton(), Qt::LeftButton);
        QVERIFY(!about.isVisible());

        // The logo opens it too; its extra button opens the window with three tabs.
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::mouseClick(main.Image2, Qt::LeftButton);
        QVERIFY(about.isVisible());
        QTest::mouseClick(about.extraButton(), Qt::LeftButton);
        QVERIFY(windows->form1->isVisible());
        about.link()->linkActivated(QString::fromLatin1(ProductPageUrl));
        QCOMPARE(urls.urls.size(), std::size_t{3});
    }

    void playbackStopsAndIsReaped()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path());
        TMain& main = *windows->main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.playbClick();
        main.playbClick(); // the second run finds the first running and ends at once
        QTRY_VERIFY_WITH_TIMEOUT(main.flags().EngineRunning.load(), 5000);
        QTest::qWait(200);
        main.stopBClick();
        QTRY_VERIFY_WITH_TIMEOUT(!main.flags().EngineRunning.load(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(main.bridge().runCount(), 0, 5000);
        QVERIFY(!main.playb->isChecked());
        QVERIFY(main.stopB->isChecked());
        QVERIFY(messages.messages.empty());
    }

    void closingWhilePlayingStopsTheEngine()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path());
        TMain& main = *windows->main;
        QSignalSpy closed(&main, &TMain::closed);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.playbClick();
        QTRY_VERIFY_WITH_TIMEOUT(main.flags().EngineRunning.load(), 5000);
        QTest::qWait(300); // a few blocks, so the engine is busy in its loop

        // A command that arrives while the close waits for the engine is ignored.
        int runsDuringStop = -1;
        QTimer::singleShot(0, &main, [&] {
            main.playbClick();
            runsDuringStop = main.bridge().runCount();
        });
        QElapsedTimer timer;
        timer.start();
        QVERIFY(main.close());
        QCOMPARE(runsDuringStop, 1);
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!main.flags().EngineRunning.load());
        QCOMPARE(main.bridge().runCount(), 0);
        // The close sequence has freed the song and the library.
        QCOMPARE(main.song().PatternCount, 0);
        QCOMPARE(main.library().count(), 0);
        QVERIFY(messages.messages.empty());
    }

    void engineCallsReachTheWindowFromTheRenderThread()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path());
        TMain& main = *windows->main;
        RenderBridge& bridge = main.bridge();

        std::atomic<int> step{0};
        int positionSeenByEngine = -1;
        std::thread engine([&] {
            audio::BlockReport report;
            report.activeVoices = 7;
            report.songPosition = 3;
            report.meter = 100;
            bridge.blockDone(report); // waits for the window
            step = 1;
            bridge.setSongPosition(5000, true);
            positionSeenByEngine = bridge.songPosition();
            bridge.setSongPosition(0, false); // takes effect at once, shown later
            step = 2;
            bridge.engineFailed("SHUTDOWN AUDIO RENDER:Init Sound System Error(120)", true);
            step = 3;
        });
        QTRY_COMPARE_WITH_TIMEOUT(step.load(), 3, 5000);
        engine.join();
        QCOMPARE(main.Label13->text(), QStringLiteral("7"));
        QCOMPARE(windows->performf->pert()->text(), QStringLiteral("100%"));
        QCOMPARE(positionSeenByEngine, 4000); // clamped by the window
        QCOMPARE(bridge.songPosition(), 0);
        QTRY_COMPARE(main.songPosition(), 0);
        QCOMPARE(messages.messages.size(), std::size_t{2});
        QCOMPARE(messages.messages[0].caption, QStringLiteral("ERROR"));
        QCOMPARE(messages.messages[0].text,
                 QString::fromUtf8("Open File Error! I can\u00b4t write. Maybe the file is used "
                                   "by another application."));
        QCOMPARE(messages.messages[1].caption, QStringLiteral("!"));
        QCOMPARE(messages.messages[1].text,
                 QStringLiteral("SHUTDOWN AUDIO RENDER:Init Sound System Error(120)"));
    }

    void closingRightAfterPlayNeverHangs()
    {
        // Close at random moments after Play, from before the thread has started to several
        // blocks in: the engine clears StopRequested when it starts, so a stop sent too early
        // must be repeated until it is heard.
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages;
        std::uint32_t seed = 20261207;
        for (int round = 0; round < 6; ++round) {
            seed = seed * 1664525u + 1013904223u;
            const int delayMs = round == 0 ? 0 : static_cast<int>((seed >> 8) % 150);
            auto windows = CreateProgramWindows(folder.dir.path());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            main.playbClick();
            if (delayMs > 0) {
                QTest::qWait(delayMs);
            }
            QElapsedTimer timer;
            timer.start();
            QVERIFY(main.close());
            QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(delayMs)));
            QVERIFY(!main.flags().EngineRunning.load());
            QCOMPARE(main.bridge().runCount(), 0);
        }
        QVERIFY(messages.messages.empty());
    }

    /// Writes pictures of the main window and the About window for a look by eye; runs only
    /// when BW_SCREENSHOT_DIR names a folder (BW_SCREENSHOT_PROGRAM_DIR: the default files).
    void screenshots()
    {
        const QString out = qEnvironmentVariable("BW_SCREENSHOT_DIR");
        if (out.isEmpty()) {
            QSKIP("BW_SCREENSHOT_DIR not set");
        }
        MessageRecorder messages;
        auto windows = CreateProgramWindows(qEnvironmentVariable("BW_SCREENSHOT_PROGRAM_DIR"));
        TMain& main = *windows->main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::qWait(100);
        QVERIFY(main.grab().save(out + QStringLiteral("/main.png")));
        main.AboutBeatwright1->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(windows->infoF.get()));
        QVERIFY(windows->infoF->grab().save(out + QStringLiteral("/about.png")));
        main.resize(420, 500);
        QTest::qWait(50);
        QVERIFY(main.grab().save(out + QStringLiteral("/main_narrow.png")));
        windows->conti->resize(700, 760);
        windows->conti->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows->conti.get()));
        QVERIFY(windows->conti->grab().save(out + QStringLiteral("/pictures.png")));
    }
};

std::unique_ptr<QObject> MakeMainWindowTest()
{
    return std::make_unique<MainWindowTest>();
}

} // namespace bw::testing

#include "main_window_test.moc"
