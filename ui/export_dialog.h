#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace bw::ui {

class RenderBridge;

/// The WAV export dialog. Its file choice and the start of the export are added with the
/// export; the engine drives the progress bar and closes the dialog.
class TWriteWavF : public QDialog
{
    Q_OBJECT
public:
    explicit TWriteWavF(QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return m_progress; }
    /// Follows the engine: progress while a file is written, closed when the export is done.
    void followEngine(RenderBridge& bridge);
    QLabel* fileLabel() const { return m_file; }

private:
    QLabel* m_file = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_write = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace bw::ui
