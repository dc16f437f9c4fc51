#include "ui/widgets/background_task.h"

#include "ui/shell/ui_thread.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <thread>

#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

int g_running = 0;

/// What the worker and the UI thread share.
struct TaskState
{
    std::atomic<bool> done{false};
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{-1}; // -1 until the work reports
    std::exception_ptr error;      // written by the worker before done
};

/// The progress window: the label, a bar and Cancel. It cannot be closed while the work runs;
/// Escape and the title bar's close button mean Cancel when there is one.
class ProgressWindow : public QDialog
{
public:
    ProgressWindow(QWidget* parent, const QString& label, bool cancellable, TaskState& state)
        : QDialog(parent), m_state(state)
    {
        setObjectName(QStringLiteral("BackgroundProgress"));
        setWindowTitle(QStringLiteral("Please wait"));
        setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(this);
        m_label = new QLabel(label, this);
        m_label->setWordWrap(true);
        layout->addWidget(m_label);
        bar = new QProgressBar(this);
        bar->setRange(0, 0); // busy until the work says how far it is
        bar->setMinimumWidth(320);
        layout->addWidget(bar);
        if (cancellable) {
            m_cancel = MakeButton(this, QStringLiteral("Cancel"), QStringLiteral("Cancel"));
            connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
            layout->addWidget(m_cancel, 0, Qt::AlignRight);
        }
    }

    void reject() override
    {
        if (m_cancel == nullptr || m_state.cancel) {
            return;
        }
        m_state.cancel = true;
        m_cancel->setEnabled(false);
        m_label->setText(m_label->text() + QStringLiteral("\nStopping..."));
    }

    QProgressBar* bar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        reject();
    }

private:
    TaskState& m_state;
    QLabel* m_label = nullptr;
    QPushButton* m_cancel = nullptr;
};

/// Serves events until the work is done (or, with a limit, until that many milliseconds).
void WaitFor(TaskState& state,
             QEventLoop::ProcessEventsFlags flags,
             int limitMs,
             ProgressWindow* window)
{
    if (state.done) {
        return;
    }
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (window != nullptr && state.permille >= 0) {
            window->bar->setRange(0, 1000);
            window->bar->setValue(state.permille);
        }
        if (state.done || (limitMs >= 0 && clock.elapsed() >= limitMs)) {
            loop.quit();
        }
    });
    poll.start(10);
    loop.exec(flags);
}

} // namespace

void RunInBackground(QWidget* parent,
                     const QString& label,
                     bool cancellable,
                     const std::function<void(const ProgressFn& progress)>& work)
{
    BW_ASSERT_UI_THREAD();
    auto state = std::make_shared<TaskState>();
    std::thread worker([state, &work] {
        const ProgressFn progress = [state](double fraction) {
            state->permille = static_cast<int>(std::lrint(std::clamp(fraction, 0.0, 1.0) * 1000));
            return !state->cancel.load();
        };
        try {
            work(progress);
        } catch (...) {
            state->error = std::current_exception();
        }
        state->done = true;
    });
    ++g_running;
    // A short task ends before the user could do anything: their input waits for it. A long
    // one gets a window, modal, which keeps the input away from everything else.
    WaitFor(*state, QEventLoop::ExcludeUserInputEvents, ProgressWindowDelayMs, nullptr);
    if (!state->done) {
        ProgressWindow window(parent, label, cancellable, *state);
        window.show();
        WaitFor(*state, QEventLoop::AllEvents, -1, &window);
        window.hide();
    }
    worker.join();
    --g_running;
    if (state->error) {
        std::rethrow_exception(state->error);
    }
}

bool BackgroundWorkRunning()
{
    return g_running > 0;
}

} // namespace bw::ui
