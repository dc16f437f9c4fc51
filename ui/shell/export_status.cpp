#include "ui/shell/export_status.h"

#include "audio/engine_host.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"

#include <algorithm>

#include <QDir>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace bw::ui {

ExportStatus::ExportStatus(Transport& transport, RenderBridge& bridge, QStatusBar* bar)
    : QObject(bar), m_transport(transport), m_bar(bar)
{
    m_panel = new QWidget(bar);
    m_panel->setObjectName(QStringLiteral("exportStatus"));
    auto* row = new QHBoxLayout(m_panel);
    row->setContentsMargins(0, 0, 0, 0);
    m_progress = new QProgressBar(m_panel);
    m_progress->setObjectName(QStringLiteral("exportProgress"));
    m_progress->setRange(0, 100);
    m_progress->setFixedWidth(140);
    m_progress->setMaximumHeight(16);
    m_stop = new QPushButton(QStringLiteral("Stop"), m_panel);
    m_stop->setObjectName(QStringLiteral("exportStop"));
    m_stop->setToolTip(QStringLiteral("Stop the export; an existing file keeps what it held"));
    m_stop->setMaximumHeight(18);
    row->addWidget(m_progress);
    row->addWidget(m_stop);
    bar->addPermanentWidget(m_panel);
    m_panel->hide();

    connect(m_stop, &QPushButton::clicked, this, [this] { m_transport.stop(); });
    connect(&transport, &Transport::exportStarted, this, &ExportStatus::started);
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if (!m_path.isEmpty() && (r.writing || r.exportPending)) {
            m_progress->setValue(std::clamp(r.progress, 0, 100));
        }
    });
    connect(&bridge, &RenderBridge::exportFinished, this, [this] { m_completed = true; });
    connect(&bridge, &RenderBridge::runFailed, this, [this] { m_failed = true; });
    connect(&bridge, &RenderBridge::runEnded, this, &ExportStatus::ended);
}

void ExportStatus::started(const QString& path, bool song)
{
    m_path = path;
    m_song = song;
    m_completed = false;
    m_failed = false;
    m_progress->setValue(0);
    m_panel->show();
    m_bar->showMessage((song ? QStringLiteral("Writing the song to \"%1\"")
                             : QStringLiteral("Writing the pattern to \"%1\""))
                           .arg(QDir::toNativeSeparators(path)));
}

void ExportStatus::ended()
{
    if (m_path.isEmpty()) {
        return; // a run that wrote no file
    }
    const QString where = QDir::toNativeSeparators(m_path);
    if (m_completed) {
        m_bar->showMessage((m_song ? QStringLiteral("Song written to \"%1\"")
                                   : QStringLiteral("Pattern written to \"%1\""))
                               .arg(where));
    } else if (m_failed) {
        m_bar->showMessage(QStringLiteral("The export failed: \"%1\" was not written").arg(where));
    } else {
        m_bar->showMessage(QStringLiteral("Export stopped: \"%1\" was left as it was").arg(where));
    }
    m_path.clear();
    m_panel->hide();
}

} // namespace bw::ui
