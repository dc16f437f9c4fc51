#include "ui/pattern_grid.h"

#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/paint_box.h"
#include "ui/skin.h"
#include "ui/widget_factory.h"

#include <algorithm>

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace bw::ui {

PatternGrid::PatternGrid(EditorContext& context, QWidget* parent) : QObject(parent), m_ctx(context)
{
    ScrollBox1 = new QScrollArea(parent);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setToolTip(QStringLiteral("Left Click: Insert Event, Right Click: delete Event"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(false);
    SetBackground(ScrollBox1->viewport(), PackColor(0x1b, 0x21, 0x2d));
    panel5 = new QWidget();
    panel5->setObjectName(QStringLiteral("panel5"));
    PaintBox2 = MakePaintBox(panel5, QStringLiteral("PaintBox2"));
    PaintBox2->onPaint = [this](QPainter& p, const QRect& clip) { PaintBox2Paint(p, clip); };
    noteBox = MakePaintBox(PaintBox2, QStringLiteral("noteBox"));
    noteBox->onPaint = [this](QPainter& p, const QRect&) { noteBoxPaint(p); };
    ScrollBox1->setWidget(panel5);
    connect(ScrollBox1->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &PatternGrid::publishView);
    connect(ScrollBox1->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &PatternGrid::publishView);

    connect(&m_ctx, &EditorContext::documentChanged, this, &PatternGrid::repaint);
    connect(&m_ctx, &EditorContext::displayChanged, this, &PatternGrid::repaint);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &PatternGrid::repaint);
    connect(&m_ctx, &EditorContext::skinChanged, this, &PatternGrid::repaint);
}

void PatternGrid::setGeometry(const QRect& rect)
{
    ScrollBox1->setGeometry(rect);
    fitToView();
}

void PatternGrid::setRowCount(int tracks)
{
    m_rowsHeight = std::max(0, tracks) * GridRowHeight;
    fitToView();
}

void PatternGrid::setGridCursor(const QCursor& cursor)
{
    noteBox->setCursor(cursor);
}

int PatternGrid::steps() const
{
    return m_ctx.withSong([](const core::TSong& s) { return std::max(1, s.Beats * s.Ticks); });
}

void PatternGrid::fitToView()
{
    // The grid always fills at least the visible area; it scrolls only vertically (zooming
    // widens it), so leave room for the vertical bar when the rows need it.
    const QSize view = ScrollBox1->maximumViewportSize();
    const bool needsBar = m_rowsHeight > view.height();
    const int barWidth = needsBar ? ScrollBox1->verticalScrollBar()->sizeHint().width() : 0;
    const int gw = std::max(view.width() - barWidth, 1);
    const int gh = std::max(m_rowsHeight, view.height());
    panel5->resize(gw, gh);
    PaintBox2->setGeometry(0, 0, gw, gh);
    noteBox->setGeometry(0, 0, gw, gh);
    publishView();
}

void PatternGrid::publishView()
{
    m_ctx.setGridView(-ScrollBox1->horizontalScrollBar()->value(),
                      -ScrollBox1->verticalScrollBar()->value(), PaintBox2->width());
}

void PatternGrid::repaint()
{
    PaintBox2->update();
    noteBox->update();
}

void PatternGrid::PaintBox2Paint(QPainter& p, const QRect& clip)
{
    const int W = PaintBox2->width();
    const QRect visible = ScrollBox1->viewport()->rect().translated(
        ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value());
    if (const Skin* s = m_ctx.skin()) {
        TileBitmap(p, s->stars, visible.x(), visible.height(), visible.width(), visible.y());
    }
    int beats = 4, ticks = 4, rows = 0;
    m_ctx.withSong([&](const core::TSong& s) {
        beats = std::max(1, s.Beats);
        ticks = std::max(1, s.Ticks);
        rows = std::clamp(s.TrackCount, 0, core::MaxTracks);
    });
    const int steps = beats * ticks;
    p.setFont(SmallFont());
    for (int b = 0; b < steps; ++b) {
        const int x = b * W / steps;
        if (x > clip.right() + 1) {
            break;
        }
        const bool beatStart = b % ticks == 0;
        const int barWidth = b % (4 * ticks) == 0 ? 2 : 1;
        p.fillRect(x, 0, barWidth, PaintBox2->height(),
                   ToQColor(beatStart ? colors::Lime : colors::Blue));
        if (W / steps > 16) {
            p.setPen(ToQColor(colors::White));
            const QFontMetrics fm(p.font());
            p.drawText(x + 4, 1 + fm.ascent(),
                       QStringLiteral("%1.%2").arg(b / ticks + 1).arg(b % ticks + 1));
        }
    }
    p.setPen(ToQColor(colors::White));
    for (int r = 0; r < rows; ++r) {
        const int y = RowCentreY(r, GridRowHeight);
        for (int b = 0; b < steps; ++b) {
            const int x = b * W / steps;
            p.drawLine(x, r * GridRowHeight + 10, x, r * GridRowHeight + 15);
        }
        p.drawLine(0, y, W, y);
    }
}

void PatternGrid::noteBoxPaint(QPainter& p)
{
    const int W = noteBox->width();
    p.setRenderHint(QPainter::Antialiasing, false);
    int rows = 0;
    int steps = 16;
    m_ctx.withSong([&](const core::TSong& s) {
        rows = std::clamp(s.TrackCount, 0, core::MaxTracks);
        steps = std::max(1, s.Beats * s.Ticks);
        for (int r = 0; r < rows; ++r) {
            const auto& row = s.Events[static_cast<std::size_t>(r)];
            for (int slot = 0; slot < core::PatternSlots; ++slot) {
                const core::TNoteEvent& e = row[static_cast<std::size_t>(slot)];
                if (e.Volume > 0) {
                    DrawEventMarker(p, XFromPos(slot, W), e.Selected != 0,
                                    RowCentreY(r, GridRowHeight), m_ctx.skin());
                }
            }
        }
    });
    // The paste preview and the rubber band are inverting drawings over the markers. They
    // are kept as state and drawn here, so a repaint shows them instead of wiping them.
    if (m_state.PastePending && m_state.PreviewShown) {
        const int c = XFromPos(PosFromX(m_state.PreviewX, W, steps), W);
        const int anchorX = XFromPos(m_ctx.ClipAnchor, W);
        const core::EventGrid& clip = m_ctx.clipboard();
        for (int t = 0; t < rows; ++t) {
            const auto& row = clip[static_cast<std::size_t>(t)];
            for (int i = 0; i < core::PatternSlots; ++i) {
                const core::TNoteEvent& e = row[static_cast<std::size_t>(i)];
                if (e.Volume > 0 && e.Selected == 1) {
                    DrawMarkerOutline(p, c + XFromPos(i, W) - anchorX,
                                      RowCentreY(t, GridRowHeight));
                }
            }
        }
    }
    if (m_state.BandActive) {
        const QPainter::CompositionMode old = p.compositionMode();
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.setPen(QPen(Qt::black, 0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(m_state.BandStartX, m_state.BandStartY),
                         QPoint(m_state.BandEndX, m_state.BandEndY))
                       .normalized());
        p.setCompositionMode(old);
        p.setPen(Qt::SolidLine);
    }
}

} // namespace bw::ui
