#pragma once

#include <functional>

#include <QString>
#include <QUrl>

class QWidget;

namespace bw::ui {

enum class MessageButtons
{
    Ok,
    OkCancel,
};

enum class MessageResult
{
    Ok,
    Cancel,
};

/// One modal message box: text, a short caption ("!", "?", "hmmmm...", "ERROR") and buttons.
/// Every message of the program goes through here.
MessageResult ShowMessage(QWidget* parent,
                          const QString& text,
                          const QString& caption,
                          MessageButtons buttons = MessageButtons::Ok);

/// Replaces the modal box (tests record messages instead of blocking). An empty function
/// restores the real box. Returns the previous handler.
using MessageHandler = std::function<MessageResult(
    const QString& text, const QString& caption, MessageButtons buttons)>;
MessageHandler SetMessageHandler(MessageHandler handler);

/// Hands a document or web address to the system's default handler.
bool OpenExternal(const QUrl& url);

/// Replaces the system hand-over (tests). An empty function restores it.
using UrlHandler = std::function<bool(const QUrl& url)>;
UrlHandler SetUrlHandler(UrlHandler handler);

/// A file chosen in a modal dialog: save false opens an existing file, true names one to
/// write (defaultSuffix added when the name has none). Empty when the user cancels. filter
/// is a Qt filter ("Pattern files (*.bwp)").
QString ChooseFile(QWidget* parent,
                   bool save,
                   const QString& caption,
                   const QString& filter,
                   const QString& defaultSuffix);

/// Replaces the file dialogs (tests choose their own files). An empty function restores the
/// real dialogs. Returns the previous handler.
using FileChooser = std::function<QString(bool save, const QString& caption)>;
FileChooser SetFileChooser(FileChooser chooser);

} // namespace bw::ui
