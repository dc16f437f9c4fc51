#include "ui/regions/mixer_strip.h"

#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/value_readout.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace bw::ui {

namespace {

constexpr int NumbersHeight = 17;
constexpr int PanHeight = 15;

constexpr int VolumeMax = 10000;
constexpr int DelayMax = 1000;
constexpr int PanMax = 2000;
constexpr int PanCentre = 1000;
// A new track's values, which a double click restores.
constexpr int VolumeDefault = 10000;
constexpr int DelayDefault = 0;

QString TransposeText(int transpose)
{
    return transpose > 0 ? QStringLiteral("+%1").arg(transpose) : QString::number(transpose);
}

/// Draws the picture centred on x with its top at top.
void DrawCentredImage(QPainter& p, const QImage& image, int x, int top)
{
    p.drawImage(x - image.width() / 2, top, image);
}

} // namespace

MixerStrip::MixerStrip(EditorContext& context, QWidget* parent) : QObject(parent), m_ctx(context)
{
    Panel9 = MakePanel(parent, QStringLiteral("Panel9"), colors::Gray);
    PaintBox6 = MakePaintBox(Panel9, QStringLiteral("PaintBox6"));
    PaintBox6->setAccessibleName(QStringLiteral("Mixer track numbers"));
    PaintBox6->onPaint = [this](QPainter& p, const QRect&) { PaintBox6Paint(p); };
    PaintBox6->onToolTip = [this](QPoint at) {
        const int n = trackCount();
        const int w = n > 0 ? PaintBox6->width() / n : 0;
        return w > 0 && at.x() / w < n ? QStringLiteral("Track %1").arg(at.x() / w + 1) : QString();
    };

    panmix = MakePaintBox(Panel9, QStringLiteral("panmix"));
    panmix->setAccessibleName(QStringLiteral("Pan of every track"));
    panmix->setAccessibleDescription(
        QStringLiteral("Drag a track's slider to pan it; right click to centre it"));
    panmix->setToolTip(QStringLiteral("Pan"));
    panmix->onPaint = [this](QPainter& p, const QRect&) { panmixPaint(p); };
    panmix->onMouseDown = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        panmixMouseDown(e->button(), at.x());
        m_active = panTargetAt(at);
        showReadout(panmix, at, m_active);
    };
    panmix->onDoubleClick = [this](QMouseEvent* e) {
        resetTarget(panTargetAt(e->position().toPoint()));
        showReadout(panmix, e->position().toPoint(), m_active);
    };
    panmix->onMouseMove = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        if (m_ctx.MixerDragging) {
            panmixMouseDown(Qt::LeftButton, at.x());
        }
        m_active = panTargetAt(at);
        showReadout(panmix, at, m_active);
    };
    panmix->onMouseUp = [this](QMouseEvent*) { m_ctx.MixerDragging = false; };
    panmix->onToolTip = [this](QPoint at) { return panToolTip(at); };

    Panel_volumandex = MakePanel(Panel9, QStringLiteral("Panel_volumandex"), colors::Gray);
    Volumemix = MakePaintBox(Panel_volumandex, QStringLiteral("Volumemix"));
    Volumemix->setAccessibleName(QStringLiteral("Volume, transpose and delay send of every track"));
    Volumemix->setAccessibleDescription(
        QStringLiteral("Left half of a track's column: volume fader (right click sets 7500). "
                       "Right half: transpose tag (click up, right click down) and delay send "
                       "fader"));
    Volumemix->setToolTip(QStringLiteral("Mixer"));
    Volumemix->onPaint = [this](QPainter& p, const QRect&) { VolumemixPaint(p); };
    Volumemix->onMouseDown = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        VolumemixMouseDown(e->button(), at.x(), at.y());
        m_active = volumeTargetAt(at);
        showReadout(Volumemix, at, m_active);
    };
    Volumemix->onMouseMove = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        if (m_ctx.MixerDragging) {
            VolumemixMouseDown(Qt::LeftButton, at.x(), at.y());
        } else {
            m_active = volumeTargetAt(at);
        }
        showReadout(Volumemix, at, m_active);
    };
    Volumemix->onDoubleClick = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        const Target target = volumeTargetAt(at);
        if (target.control == Control::Transpose) {
            // Quick clicks on the tag each count: two of them step it twice.
            VolumemixMouseDown(e->button(), at.x(), at.y());
        } else {
            resetTarget(target);
        }
        showReadout(Volumemix, at, target);
    };
    Volumemix->onMouseUp = [this](QMouseEvent*) { m_ctx.MixerDragging = false; };
    Volumemix->onToolTip = [this](QPoint at) { return volumeToolTip(at); };

    for (PaintBox* box : {panmix, Volumemix}) {
        // Hovering shows a control's value at once; a click gives the row the keys.
        box->setMouseTracking(true);
        box->setFocusPolicy(Qt::ClickFocus);
        box->installEventFilter(this);
    }

    connect(&m_ctx, &EditorContext::documentChanged, this, &MixerStrip::repaint);
    connect(&m_ctx, &EditorContext::displayChanged, this, &MixerStrip::repaint);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &MixerStrip::repaint);
    connect(&m_ctx, &EditorContext::skinChanged, this, &MixerStrip::repaint);
}

void MixerStrip::setGeometry(const QRect& rect)
{
    Panel9->setGeometry(rect);
    const int w = rect.width();
    PaintBox6->setGeometry(0, 0, w, NumbersHeight);
    panmix->setGeometry(0, NumbersHeight, w, PanHeight);
    const int top = NumbersHeight + PanHeight;
    Panel_volumandex->setGeometry(0, top, w, rect.height() - top);
    Volumemix->setGeometry(0, 0, w, Panel_volumandex->height());
}

void MixerStrip::repaint()
{
    PaintBox6->update();
    panmix->update();
    Volumemix->update();
}

int MixerStrip::trackCount() const
{
    return m_ctx.withSong(
        [](const core::TSong& s) { return std::clamp(s.TrackCount, 0, core::MaxTracks); });
}

int MixerStrip::columnWidth() const
{
    const int n = trackCount();
    return n > 0 ? Volumemix->width() / n : 0;
}

TFader MixerStrip::volumeFader(int track, int w) const
{
    TFader f;
    f.Images = m_ctx.skin();
    InitFader(f);
    f.Kind = TFader::Vertical;
    f.Top = 3;
    f.Bottom = Volumemix->height() - 3;
    f.Left = w * track + 1;
    f.Right = w * track + w / 2 + 1;
    f.MaxValue = VolumeMax;
    f.KnobPen = colors::Silver;
    f.KnobBrush = colors::Red;
    f.Tinted = 1;
    CentreFader(f);
    return f;
}

TFader MixerStrip::delayFader(int track, int w) const
{
    TFader f;
    f.Images = m_ctx.skin();
    InitFader(f);
    f.Kind = TFader::Vertical;
    f.Top = 20;
    f.Bottom = Volumemix->height() - 3;
    f.Left = w * track + w / 2;
    f.Right = w * track + w;
    f.MaxValue = DelayMax;
    f.KnobPen = colors::Silver;
    f.KnobBrush = colors::Blue;
    f.Tinted = 1;
    CentreFader(f);
    return f;
}

TFader MixerStrip::panSlider(int track, int w) const
{
    TFader f;
    f.Images = m_ctx.skin();
    InitFader(f);
    f.Kind = TFader::Horizontal;
    f.Left = w * track + 3;
    f.Right = w * track + w - 2;
    f.Top = 0;
    f.Bottom = panmix->height();
    f.MaxValue = PanMax;
    f.CentreMark = 1;
    CentreFader(f);
    return f;
}

// Painting --------------------------------------------------------------------------------

void MixerStrip::PaintBox6Paint(QPainter& p)
{
    p.fillRect(PaintBox6->rect(), ToQColor(colors::Gray));
    const int n = trackCount();
    const int width = PaintBox6->width();
    const int h = PaintBox6->height();
    const Skin* skin = m_ctx.skin();
    const int w = n > 0 ? width / n : 0;
    p.setFont(SmallFont());
    for (int i = 0; i < n && w > 0; ++i) {
        p.setPen(ToQColor(colors::White));
        DrawCentredText(p, w * i + w / 2, 2, QString::number(i + 1));
        p.drawLine(w * i, 0, w * i, h);
        if (skin != nullptr) {
            DrawCentredImage(p, skin->edgup, w * i, 0);
        }
    }
    p.setPen(ToQColor(colors::White));
    p.drawLine(width - 1, 0, width - 1, h);
    if (skin != nullptr) {
        DrawCentredImage(p, skin->edgup, width - 1, 0);
    }
}

void MixerStrip::panmixPaint(QPainter& p)
{
    p.fillRect(panmix->rect(), ToQColor(colors::Gray));
    const int n = trackCount();
    const int w = columnWidth();
    const int h = panmix->height();
    for (int i = 0; i < n && w > 0; ++i) {
        TFader f = panSlider(i, w);
        f.Canvas = &p;
        f.Value = m_ctx.withSong(
            [i](const core::TSong& s) { return s.Tracks[static_cast<std::size_t>(i)].Pan; });
        DrawFader(f);
        p.setPen(ToQColor(colors::White));
        p.drawLine(w * i, 0, w * i, h);
    }
    p.setPen(ToQColor(colors::White));
    p.drawLine(panmix->width() - 1, 0, panmix->width() - 1, h);
}

void MixerStrip::VolumemixPaint(QPainter& p)
{
    const int width = Volumemix->width();
    const int h = Volumemix->height();
    p.fillRect(Volumemix->rect(), ToQColor(colors::Gray));
    const int n = trackCount();
    const int w = columnWidth();
    const Skin* skin = m_ctx.skin();
    for (int i = 0; i < n && w > 0; ++i) {
        p.setPen(ToQColor(colors::White));
        p.drawLine(w * i, 0, w * i, h);
        if (skin != nullptr) {
            DrawCentredImage(p, skin->edgdo, w * i, h - 1 - skin->edgdo.height());
        }
    }
    p.setPen(ToQColor(colors::Silver));
    p.drawLine(0, h - 1, width, h - 1);
    p.setPen(ToQColor(colors::White));
    p.drawLine(width - 1, 0, width - 1, h);
    if (skin != nullptr) {
        DrawCentredImage(p, skin->edgdo, width - 1, h - skin->edgdo.height());
    }
    if (w <= 0) {
        return;
    }
    p.setFont(SmallFont());
    for (int i = 0; i < n; ++i) {
        const core::TTrack t = m_ctx.withSong(
            [i](const core::TSong& s) { return s.Tracks[static_cast<std::size_t>(i)]; });
        // Each track's controls stay in its column, however narrow the columns get.
        p.save();
        p.setClipRect(QRect(w * i, 0, w, h));
        TFader volume = volumeFader(i, w);
        volume.Canvas = &p;
        volume.Value = VolumeMax - t.Volume;
        DrawFader(volume);
        TFader delay = delayFader(i, w);
        delay.Canvas = &p;
        delay.Value = DelayMax - t.DelaySend;
        DrawFader(delay);
        DrawValueTag(p, w * i + (3 * w) / 4, 8, TransposeText(t.Transpose));
        p.restore();
    }
}

// Mouse ------------------------------------------------------------------------------------

void MixerStrip::VolumemixMouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton && button != Qt::RightButton) {
        return;
    }
    const int n = trackCount();
    const int w = columnWidth();
    if (w <= 0 || x < 0) {
        return;
    }
    const int i = x / w;
    const int d = x % w;
    if (i >= n) {
        return; // right of the last track's column
    }
    const int half = w / 2;
    const bool left = button == Qt::LeftButton;
    const int h = Volumemix->height();
    TFader volume = volumeFader(i, w);
    TFader delay = delayFader(i, w);
    bool dragging = m_ctx.MixerDragging;
    m_ctx.withSong([&](core::TSong& s) {
        core::TTrack& t = s.Tracks[static_cast<std::size_t>(i)];
        if (d > half && y < TransposeBottom && !dragging) {
            t.Transpose += left ? 1 : -1;
        }
        if (d < half) {
            dragging = dragging || left;
            t.Volume = FaderValueFromMouse(volume, x, std::max(0, h - y), t.Volume);
            if (!left) {
                t.Volume = VolumeReset;
            }
        }
        if (d > half && y > DelayPressTop) {
            dragging = dragging || left;
            t.DelaySend = DelayMax - FaderValueFromMouse(delay, x, y, DelayMax - t.DelaySend);
        }
    });
    m_ctx.MixerDragging = dragging;
    m_ctx.documentEdited();
}

void MixerStrip::panmixMouseDown(Qt::MouseButton button, int x)
{
    const int n = trackCount();
    const int w = columnWidth();
    if (w <= 0 || x < 0) {
        return;
    }
    const int i = x / w;
    if (button == Qt::LeftButton) {
        m_ctx.MixerDragging = true;
        if (i >= n || w <= 4) {
            return;
        }
        const int b = std::clamp(x % w - 2, 0, w - 4);
        m_ctx.withSong([&](core::TSong& s) {
            s.Tracks[static_cast<std::size_t>(i)].Pan = b * PanMax / (w - 4);
        });
    } else if (button == Qt::RightButton) {
        if (i >= n) {
            return;
        }
        m_ctx.withSong(
            [&](core::TSong& s) { s.Tracks[static_cast<std::size_t>(i)].Pan = PanCentre; });
    } else {
        return;
    }
    m_ctx.documentEdited();
}

// Tooltips ---------------------------------------------------------------------------------

QString MixerStrip::readoutText(Target target) const
{
    if (target.track < 0 || target.track >= trackCount()) {
        return {};
    }
    const int i = target.track;
    const core::TTrack t =
        m_ctx.withSong([i](const core::TSong& s) { return s.Tracks[static_cast<std::size_t>(i)]; });
    switch (target.control) {
    case Control::Volume:
        return QStringLiteral("Volume of track %1: %2 (right click: 7500, double click: 10000)")
            .arg(i + 1)
            .arg(t.Volume);
    case Control::Transpose:
        return QStringLiteral("Transpose of track %1: %2 (click: up, right click: down)")
            .arg(i + 1)
            .arg(TransposeText(t.Transpose));
    case Control::Delay:
        return QStringLiteral("Delay send of track %1: %2 (double click: 0)")
            .arg(i + 1)
            .arg(t.DelaySend);
    case Control::Pan: {
        const QString where = t.Pan == PanCentre ? QStringLiteral("centre")
                              : t.Pan < PanCentre
                                  ? QStringLiteral("%1% left").arg((PanCentre - t.Pan) / 10)
                                  : QStringLiteral("%1% right").arg((t.Pan - PanCentre) / 10);
        return QStringLiteral("Pan of track %1: %2 (%3; right click: centre)")
            .arg(i + 1)
            .arg(where)
            .arg(t.Pan);
    }
    case Control::None:
        break;
    }
    return {};
}

QString MixerStrip::volumeToolTip(QPoint at) const
{
    return readoutText(volumeTargetAt(at));
}

QString MixerStrip::panToolTip(QPoint at) const
{
    return readoutText(panTargetAt(at));
}

// Readout, keys and defaults --------------------------------------------------------------

MixerStrip::Target MixerStrip::volumeTargetAt(QPoint at) const
{
    const int w = columnWidth();
    if (w <= 0 || at.x() < 0 || at.x() / w >= trackCount()) {
        return {};
    }
    const int i = at.x() / w;
    const int d = at.x() % w;
    if (d < w / 2) {
        return {Control::Volume, i};
    }
    if (d > w / 2 && at.y() < TransposeBottom) {
        return {Control::Transpose, i};
    }
    if (d > w / 2 && at.y() > DelayPressTop) {
        return {Control::Delay, i};
    }
    return {};
}

MixerStrip::Target MixerStrip::panTargetAt(QPoint at) const
{
    const int w = columnWidth();
    if (w <= 0 || at.x() < 0 || at.x() / w >= trackCount()) {
        return {};
    }
    return {Control::Pan, at.x() / w};
}

void MixerStrip::showReadout(QWidget* box, QPoint at, Target target)
{
    const QString text = readoutText(target);
    if (text.isEmpty()) {
        HideValueReadout(box);
        return;
    }
    ShowValueReadout(box, at, text);
}

bool MixerStrip::stepActive(int key)
{
    int steps = 0;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        steps = 1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        steps = -1;
        break;
    case Qt::Key_PageUp:
        steps = PageSteps;
        break;
    case Qt::Key_PageDown:
        steps = -PageSteps;
        break;
    default:
        return false;
    }
    const Target target = m_active;
    if (target.track < 0 || target.track >= trackCount()) {
        return false;
    }
    m_ctx.withSong([&](core::TSong& s) {
        core::TTrack& t = s.Tracks[static_cast<std::size_t>(target.track)];
        switch (target.control) {
        case Control::Volume:
            t.Volume = std::clamp(t.Volume + steps * VolumeStep, 0, VolumeMax);
            break;
        case Control::Delay:
            t.DelaySend = std::clamp(t.DelaySend + steps * DelayStep, 0, DelayMax);
            break;
        case Control::Pan:
            t.Pan = std::clamp(t.Pan + steps * PanStep, 0, PanMax);
            break;
        case Control::Transpose:
        case Control::None:
            break;
        }
    });
    if (target.control == Control::Transpose || target.control == Control::None) {
        return false;
    }
    m_ctx.documentEdited();
    return true;
}

void MixerStrip::resetTarget(Target target)
{
    if (target.track < 0 || target.track >= trackCount()) {
        return;
    }
    m_ctx.withSong([&](core::TSong& s) {
        core::TTrack& t = s.Tracks[static_cast<std::size_t>(target.track)];
        if (target.control == Control::Volume) {
            t.Volume = VolumeDefault;
        } else if (target.control == Control::Delay) {
            t.DelaySend = DelayDefault;
        } else if (target.control == Control::Pan) {
            t.Pan = PanCentre;
        }
    });
    m_active = target;
    m_ctx.documentEdited();
}

bool MixerStrip::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QWidget*>(watched);
    if (box != Volumemix && box != panmix) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Leave && !m_ctx.MixerDragging) {
        HideValueReadout(box);
    }
    if (event->type() == QEvent::KeyPress) {
        const bool pan = m_active.control == Control::Pan;
        if ((box == panmix) == pan && stepActive(static_cast<QKeyEvent*>(event)->key())) {
            const QPoint at = box->mapFromGlobal(QCursor::pos());
            showReadout(box, box->rect().contains(at) ? at : QPoint(0, box->height() / 2),
                        m_active);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace bw::ui
