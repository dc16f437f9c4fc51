#pragma once

#include "ui/widgets/fader.h"

#include <QObject>
#include <QRect>

class QFrame;
class QMouseEvent;
class QPainter;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The mixer strip at the window's foot: per track a column with its number, a pan slider,
/// a volume fader (left half), a transpose tag and a delay-send fader (right half). The
/// controls edit the working copy's tracks directly; a left press on a fader or the pan row
/// starts a drag that the value lane shares (the context's MixerDragging).
class MixerStrip : public QObject
{
    Q_OBJECT
public:
    MixerStrip(EditorContext& context, QWidget* parent);

    void setGeometry(const QRect& rect);

    /// Width of one track's column in the fader and pan rows (0 without tracks).
    int columnWidth() const;
    /// The drawing records of track i's controls, as they are drawn and hit.
    TFader volumeFader(int track, int columnWidth) const;
    TFader delayFader(int track, int columnWidth) const;
    TFader panSlider(int track, int columnWidth) const;

    QFrame* Panel9 = nullptr;
    PaintBox* PaintBox6 = nullptr; // track numbers
    PaintBox* panmix = nullptr;
    QFrame* Panel_volumandex = nullptr;
    PaintBox* Volumemix = nullptr;

    /// On a column's right half, presses above TransposeBottom step the transpose and
    /// presses below DelayPressTop move the delay fader.
    static constexpr int TransposeBottom = 18;
    static constexpr int DelayPressTop = 19;
    /// The volume a right press on a volume fader sets.
    static constexpr int VolumeReset = 7500;

private:
    void PaintBox6Paint(QPainter& p);
    void panmixPaint(QPainter& p);
    void VolumemixPaint(QPainter& p);
    void panmixMouseDown(Qt::MouseButton button, int x);
    void VolumemixMouseDown(Qt::MouseButton button, int x, int y);
    QString volumeToolTip(QPoint at) const;
    QString panToolTip(QPoint at) const;
    int trackCount() const;
    void repaint();

    EditorContext& m_ctx;
};

} // namespace bw::ui
