// The sequencer panel's ruler: the song position on a click, the loop range marked by a drag
// or moved by its handles, and the "loop" toggle.
#include "core/arrangement.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace bw::ui {

namespace {

/// How close to a handle (in pixels) a press grabs it.
constexpr int HandleReach = 4;
constexpr BgrColor LoopOffColor = 0x909090; // a range that does not loop

/// A handle: a small flag hanging down from the strip's top at x.
void DrawHandle(QPainter& p, int x, int top, int height, bool opensRight, const QColor& color)
{
    const int d = opensRight ? 1 : -1;
    p.setPen(Qt::NoPen);
    p.setBrush(color.darker(150));
    p.drawPolygon(QPolygon(
        {QPoint(x, top), QPoint(x + 5 * d, top), QPoint(x + 5 * d, top + 4), QPoint(x, top + 8)}));
    p.fillRect(QRect(opensRight ? x : x - 1, top, 2, height), color.darker(150));
}

} // namespace

int SequencerPanel::rulerX(int beat) const
{
    return beat * SeqBeatWidth - seqbox->horizontalScrollBar()->value();
}

void SequencerPanel::paintRuler(QPainter& p, const QRect& clip)
{
    p.fillRect(PaintBox11->rect(), ToQColor(colors::Silver));
    const int stripTop = PaintBox11->height() - LoopStripHeight;
    const auto [first, end, on] = m_ctx.withSong([](const core::TSong& s) {
        return std::tuple<int, int, bool>(s.LoopStart, s.LoopEnd, s.LoopOn);
    });
    if (end > first) {
        const QColor color = ToQColor(on ? LoopOnColor : LoopOffColor);
        const int x0 = rulerX(first);
        const int x1 = rulerX(end);
        QColor band = color;
        band.setAlpha(120);
        p.fillRect(QRect(x0, stripTop, x1 - x0, LoopStripHeight), band);
        DrawHandle(p, x0, stripTop, LoopStripHeight, true, color);
        DrawHandle(p, x1, stripTop, LoopStripHeight, false, color);
    }
    DrawRuler(p, seqbox->horizontalScrollBar()->value(), SeqBeatWidth, PaintBox11->height(),
              clip.right());
}

void SequencerPanel::PaintBox11MouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int beat = std::clamp((at.x() + SeqScrollX) / SeqBeatWidth, 0, core::MaxSongPosition);
    if (event->button() == Qt::RightButton) {
        auto* menu = new QMenu(PaintBox11);
        menu->setObjectName(QStringLiteral("rulerMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* clear = menu->addAction(QStringLiteral("Clear loop range"));
        clear->setObjectName(QStringLiteral("clearLoop"));
        clear->setEnabled(
            m_ctx.withSong([](const core::TSong& s) { return core::HasLoopRange(s) || s.LoopOn; }));
        connect(clear, &QAction::triggered, this, [this] {
            m_ctx.withSong([](core::TSong& s) { core::ClearLoopRange(s); });
            loopBox->setChecked(false);
            m_ctx.documentEdited();
        });
        menu->popup(PaintBox11->mapToGlobal(at));
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // In the loop strip a press next to a handle takes that handle.
    const auto [first, end] = m_ctx.withSong(
        [](const core::TSong& s) { return std::pair<int, int>(s.LoopStart, s.LoopEnd); });
    if (end > first && at.y() >= PaintBox11->height() - LoopStripHeight) {
        if (std::abs(at.x() - rulerX(first)) <= HandleReach) {
            m_rulerDrag = RulerDrag::StartEdge;
            return;
        }
        if (std::abs(at.x() - rulerX(end)) <= HandleReach) {
            m_rulerDrag = RulerDrag::EndEdge;
            return;
        }
    }
    m_rulerDrag = RulerDrag::Pressed;
    m_rulerPressBeat = beat;
    m_ctx.SetSongPosition(beat);
}

void SequencerPanel::PaintBox11MouseMove(QMouseEvent* event)
{
    if (m_rulerDrag == RulerDrag::None) {
        return;
    }
    const int x = event->position().toPoint().x() + SeqScrollX;
    const int beat = std::clamp(x / SeqBeatWidth, 0, core::MaxSongPosition);
    // The handles sit on beat edges: the nearest edge is the one the pointer means.
    const int edge =
        std::clamp((x + SeqBeatWidth / 2) / SeqBeatWidth, 0, core::MaxSongPosition + 1);
    const bool changed = m_ctx.withSong([&](core::TSong& s) {
        const int first = s.LoopStart;
        const int end = s.LoopEnd;
        switch (m_rulerDrag) {
        case RulerDrag::Pressed:
            if (beat == m_rulerPressBeat) {
                return false; // still a click
            }
            m_rulerDrag = RulerDrag::Range;
            core::SetLoopRange(s, m_rulerPressBeat, beat);
            break;
        case RulerDrag::Range:
            core::SetLoopRange(s, m_rulerPressBeat, beat);
            break;
        case RulerDrag::StartEdge:
            core::SetLoopRange(s, std::min(edge, end - 1), end - 1);
            break;
        case RulerDrag::EndEdge:
            core::SetLoopRange(s, first, std::max(edge - 1, first));
            break;
        case RulerDrag::None:
            break;
        }
        return s.LoopStart != first || s.LoopEnd != end;
    });
    if (changed) {
        m_ctx.documentEdited(); // one step once the button is up
    }
}

void SequencerPanel::PaintBox11MouseUp(QMouseEvent* /*event*/)
{
    m_rulerDrag = RulerDrag::None;
}

void SequencerPanel::loopBoxClick(bool on)
{
    const int position = m_ctx.songPosition();
    m_ctx.withSong([on, position](core::TSong& s) {
        if (on && !core::HasLoopRange(s)) {
            const int bar = position - position % 4;
            core::SetLoopRange(s, bar, bar + 3);
        }
        s.LoopOn = on;
    });
    m_ctx.documentEdited();
}

} // namespace bw::ui
