#include "ui/regions/pattern_grid.h"

#include "ui/shell/editor_context.h"
#include "ui/shell/transport.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/value_readout.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace bw::ui {

namespace {
const char* const AddModeHint =
    "Pattern grid: left click adds a hit, right click removes one, right-drag up or down sets "
    "a hit's volume, Ctrl+click gives it the volume for new hits";
const char* const SelectModeHint =
    "Pattern grid: click a hit to select it (Ctrl adds), drag a frame to select several "
    "(Shift inverts)";
} // namespace

PatternGrid::PatternGrid(EditorContext& context, QWidget* parent)
    : QObject(parent), m_ctx(context), m_stickCursor(Qt::ArrowCursor)
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
    noteBox->setAccessibleName(QStringLiteral("Pattern grid"));
    noteBox->setToolTip(QString::fromLatin1(AddModeHint));
    noteBox->setMouseTracking(true); // the paste preview follows the mouse
    noteBox->onPaint = [this](QPainter& p, const QRect&) { noteBoxPaint(p); };
    noteBox->onMouseDown = [this](QMouseEvent* e) { noteBoxMouseDown(e); };
    noteBox->onMouseMove = [this](QMouseEvent* e) { noteBoxMouseMove(e); };
    noteBox->onMouseUp = [this](QMouseEvent* e) { noteBoxMouseUp(e); };
    noteBox->installEventFilter(this); // the hover read-out goes when the pointer leaves
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

void PatternGrid::setStickCursor(const QCursor& cursor)
{
    m_stickCursor = cursor;
    if (!m_selectMode) {
        noteBox->setCursor(m_stickCursor);
    }
}

int PatternGrid::steps() const
{
    return m_ctx.withSong([](const core::TSong& s) { return std::max(1, s.Beats * s.Ticks); });
}

int PatternGrid::trackCount() const
{
    return m_ctx.withSong(
        [](const core::TSong& s) { return std::clamp(s.TrackCount, 0, core::MaxTracks); });
}

void PatternGrid::fitToView()
{
    // The grid fills at least the visible area; zooming makes it wider. Leave room for the
    // scroll bars the size needs.
    const QSize view = ScrollBox1->maximumViewportSize();
    const int vBar = ScrollBox1->verticalScrollBar()->sizeHint().width();
    const int hBar = ScrollBox1->horizontalScrollBar()->sizeHint().height();
    const bool needsV = m_rowsHeight > view.height();
    int gw = std::max(m_zoomWidth, view.width() - (needsV ? vBar : 0));
    const bool needsH = gw > view.width() - (needsV ? vBar : 0);
    if (needsH && !needsV && m_rowsHeight > view.height() - hBar) {
        // The horizontal bar takes the room the rows needed: a vertical one appears too.
        gw = std::max(m_zoomWidth, view.width() - vBar);
    }
    gw = std::max(gw, 1);
    const int gh = std::max(m_rowsHeight, view.height() - (needsH ? hBar : 0));
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

void PatternGrid::OneBClick()
{
    m_selectMode = false;
    noteBox->setCursor(m_stickCursor);
    noteBox->setToolTip(QString::fromLatin1(AddModeHint));
    m_ctx.withSong([](core::TSong& s) { core::ClearSelection(s); });
    cancelPaste();
    m_ctx.displayEdited();
}

void PatternGrid::GroupBClick()
{
    m_selectMode = true;
    noteBox->setCursor(Qt::ArrowCursor);
    noteBox->setToolTip(QString::fromLatin1(SelectModeHint));
}

void PatternGrid::zoomplusClick()
{
    const int wider = PaintBox2->width() * 2;
    if (wider > MaxWidth) {
        return;
    }
    m_zoomWidth = wider;
    fitToView();
    m_ctx.displayEdited();
}

void PatternGrid::zoomminClick()
{
    m_zoomWidth = PaintBox2->width() / 2;
    fitToView();
    m_ctx.displayEdited();
}

bool PatternGrid::togglePaste()
{
    m_state.PreviewShown = false;
    m_state.PastePending = !m_state.PastePending;
    if (!m_state.PastePending) {
        emit pasteEnded();
    }
    noteBox->update();
    return m_state.PastePending;
}

void PatternGrid::cancelPaste()
{
    if (!m_state.PastePending) {
        return;
    }
    m_state.PastePending = false;
    m_state.PreviewShown = false;
    emit pasteEnded();
    noteBox->update();
}

void PatternGrid::dropPaste(int x)
{
    m_state.PreviewX = x;
    m_state.PastePending = false;
    m_state.PreviewShown = false;
    emit pasteEnded();
    const int target = PosFromX(x, noteBox->width(), steps());
    const int anchor = m_ctx.ClipAnchor;
    const core::EventGrid& clip = m_ctx.clipboard();
    m_ctx.withSong([&](core::TSong& s) { core::PasteEvents(s, clip, anchor, target); });
    m_ctx.documentEdited();
}

void PatternGrid::noteBoxMouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_state.PastePending) {
        dropPaste(at.x());
        return;
    }
    const int rows = trackCount();
    if (rows <= 0) {
        return; // no row to edit
    }
    const int p = PosFromX(at.x(), noteBox->width(), steps());
    const int r = RowFromY(at.y(), GridRowHeight, rows);
    if (!m_selectMode) {
        const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
        if (event->button() == Qt::LeftButton && ctrl && beginVolumeDrag(r, p, at.y(), false)) {
            return;
        }
        if (event->button() == Qt::RightButton && beginVolumeDrag(r, p, at.y(), true)) {
            return;
        }
        if (event->button() == Qt::LeftButton) {
            m_ctx.withSong([r, p](core::TSong& s) { core::InsertEvent(s, r, p); });
            m_ctx.documentEdited();
            if (!m_ctx.transport().running()) {
                m_ctx.previewEvent(r, p); // while stopped, the new event is heard at once
            }
        } else if (event->button() == Qt::RightButton) {
            m_ctx.withSong([r, p](core::TSong& s) { core::DeleteEvent(s, r, p); });
            m_ctx.documentEdited();
        }
        return;
    }
    const bool hasEvent = m_ctx.withSong([r, p](const core::TSong& s) {
        return s.Events[static_cast<std::size_t>(r)][static_cast<std::size_t>(p)].Volume > 0;
    });
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (hasEvent) {
        const bool additive = (event->modifiers() & Qt::ControlModifier) != 0;
        m_ctx.withSong([&](core::TSong& s) { core::ClickSelect(s, r, p, additive); });
        m_ctx.displayEdited();
    }
    if (shift || !hasEvent) {
        m_state.BandActive = true;
        m_state.BandStartX = at.x();
        m_state.BandStartY = at.y();
        m_state.BandEndX = at.x() + 1;
        m_state.BandEndY = at.y() + 1;
        noteBox->update();
    }
}

bool PatternGrid::beginVolumeDrag(int r, int p, int y, bool deleteOnClick)
{
    const int volume = m_ctx.withSong([r, p](const core::TSong& s) {
        return s.Events[static_cast<std::size_t>(r)][static_cast<std::size_t>(p)].Volume;
    });
    if (volume <= 0) {
        return false;
    }
    m_state.VolumeDrag = true;
    m_state.VolumeMoved = false;
    m_state.DeleteOnClick = deleteOnClick;
    m_state.DragTrack = r;
    m_state.DragSlot = p;
    m_state.DragStartY = y;
    m_state.DragStartVolume = volume;
    return true;
}

void PatternGrid::endVolumeDrag()
{
    const State s = m_state;
    m_state.VolumeDrag = false;
    if (!s.VolumeMoved) {
        // A click without a drag: the right button deletes as it always did, Ctrl + left gives
        // the event the volume for new events.
        m_ctx.withSong([&s](core::TSong& song) {
            if (s.DeleteOnClick) {
                core::DeleteEvent(song, s.DragTrack, s.DragSlot);
            } else {
                core::SetEventVolume(song, s.DragTrack, s.DragSlot, song.DefaultVolume);
            }
        });
    }
    HideValueReadout(noteBox);
    m_hoverShown = false;
    m_ctx.documentEdited();
}

void PatternGrid::showHover(QPoint at)
{
    const int rows = trackCount();
    QString text;
    if (rows > 0 && at.y() < rows * GridRowHeight) {
        const int S = steps();
        const int p = PosFromX(at.x(), noteBox->width(), S);
        const int r = RowFromY(at.y(), GridRowHeight, rows);
        m_ctx.withSong([&](const core::TSong& s) {
            const core::TNoteEvent& e =
                s.Events[static_cast<std::size_t>(r)][static_cast<std::size_t>(p)];
            if (e.Volume <= 0) {
                return;
            }
            const int ticks = std::max(1, s.Ticks);
            const int step = p * S / core::SlotResolution;
            text = QStringLiteral("Track %1, %2.%3: volume %4, pitch %5, pan %6")
                       .arg(r + 1)
                       .arg(step / ticks + 1)
                       .arg(step % ticks + 1)
                       .arg(e.Volume)
                       .arg(e.Pitch > 0 ? QStringLiteral("+%1").arg(e.Pitch)
                                        : QString::number(e.Pitch))
                       .arg(e.Pan > 0 ? QStringLiteral("+%1").arg(e.Pan) : QString::number(e.Pan));
        });
    }
    // Leave the status bar alone while no event was shown: other messages stay.
    if (!text.isEmpty() || m_hoverShown) {
        ShowStatusText(noteBox, text);
        m_hoverShown = !text.isEmpty();
    }
}

bool PatternGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == noteBox && event->type() == QEvent::Leave && m_hoverShown &&
        !m_state.VolumeDrag) {
        ShowStatusText(noteBox, QString());
        m_hoverShown = false;
    }
    return QObject::eventFilter(watched, event);
}

void PatternGrid::noteBoxMouseMove(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_state.VolumeDrag) {
        const int dy = m_state.DragStartY - at.y();
        if (!m_state.VolumeMoved && std::abs(dy) < 3) {
            return; // a click that wobbles is still a click
        }
        m_state.VolumeMoved = true;
        const int volume = std::clamp(m_state.DragStartVolume + dy * VolumePerPixel, 2, 10000);
        const int r = m_state.DragTrack;
        const int p = m_state.DragSlot;
        m_ctx.withSong([&](core::TSong& s) { core::SetEventVolume(s, r, p, volume); });
        ShowValueReadout(noteBox, at, QStringLiteral("Volume: %1").arg(volume));
        m_hoverShown = true;
        m_ctx.documentEdited();
        return;
    }
    if (m_state.PastePending) {
        m_state.PreviewShown = true;
        m_state.PreviewX = at.x();
        noteBox->update();
    } else if (m_state.BandActive) {
        m_state.BandEndX = at.x();
        m_state.BandEndY = at.y();
        noteBox->update();
    } else {
        showHover(at);
    }
}

void PatternGrid::noteBoxMouseUp(QMouseEvent* event)
{
    if (m_state.VolumeDrag) {
        endVolumeDrag();
        return;
    }
    if (m_state.PastePending || !m_state.BandActive) {
        return;
    }
    m_state.BandActive = false;
    const int rows = trackCount();
    if (rows <= 0) {
        noteBox->update();
        return;
    }
    const int W = noteBox->width();
    const int S = steps();
    const int trackA = RowFromY(std::max(0, m_state.BandStartY), GridRowHeight, rows);
    const int trackB = RowFromY(std::max(0, m_state.BandEndY), GridRowHeight, rows);
    const int slotA = PosFromX(m_state.BandStartX, W, S);
    const int slotB = PosFromX(m_state.BandEndX, W, S);
    const bool additive = (event->modifiers() & Qt::ShiftModifier) != 0;
    m_ctx.withSong(
        [&](core::TSong& s) { core::ToggleSelectRect(s, trackA, trackB, slotA, slotB, additive); });
    m_ctx.displayEdited();
}

void PatternGrid::setPanelColor(std::uint32_t color)
{
    SetBackground(panel5, color);
    m_tint = ToQColor(color);
    PaintBox2->update();
}

void PatternGrid::PaintBox2Paint(QPainter& p, const QRect& clip)
{
    const int W = PaintBox2->width();
    const QRect visible = ScrollBox1->viewport()->rect().translated(
        ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value());
    if (const Skin* s = m_ctx.skin()) {
        TileBitmap(p, s->stars, visible.x(), visible.height(), visible.width(), visible.y());
    }
    // A colour given to the grid's panel (the "tintrose" and "tintcoal" keywords) would lie
    // under the stars unseen: it tints them instead.
    if (m_tint.isValid()) {
        QColor tint = m_tint;
        tint.setAlpha(110);
        p.fillRect(visible, tint);
    }
    int beats = 4, ticks = 4, rows = 0;
    m_ctx.withSong([&](const core::TSong& s) {
        beats = std::max(1, s.Beats);
        ticks = std::max(1, s.Ticks);
        rows = std::clamp(s.TrackCount, 0, core::MaxTracks);
    });
    const int steps = beats * ticks;
    const int first = std::max(0, clip.left() * steps / std::max(W, 1) - 1);
    for (int b = first; b < steps; ++b) {
        const int x = b * W / steps;
        if (x > clip.right() + 1) {
            break;
        }
        const bool beatStart = b % ticks == 0;
        const int barWidth = b % (4 * ticks) == 0 ? 2 : 1;
        p.fillRect(x, 0, barWidth, PaintBox2->height(),
                   ToQColor(beatStart ? colors::Lime : colors::Blue));
    }
    p.setPen(ToQColor(colors::White));
    for (int r = 0; r < rows; ++r) {
        const int y = RowCentreY(r, GridRowHeight);
        if (r * GridRowHeight > clip.bottom() || (r + 1) * GridRowHeight < clip.top()) {
            continue;
        }
        for (int b = first; b < steps; ++b) {
            const int x = b * W / steps;
            if (x > clip.right() + 1) {
                break;
            }
            p.drawLine(x, r * GridRowHeight + 10, x, r * GridRowHeight + 15);
        }
        p.drawLine(clip.left(), y, clip.right(), y);
    }
}

void PatternGrid::paintBeatLabels(QPainter& p, int steps, int ticks)
{
    const int W = noteBox->width();
    if (W / steps <= 16) {
        return;
    }
    // The labels sit over the first row's markers, so they are drawn after them on a dark
    // backing that keeps both readable.
    p.setFont(SmallFont());
    const QFontMetrics fm(p.font());
    for (int b = 0; b < steps; ++b) {
        const int x = b * W / steps;
        const QString text = QStringLiteral("%1.%2").arg(b / ticks + 1).arg(b % ticks + 1);
        const QRect box(x + 3, 1, fm.horizontalAdvance(text) + 2, fm.height());
        p.fillRect(box, QColor(0x1b, 0x21, 0x2d, 190));
        p.setPen(ToQColor(colors::White));
        p.drawText(x + 4, 1 + fm.ascent(), text);
    }
}

void PatternGrid::noteBoxPaint(QPainter& p)
{
    const int W = noteBox->width();
    p.setRenderHint(QPainter::Antialiasing, false);
    int rows = 0;
    int steps = 16;
    int ticks = 4;
    m_ctx.withSong([&](const core::TSong& s) {
        rows = std::clamp(s.TrackCount, 0, core::MaxTracks);
        ticks = std::max(1, s.Ticks);
        steps = std::max(1, s.Beats) * ticks;
        for (int r = 0; r < rows; ++r) {
            const auto& row = s.Events[static_cast<std::size_t>(r)];
            for (int slot = 0; slot < core::PatternSlots; ++slot) {
                const core::TNoteEvent& e = row[static_cast<std::size_t>(slot)];
                if (e.Volume <= 0) {
                    continue;
                }
                if (slot == core::PatternSlots - 1) {
                    // Slot 256 lies on the grid's right edge: its marker points back into
                    // the grid from there instead of leaving it.
                    DrawEventMarker(p, W - 1, e.Selected != 0, RowCentreY(r, GridRowHeight),
                                    m_ctx.skin(), MarkerDirection::Left, e.Volume);
                    continue;
                }
                DrawEventMarker(p, XFromPos(slot, W), e.Selected != 0, RowCentreY(r, GridRowHeight),
                                m_ctx.skin(), MarkerDirection::Right, e.Volume);
            }
        }
    });
    paintBeatLabels(p, steps, ticks);
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
