#include "ui/widgets/message_box.h"

#include "ui/shell/ui_thread.h"

#include <utility>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace bw::ui {

namespace {

MessageHandler& CurrentMessageHandler()
{
    static MessageHandler handler;
    return handler;
}

UrlHandler& CurrentUrlHandler()
{
    static UrlHandler handler;
    return handler;
}

MessageResult ShowBox(QWidget* parent,
                      const QString& text,
                      const QString& caption,
                      MessageButtons buttons,
                      QMessageBox::Icon icon)
{
    BW_ASSERT_UI_THREAD();
    if (const MessageHandler& handler = CurrentMessageHandler()) {
        return handler(text, caption, buttons);
    }
    QMessageBox box(parent != nullptr ? parent->window() : nullptr);
    box.setIcon(icon);
    box.setWindowTitle(caption);
    box.setText(text);
    if (buttons == MessageButtons::RestoreDiscard) {
        // Neither button is the escape button: closing the box decides nothing.
        QPushButton* restore = box.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
        QPushButton* discard =
            box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
        box.setDefaultButton(restore);
        box.exec();
        // Only a click on Discard throws the work away.
        return box.clickedButton() == discard ? MessageResult::Cancel : MessageResult::Ok;
    }
    if (buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

} // namespace

MessageResult
ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageButtons buttons)
{
    return ShowBox(parent, text, caption, buttons, QMessageBox::NoIcon);
}

MessageResult ShowErrorMessage(QWidget* parent, const QString& text, const QString& caption)
{
    return ShowBox(parent, text, caption, MessageButtons::Ok, QMessageBox::Critical);
}

void SetOwnerWindow(QWidget* dialog, QWidget* owner)
{
    if (dialog == nullptr || owner == nullptr) {
        return;
    }
    dialog->winId(); // creates the platform window when it does not exist yet
    owner->window()->winId();
    if (QWindow* handle = dialog->windowHandle()) {
        handle->setTransientParent(owner->window()->windowHandle());
    }
}

QWidget* ActiveWindowOr(QWidget* fallback)
{
    QWidget* active = QApplication::activeWindow();
    return active != nullptr && active->isVisible() ? active : fallback;
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(CurrentMessageHandler(), std::move(handler));
}

bool OpenExternal(const QUrl& url)
{
    if (const UrlHandler& handler = CurrentUrlHandler()) {
        return handler(url);
    }
    return QDesktopServices::openUrl(url);
}

bool OpenInBrowser(QWidget* parent, const QUrl& url)
{
    if (OpenExternal(url)) {
        return true;
    }
    const QString where =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    ShowMessage(parent, QStringLiteral("No web browser could be started to show\n%1").arg(where),
                QStringLiteral("!"));
    return false;
}

UrlHandler SetUrlHandler(UrlHandler handler)
{
    return std::exchange(CurrentUrlHandler(), std::move(handler));
}

} // namespace bw::ui
