// A signal that ends the program while it plays: it quits at once, keeps the unsaved song for
// the next start, which offers it back; two copies running keep their unsaved work apart.

#include "core/pattern_file.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/quit_signals.h"
#include "ui/widgets/file_dialogs.h"
#include "ui_test_support.h"

#include <csignal>
#include <memory>

#include <QFile>
#include <QObject>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

class RecoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void aSignalWhilePlayingQuitsAndTheNextStartRestoresTheSong()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"});
        WriteSong(folder.path("groove.bwp"), {"Kick", "Snare"});
        const QString recovery = folder.path("recovery.bwp");
        MessageRecorder messages; // answers Restore
        for (const int sig : {SIGTERM, SIGHUP}) {
            auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
            TMain& main = *windows->main;
            const QuitSignals quitSignals(main);
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            QVERIFY(main.openFile(folder.path("groove.bwp")));
            main.context().withSong([](core::TSong& s) { core::InsertEvent(s, 1, 100); });
            main.context().documentEdited();
            QVERIFY(main.isModified());
            QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);

            QSignalSpy closed(&main, &TMain::closed);
            QVERIFY(::raise(sig) == 0);
            QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 10000);
            QVERIFY(!main.transport().running());
            QVERIFY(QFile::exists(recovery));
        }
        QVERIFY(messages.messages.empty());

        // The next start: restored, still unsaved, and Save puts it where it came from.
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        TMain& main = *windows->main;
        main.offerRecovery();
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QVERIFY(messages.messages[0].text.contains(QStringLiteral("groove.bwp")));
        QCOMPARE(main.currentFileName(), folder.path("groove.bwp"));
        QVERIFY(main.isModified());
        QCOMPARE(main.song().Events[1][100].Volume, 5000);
        QVERIFY(main.Save1Click());
        QVERIFY(!QFile::exists(recovery));
        core::PatternReadCallbacks none;
        const auto saved = core::ReadPatternFile(ToFileSystemPath(folder.path("groove.bwp")), none);
        QCOMPARE(saved->Events[1][100].Volume, 5000);

        // Nothing kept: nothing offered.
        main.offerRecovery();
        QCOMPARE(messages.messages.size(), std::size_t{1});
    }

    void twoCopiesRunningKeepEachTheirOwnUnsavedWork()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"});
        MessageRecorder messages; // answers Restore
        const auto edit = [](TMain& main, int slot) {
            main.context().withSong([slot](core::TSong& s) { core::InsertEvent(s, 1, slot); });
            main.context().documentEdited();
        };
        auto first = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        auto second = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        edit(*first->main, 100);
        edit(*second->main, 200);
        second->main->quitOnSignal();
        second.reset();
        first->main->quitOnSignal(); // still running: its file stays its own
        QVERIFY(QFile::exists(folder.path("recovery.bwp")));
        QVERIFY(QFile::exists(folder.path("recovery-2.bwp")));

        // A copy started now gets what the copy that ended left, and only that.
        {
            auto third = CreateProgramWindows(folder.dir.path(), DeviceOutput());
            third->main->offerRecovery();
            QCOMPARE(messages.messages.size(), std::size_t{1});
            QCOMPARE(third->main->song().Events[1][200].Volume, 5000);
            QCOMPARE(third->main->song().Events[1][100].Volume, 0);
            third->main->quitOnSignal();
        }
        first.reset();
        // The next start finds both: its own slot's file first, the other at the start after.
        auto fourth = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        fourth->main->offerRecovery();
        QCOMPARE(fourth->main->song().Events[1][100].Volume, 5000);
        QVERIFY(QFile::exists(folder.path("recovery-2.bwp"))); // the third's, for the next
    }
};

std::unique_ptr<QObject> MakeRecoveryTest()
{
    return std::make_unique<RecoveryTest>();
}

} // namespace bw::testing

#include "recovery_test.moc"
