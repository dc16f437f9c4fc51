#pragma once

#include <functional>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace bw::ui {

/// A plain painted area whose owner supplies the paint and mouse handlers, so each editor's
/// handlers live with the window that owns its state.
class PaintBox : public QWidget
{
    Q_OBJECT
public:
    using PaintHandler = std::function<void(QPainter& painter, const QRect& clip)>;
    using MouseHandler = std::function<void(QMouseEvent* event)>;

    explicit PaintBox(QWidget* parent = nullptr) : QWidget(parent) {}

    PaintHandler onPaint;
    MouseHandler onMouseDown;
    MouseHandler onMouseMove;
    MouseHandler onMouseUp;
    /// Runs after a press and release of the left button inside the box.
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (onPaint) {
            QPainter painter(this);
            onPaint(painter, event->rect());
        }
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (onMouseDown) {
            onMouseDown(event);
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (onMouseMove) {
            onMouseMove(event);
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (onMouseUp) {
            onMouseUp(event);
        }
        if (onClick && event->button() == Qt::LeftButton && rect().contains(event->pos())) {
            onClick();
        }
    }
};

} // namespace bw::ui
