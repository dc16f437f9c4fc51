#include "ui/widget_factory.h"

#include "ui/paint_box.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QToolButton>

namespace bw::ui {

void SetBackground(QWidget* widget, BgrColor color)
{
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    widget->setPalette(pal);
}

void SetTextColor(QWidget* widget, BgrColor color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, ToQColor(color));
    widget->setPalette(pal);
}

QFrame* MakePanel(QWidget* parent, const QString& name, BgrColor color)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    SetBackground(panel, color);
    return panel;
}

PaintBox* MakePaintBox(QWidget* parent, const QString& name)
{
    auto* box = new PaintBox(parent);
    box->setObjectName(name);
    return box;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QToolButton*
MakeSpeedButton(QWidget* parent, const QString& name, const QString& text, bool checkable)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setCheckable(checkable);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace bw::ui
