#include "ui/value_lane.h"

#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/paint_box.h"
#include "ui/render_bridge.h"
#include "ui/skin.h"
#include "ui/widget_factory.h"

#include <QFrame>
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
    tab->onPaint = [this](QPainter& p, const QRect&) { tabPaint(p); };

    Panel13 = MakePanel(laneHost, QStringLiteral("Panel13"), colors::Gray);
    valbox = MakePaintBox(Panel13, QStringLiteral("valbox"));
    valbox->onPaint = [this](QPainter& p, const QRect&) { valboxPaint(p); };

    funBox3 = MakePaintBox(animationHost, QStringLiteral("funBox3"));
    funBox3->setGeometry(0, 4, 27, 31);
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

void ValueLane::valboxPaint(QPainter& p)
{
    const int H = valbox->height();
    const int W = m_ctx.gridWidth();
    DrawSkinPanel(p, -15, 0, valbox->width(), H, colors::Gray, m_ctx.skin());
    if (m_laneMode != 0) {
        return;
    }
    p.setPen(ToQColor(colors::Black));
    for (int k = 1; k <= H / 6 - 1; ++k) {
        const int y = k * H / 6;
        if (y < H) {
            p.drawLine(0, y, valbox->width(), y);
        }
    }
    const int scrollX = m_ctx.gridScrollX();
    m_ctx.withSong([&](const core::TSong& s) {
        const int track = s.SelectedTrack;
        if (track < 0 || track >= core::MaxTracks) {
            return;
        }
        const auto& row = s.Events[static_cast<std::size_t>(track)];
        for (int slot = 0; slot < core::PatternSlots; ++slot) {
            const int v = row[static_cast<std::size_t>(slot)].Volume;
            if (v > 0) {
                const int x = XFromPos(slot, W) + scrollX;
                const int y = H - H * v / 10000;
                p.fillRect(x, y, 3, H - y, ToQColor(colors::Black));
            }
        }
    });
}

void ValueLane::tabPaint(QPainter& p)
{
    p.fillRect(tab->rect(), ToQColor(colors::Silver));
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
