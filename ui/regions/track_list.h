#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QCheckBox;
class QComboBox;
class QFrame;
class QMouseEvent;
class QPainter;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The track list left of the grid: the sounds column (number and sound name per track) and
/// the mute column (a lamp per track), level with the grid's rows. A click makes a track the
/// current one; a right click, or a click on the column's right end, opens the sound popup;
/// a click on a lamp mutes or unmutes the track. Also the hidden sound combo, whose items are
/// the library's sounds, and the hidden "Enabled" box.
class TrackList : public QObject
{
    Q_OBJECT
public:
    /// soundBoxHost holds the hidden sound combo and "Enabled" box (the top strip).
    TrackList(EditorContext& context, QWidget* parent, QWidget* soundBoxHost);

    void setGeometry(const QRect& rect);
    /// Refills the sound combo with the library's sound names, in library order.
    void fillSoundBox();

    /// Gives the current track the library sound at index (the sound popup's pick).
    void SetTrackSound(int index);
    /// The sound combo's choice: the same as SetTrackSound for its selected item.
    void soundboxChange(int index);
    /// Places the sound popup with its top-left corner at a screen point and shows it.
    void ShowSoundPopup(QPoint screen);
    /// Deletes library sound n after asking; saves the library and rebinds the tracks. The
    /// question and the warnings belong to from (the window the user acted in; the main
    /// window when null). Returns whether the sound was deleted.
    bool DeleteLibrarySound(int n, QWidget* from = nullptr);

    QFrame* Panel8 = nullptr;
    PaintBox* PaintBox1 = nullptr; // sounds
    PaintBox* PaintBox4 = nullptr; // mute
    QComboBox* soundbox = nullptr;
    QCheckBox* CheckBox1 = nullptr; // "Enabled"

    /// A click this close to the sounds column's right end opens the popup.
    static constexpr int PopupZone = 25;

private:
    void PaintBox1Paint(QPainter& p);
    void PaintBox4Paint(QPainter& p);
    void PaintBox1MouseDown(QMouseEvent* event);
    void PaintBox4MouseDown(QMouseEvent* event);
    void CheckBox1Click(bool checked);
    QString muteToolTip(QPoint at) const;
    int rowAt(int y) const;
    void repaint();
    void followGrid();
    bool eventFilter(QObject* watched, QEvent* event) override;

    EditorContext& m_ctx;
    int m_scrollY = 0; // the grid's vertical offset the rows were last drawn with
};

} // namespace bw::ui
