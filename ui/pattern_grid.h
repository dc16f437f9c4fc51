#pragma once

#include <QCursor>
#include <QObject>
#include <QRect>

class QPainter;
class QScrollArea;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The pattern grid: one row per track, one column per step, a marker per event. Two stacked
/// paint boxes in a scroll box: the background PaintBox2 and the event layer noteBox.
class PatternGrid : public QObject
{
    Q_OBJECT
public:
    /// Editing state of the grid.
    struct State
    {
        bool PastePending = false; // a paste waits for its drop click
        bool PreviewShown = false; // the paste preview is on screen
        int PreviewX = 0;          // pixel x of the last preview
        bool BandActive = false;   // a rubber band is being dragged
        int BandStartX = 0, BandStartY = 0, BandEndX = 0, BandEndY = 0;
    };

    PatternGrid(EditorContext& context, QWidget* parent);

    /// Places the scroll box and fits the grid into its visible area.
    void setGeometry(const QRect& rect);
    /// Sets the vertical scroll range for that many track rows.
    void setRowCount(int tracks);
    /// The cursor of the event layer (the stick cursor when it loaded).
    void setGridCursor(const QCursor& cursor);
    /// Steps of the current pattern (beats x ticks, at least 1).
    int steps() const;

    State& state() { return m_state; }

    QScrollArea* ScrollBox1 = nullptr;
    QWidget* panel5 = nullptr;
    PaintBox* PaintBox2 = nullptr;
    PaintBox* noteBox = nullptr;

private:
    void PaintBox2Paint(QPainter& p, const QRect& clip);
    void noteBoxPaint(QPainter& p);
    void fitToView();
    void publishView();
    void repaint();

    EditorContext& m_ctx;
    State m_state;
    int m_rowsHeight = 0;
};

} // namespace bw::ui
