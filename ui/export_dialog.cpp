#include "ui/export_dialog.h"

#include "ui/render_bridge.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace bw::ui {

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
    grid->addWidget(m_file, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Progress"), this), 1, 0);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    grid->addWidget(m_progress, 1, 1);
    auto* buttons = new QHBoxLayout();
    m_write = new QPushButton(QStringLiteral("Select File and Write"), this);
    m_write->setObjectName(QStringLiteral("Button1"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(m_write);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TWriteWavF::followEngine(RenderBridge& bridge)
{
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if (r.writing || r.exportPending) {
            m_progress->setValue(std::clamp(r.progress, 0, 100));
        }
    });
    connect(&bridge, &RenderBridge::exportFinished, this, &QDialog::close);
    connect(&bridge, &RenderBridge::runEnded, this, [this] {
        m_progress->setValue(0);
        close();
    });
}

} // namespace bw::ui
