#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace bw::ui {

/// What a file dialog asks for: to open an existing file or to name one to write.
struct FileRequest
{
    enum class Kind
    {
        Open,
        Save,
        Folder, // an existing folder, or one the dialog makes
    };
    Kind kind = Kind::Open;
    QString title;
    /// Qt filter text, e.g. "Wave files (*.wav)".
    QString filter;
    /// Added to a typed name without one (no dot).
    QString defaultSuffix;
    /// The name the dialog starts with, e.g. "*.wav".
    QString presetName;
};

/// Shows a modal file dialog; returns the chosen path, or an empty string when cancelled.
/// Every file dialog of the windows goes through here.
QString ChooseFile(QWidget* parent, const FileRequest& request);

/// Replaces the dialog (tests answer with a path instead of blocking). An empty function
/// restores the real dialog. Returns the previous handler.
using FileDialogHandler = std::function<QString(const FileRequest& request)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

/// A path as the library's file functions take it (the file system's own encoding).
std::string ToFileSystemPath(const QString& path);

} // namespace bw::ui
