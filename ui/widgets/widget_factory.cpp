#include "ui/widgets/widget_factory.h"

#include "ui/widgets/paint_box.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
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

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

namespace {

QRect ScreenArea(const QWidget* window)
{
    const QScreen* s =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    return s != nullptr ? s->geometry() : QRect();
}

} // namespace

void CentreOnScreen(QWidget* window)
{
    const QRect area = ScreenArea(window);
    if (area.isValid()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(area.center());
        window->move(frame.topLeft());
    }
}

void KeepOnScreen(QWidget* window)
{
    const QRect area = ScreenArea(window);
    if (!area.isValid()) {
        return;
    }
    QRect frame = window->frameGeometry();
    if (frame.bottom() > area.bottom()) {
        frame.moveBottom(area.bottom());
    }
    if (frame.right() > area.right()) {
        frame.moveRight(area.right());
    }
    window->move(frame.topLeft());
}

} // namespace bw::ui
