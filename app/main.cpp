// The GUI program: creates the windows in their order and runs the event loop.

#include "ui/main_window.h"
#include "ui/program_windows.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Beat Wright"));
    // The program ends with its main window, whatever tool windows are still open.
    QApplication::setQuitOnLastWindowClosed(false);

    auto windows = bw::ui::CreateProgramWindows();
    QObject::connect(windows->main.get(), &bw::ui::TMain::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    windows->main->show();
    const int result = QApplication::exec();
    windows.reset();
    return result;
}
