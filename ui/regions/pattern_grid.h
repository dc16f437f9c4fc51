#pragma once

#include <cstdint>

#include <QColor>
#include <QCursor>
#include <QObject>
#include <QRect>

class QMouseEvent;
class QPainter;
class QScrollArea;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The pattern grid: one row per track, one column per step, a marker per event that shows its
/// volume. Two stacked paint boxes in a scroll box: the background PaintBox2 and the event
/// layer noteBox. In "add/delete events" mode a left click inserts an event at the song's
/// volume for new events and a right click deletes one; a right drag up or down on an event
/// sets its volume, and Ctrl + click gives it the volume for new events. In "select events"
/// mode clicks and a rubber band mark events. A waiting paste drops on the next click. The
/// status bar names the volume, pitch and pan of the event under the pointer.
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
        bool VolumeDrag = false; // a press on an event sets its volume as the pointer moves
        bool VolumeMoved = false;
        bool DeleteOnClick = false; // right button: a click without a drag deletes
        int DragTrack = 0, DragSlot = 0, DragStartY = 0, DragStartVolume = 0;
    };

    /// Volume steps per pixel of a volume drag (up is louder).
    static constexpr int VolumePerPixel = 50;

    PatternGrid(EditorContext& context, QWidget* parent);

    /// Places the scroll box and fits the grid into its visible area.
    void setGeometry(const QRect& rect);
    /// Sets the vertical scroll range for that many track rows.
    void setRowCount(int tracks);
    /// The cursor of the event layer in "add/delete events" mode.
    void setStickCursor(const QCursor& cursor);
    /// Steps of the current pattern (beats x ticks, at least 1).
    int steps() const;

    // The two modes (the tool row's buttons).
    void OneBClick();
    void GroupBClick();
    bool selectMode() const { return m_selectMode; }

    /// Zoom: the grid twice as wide (up to 31998 px), or half as wide (at least the view).
    void zoomplusClick();
    void zoomminClick();

    /// Starts or cancels a waiting paste; returns whether one waits now.
    bool togglePaste();
    /// Ends a waiting paste without a drop.
    void cancelPaste();

    State& state() { return m_state; }

    /// Gives the grid's panel a colour (0xBBGGRR); it tints the star background.
    void setPanelColor(std::uint32_t color);

    QScrollArea* ScrollBox1 = nullptr;
    QWidget* panel5 = nullptr;
    PaintBox* PaintBox2 = nullptr;
    PaintBox* noteBox = nullptr;

    /// The widest the grid may get by zooming.
    static constexpr int MaxWidth = 31998;

signals:
    /// A waiting paste ended (dropped or cancelled): the Paste button is released.
    void pasteEnded();

private:
    void PaintBox2Paint(QPainter& p, const QRect& clip);
    void noteBoxPaint(QPainter& p);
    void paintBeatLabels(QPainter& p, int steps, int ticks);
    void noteBoxMouseDown(QMouseEvent* event);
    void noteBoxMouseMove(QMouseEvent* event);
    void noteBoxMouseUp(QMouseEvent* event);
    void dropPaste(int x);
    /// A press on the event at track r, slot p starts a volume drag; false when none is there.
    bool beginVolumeDrag(int r, int p, int y, bool deleteOnClick);
    void endVolumeDrag();
    /// The volume, pitch and pan of the event under the pointer, in the status bar.
    void showHover(QPoint at);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void fitToView();
    void publishView();
    void repaint();
    int trackCount() const;

    EditorContext& m_ctx;
    State m_state;
    int m_rowsHeight = 0;
    int m_zoomWidth = 0; // the width zoom asked for; 0: fit the view
    bool m_selectMode = false;
    QCursor m_stickCursor;
    QColor m_tint;             // invalid until a colour is given
    bool m_hoverShown = false; // the status bar shows an event's values
};

} // namespace bw::ui
