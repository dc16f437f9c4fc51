#pragma once

#include <QPoint>
#include <QWidget>

class QComboBox;
class QLabel;
class QMouseEvent;
class QPainter;
class QScrollArea;
class QStatusBar;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The sound selection popup: every library sound as a cell of 110 x 17 pixels, in columns
/// top to bottom, then left to right. Hovering shows a sound's name, length and stretch in
/// the status bar; a left click picks the sound for the current track and closes the popup;
/// a right click plays the sound and leaves the popup open; clicking elsewhere closes it.
class TselfPopup : public QWidget
{
    Q_OBJECT
public:
    explicit TselfPopup(QWidget* parent = nullptr);

    /// The document and engine the popup reads lengths from and previews through.
    void attach(EditorContext& context) { m_ctx = &context; }

    /// Shows the popup with its top-left corner at a screen point, listing the items of
    /// names (the main window's sound combo: library order, always current).
    void showAt(QPoint screen, const QComboBox* names);

    /// Cell index under a point of the cell area.
    int indexAt(QPoint at) const;
    /// Top-left corner of cell i in the cell area.
    QPoint cellOrigin(int i) const;
    int rowsPerColumn() const { return m_rowsPerColumn; }
    int hoverIndex() const { return m_hoverIndex; }

    QScrollArea* ScrollBox1 = nullptr;
    PaintBox* P = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* namePanel = nullptr;
    QLabel* lengthPanel = nullptr;
    QLabel* stretchPanel = nullptr;
    QLabel* hintPanel = nullptr;

    static constexpr int CellWidth = 110;
    static constexpr int CellHeight = 17;

signals:
    /// A left click picked the sound at index (the popup has closed).
    void soundPicked(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    /// Esc closes the popup without picking a sound.
    void keyPressEvent(QKeyEvent* event) override;

private:
    int nameCount() const;
    void relayout();
    void keepOnScreen();
    void PPaint(QPainter& p, const QRect& clip);
    void PMouseMove(QMouseEvent* event);
    void PMouseDown(QMouseEvent* event);
    void showSoundInfo(int index);

    EditorContext* m_ctx = nullptr;
    const QComboBox* m_names = nullptr;
    int m_hoverIndex = -1;
    int m_prevHoverIndex = -1;
    int m_rowsPerColumn = 1;
};

} // namespace bw::ui
