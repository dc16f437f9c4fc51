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
    /// "Restore" (answered as Ok) and "Discard" (Cancel); there is no way out but the two.
    RestoreDiscard,
};

enum class MessageResult
{
    Ok,
    Cancel,
};

/// One modal message box: text, a short caption ("!", "?", "hmmmm...", "ERROR") and buttons.
/// Every message of the program goes through here. The box belongs to parent's window (the
/// window the user acted in), so that any window manager stacks it above that window, also
/// above a window that stays on top.
MessageResult ShowMessage(QWidget* parent,
                          const QString& text,
                          const QString& caption,
                          MessageButtons buttons = MessageButtons::Ok);

/// The same with the error icon (files that cannot be read, sounds cut short).
MessageResult ShowErrorMessage(QWidget* parent, const QString& text, const QString& caption);

/// Makes the top-level window dialog belong to owner's window for the window manager (it is
/// stacked above that window) without handing owner its deletion.
void SetOwnerWindow(QWidget* dialog, QWidget* owner);

/// The window a message that no command asked for (the engine's failures and notices)
/// belongs to: the program's active window while one is shown, otherwise fallback.
QWidget* ActiveWindowOr(QWidget* fallback);

/// Replaces the modal box (tests record messages instead of blocking). An empty function
/// restores the real box. Returns the previous handler.
using MessageHandler = std::function<MessageResult(
    const QString& text, const QString& caption, MessageButtons buttons)>;
MessageHandler SetMessageHandler(MessageHandler handler);

/// Hands a document or web address to the system's default handler.
bool OpenExternal(const QUrl& url);

/// Shows a page (a local file or a web address) in the user's browser through OpenExternal;
/// when no browser can be started, says so in a message box. Returns whether one started.
bool OpenInBrowser(QWidget* parent, const QUrl& url);

/// Replaces the system hand-over (tests). An empty function restores it.
using UrlHandler = std::function<bool(const QUrl& url)>;
UrlHandler SetUrlHandler(UrlHandler handler);

} // namespace bw::ui
