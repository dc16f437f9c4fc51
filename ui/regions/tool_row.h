#pragma once

#include <QObject>

class QFrame;
class QTimer;
class QToolButton;
class QWidget;

namespace bw::ui {

/// The tool row of the top strip: the grid's two modes, the clipboard buttons and zoom.
/// It holds no state of its own beyond its buttons; others act on its signals.
class ToolRow : public QObject
{
    Q_OBJECT
public:
    explicit ToolRow(QWidget* parent);

    /// Places the row at y in its host, width wide.
    void setRowGeometry(int y, int width);
    /// True while "select events" is down (else "add/delete events" is).
    bool selectMode() const;
    /// While a paste waits, the "Paste" button blinks every 500 ms; after, it is released.
    void setPasteWaiting(bool waiting);

    QFrame* Panel18 = nullptr;
    QToolButton* OneB = nullptr;         // add/delete events
    QToolButton* GroupB = nullptr;       // select events
    QToolButton* SpeedButton1 = nullptr; // Cut
    QToolButton* SpeedButton3 = nullptr; // Copy
    QToolButton* SpeedButton5 = nullptr; // Paste
    QToolButton* zoomplus = nullptr;
    QToolButton* zoommin = nullptr;
    QToolButton* FillB = nullptr;
    QTimer* PasteTimer = nullptr;

    static constexpr int RowHeight = 41;
};

} // namespace bw::ui
