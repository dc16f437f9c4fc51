#include "ui/shell/quit_signals.h"

#include "ui/shell/main_window.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace bw::ui {

namespace {

constexpr std::array<int, 3> Signals = {SIGTERM, SIGHUP, SIGINT};

/// The pipe a handler writes the signal to (the only thing a handler may safely do), read on
/// the UI thread.
int g_pipe[2] = {-1, -1};
std::array<struct sigaction, Signals.size()> g_previous{};

void onSignal(int sig)
{
    const char byte = static_cast<char>(sig);
    const ssize_t written = ::write(g_pipe[1], &byte, 1);
    static_cast<void>(written); // a full pipe already holds a quit
}

} // namespace

QuitSignals::QuitSignals(TMain& window)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        window.quitOnSignal();
    });
    for (std::size_t i = 0; i < Signals.size(); ++i) {
        struct sigaction action
        {
        };
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(Signals[i], &action, &g_previous[i]);
    }
}

QuitSignals::~QuitSignals()
{
    if (m_notifier == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < Signals.size(); ++i) {
        ::sigaction(Signals[i], &g_previous[i], nullptr);
    }
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

} // namespace bw::ui
