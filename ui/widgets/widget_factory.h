#pragma once

#include "ui/widgets/draw_helpers.h"

#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

namespace bw::ui {

class PaintBox;

/// Small constructors for the controls every region builds: each gets its object name, the
/// name the layout and the tests find it by.
void SetBackground(QWidget* widget, BgrColor color);
void SetTextColor(QWidget* widget, BgrColor color);
QFrame* MakePanel(QWidget* parent, const QString& name, BgrColor color);
PaintBox* MakePaintBox(QWidget* parent, const QString& name);
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text);
QToolButton*
MakeSpeedButton(QWidget* parent, const QString& name, const QString& text, bool checkable);
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text);

/// Moves a top-level window to the middle of its screen.
void CentreOnScreen(QWidget* window);
/// Moves a top-level window up and left as far as needed to lie fully on its screen.
void KeepOnScreen(QWidget* window);

/// The dark blue-grey of the window's frames behind the painted regions.
inline constexpr BgrColor FrameColor = 0x332823;

} // namespace bw::ui
