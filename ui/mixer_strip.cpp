#include "ui/mixer_strip.h"

#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/paint_box.h"
#include "ui/skin.h"
#include "ui/widget_factory.h"

#include <QFrame>
#include <QPainter>

namespace bw::ui {

namespace {
constexpr int NumbersHeight = 17;
constexpr int PanHeight = 15;
} // namespace

MixerStrip::MixerStrip(EditorContext& context, QWidget* parent) : QObject(parent), m_ctx(context)
{
    Panel9 = MakePanel(parent, QStringLiteral("Panel9"), colors::Gray);
    PaintBox6 = MakePaintBox(Panel9, QStringLiteral("PaintBox6"));
    PaintBox6->onPaint = [this](QPainter& p, const QRect&) { PaintBox6Paint(p); };
    panmix = MakePaintBox(Panel9, QStringLiteral("panmix"));
    Panel_volumandex = MakePanel(Panel9, QStringLiteral("Panel_volumandex"), colors::Gray);
    Volumemix = MakePaintBox(Panel_volumandex, QStringLiteral("Volumemix"));
    Volumemix->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, 0, 0, Volumemix->width(), Volumemix->height(), colors::Gray, m_ctx.skin());
    };
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

void MixerStrip::PaintBox6Paint(QPainter& p)
{
    p.fillRect(PaintBox6->rect(), ToQColor(colors::Gray));
    const int tracks = m_ctx.withSong([](const core::TSong& s) { return s.TrackCount; });
    if (tracks <= 0) {
        return;
    }
    const int w = PaintBox6->width() / tracks;
    p.setPen(ToQColor(colors::White));
    p.setFont(SmallFont());
    for (int i = 0; i < tracks; ++i) {
        DrawCentredText(p, w * i + w / 2, 2, QString::number(i + 1));
    }
}

} // namespace bw::ui
