#include "ui/widgets/value_readout.h"

#include <utility>

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <QWidget>

namespace bw::ui {

void ShowValueReadout(QWidget* widget, QPoint at, const QString& text)
{
    if (widget == nullptr) {
        return;
    }
    // Below the pointer, where the hand does not cover it.
    QToolTip::showText(widget->mapToGlobal(at + QPoint(0, 18)), text, widget);
    // A status tip travels up to the main window, which shows it in its status bar.
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(widget, &tip);
}

void HideValueReadout(QWidget* widget)
{
    if (widget == nullptr) {
        return;
    }
    QToolTip::hideText();
    QStatusTipEvent tip{QString()};
    QCoreApplication::sendEvent(widget, &tip);
}

void ShowStatusText(QWidget* widget, const QString& text)
{
    if (widget == nullptr) {
        return;
    }
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(widget, &tip);
}

SliderReadout::SliderReadout(QAbstractSlider* slider,
                             std::function<QString(int value)> text,
                             std::optional<int> defaultValue)
    : QObject(slider), m_slider(slider), m_text(std::move(text)), m_default(defaultValue)
{
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_slider->setMouseTracking(true);
    m_slider->installEventFilter(this);
    connect(m_slider, &QAbstractSlider::valueChanged, this, [this] {
        // Dragged or stepped with the keys: the readout follows the handle.
        if (m_slider->isSliderDown() || m_slider->hasFocus() || m_slider->underMouse()) {
            show(m_slider->isSliderDown() || !m_slider->underMouse()
                     ? handleCentre()
                     : m_slider->mapFromGlobal(QCursor::pos()));
        }
    });
}

QPoint SliderReadout::handleCentre() const
{
    QStyleOptionSlider option;
    option.initFrom(m_slider);
    option.orientation = m_slider->orientation();
    option.minimum = m_slider->minimum();
    option.maximum = m_slider->maximum();
    option.sliderPosition = m_slider->sliderPosition();
    option.sliderValue = m_slider->value();
    const QStyle::ComplexControl control =
        m_slider->inherits("QSlider") ? QStyle::CC_Slider : QStyle::CC_ScrollBar;
    const QStyle::SubControl handle =
        control == QStyle::CC_Slider ? QStyle::SC_SliderHandle : QStyle::SC_ScrollBarSlider;
    const QRect r = m_slider->style()->subControlRect(control, &option, handle, m_slider);
    return r.isValid() ? r.center() : m_slider->rect().center();
}

void SliderReadout::show(QPoint at)
{
    ShowValueReadout(m_slider, at, m_text(m_slider->value()));
}

bool SliderReadout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_slider) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseMove:
        show(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Enter:
        show(m_slider->mapFromGlobal(QCursor::pos()));
        break;
    case QEvent::Leave:
        if (!m_slider->isSliderDown()) {
            HideValueReadout(m_slider);
        }
        break;
    case QEvent::ToolTip:
        show(static_cast<QHelpEvent*>(event)->pos());
        return true; // the readout is the tooltip
    case QEvent::KeyPress: {
        // The same keys for the bar and the slider (a scroll bar leaves the arrows alone).
        QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Right:
        case Qt::Key_Up:
            action = QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_Left:
        case Qt::Key_Down:
            action = QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_PageUp:
            action = QAbstractSlider::SliderPageStepAdd;
            break;
        case Qt::Key_PageDown:
            action = QAbstractSlider::SliderPageStepSub;
            break;
        case Qt::Key_Home:
            action = QAbstractSlider::SliderToMinimum;
            break;
        case Qt::Key_End:
            action = QAbstractSlider::SliderToMaximum;
            break;
        default:
            return false;
        }
        m_slider->triggerAction(action);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        if (m_default && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_slider->setValue(*m_default);
            show(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace bw::ui
