#pragma once

#include "ui/shell/main_window.h"

class QFrame;
class QLabel;
class QStatusBar;
class QWidget;

namespace bw::ui {

class PaintBox;

/// The main window's own panels: the frame the regions sit in, the logo and sequencer
/// pictures, the bottom strip's side panels and the status bar.
struct TMain::Frame
{
    QWidget* client = nullptr;
    // Top strip.
    QFrame* Panel16 = nullptr;
    PaintBox* Image2 = nullptr; // logo
    QFrame* PanelSeq = nullptr; // pattern tabs and tool row
    QFrame* Panel19 = nullptr;
    PaintBox* Image3 = nullptr; // "Sequencer" picture
    QLabel* seqLabel = nullptr;
    QFrame* Panel28 = nullptr; // LED row
    // Editor band under the grid.
    QFrame* Panel3 = nullptr;
    QFrame* Panel12 = nullptr; // beats, ticks, transpose and the lane selector
    // Bottom strip.
    QFrame* Panel1 = nullptr;
    QFrame* Panel14 = nullptr;
    PaintBox* Image4 = nullptr;
    QFrame* Panel24 = nullptr; // right strip
    QFrame* Panel25 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
};

} // namespace bw::ui
