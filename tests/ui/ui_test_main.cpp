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
std::unique_ptr<QObject> MakeValueLaneTest();
std::unique_ptr<QObject> MakeTransportBandTest();
std::unique_ptr<QObject> MakeSequencerPanelTest();
std::unique_ptr<QObject> MakeMixerStripTest();
std::unique_ptr<QObject> MakeSoundPopupTest();
std::unique_ptr<QObject> MakeProgramFilesTest();
} // namespace bw::testing

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.push_back(bw::testing::MakeDrawHelpersTest());
    suites.push_back(bw::testing::MakeMainWindowTest());
    suites.push_back(bw::testing::MakePatternGridTest());
    suites.push_back(bw::testing::MakeTrackListTest());
    suites.push_back(bw::testing::MakeValueLaneTest());
    suites.push_back(bw::testing::MakeTransportBandTest());
    suites.push_back(bw::testing::MakeSequencerPanelTest());
    suites.push_back(bw::testing::MakeMixerStripTest());
    suites.push_back(bw::testing::MakeSoundPopupTest());
    suites.push_back(bw::testing::MakeProgramFilesTest());
    int status = 0;
    for (auto& suite : suites) {
        status |= QTest::qExec(suite.get(), argc, argv);
    }
    return status;
}
