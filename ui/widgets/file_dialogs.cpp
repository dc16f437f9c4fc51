#include "ui/widgets/file_dialogs.h"

#include "ui/shell/ui_thread.h"

#include <string>
#include <utility>

#include <QFile>
#include <QFileDialog>

namespace bw::ui {

namespace {

FileDialogHandler& CurrentFileDialogHandler()
{
    static FileDialogHandler handler;
    return handler;
}

} // namespace

QString ChooseFile(QWidget* parent, const FileRequest& request)
{
    BW_ASSERT_UI_THREAD();
    if (const FileDialogHandler& handler = CurrentFileDialogHandler()) {
        return handler(request);
    }
    QFileDialog dialog(parent, request.title);
    const bool save = request.kind == FileRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (request.kind == FileRequest::Kind::Folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    if (!request.filter.isEmpty()) {
        dialog.setNameFilters({request.filter, QStringLiteral("All files (*)")});
    }
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.presetName.isEmpty() && !request.presetName.startsWith(QLatin1Char('*'))) {
        dialog.selectFile(request.presetName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(CurrentFileDialogHandler(), std::move(handler));
}

std::string ToFileSystemPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace bw::ui
