#pragma once

#include <QObject>
#include <QString>

class QProgressBar;
class QPushButton;
class QStatusBar;
class QWidget;

namespace bw::ui {

class RenderBridge;
class Transport;

/// The main window's status line during an export: while it runs, its progress and a Stop
/// (the export dialog may be closed meanwhile); at its end, where the file went, or that the
/// target was left as it was. Lives on the UI thread.
class ExportStatus : public QObject
{
    Q_OBJECT
public:
    ExportStatus(Transport& transport, RenderBridge& bridge, QStatusBar* bar);

    QWidget* panel() const { return m_panel; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* stopButton() const { return m_stop; }

private:
    void started(const QString& path, bool song);
    void ended();

    Transport& m_transport;
    QStatusBar* m_bar;
    QWidget* m_panel = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QString m_path;      // the target of the export under way; empty while none runs
    bool m_song = false; // the export writes the song, not a pattern pass
    bool m_completed = false;
    bool m_failed = false;
};

} // namespace bw::ui
