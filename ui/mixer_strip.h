#pragma once

#include <QObject>
#include <QRect>

class QFrame;
class QPainter;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The mixer strip at the window's foot: per track a number, a pan slider, a volume and a
/// delay fader and a transpose tag.
class MixerStrip : public QObject
{
    Q_OBJECT
public:
    MixerStrip(EditorContext& context, QWidget* parent);

    void setGeometry(const QRect& rect);

    QFrame* Panel9 = nullptr;
    PaintBox* PaintBox6 = nullptr; // track numbers
    PaintBox* panmix = nullptr;
    QFrame* Panel_volumandex = nullptr;
    PaintBox* Volumemix = nullptr;

private:
    void PaintBox6Paint(QPainter& p);
    void repaint();

    EditorContext& m_ctx;
};

} // namespace bw::ui
