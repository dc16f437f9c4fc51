// A signal that ends the program while it plays: it quits at once, keeps the unsaved song for
// the next start, which offers it back.

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
};

std::unique_ptr<QObject> MakeRecoveryTest()
{
    return std::make_unique<RecoveryTest>();
}

} // namespace bw::testing

#include "recovery_test.moc"
