// Runs every UI test class in one process (one QApplication).

#include <memory>
#include <vector>

#include <QApplication>
#include <QObject>
#include <QTest>

namespace bw::testing {
std::unique_ptr<QObject> MakeDrawHelpersTest();
std::unique_ptr<QObject> MakeMainWindowTest();
std::unique_ptr<QObject> MakePatternGridTest();
std::unique_ptr<QObject> MakeTrackListTest();
std::unique_ptr<QObject> MakeTrackRowsTest();
std::unique_ptr<QObject> MakeLaneEditTest();
std::unique_ptr<QObject> MakeValueLaneTest();
std::unique_ptr<QObject> MakeTransportBandTest();
std::unique_ptr<QObject> MakeSequencerPanelTest();
std::unique_ptr<QObject> MakeMixerStripTest();
std::unique_ptr<QObject> MakeSoundPopupTest();
std::unique_ptr<QObject> MakePatternTabsTest();
std::unique_ptr<QObject> MakeSongCommandsTest();
std::unique_ptr<QObject> MakePlaybackDeviceTest();
std::unique_ptr<QObject> MakeUndoTest();
std::unique_ptr<QObject> MakeToolRowTest();
std::unique_ptr<QObject> MakeWaveInspectorTest();
std::unique_ptr<QObject> MakeLibraryWindowTest();
std::unique_ptr<QObject> MakeGroovePopupsTest();
std::unique_ptr<QObject> MakeExportDialogTest();
std::unique_ptr<QObject> MakeWaveTestWindowTest();
std::unique_ptr<QObject> MakeProgramFilesTest();
std::unique_ptr<QObject> MakeTransportTest();
std::unique_ptr<QObject> MakeRecoveryTest();
std::unique_ptr<QObject> MakeOutputTest();
std::unique_ptr<QObject> MakePulseOutputTest();
std::unique_ptr<QObject> MakeMidiPadsTest();
std::unique_ptr<QObject> MakeMidiWindowTest();
} // namespace bw::testing

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.push_back(bw::testing::MakeDrawHelpersTest());
    suites.push_back(bw::testing::MakeMainWindowTest());
    suites.push_back(bw::testing::MakePatternGridTest());
    suites.push_back(bw::testing::MakeTrackListTest());
    suites.push_back(bw::testing::MakeTrackRowsTest());
    suites.push_back(bw::testing::MakeLaneEditTest());
    suites.push_back(bw::testing::MakeValueLaneTest());
    suites.push_back(bw::testing::MakeTransportBandTest());
    suites.push_back(bw::testing::MakeSequencerPanelTest());
    suites.push_back(bw::testing::MakeMixerStripTest());
    suites.push_back(bw::testing::MakeSoundPopupTest());
    suites.push_back(bw::testing::MakePatternTabsTest());
    suites.push_back(bw::testing::MakeSongCommandsTest());
    suites.push_back(bw::testing::MakePlaybackDeviceTest());
    suites.push_back(bw::testing::MakeUndoTest());
    suites.push_back(bw::testing::MakeToolRowTest());
    suites.push_back(bw::testing::MakeWaveInspectorTest());
    suites.push_back(bw::testing::MakeLibraryWindowTest());
    suites.push_back(bw::testing::MakeGroovePopupsTest());
    suites.push_back(bw::testing::MakeExportDialogTest());
    suites.push_back(bw::testing::MakeWaveTestWindowTest());
    suites.push_back(bw::testing::MakeProgramFilesTest());
    suites.push_back(bw::testing::MakeTransportTest());
    suites.push_back(bw::testing::MakeRecoveryTest());
    suites.push_back(bw::testing::MakeOutputTest());
    suites.push_back(bw::testing::MakePulseOutputTest());
    suites.push_back(bw::testing::MakeMidiPadsTest());
    suites.push_back(bw::testing::MakeMidiWindowTest());
    // BW_UI_SUITE=Name runs only the test class of that name (Qt Test's own arguments then
    // select its functions).
    const QByteArray only = qgetenv("BW_UI_SUITE");
    int status = 0;
    bool ran = false;
    for (auto& suite : suites) {
        const QByteArray name = suite->metaObject()->className();
        if (!only.isEmpty() && !name.endsWith("::" + only)) {
            continue;
        }
        ran = true;
        status |= QTest::qExec(suite.get(), argc, argv);
    }
    if (!ran) {
        qWarning("BW_UI_SUITE=%s names no test class", only.constData());
        return 1;
    }
    return status;
}
