#pragma once

#include "library/sample_import.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPainter;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The sample import window: loads a sound file, shows its waveform with the selection of a
/// start and an end point (left and right mouse button), zooms, plays the selection through
/// the engine and adds it to the library under a name. Closing it shows the library window.
class TWaveInspector : public QDialog
{
    Q_OBJECT
public:
    explicit TWaveInspector(QWidget* parent = nullptr);

    /// The document, library and engine the window works on (set once at start).
    void attach(EditorContext& context) { m_ctx = &context; }

    library::SampleImport& sampleImport() { return m_import; }

    void Button1Click();      // "Load Wave"
    void Button4Click();      // "Select All"
    void Button2Click();      // "ADD"
    void SpeedButton1Click(); // play the selection
    void SpeedButton2Click(); // zoom in
    void SpeedButton3Click(); // zoom out

    QFrame* topPanel = nullptr;
    QPushButton* Button1 = nullptr; // Load Wave
    QLineEdit* SampleName = nullptr;
    QPushButton* Button4 = nullptr; // Select All
    QPushButton* Button2 = nullptr; // ADD
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label3 = nullptr; // the file
    QScrollArea* ScrollBox1 = nullptr;
    PaintBox* PaintBox1 = nullptr; // the waveform
    QFrame* bottomPanel = nullptr;
    QLabel* hint = nullptr;
    QToolButton* SpeedButton3 = nullptr; // zoom out
    QToolButton* SpeedButton2 = nullptr; // zoom in
    QPushButton* Button3 = nullptr;      // CLOSE

    /// Height of the waveform area's view.
    static constexpr int ScrollBoxHeight = 150;

public slots:
    /// The window closes (CLOSE, its title bar, Escape): the samples go, the library window
    /// comes back.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PaintBox1Paint(QPainter& p, const QRect& clip);
    void PaintBox1MouseDown(QMouseEvent* event);
    QString waveToolTip(QPoint at) const;
    /// Sizes the waveform for the scroll range and repaints it.
    void resizeWave();

    EditorContext* m_ctx = nullptr;
    library::SampleImport m_import;
    bool m_placed = false;
};

} // namespace bw::ui
