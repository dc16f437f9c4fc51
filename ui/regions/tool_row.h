#pragma once

#include <QObject>

class QFrame;
class QLabel;
class QSpinBox;
class QTimer;
class QToolButton;
class QWidget;

namespace bw::ui {

class EditorContext;

/// The tool row of the top strip: the grid's two modes, the clipboard buttons, zoom and the
/// volume new events get. It holds no state of its own beyond its controls; others act on its
/// signals, and the volume is the song's.
class ToolRow : public QObject
{
    Q_OBJECT
public:
    ToolRow(EditorContext& context, QWidget* parent);

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
    QLabel* newVolumeLabel = nullptr;
    /// The volume a click gives a new event (2..10000), stored with the song.
    QSpinBox* newVolume = nullptr;

    /// The volume box was set: the song takes the value (one undo step).
    void newVolumeChange(int volume);

    static constexpr int RowHeight = 41;

private:
    void showSongSettings();

    EditorContext& m_ctx;
};

} // namespace bw::ui
