#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QPoint>
#include <QString>

class QAbstractSlider;
class QWidget;

namespace bw::ui {

/// Shows the value of a control the user is working: a tooltip beside the pointer at once
/// (not after the tooltip delay) and the same text in the window's status bar.
void ShowValueReadout(QWidget* widget, QPoint at, const QString& text);
/// Takes the readout away again (the pointer left the control).
void HideValueReadout(QWidget* widget);
/// Shows text in the window's status bar only (empty text clears it): what lies under the
/// pointer, where a tooltip at every move would be in the way.
void ShowStatusText(QWidget* widget, const QString& text);

/// Makes a slider or scroll bar readable and exact: its value as text while it is dragged,
/// hovered or stepped with the keys; the arrow keys step it by its single step (right and up
/// add), Page Up and Page Down by its page step, Home and End go to its ends (it takes the
/// focus on a click); a double click sets it to
/// defaultValue when there is one. Lives as long as the slider.
class SliderReadout : public QObject
{
public:
    SliderReadout(QAbstractSlider* slider,
                  std::function<QString(int value)> text,
                  std::optional<int> defaultValue);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(QPoint at);
    QPoint handleCentre() const;

    QAbstractSlider* m_slider;
    std::function<QString(int value)> m_text;
    std::optional<int> m_default;
};

} // namespace bw::ui
