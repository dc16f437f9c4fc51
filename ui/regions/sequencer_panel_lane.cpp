// The sequencer panel's lane and names column under the mouse: placing, removing, dragging and
// copying placements, their menu, and the patterns' colours.
#include "core/arrangement.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"

#include <algorithm>
#include <array>

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace bw::ui {

namespace {

/// What the colour menu calls the palette's colours, in palette order.
constexpr std::array<const char*, core::PaletteSize> ColorNames{
    "Blue", "Green", "Purple", "Teal", "Orange", "Magenta", "Olive", "Brown"};

QIcon Swatch(std::int32_t bgr)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(ToQColor(static_cast<BgrColor>(bgr)));
    return QIcon(pixmap);
}

QString PatternName(const core::TSong& s, int row)
{
    return QString::fromLatin1(s.pattern(row).Name.str().c_str());
}

} // namespace

void SequencerPanel::sequenceEdited()
{
    const int position = m_ctx.songPosition();
    m_ctx.withSong([position](core::TSong& s) {
        for (int i = 0; i < s.PatternCount; ++i) {
            core::SetPlayWindowFromSong(s, i, position);
        }
    });
    m_ctx.documentEdited();
}

void SequencerPanel::PaintBox3MouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int r = rowAt(at.y());
    if (r < 0) {
        return;
    }
    const int a = beatAt(at.x());
    const int entry = m_ctx.withSong([&](const core::TSong& s) {
        return core::SeqHitTest(s, r, a) != 0 ? core::FindSeqEntryAt(s, a, r) : -1;
    });
    if (entry >= 0 && event->button() == Qt::RightButton) {
        showPlacementMenu(r, a, PaintBox3->mapToGlobal(at));
        return;
    }
    if (entry >= 0 && event->button() == Qt::LeftButton) {
        // Removed, moved or copied when the button comes up.
        const int origin = m_ctx.withSong([entry](const core::TSong& s) {
            return s.Sequence[static_cast<std::size_t>(entry)].Position;
        });
        m_drag = PlacementDrag{
            r, entry, a, origin, origin, event->modifiers().testFlag(Qt::ControlModifier), false};
        return;
    }
    // An empty beat (or another button on a placement) toggles as a click always did.
    m_ctx.withSong([&](core::TSong& s) {
        if (core::SeqHitTest(s, r, a) != 0) {
            core::RemoveSeqEntryAt(s, a, r);
        } else {
            core::AddSeqEntry(s, a, s.pattern(r).Name.str());
        }
    });
    sequenceEdited();
}

void SequencerPanel::PaintBox3MouseMove(QMouseEvent* event)
{
    if (!m_drag) {
        return;
    }
    const int a = beatAt(event->position().toPoint().x());
    const int target = std::clamp(m_drag->origin + a - m_drag->pressBeat, 0, core::MaxSongPosition);
    if (target != m_drag->target || (!m_drag->moved && a != m_drag->pressBeat)) {
        m_drag->target = target;
        m_drag->moved = m_drag->moved || a != m_drag->pressBeat;
        PaintBox3->update();
    }
}

void SequencerPanel::PaintBox3MouseUp(QMouseEvent* event)
{
    if (!m_drag || event->button() != Qt::LeftButton) {
        return;
    }
    const PlacementDrag drag = *m_drag;
    m_drag.reset();
    PaintBox3->update();
    if (!drag.moved) {
        m_ctx.withSong([&](core::TSong& s) {
            core::DeleteSeqEntry(s, core::FindSeqEntryAt(s, drag.pressBeat, drag.row));
        });
        sequenceEdited();
        return;
    }
    if (drag.target == drag.origin) {
        return; // dragged away and back: nothing changes
    }
    const bool copy = drag.copy || event->modifiers().testFlag(Qt::ControlModifier);
    QString name;
    const bool done = m_ctx.withSong([&](core::TSong& s) {
        name = PatternName(s, drag.row);
        // The placement grabbed, found as the press found it.
        const int entry = core::FindSeqEntryAt(s, drag.pressBeat, drag.row);
        return core::MoveSeqEntry(s, drag.row, entry, drag.target, copy);
    });
    if (!done) {
        m_ctx.showStatus(QStringLiteral("\"%1\" cannot go to beat %2: it would overlap another "
                                        "placement of the same pattern")
                             .arg(name)
                             .arg(drag.target));
        return;
    }
    sequenceEdited();
}

QMenu* SequencerPanel::makeColorMenu(int row, QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("Colour"), parent);
    menu->setObjectName(QStringLiteral("colorMenu"));
    const int current = m_ctx.withSong(
        [row](const core::TSong& s) { return s.validPattern(row) ? s.pattern(row).Color : -1; });
    for (int c = 0; c < core::PaletteSize; ++c) {
        QAction* action =
            menu->addAction(Swatch(core::PatternPalette[static_cast<std::size_t>(c)]),
                            QString::fromLatin1(ColorNames[static_cast<std::size_t>(c)]));
        action->setObjectName(QStringLiteral("color%1").arg(c));
        action->setCheckable(true);
        action->setChecked(c == current);
        connect(action, &QAction::triggered, this, [this, row, c] {
            const bool changed = m_ctx.withSong([row, c](core::TSong& s) {
                if (!s.validPattern(row) || s.pattern(row).Color == c) {
                    return false;
                }
                s.pattern(row).Color = c;
                return true;
            });
            if (changed) {
                m_ctx.documentEdited();
            }
        });
    }
    return menu;
}

QMenu* SequencerPanel::showPlacementMenu(int row, int beat, QPoint screen)
{
    auto* menu = new QMenu(PaintBox3);
    menu->setObjectName(QStringLiteral("placementMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* remove = menu->addAction(QStringLiteral("Delete"));
    remove->setObjectName(QStringLiteral("deletePlacement"));
    QAction* duplicate = menu->addAction(QStringLiteral("Duplicate after"));
    duplicate->setObjectName(QStringLiteral("duplicatePlacement"));
    menu->addSeparator();
    menu->addMenu(makeColorMenu(row, menu));
    // The placement is looked up again when an item is chosen.
    const auto entryAt = [row, beat](const core::TSong& s) {
        return core::FindSeqEntryAt(s, beat, row);
    };
    connect(remove, &QAction::triggered, this, [this, entryAt] {
        m_ctx.withSong([&](core::TSong& s) { core::DeleteSeqEntry(s, entryAt(s)); });
        sequenceEdited();
    });
    connect(duplicate, &QAction::triggered, this, [this, row, entryAt] {
        QString name;
        const bool done = m_ctx.withSong([&](core::TSong& s) {
            name = PatternName(s, row);
            return core::DuplicateSeqEntryAfter(s, row, entryAt(s));
        });
        if (!done) {
            m_ctx.showStatus(QStringLiteral("\"%1\" cannot be placed again after this "
                                            "placement: the beats there hold another placement "
                                            "of it, or the song's time line ends")
                                 .arg(name));
            return;
        }
        sequenceEdited();
    });
    menu->popup(screen);
    return menu;
}

void SequencerPanel::leftseqboxMouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int r = rowAt(at.y() + SeqScrollY);
    if (r < 0) {
        return;
    }
    if (event->button() == Qt::RightButton) {
        QMenu* menu = makeColorMenu(r, leftseqbox);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(leftseqbox->mapToGlobal(at));
        return;
    }
    m_ctx.SwitchPattern(r);
}

void SequencerPanel::paintDraggedPlacement(QPainter& p, const core::TSong& song)
{
    if (!m_drag || !m_drag->moved || !song.validPattern(m_drag->row)) {
        return;
    }
    const bool fits =
        core::PlacementFits(song, m_drag->row, m_drag->target, m_drag->copy ? -1 : m_drag->entry);
    const int beats = std::max(song.pattern(m_drag->row).Beats, 1);
    const QRect ghost(m_drag->target * SeqBeatWidth, m_drag->row * SeqRowHeight,
                      beats * SeqBeatWidth - 1, SeqRowHeight - 2);
    QColor fill =
        ToQColor(static_cast<BgrColor>(core::PatternColorValue(song.pattern(m_drag->row))));
    fill.setAlpha(110);
    p.fillRect(ghost, fill);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ToQColor(fits ? colors::Black : colors::Red), 2, Qt::DashLine));
    p.drawRect(ghost.adjusted(1, 1, -1, -1));
}

} // namespace bw::ui
