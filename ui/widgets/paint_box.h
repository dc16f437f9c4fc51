#pragma once

#include <functional>

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QWidget>

namespace bw::ui {

/// A plain painted area whose owner (the region that holds its state) supplies the paint,
/// mouse and tooltip handlers.
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
    /// The tooltip for the point under the mouse (empty: the box's own tooltip).
    std::function<QString(QPoint at)> onToolTip;
    /// A double click; without a handler it counts as a second press, as quick clicks on a
    /// grid or a fader must.
    std::function<void(QMouseEvent* event)> onDoubleClick;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip && onToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString text = onToolTip(help->pos());
            if (!text.isEmpty()) {
                QToolTip::showText(help->globalPos(), text, this);
                return true;
            }
        }
        return QWidget::event(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (onDoubleClick) {
            onDoubleClick(event);
        } else {
            mousePressEvent(event);
        }
    }
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
