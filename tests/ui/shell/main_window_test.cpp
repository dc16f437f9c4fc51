// Start-up, sound binding, layout, menu and close of the main window.

#include "audio/request_flags.h"
#include "ui/regions/mixer_strip.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/pattern_tabs.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/track_list.h"
#include "ui/regions/transport_band.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/program_windows.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/windows/export_dialog.h"
#include "ui/windows/library_window.h"
#include "ui/windows/performance_window.h"
#include "ui/windows/periphery_windows.h"
#include "ui/windows/sequencer_windows.h"
#include "ui/windows/sound_popup.h"
#include "ui/windows/wave_output_window.h"
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
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());

        const QStringList expected = {
            "Main",      "infoF",    "WaveInspector", "WaveTest",      "soundlibary",  "Conti",
            "WriteWavF", "Refo",     "NewPattenDia1", "SequencerForm", "XXXForm",      "selfPopup",
            "MakSoED",   "Multiseq", "wantsaveF",     "numberedit",    "ShuffelForm",  "prefform",
            "waveoutf",  "performf", "DelayF",        "LowPassF",      "HumanizeForm", "Form1"};
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
        QCOMPARE(main.trackList().soundbox->count(), 4);
        QCOMPARE(main.trackList().soundbox->itemText(3), QStringLiteral("Clap"));
        QCOMPARE(main.patternTabs().pattab->count(), 1);
        QCOMPARE(main.patternTabs().pattab->tabText(0), QStringLiteral("A"));
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
        QCOMPARE(main.transportBand().BeatB->currentText(), QStringLiteral("4"));
        QCOMPARE(main.transportBand().Channels->text(), QStringLiteral("stereo"));
        QCOMPARE(main.sequencer().stopseqbox->text(), QStringLiteral("40"));
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
        QCOMPARE(main.trackList().soundbox->count(), 0);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
    }

    void aDamagedLibraryKeepsTheSoundsBeforeTheDamage()
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
        QCOMPARE(messages.messages.size(), std::size_t{1}); // one report
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("default.slb")));
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("the first 3 sounds")));
        QCOMPARE(main.library().count(), 3);
        QCOMPARE(main.trackList().soundbox->count(), 3);
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
        QCOMPARE(main.patternTabs().pattab->count(), 1);
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
            QCOMPARE(main.grid().noteBox->cursor().shape(), Qt::ArrowCursor);
            // Nothing present: one message per default file, none for the cursor.
            QCOMPARE(messages.messages.size(), std::size_t{2});
        }
        WriteBytes(folder.path("stick.cur"), CursorFile());
        TMain main(folder.dir.path());
        QVERIFY(main.hasStickCursor());
        QCOMPARE(main.grid().noteBox->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(main.grid().noteBox->cursor().hotSpot(), QPoint(3, 5));
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
        QVERIFY(Find<QWidget>(main, "Panel1")->isHidden());
        QVERIFY(Find<QWidget>(main, "Panel3")->isHidden());
        QVERIFY(Find<QWidget>(main, "Panel14")->isHidden());
        QVERIFY(Find<QWidget>(main, "Panel24")->isHidden());

        resizeTo(450);
        QVERIFY(!Find<QWidget>(main, "Panel1")->isHidden());
        QVERIFY(!Find<QWidget>(main, "Panel3")->isHidden());
        QVERIFY(Find<QWidget>(main, "Panel14")->isHidden());
        QVERIFY(Find<QWidget>(main, "Panel24")->isHidden());

        resizeTo(800);
        QVERIFY(!Find<QWidget>(main, "Panel14")->isHidden());
        QVERIFY(!Find<QWidget>(main, "Panel24")->isHidden());
        QVERIFY(!Find<QWidget>(main, "Panel25")->isHidden());
        const int W = main.transportBand().Panel10->width();
        QVERIFY(W > 100);
        QCOMPARE(main.transportBand().bpm->x(), W / 51);
        QCOMPARE(main.transportBand().bpm->width(), W * 23 / 51 - W / 51);
        QCOMPARE(main.transportBand().Label5->x(), W / 51);
        QCOMPARE(main.transportBand().bpmLabel->x(),
                 main.transportBand().Label5->x() + main.transportBand().Label5->width() + 8);
        QCOMPARE(main.transportBand().Channels->x(), W * 24 / 51);
        QCOMPARE(main.transportBand().Channels->width(), 49);
        QCOMPARE(main.transportBand().mastervol->x(), W * 25 / 51 + 49);
        QCOMPARE(main.transportBand().mastervol->width(), W * 50 / 51 - (W * 25 / 51 + 49));
        QCOMPARE(main.transportBand().masterLabel->x(), W * 25 / 51 + 53);
        QCOMPARE(Find<QWidget>(main, "Panel24")->width(), (800 - 49) % 12 + 23);
        // The mixer fills what the side panels leave.
        QCOMPARE(main.mixer().Panel9->x() + main.mixer().Panel9->width(),
                 Find<QWidget>(main, "Panel24")->x());

        main.showMaximized();
        QTRY_VERIFY(main.isMaximized());
        main.FormResize();
        QVERIFY(Find<QWidget>(main, "Panel25")->isHidden());
        main.showNormal();
        QTRY_VERIFY(!main.isMaximized());
        main.FormResize();
        QVERIFY(!Find<QWidget>(main, "Panel25")->isHidden());
    }

    void helpWebsiteAndAbout()
    {
        ProgramFolder folder;
        MessageRecorder messages;
        UrlRecorder urls;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        TMain& main = *windows->main;
        main.help2->trigger();
        QCOMPARE(urls.urls.size(), std::size_t{1});
        QCOMPARE(urls.urls[0], QUrl::fromLocalFile(folder.path("help/index.htm")));
        // The project has no web page yet: Help offers none, and nothing opens a placeholder.
        QVERIFY(!main.gotowebsite1->isVisible());
        main.gotowebsite1->trigger();
        QCOMPARE(urls.urls.size(), std::size_t{1});

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
        QTest::mouseClick(Find<QWidget>(main, "Image2"), Qt::LeftButton);
        QVERIFY(about.isVisible());
        QTest::mouseClick(about.extraButton(), Qt::LeftButton);
        QVERIFY(windows->form1->isVisible());
        // Neither a web address nor a support address is shown while there is none.
        QVERIFY(!about.link()->isVisible());
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("Label3"))->isVisible());
    }

    void playbackStopsAndIsReaped()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        TMain& main = *windows->main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.transportBand().playbClick();
        main.transportBand()
            .playbClick(); // the second run finds the first running and ends at once
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);
        QTest::qWait(200);
        main.transportBand().stopBClick();
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
        QVERIFY(!main.transportBand().playb->isChecked());
        QVERIFY(main.transportBand().stopB->isChecked());
        QVERIFY(messages.messages.empty());
    }

    void closingWhilePlayingStopsTheEngine()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        TMain& main = *windows->main;
        QSignalSpy closed(&main, &TMain::closed);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.transportBand().playbClick();
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);
        QTest::qWait(300); // a few blocks, so the engine is busy in its loop

        // A command that arrives while the close waits for the engine is ignored.
        int runsDuringStop = -1;
        QTimer::singleShot(0, &main, [&] {
            main.transportBand().playbClick();
            runsDuringStop = main.transport().runCount();
        });
        QElapsedTimer timer;
        timer.start();
        QVERIFY(main.close());
        QCOMPARE(runsDuringStop, 1);
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!main.transport().running());
        QCOMPARE(main.transport().runCount(), 0);
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
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
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
        QCOMPARE(main.sequencer().Label13->text(), QStringLiteral("7"));
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
            auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            main.transportBand().playbClick();
            if (delayMs > 0) {
                QTest::qWait(delayMs);
            }
            QElapsedTimer timer;
            timer.start();
            QVERIFY(main.close());
            QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(delayMs)));
            QVERIFY(!main.transport().running());
            QCOMPARE(main.transport().runCount(), 0);
        }
        QVERIFY(messages.messages.empty());
    }

    void menuActionsDoTheirThing()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        ProgramWindows& w = *program.windows;
        // The shortcuts reach their items wherever the focus is in the window.
        QTest::keyClick(&main, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(w.soundlibary->isVisible());
        main.Performance1->trigger();
        QVERIFY(w.performf->isVisible());
        QVERIFY(!main.Preferences1->isVisible());
        main.Preferences1->trigger();
        QVERIFY(w.prefform->isVisible());
        main.WaveOutput1->trigger();
        QVERIFY(w.waveoutf->isVisible());

        main.WritePatternSong1->trigger();
        QVERIFY(w.writeWavF->isVisible());
        QCOMPARE(w.writeWavF->windowTitle(), QStringLiteral("Write Song Wav"));
        w.writeWavF->close();
        QTest::keyClick(&main, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(w.writeWavF->isVisible());
        QCOMPARE(w.writeWavF->windowTitle(), QStringLiteral("Write Pattern Wav"));
        w.writeWavF->close();

        const bool shown = main.sequencer().isShown();
        main.PatternSequencer1->trigger();
        QCOMPARE(main.sequencer().isShown(), !shown);

        // Separators stand after "Save as", "Write Song MIDI" and "Help".
        QStringList file;
        for (QAction* a : main.fileMenu->actions()) {
            file << (a->isSeparator() ? QStringLiteral("|") : a->text());
        }
        QCOMPARE(file, QStringList({"New", "New Empty Song", "Open", "Save", "Save as", "|",
                                    "Write Pattern  Wav", "Write Song Wav", "Write Pattern MIDI",
                                    "Write Song MIDI", "|", "Quit"}));

        QSignalSpy closed(&main, &TMain::closed);
        main.Quit1->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(program.messages.messages.empty());
    }

    /// The window as a whole: every region shows the song where it belongs. With
    /// BW_SCREENSHOT_DIR set, pictures of the windows are also written there for a look by eye
    /// (BW_SCREENSHOT_PROGRAM_DIR: the default files to start with).
    void windowShowsEachRegionInItsPlace()
    {
        ShownProgram program({"Kick", "", "Hat"});
        TMain& main = program.main();
        const QImage shot = main.grab().toImage();
        const auto at = [&main, &shot](QWidget* w, QPoint p) {
            return shot.pixelColor(w->mapTo(&main, p));
        };
        const Skin& skin = *main.skin();
        // The logo at the top left, the sequencer picture at the top right.
        auto* logo = Find(main, "Image2");
        QCOMPARE(at(logo, QPoint(20, 10)), skin.logo.pixelColor(20, 10));
        auto* seqImage = Find(main, "Image3");
        QCOMPARE(at(seqImage, QPoint(30, 20)), skin.seqImage.pixelColor(30, 20));
        // The track list's lamps: on for a track with a sound, off without.
        QWidget* mute = main.trackList().PaintBox4;
        QCOMPARE(at(mute, QPoint(9, 12)), skin.mubu1.pixelColor(9, 12));
        QCOMPARE(at(mute, QPoint(9, 36)), skin.mubu2.pixelColor(9, 12));
        // The grid's first beat bar is lime, and the marker of the event on beat 3 is drawn.
        QWidget* grid = main.grid().PaintBox2;
        const int W = grid->width();
        QCOMPARE(at(grid, QPoint(0, grid->height() - 3)), ToQColor(colors::Lime));
        QCOMPARE(at(grid, QPoint(XFromPos(128, W) + 3, 12)), skin.score.pixelColor(3, 24));
        // The value lane shows the event's volume bar on gray.
        QWidget* lane = main.valueLane().valbox;
        QCOMPARE(at(lane, QPoint(XFromPos(128, W) + 1, lane->height() - 3)),
                 ToQColor(colors::Black));
        QCOMPARE(at(lane, QPoint(XFromPos(128, W) + 8, lane->height() - 3)),
                 ToQColor(colors::Gray));
        // The transport band is teal; the shuffle box shows its value.
        QWidget* band = main.transportBand().PaintBox7;
        QCOMPARE(at(band, QPoint(band->width() / 2, band->height() - 3)), ToQColor(colors::Teal));
        QCOMPARE(main.transportBand().Panel32->text(), QStringLiteral("0%"));
        // The mixer strip fills the bottom between the side panels.
        QWidget* numbers = main.mixer().PaintBox6;
        QCOMPARE(at(numbers, QPoint(1, 15)), ToQColor(colors::Gray)); // below the corner piece

        const QString out = qEnvironmentVariable("BW_SCREENSHOT_DIR");
        if (out.isEmpty()) {
            return;
        }
        auto windows = CreateProgramWindows(qEnvironmentVariable("BW_SCREENSHOT_PROGRAM_DIR"));
        TMain& shown = *windows->main;
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        QTest::qWait(100);
        QVERIFY(shown.grab().save(out + QStringLiteral("/main.png")));
        shown.AboutBeatwright1->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(windows->infoF.get()));
        QVERIFY(windows->infoF->grab().save(out + QStringLiteral("/about.png")));
        shown.resize(760, 560);
        QTest::qWait(50);
        QVERIFY(shown.grab().save(out + QStringLiteral("/main_760.png")));
        shown.resize(420, 500);
        QTest::qWait(50);
        QVERIFY(shown.grab().save(out + QStringLiteral("/main_narrow.png")));
        windows->conti->resize(700, 760);
        windows->conti->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows->conti.get()));
        QVERIFY(windows->conti->grab().save(out + QStringLiteral("/pictures.png")));
        windows->conti->close();

        // The editors with a dense pattern: 8 x 8 steps, hits with pitches and pans, the
        // value lane in each of its modes, and the sound popup.
        shown.resize(1000, 700);
        QTest::qWait(50);
        shown.context().withSong([](core::TSong& s) {
            s.Beats = 8;
            s.Ticks = 8;
            for (int t = 0; t < s.TrackCount; ++t) {
                for (int step = 0; step < 64; step += 1 + t % 3) {
                    core::TNoteEvent& e =
                        s.Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(step * 4)];
                    e.Volume = 1500 + (step * 977 + t * 131) % 8500;
                    e.Pitch = (step % 5) - 2;
                    e.Pan = ((step * 311) % 2001) - 1000;
                    e.Selected = step % 7 == 0 ? 1 : 0;
                }
            }
        });
        shown.ShowSongSettings();
        QTest::qWait(50);
        QVERIFY(shown.grab().save(out + QStringLiteral("/dense.png")));
        ValueLane& laneRegion = shown.valueLane();
        const char* modes[] = {"volume", "pitch", "pan"};
        for (int m = 0; m < 3; ++m) {
            ClickAt(laneRegion.tab, QPoint(30, laneRegion.tab->height() * (2 + 2 * m) / 8));
            QVERIFY(laneRegion.tab->parentWidget()->parentWidget()->grab().save(
                out + QStringLiteral("/lane_%1.png").arg(QString::fromLatin1(modes[m]))));
        }
        ClickAt(shown.trackList().PaintBox1, QPoint(40, 10), Qt::RightButton);
        QVERIFY(QTest::qWaitForWindowExposed(windows->selfPopup.get()));
        HoverAt(windows->selfPopup->P, windows->selfPopup->cellOrigin(3) + QPoint(20, 8));
        QVERIFY(windows->selfPopup->grab().save(out + QStringLiteral("/popup.png")));
        windows->selfPopup->close();
    }
};

std::unique_ptr<QObject> MakeMainWindowTest()
{
    return std::make_unique<MainWindowTest>();
}

} // namespace bw::testing

#include "main_window_test.moc"
