#pragma once

#include <QObject>
#include <QRect>

class QComboBox;
class QFrame;
class QPainter;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The track list left of the grid: the sounds column (number and sound name per track) and
/// the mute column (a lamp per track), level with the grid's rows; and the hidden sound combo
/// whose items are the library's sounds.
class TrackList : public QObject
{
    Q_OBJECT
public:
    /// soundBoxHost holds the hidden sound combo (the top strip).
    TrackList(EditorContext& context, QWidget* parent, QWidget* soundBoxHost);

    void setGeometry(const QRect& rect);
    /// Refills the sound combo with the library's sound names, in library order.
    void fillSoundBox();

    QFrame* Panel8 = nullptr;
    PaintBox* PaintBox1 = nullptr; // sounds
    PaintBox* PaintBox4 = nullptr; // mute
    QComboBox* soundbox = nullptr;

private:
    void PaintBox1Paint(QPainter& p);
    void PaintBox4Paint(QPainter& p);
    void repaint();
    void followGrid();

    EditorContext& m_ctx;
    int m_scrollY = 0; // the grid's vertical offset the rows were last drawn with
};

} // namespace bw::ui
