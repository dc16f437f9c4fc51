#include "ui/windows/export_dialog.h"

#include "core/arrangement.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

namespace bw::ui {

TWriteWavF::TWriteWavF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WriteWavF"));
    setWindowTitle(QStringLiteral("Write Wav"));
    setFixedSize(420, 166);
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
    m_loopOnly = new QCheckBox(QStringLiteral("export loop range only"), this);
    m_loopOnly->setObjectName(QStringLiteral("loopOnly"));
    m_loopOnly->setToolTip(
        QStringLiteral("Write the song's loop range once instead of the whole song"));
    grid->addWidget(m_loopOnly, 2, 1);
    auto* buttons = new QHBoxLayout();
    m_write = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("Select File and Write"));
    m_write->setDefault(true);
    m_cancel = MakeButton(this, QStringLiteral("Cancel"), QStringLiteral("Cancel"));
    m_cancel->setToolTip(QStringLiteral("Close this window; an export under way goes on"));
    buttons->addStretch(1);
    buttons->addWidget(m_write);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    connect(m_write, &QPushButton::clicked, this, &TWriteWavF::Button1Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TWriteWavF::attach(EditorContext& context)
{
    m_ctx = &context;
    connect(&context.transport(), &Transport::exportStarted, this, &TWriteWavF::exportStarted);
}

void TWriteWavF::exportStarted(const QString& target, bool song)
{
    m_target = target;
    m_what = song ? ExportWhat::Song : ExportWhat::Pattern;
    setWindowTitle(caption());
    m_file->setText(QStringLiteral(" ") + QDir::toNativeSeparators(target));
    m_write->setEnabled(false);
}

void TWriteWavF::openFor(ExportWhat what)
{
    if (m_target.isEmpty()) {
        m_what = what;
    }
    open();
}

QString TWriteWavF::caption() const
{
    return m_what == ExportWhat::Song ? QStringLiteral("Write Song Wav")
                                      : QStringLiteral("Write Pattern Wav");
}

void TWriteWavF::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    setWindowTitle(caption());
    if (m_target.isEmpty()) {
        m_file->setText(QStringLiteral(" - - - "));
        m_progress->setValue(0);
    }
    // One export at a time: while one runs the dialog only shows its progress.
    m_write->setEnabled(m_target.isEmpty());
    const bool range = m_ctx != nullptr &&
                       m_ctx->withSong([](const core::TSong& s) { return core::HasLoopRange(s); });
    m_loopOnly->setVisible(m_what == ExportWhat::Song);
    m_loopOnly->setEnabled(range && m_target.isEmpty());
    if (!range) {
        m_loopOnly->setChecked(false);
    }
    CentreOnScreen(this);
}

void TWriteWavF::Button1Click()
{
    if (m_ctx == nullptr || !m_target.isEmpty()) {
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
    // The engine writes beside the target and renames its file into place once the export is
    // complete; a stopped or failed export leaves the target as it was.
    // Nothing starts while the program stops the engine or another export runs.
    m_ctx->transport().exportTo(target, m_what,
                                m_what == ExportWhat::Song && m_loopOnly->isChecked());
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
    m_target.clear();
    close();
}

void TWriteWavF::runEnded()
{
    m_target.clear();
    m_write->setEnabled(true);
    m_progress->setValue(0);
    close();
}

} // namespace bw::ui
