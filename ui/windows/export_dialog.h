#pragma once

#include "ui/shell/transport.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace bw::ui {

class EditorContext;
class RenderBridge;

/// The export dialog: "Select File and Write" asks for a file (or the stems' folder) and starts
/// the engine on
/// the current pattern or the song (the menu item chose which, through openFor); the engine
/// drives the progress bar and closes the dialog when the file is complete. The engine writes a
/// temporary file beside the chosen one, which replaces it only when the export completes:
/// a failed or stopped export leaves an existing file as it was.
class TWriteWavF : public QDialog
{
    Q_OBJECT
public:
    explicit TWriteWavF(QWidget* parent = nullptr);

    /// The transport the dialog starts exports with, and follows (set once at start).
    void attach(EditorContext& context);
    /// Opens the dialog to export what; while an export runs it shows that one instead.
    void openFor(ExportWhat what);
    /// Follows the engine: progress while a file is written, closed when the export is done.
    void followEngine(RenderBridge& bridge);

    void Button1Click(); // "Select File and Write"

    QProgressBar* progressBar() const { return m_progress; }
    QLabel* fileLabel() const { return m_file; }
    QPushButton* writeButton() const { return m_write; }
    QPushButton* cancelButton() const { return m_cancel; }
    /// "export loop range only": a song export writes the loop range once (shown for song
    /// exports; enabled while the song has a range).
    QCheckBox* loopOnlyBox() const { return m_loopOnly; }
    /// What is written: "mix", "stems" (one file per track that sounds, in a folder) or
    /// "both" (the stems go to the folder "NAME stems" beside the mix NAME.EXT).
    QComboBox* partsBox() const { return m_parts; }
    /// "WAV", "FLAC" or "Ogg Vorbis"; a typed file name with one of their suffixes wins.
    QComboBox* formatBox() const { return m_format; }
    /// The Ogg Vorbis quality, 0..1 (enabled for Ogg Vorbis).
    QDoubleSpinBox* qualityBox() const { return m_quality; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    /// An export was started (here or elsewhere): the dialog shows it until it ends.
    void exportStarted(const QString& target, bool song);
    /// The engine closed the complete file: it takes the chosen name.
    void exportCompleted();
    /// The run ended: a temporary file still there belongs to an export that did not
    /// complete, and goes.
    void runEnded();
    QString caption() const;

    EditorContext* m_ctx = nullptr;
    ExportWhat m_what = ExportWhat::Pattern;
    QLabel* m_file = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_write = nullptr;
    QPushButton* m_cancel = nullptr;
    QCheckBox* m_loopOnly = nullptr;
    QComboBox* m_parts = nullptr;
    QComboBox* m_format = nullptr;
    QDoubleSpinBox* m_quality = nullptr;
    QString m_target; // the file being written; empty while no export runs
};

} // namespace bw::ui
