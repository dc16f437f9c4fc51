#include "ui/regions/value_lane.h"

#include "core/wrapping_int.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>
#include <cstdint>

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>

namespace bw::ui {

namespace {
constexpr int SelectorWidth = 64;
}

ValueLane::ValueLane(EditorContext& context,
                     QWidget* selectorHost,
                     QWidget* laneHost,
                     QWidget* animationHost)
    : QObject(laneHost), m_ctx(context)
{
    tab = MakePaintBox(selectorHost, QStringLiteral("tab"));
    tab->setGeometry(selectorHost->width() - SelectorWidth, 0, SelectorWidth, LaneHeight);
    tab->setAccessibleName(QStringLiteral("Value lane mode"));
    tab->setToolTip(QStringLiteral("Show the events' volume, pitch or pan in the value lane"));
    tab->onPaint = [this](QPainter& p, const QRect&) { tabPaint(p); };
    tab->onMouseDown = [this](QMouseEvent* e) { tabMouseDown(e); };

    Panel13 = MakePanel(laneHost, QStringLiteral("Panel13"), colors::Gray);
    valbox = MakePaintBox(Panel13, QStringLiteral("valbox"));
    valbox->setAccessibleName(QStringLiteral("Value lane"));
    valbox->onPaint = [this](QPainter& p, const QRect&) { valboxPaint(p); };
    valbox->onMouseDown = [this](QMouseEvent* e) { valboxMouseDown(e); };
    valbox->onMouseMove = [this](QMouseEvent* e) { valboxMouseMove(e); };
    valbox->onMouseUp = [this](QMouseEvent* e) { valboxMouseUp(e); };
    showModeHint();

    funBox3 = MakePaintBox(animationHost, QStringLiteral("funBox3"));
    funBox3->setGeometry(0, 4, 27, 31);
    funBox3->setAccessibleName(QStringLiteral("Playing animation"));
    funBox3->onPaint = [this](QPainter& p, const QRect&) { funBox3Paint(p); };
    funBox3->hide();

    connect(&m_ctx, &EditorContext::documentChanged, this, &ValueLane::repaint);
    connect(&m_ctx, &EditorContext::displayChanged, this, &ValueLane::repaint);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &ValueLane::repaint);
    connect(&m_ctx, &EditorContext::skinChanged, this, &ValueLane::repaint);
    connect(&m_ctx, &EditorContext::gridViewChanged, this, &ValueLane::followGrid);
    connect(&m_ctx.bridge(), &RenderBridge::blockReported, this, &ValueLane::stepAnimation);
}

void ValueLane::setLaneGeometry(int x, int width)
{
    Panel13->setGeometry(x, 0, width, LaneHeight);
    valbox->setGeometry(0, 0, width, LaneHeight);
}

void ValueLane::repaint()
{
    valbox->update();
    tab->update();
}

void ValueLane::followGrid()
{
    if (m_ctx.gridScrollX() != m_scrollX || m_ctx.gridWidth() != m_gridWidth) {
        m_scrollX = m_ctx.gridScrollX();
        m_gridWidth = m_ctx.gridWidth();
        valbox->update();
    }
}

void ValueLane::stepAnimation(const audio::BlockReport& /*report*/)
{
    m_animationCounter = (m_animationCounter + 1) % 4;
    if (funBox3->isVisible()) {
        funBox3->update();
    }
}

void ValueLane::showModeHint()
{
    static const char* const hints[] = {
        "Value lane: drag over the current track's hits to set their volume",
        "Value lane: left click raises a hit's pitch by a semitone, right click lowers it",
        "Value lane: drag over the current track's hits to set their pan",
    };
    valbox->setToolTip(QString::fromLatin1(hints[m_laneMode]));
}

void ValueLane::paintGuides(QPainter& p, int height)
{
    p.setPen(ToQColor(colors::Black));
    for (int k = 1; k <= height / 6 - 1; ++k) {
        const int y = k * height / 6;
        if (y < height) {
            p.drawLine(0, y, valbox->width(), y);
        }
    }
}

void ValueLane::valboxPaint(QPainter& p)
{
    const int H = valbox->height();
    DrawSkinPanel(p, -15, 0, valbox->width(), H, colors::Gray, m_ctx.skin());
    if (m_laneMode == PitchMode) {
        paintPitchTags(p, H);
        return;
    }
    paintGuides(p, H);
    if (m_laneMode == PanMode) {
        paintPans(p, H);
        return;
    }
    forEachShownEvent([&](int x, const core::TNoteEvent& e) {
        const int y = H - H * e.Volume / 10000;
        p.fillRect(x, y, 3, H - y, ToQColor(colors::Black));
    });
}

void ValueLane::forEachShownEvent(const std::function<void(int x, const core::TNoteEvent&)>& paint)
{
    const int W = m_ctx.gridWidth();
    const int scrollX = m_ctx.gridScrollX();
    m_ctx.withSong([&](const core::TSong& s) {
        const int track = s.SelectedTrack;
        if (track < 0 || track >= core::MaxTracks) {
            return;
        }
        const auto& row = s.Events[static_cast<std::size_t>(track)];
        for (int slot = 0; slot < core::PatternSlots; ++slot) {
            const core::TNoteEvent& e = row[static_cast<std::size_t>(slot)];
            if (e.Volume > 0) {
                paint(XFromPos(slot, W) + scrollX, e);
            }
        }
    });
}

void ValueLane::paintPitchTags(QPainter& p, int H)
{
    p.setPen(ToQColor(colors::Black));
    p.drawLine(0, H / 2, valbox->width(), H / 2);
    const QFontMetrics fm(p.font());
    const int th = fm.height();
    forEachShownEvent([&](int x, const core::TNoteEvent& e) {
        const QString text =
            e.Pitch > 0 ? QStringLiteral("+%1").arg(e.Pitch) : QString::number(e.Pitch);
        // 64-bit: a pitch read from a file may be huge; the tag stays inside the lane.
        const std::int64_t wanted = H / 2 - 2 * static_cast<std::int64_t>(e.Pitch) - th / 2;
        const int top =
            static_cast<int>(std::max<std::int64_t>(0, std::min<std::int64_t>(wanted, H - th - 2)));
        p.setPen(ToQColor(colors::Black));
        p.setBrush(ToQColor(colors::Yellow));
        p.drawRect(QRect(QPoint(x - 1, top - 1),
                         QPoint(x + fm.horizontalAdvance(text) + 2, top + th + 2)));
        p.drawText(x, top + fm.ascent(), text);
    });
}

void ValueLane::paintPans(QPainter& p, int H)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    forEachShownEvent([&](int x, const core::TNoteEvent& e) {
        const int pan = std::clamp(e.Pan, -1000, 1000);
        const int y1 = H - H * (pan + 1000) / 2000;
        p.fillRect(QRect(QPoint(x, std::min(y1, H / 2)), QPoint(x + 2, std::max(y1, H / 2))),
                   ToQColor(colors::Black));
        p.setPen(ToQColor(colors::Red));
        p.setBrush(ToQColor(colors::Red));
        p.drawEllipse(QRect(QPoint(x, y1 - 3), QPoint(x + 3, y1 + 2)));
    });
}

void ValueLane::valboxMouseDown(QMouseEvent* event)
{
    m_ctx.MixerDragging = true;
    editAt(event->position().toPoint(), event->button());
}

void ValueLane::valboxMouseMove(QMouseEvent* event)
{
    if (m_ctx.MixerDragging && m_laneMode != PitchMode) {
        editAt(event->position().toPoint(), Qt::LeftButton);
    }
}

void ValueLane::valboxMouseUp(QMouseEvent* /*event*/)
{
    m_ctx.MixerDragging = false;
}

void ValueLane::editAt(QPoint at, Qt::MouseButton button)
{
    const int H = valbox->height();
    const int W = m_ctx.gridWidth();
    const int mode = m_laneMode;
    const bool changed = m_ctx.withSong([&](core::TSong& s) {
        const int track = s.SelectedTrack;
        if (track < 0 || track >= core::MaxTracks || H <= 0) {
            return false;
        }
        const int steps = std::max(1, s.Beats * s.Ticks);
        const int slot = PosFromX(at.x() - m_ctx.gridScrollX(), W, steps);
        core::TNoteEvent& e =
            s.Events[static_cast<std::size_t>(track)][static_cast<std::size_t>(slot)];
        if (mode == PitchMode) {
            if (button == Qt::LeftButton) {
                e.Pitch = core::WrapAdd(e.Pitch, 1);
            } else if (button == Qt::RightButton) {
                e.Pitch = core::WrapAdd(e.Pitch, -1);
            } else {
                return false;
            }
            return true;
        }
        if (e.Volume <= 0) {
            return false; // only events have values
        }
        if (mode == VolumeMode) {
            e.Volume = std::clamp((H - at.y()) * 10000 / H, 2, 10000);
        } else {
            e.Pan = std::clamp((H - at.y()) * 2000 / H - 1000, -1000, 1000);
        }
        return true;
    });
    if (changed) {
        m_ctx.documentEdited();
    }
}

void ValueLane::tabPaint(QPainter& p)
{
    p.fillRect(tab->rect(), ToQColor(colors::Silver));
    // The labels fit the 64 px selector whatever the desktop's font.
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    const int B = tab->height() / 8;
    const QString names[] = {QStringLiteral("Volume"), QStringLiteral("Pitch"),
                             QStringLiteral("Pan")};
    p.setBrush(ToQColor(colors::Silver));
    for (int i = 0; i < 3; ++i) {
        DrawTabButton(p, 10, (1 + 2 * i) * B, tab->width() + 1, (3 + 2 * i) * B, m_laneMode == i,
                      names[i]);
        p.setBrush(ToQColor(colors::Silver));
    }
}

void ValueLane::tabMouseDown(QMouseEvent* event)
{
    const int B = tab->height() / 8;
    const int y = event->position().toPoint().y();
    m_laneMode = y > 5 * B ? PanMode : (y > 3 * B ? PitchMode : VolumeMode);
    showModeHint();
    repaint();
}

void ValueLane::funBox3Paint(QPainter& p)
{
    const Skin* s = m_ctx.skin();
    if (s == nullptr || funBox3->isHidden()) {
        return;
    }
    const int c = m_animationCounter;
    p.drawImage(0, 0, c == 0 ? s->i3 : (c == 2 ? s->i1 : s->i2));
}

} // namespace bw::ui
