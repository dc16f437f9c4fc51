// The WAV export dialog: the file of the pattern and of the song, equal to the command
// line's render, the progress bar, and a file that an unfinished export leaves alone.

#include "core/arrangement.h"
#include "sound_test_support.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/export_status.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/windows/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// A song of pattern "A" (4 beats, Kick on every beat, Snare on the off-beats) placed at
/// beats 0 and 4, stopping at beat stop.
void WriteArrangedSong(const QString& path, int stop)
{
    core::TSong song;
    core::InitSong(song);
    core::AddPattern(song, "A");
    core::LoadWorkingCopy(song, 0);
    song.Beats = 4;
    song.Bpm = 140;
    song.Tracks[0].SoundName.assign("Kick");
    song.Tracks[0].Enabled = 1;
    song.Tracks[1].SoundName.assign("Snare");
    song.Tracks[1].Enabled = 1;
    song.Tracks[1].DelaySend = 500;
    for (int b = 0; b < 4; ++b) {
        core::InsertEvent(song, 0, b * 64);
        core::InsertEvent(song, 1, b * 64 + 32);
    }
    core::StoreWorkingCopy(song, 0);
    core::AddSeqEntry(song, 0, "A");
    core::AddSeqEntry(song, 4, "A");
    core::SetStopPosition(song, stop);
    core::WritePatternFile(ui::ToFileSystemPath(path), song);
}

/// The files of a folder whose names start with a dot (the export's temporary files).
QStringList HiddenFiles(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\."));
}

struct Export
{
    std::vector<int> progress;
    bool closed = false;
};

/// Runs an export through the dialog as the user does: the menu item, "Select File and
/// Write", the file; waits until the engine has closed the dialog.
Export RunExport(ShownProgram& program, QAction* menuItem, const QString& out)
{
    TWriteWavF& dialog = *program.windows->writeWavF;
    Export result;
    FileAnswers files({out});
    menuItem->trigger();
    if (!dialog.isVisible()) {
        return result;
    }
    QObject::connect(dialog.progressBar(), &QProgressBar::valueChanged, &dialog,
                     [&result](int v) { result.progress.push_back(v); });
    QTest::mouseClick(dialog.writeButton(), Qt::LeftButton);
    result.closed = QTest::qWaitFor([&dialog] { return !dialog.isVisible(); }, 20000);
    QObject::disconnect(dialog.progressBar(), nullptr, &dialog, nullptr);
    // Let the run's thread end before the next one starts: it resets the request flags
    // after the window has heard that it ended.
    Transport& transport = program.main().transport();
    if (!QTest::qWaitFor(
            [&transport] {
                transport.reapFinished();
                return transport.runCount() == 0;
            },
            5000)) {
        result.closed = false;
    }
    return result;
}

} // namespace

class ExportDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void patternAndSongFilesEqualTheCommandLineRender()
    {
        ShownProgram program({"Kick", "Snare"});
        WriteArrangedSong(program.folder.path("default.bwp"), 7);
        // Restarted on the arranged song.
        program.windows = CreateProgramWindows(program.folder.dir.path(), DeviceOutput());
        program.windows->main->show();
        QVERIFY(QTest::qWaitForWindowExposed(program.windows->main.get()));
        TMain& main = program.main();
        TWriteWavF& dialog = *program.windows->writeWavF;

        const QString pattern = program.folder.path("pattern.wav");
        main.WriteWav1->trigger();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Write Pattern Wav"));
        QCOMPARE(dialog.fileLabel()->text(), QStringLiteral(" - - - "));
        dialog.close();
        const Export p = RunExport(program, main.WriteWav1, pattern);
        QVERIFY(p.closed);
        QVERIFY(program.messages.messages.empty());
        const QString cliPattern = program.folder.path("cli_pattern.wav");
        QCOMPARE(RunCli({QStringLiteral("render"), program.folder.path("default.bwp"),
                         QStringLiteral("--library"), program.folder.path("default.slb"),
                         QStringLiteral("--pattern"), QStringLiteral("0"), QStringLiteral("-o"),
                         cliPattern}),
                 0);
        const QByteArray exported = ReadAll(pattern);
        QCOMPARE(exported.size(), 44 + 4 * (2646000 / 140) * 2 * 2);
        QVERIFY(exported == ReadAll(cliPattern));
        QVERIFY(!p.progress.empty());
        QVERIFY(*std::max_element(p.progress.begin(), p.progress.end()) > 5);

        const QString song = program.folder.path("song.wav");
        main.WritePatternSong1->trigger();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Write Song Wav"));
        dialog.close();
        const Export s = RunExport(program, main.WritePatternSong1, song);
        QVERIFY(s.closed);
        QVERIFY(program.messages.messages.empty());
        const QString cliSong = program.folder.path("cli_song.wav");
        QCOMPARE(RunCli({QStringLiteral("render"), program.folder.path("default.bwp"),
                         QStringLiteral("--library"), program.folder.path("default.slb"),
                         QStringLiteral("--song"), QStringLiteral("-o"), cliSong}),
                 0);
        const QByteArray exportedSong = ReadAll(song);
        QCOMPARE(exportedSong.size(), 44 + 8 * (2646000 / 140) * 2 * 2);
        QVERIFY(exportedSong == ReadAll(cliSong));
        // The status line says where the file went.
        QVERIFY(main.statusBar()->currentMessage().contains(QDir::toNativeSeparators(song)));
        QVERIFY(main.statusBar()->currentMessage().startsWith(QStringLiteral("Song written")));
        QVERIFY(main.exportStatus().panel()->isHidden());
        // The bar went up step by step through the song.
        std::vector<int> distinct = s.progress;
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        QVERIFY(distinct.size() >= 5);
        QVERIFY(std::is_sorted(distinct.begin(), distinct.end() - 1)); // the last is the reset
        QVERIFY(HiddenFiles(program.folder.dir.path()).isEmpty());
    }

    void stemsAndFormatAreChosenInTheDialog()
    {
        ShownProgram program({"Kick", "Snare"});
        WriteArrangedSong(program.folder.path("default.bwp"), 7);
        program.windows = CreateProgramWindows(program.folder.dir.path(), DeviceOutput());
        program.windows->main->show();
        QVERIFY(QTest::qWaitForWindowExposed(program.windows->main.get()));
        TMain& main = program.main();
        TWriteWavF& dialog = *program.windows->writeWavF;
        QVERIFY(!dialog.qualityBox()->isEnabled());
        dialog.formatBox()->setCurrentIndex(2);
        QVERIFY(dialog.qualityBox()->isEnabled()); // for Ogg Vorbis only
        QCOMPARE(dialog.qualityBox()->value(), 0.6);

        // Both, in FLAC: the mix where chosen, the stems in "NAME stems" beside it.
        dialog.partsBox()->setCurrentIndex(2);
        dialog.formatBox()->setCurrentIndex(1);
        const Export both = RunExport(program, main.WriteWav1, program.folder.path("beat.flac"));
        QVERIFY(both.closed);
        QVERIFY(program.messages.messages.empty());
        QVERIFY(ReadAll(program.folder.path("beat.flac")).startsWith("fLaC"));
        const QDir stems(program.folder.path("beat stems"));
        QCOMPARE(stems.entryList(QDir::Files),
                 QStringList({QStringLiteral("01 Kick.flac"), QStringLiteral("02 Snare.flac")}));
        // A pattern's bar counts its beats: a quarter for each of the four.
        for (const int step : {25, 50, 75, 100}) {
            QVERIFY(std::find(both.progress.begin(), both.progress.end(), step) !=
                    both.progress.end());
        }

        // Stems alone go to the folder chosen.
        dialog.partsBox()->setCurrentIndex(1);
        dialog.formatBox()->setCurrentIndex(0);
        const QString only = program.folder.path("only");
        QVERIFY(RunExport(program, main.WritePatternSong1, only).closed);
        QVERIFY(program.messages.messages.empty());
        QCOMPARE(QDir(only).entryList(QDir::Files),
                 QStringList({QStringLiteral("01 Kick.wav"), QStringLiteral("02 Snare.wav")}));
        QVERIFY(HiddenFiles(only).isEmpty());
    }

    void anUnfinishedExportLeavesTheOldFile()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        main.context().withSong([](core::TSong& s) {
            core::SetStopPosition(s, 3999); // long enough to be stopped half-way
        });
        const QString keep = program.folder.path("keep.wav");
        WriteBytes(keep, QByteArray("a good file"));
        // The dialog is closed ("Cancel": the export goes on), and the status line's Stop ends
        // the export after its first written block.
        RenderBridge& bridge = main.bridge();
        ExportStatus& status = main.exportStatus();
        bool shownWhileWriting = false;
        QObject::connect(&bridge, &RenderBridge::blockReported, &bridge,
                         [&](const audio::BlockReport& r) {
                             TWriteWavF& dialog = *program.windows->writeWavF;
                             if (dialog.isVisible()) {
                                 QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
                             }
                             if (r.writing && status.panel()->isVisible()) {
                                 shownWhileWriting = true;
                                 QTest::mouseClick(status.stopButton(), Qt::LeftButton);
                             }
                         });
        const Export stopped = RunExport(program, main.WritePatternSong1, keep);
        QObject::disconnect(&bridge, &RenderBridge::blockReported, &bridge, nullptr);
        QVERIFY(stopped.closed);
        QVERIFY(shownWhileWriting);
        QCOMPARE(ReadAll(keep), QByteArray("a good file"));
        QVERIFY(HiddenFiles(program.folder.dir.path()).isEmpty());
        QCOMPARE(main.statusBar()->currentMessage(),
                 QStringLiteral("Export stopped: \"%1\" was left as it was")
                     .arg(QDir::toNativeSeparators(keep)));

        // A folder that does not exist: the engine's message, and no file anywhere.
        const QString nowhere = program.folder.path("missing/out.wav");
        const Export failed = RunExport(program, main.WriteWav1, nowhere);
        QVERIFY(failed.closed);
        QVERIFY(!QFile::exists(nowhere));
        QVERIFY(!program.messages.messages.empty());
        QCOMPARE(program.messages.messages[0].caption, QStringLiteral("ERROR"));

        // A cancelled file dialog closes the export dialog and starts nothing.
        const Export cancelled = RunExport(program, main.WriteWav1, QString());
        QVERIFY(cancelled.closed);
        QVERIFY(cancelled.progress.empty());
    }

    void loopRangeOnlyWritesTheRangeOnce()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TWriteWavF& dialog = *program.windows->writeWavF;
        main.WritePatternSong1->trigger();
        QVERIFY(!dialog.loopOnlyBox()->isEnabled()); // no range yet
        dialog.close();
        main.WriteWav1->trigger();
        QVERIFY(dialog.loopOnlyBox()->isHidden()); // a pattern has no loop range
        dialog.close();
        main.context().withSong([](core::TSong& s) {
            core::SetStopPosition(s, 15);
            core::SetLoopRange(s, 4, 6);
        });
        main.WritePatternSong1->trigger();
        QVERIFY(dialog.loopOnlyBox()->isEnabled());
        dialog.loopOnlyBox()->click();
        dialog.close();
        const QString out = program.folder.path("loop.wav");
        QVERIFY(RunExport(program, main.WritePatternSong1, out).closed);
        QCOMPARE(ReadAll(out).size(), 44 + 3 * (2646000 / 120) * 2 * 2);
        dialog.loopOnlyBox()->click(); // off: the whole song
        QVERIFY(RunExport(program, main.WritePatternSong1, out).closed);
        QCOMPARE(ReadAll(out).size(), 44 + 16 * (2646000 / 120) * 2 * 2);
    }
};

std::unique_ptr<QObject> MakeExportDialogTest()
{
    return std::make_unique<ExportDialogTest>();
}

} // namespace bw::testing

#include "export_dialog_test.moc"
