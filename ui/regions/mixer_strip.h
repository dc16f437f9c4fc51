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
    /// What the arrow keys and Page Up/Down add to the control last pressed or hovered.
    static constexpr int VolumeStep = 100;
    static constexpr int DelayStep = 10;
    static constexpr int PanStep = 10;
    static constexpr int PageSteps = 10;

private:
    /// The control of a track that the keys and the readout address.
    enum class Control
    {
        None,
        Volume,
        Transpose,
        Delay,
        Pan,
    };
    struct Target
    {
        Control control = Control::None;
        int track = -1;
    };
    Target volumeTargetAt(QPoint at) const;
    Target panTargetAt(QPoint at) const;
    /// The name and value of target's control, as tooltip and readout; empty for none.
    QString readoutText(Target target) const;
    /// Shows the value of target next to at on box, or hides the readout.
    void showReadout(QWidget* box, QPoint at, Target target);
    /// Arrow keys and Page Up/Down on the focused mixer step the active control.
    bool stepActive(int key);
    /// A double click sets a volume, delay send or pan to its default.
    void resetTarget(Target target);
    bool eventFilter(QObject* watched, QEvent* event) override;
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
    Target m_active; // pressed or hovered last
};

} // namespace bw::ui
