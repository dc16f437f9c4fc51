#pragma once

#include <functional>

#include <QObject>
#include <QPoint>

class QFrame;
class QMouseEvent;
class QPainter;
class QPoint;
class QWidget;

namespace bw::audio {
struct BlockReport;
}

namespace bw::core {
struct TNoteEvent;
}

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The value lane under the grid: the volume, pitch or pan of every event of the current
/// track, chosen with the selector tab; and the small animation box the engine steps once per
/// block.
class ValueLane : public QObject
{
    Q_OBJECT
public:
    /// selectorHost holds the selector (left of the lane), laneHost the lane's band,
    /// animationHost the animation box (the bottom strip's right part).
    ValueLane(EditorContext& context,
              QWidget* selectorHost,
              QWidget* laneHost,
              QWidget* animationHost);

    /// Places the lane's band at x in its host, width wide.
    void setLaneGeometry(int x, int width);

    enum Mode
    {
        VolumeMode = 0,
        PitchMode = 1,
        PanMode = 2,
    };
    /// Which value the lane shows and edits.
    int laneMode() const { return m_laneMode; }
    /// 0..3, stepped once per block while the engine runs.
    int animationCounter() const { return m_animationCounter; }

    QFrame* Panel13 = nullptr;
    PaintBox* valbox = nullptr;
    PaintBox* tab = nullptr;
    PaintBox* funBox3 = nullptr;

    static constexpr int LaneHeight = 87;

private:
    void valboxPaint(QPainter& p);
    void paintGuides(QPainter& p, int height);
    void paintPitchTags(QPainter& p, int height);
    void paintPans(QPainter& p, int height);
    /// Calls paint with the lane x and the event for every event of the selected track, under
    /// the song lock.
    void forEachShownEvent(const std::function<void(int x, const core::TNoteEvent&)>& paint);
    void valboxMouseDown(QMouseEvent* event);
    void valboxMouseMove(QMouseEvent* event);
    void valboxMouseUp(QMouseEvent* event);
    void editAt(QPoint at, Qt::MouseButton button);
    void tabPaint(QPainter& p);
    void tabMouseDown(QMouseEvent* event);
    void showModeHint();
    void funBox3Paint(QPainter& p);
    void stepAnimation(const audio::BlockReport& report);
    void repaint();
    void followGrid();

    EditorContext& m_ctx;
    int m_laneMode = 0;
    int m_animationCounter = 0;
    int m_scrollX = 0;
    int m_gridWidth = 0;
};

} // namespace bw::ui
