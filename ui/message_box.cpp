#include "ui/message_box.h"

#include "ui/ui_thread.h"

#include <utility>

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

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

FileChooser& CurrentFileChooser()
{
    static FileChooser chooser;
    return chooser;
}

} // namespace

MessageResult
ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageButtons buttons)
{
    BW_ASSERT_UI_THREAD();
    if (const MessageHandler& handler = CurrentMessageHandler()) {
        return handler(text, caption, buttons);
    }
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    if (buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
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

UrlHandler SetUrlHandler(UrlHandler handler)
{
    return std::exchange(CurrentUrlHandler(), std::move(handler));
}

QString ChooseFile(QWidget* parent,
                   bool save,
                   const QString& caption,
                   const QString& filter,
                   const QString& defaultSuffix)
{
    BW_ASSERT_UI_THREAD();
    if (const FileChooser& chooser = CurrentFileChooser()) {
        return chooser(save, caption);
    }
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

FileChooser SetFileChooser(FileChooser chooser)
{
    return std::exchange(CurrentFileChooser(), std::move(chooser));
}

} // namespace bw::ui
