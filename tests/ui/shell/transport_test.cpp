// The transport: every Stop is the same Stop, and a request made while an export runs does
// not change that export.

#include "sound_test_support.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/windows/export_dialog.h"
#include "ui/windows/sequencer_windows.h"

#include <functional>

#include <QObject>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// Waits until every run of the engine has ended and been joined.
bool AllRunsEnded(Transport& transport)
{
    return QTest::qWaitFor(
        [&transport] {
            transport.reapFinished();
            return transport.runCount() == 0 && !transport.running();
        },
        20000);
}

} // namespace

class TransportTest : public QObject
{
    Q_OBJECT

private slots:
    /// Stop in the transport band and Stop in the Pattern Sequencer window: either ends an
    /// export under way without touching the file already there, and playback with it.
    void everyStopAbandonsAnExportAndEndsTheRun()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        main.context().withSong([](core::TSong& s) { core::SetStopPosition(s, 3999); });
        const std::vector<std::pair<const char*, std::function<void()>>> stops = {
            {"transport band", [&main] { main.transportBand().stopBClick(); }},
            {"sequencer window",
             [&program] { program.windows->sequencerForm->SpeedButton1->click(); }},
        };
        for (const auto& entry : stops) {
            const char* place = entry.first;
            const std::function<void()>& stop = entry.second;
            const QString keep = program.folder.path("keep.wav");
            WriteBytes(keep, QByteArray("a good file"));
            RenderBridge& bridge = main.bridge();
            QObject::connect(&bridge, &RenderBridge::blockReported, &bridge,
                             [&stop](const audio::BlockReport& r) {
                                 if (r.writing) {
                                     stop();
                                 }
                             });
            QVERIFY(main.transport().exportTo(keep, ExportWhat::Song));
            const bool ended = AllRunsEnded(main.transport());
            QObject::disconnect(&bridge, &RenderBridge::blockReported, &bridge, nullptr);
            QVERIFY2(ended, place);
            QVERIFY2(ReadAll(keep) == QByteArray("a good file"), place);
            QVERIFY2(!main.transport().songMode(), place);
        }
    }

    /// The song's export menu item, chosen while a pattern export runs, shows that export and
    /// changes nothing in it: the file is one pass of the pattern.
    void aSecondExportRequestLeavesTheRunningOneAlone()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        const int bpm = main.context().withSong([](core::TSong& s) {
            core::SetStopPosition(s, 3999);
            return s.Bpm;
        });
        const QString out = program.folder.path("pattern.wav");
        TWriteWavF& dialog = *program.windows->writeWavF;
        RenderBridge& bridge = main.bridge();
        bool asked = false;
        QObject::connect(
            &bridge, &RenderBridge::blockReported, &bridge, [&](const audio::BlockReport& r) {
                if (r.writing && !asked) {
                    asked = true;
                    main.WritePatternSong1->trigger();
                    QCOMPARE(dialog.windowTitle(), QStringLiteral("Write Pattern Wav"));
                    QVERIFY(!main.transport().exportTo(out + "2", ExportWhat::Song));
                }
            });
        QVERIFY(main.transport().exportTo(out, ExportWhat::Pattern));
        const bool ended = AllRunsEnded(main.transport());
        QObject::disconnect(&bridge, &RenderBridge::blockReported, &bridge, nullptr);
        dialog.close();
        QVERIFY(ended);
        QVERIFY(asked);
        QCOMPARE(ReadAll(out).size(), 44 + 4 * (2646000 / bpm) * 2 * 2);
        QVERIFY(!QFile::exists(out + "2"));
    }
};

std::unique_ptr<QObject> MakeTransportTest()
{
    return std::make_unique<TransportTest>();
}

} // namespace bw::testing

#include "transport_test.moc"
