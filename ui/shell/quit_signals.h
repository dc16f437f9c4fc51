#pragma once

#include <QObject>

class QSocketNotifier;

namespace bw::ui {

class TMain;

/// Hands SIGTERM, SIGHUP and SIGINT (a logout, `kill`, Ctrl-C in the terminal the program was
/// started from) to the main window's quitOnSignal on the UI thread, for as long as it lives;
/// the handlers before it come back after. One at a time.
class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(TMain& window);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace bw::ui
