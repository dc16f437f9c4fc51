// Runs every UI test class in one process (one QApplication).

#include <memory>
#include <vector>

#include <QApplication>
#include <QObject>
#include <QTest>

namespace bw::testing {
std::unique_ptr<QObject> MakeDrawHelpersTest();
std::unique_ptr<QObject> MakeMainWindowTest();
} // namespace bw::testing

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.push_back(bw::testing::MakeDrawHelpersTest());
    suites.push_back(bw::testing::MakeMainWindowTest());
    int status = 0;
    for (auto& suite : suites) {
        status |= QTest::qExec(suite.get(), argc, argv);
    }
    return status;
}
