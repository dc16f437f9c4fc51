#include "ui/export_dialog.h"

#include "ui/editor_context.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"
#include "ui/render_bridge.h"
#include "ui/widget_factory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTemporaryFile>

namespace bw::ui {

namespace {

/// A new, empty file in the target's folder for the engine to write, with the permissions
/// the target has (or an ordinary file's). When none can be made, a name the engine will
/// fail to create, so that it reports the folder as not writable.
QString TemporaryFileBeside(const QString& target)
{
    const QFileInfo info(target);
    const QString stem = QStringLiteral(".") + info.fileName();
    QTemporaryFile file(info.absoluteDir().filePath(stem + QStringLiteral(".XXXXXX.part")));
    file.setAutoRemove(false);
    if (!file.open()) {
        return info.absoluteDir().filePath(stem + QStringLiteral(".part"));
    }
    const QString path = file.fileName();
    file.close();
    const QFileDevice::Permissions ordinary = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(path, info.exists() ? QFile::permissions(target) : ordinary);
    return path;
}

} // namespace

TWriteWavF::TWriteWavF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WriteWavF"));
    setWindowTitle(QStringLiteral("Write Wav"));
    setFixedSize(420, 140);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Output-file :"), this), 0, 0);
    m_file = new QLabel(QStringLiteral(" - - - "), this);
    m_file->setObjectName(QStringLiteral("label1"));
    m_file->setFrameShape(QFrame::Panel);
    m_file->setFrameShadow(QFrame::Sunken);
    m_file->setMinimumWidth(300);
    grid->addWidget(m_file, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Progress"), this), 1, 0);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    grid->addWidget(m_progress, 1, 1);
    auto* buttons = new QHBoxLayout();
    m_write = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("Select File and Write"));
    m_write->setDefault(true);
    m_cancel = MakeButton(this, QStringLiteral("Cancel"), QStringLiteral("Cancel"));
    m_cancel->setToolTip(QStringLiteral("Close this window; an export under way goes on"));
    buttons->addStretch(1);
    buttons->addWidget(m_write);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(m_write, &QPushButton::clicked, this, &TWriteWavF::Button1Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
}

QString TWriteWavF::caption() const
{
    const bool song = m_ctx != nullptr && m_ctx->flags().WriteSong.load();
    return song ? QStringLiteral("Write Song Wav") : QStringLiteral("Write Pattern Wav");
}

void TWriteWavF::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    setWindowTitle(caption());
    if (m_temp.isEmpty()) {
        m_file->setText(QStringLiteral(" - - - "));
        m_progress->setValue(0);
    }
    // One export at a time: while one runs the dialog only shows its progress.
    m_write->setEnabled(m_temp.isEmpty());
    CentreOnScreen(this);
}

void TWriteWavF::Button1Click()
{
    if (m_ctx == nullptr || !m_temp.isEmpty()) {
        return;
    }
    FileRequest request;
    request.kind = FileRequest::Kind::Save;
    request.title = caption();
    request.filter = QStringLiteral("Windows PCM (*.wav)");
    request.defaultSuffix = QStringLiteral("wav");
    request.presetName = QStringLiteral("*.wav");
    const QString target = ChooseFile(this, request);
    if (target.isEmpty()) {
        close();
        return;
    }
    RenderBridge& bridge = m_ctx->bridge();
    if (bridge.stopping()) {
        return; // the program is stopping the engine: nothing may start now
    }
    m_target = target;
    m_temp = TemporaryFileBeside(target);
    audio::RequestFlags& flags = m_ctx->flags();
    flags.InspectorPlayRequested = false;
    flags.SongMode = false;
    flags.setExportFileName(ToFileSystemPath(m_temp));
    flags.WriteRequested = true;
    m_file->setText(QStringLiteral(" ") + QDir::toNativeSeparators(target));
    m_write->setEnabled(false);
    if (!bridge.startRun()) {
        flags.WriteRequested = false;
        runEnded();
    }
}

void TWriteWavF::followEngine(RenderBridge& bridge)
{
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if (r.writing || r.exportPending) {
            m_progress->setValue(std::clamp(r.progress, 0, 100));
        }
    });
    connect(&bridge, &RenderBridge::exportFinished, this, &TWriteWavF::exportCompleted);
    connect(&bridge, &RenderBridge::runEnded, this, &TWriteWavF::runEnded);
}

void TWriteWavF::exportCompleted()
{
    if (!m_temp.isEmpty()) {
        const QString temp = std::exchange(m_temp, QString());
        // rename() replaces the target in one step: readers see the old file or the new one.
        if (std::rename(QFile::encodeName(temp).constData(),
                        QFile::encodeName(m_target).constData()) != 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            QFile::remove(temp);
            ShowMessage(this,
                        QStringLiteral("The export could not be saved as \"%1\":\n%2")
                            .arg(QDir::toNativeSeparators(m_target), reason),
                        QStringLiteral("ERROR"));
        }
    }
    close();
}

void TWriteWavF::runEnded()
{
    if (!m_temp.isEmpty()) {
        QFile::remove(std::exchange(m_temp, QString()));
    }
    m_write->setEnabled(true);
    m_progress->setValue(0);
    close();
}

} // namespace bw::ui
