// The sequencer panel's painting: the lane of placements in their patterns' colours with the
// beat that sounds, the song's end and the loop range, and the pattern-name column.
#include "core/arrangement.h"
#include "core/song.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

namespace bw::ui {

void SequencerPanel::PaintBox3Paint(QPainter& p, const QRect& clip)
{
    p.fillRect(clip, ToQColor(colors::Silver));
    const int first = std::max(0, clip.left() / SeqBeatWidth);
    const int last = std::min(core::MaxSongPosition, clip.right() / SeqBeatWidth);
    m_ctx.withSong([&](const core::TSong& s) {
        for (int a = first; a <= last; ++a) {
            paintBeatColumn(p, s, a);
        }
        paintLaneMarks(p, s, clip);
        paintDraggedPlacement(p, s);
    });
}

void SequencerPanel::paintLaneMarks(QPainter& p, const core::TSong& song, const QRect& clip)
{
    const int w = SeqBeatWidth;
    const int rows = song.PatternCount * SeqRowHeight;
    // The beat being heard (or the song position): its placements cover the column's red,
    // so a red frame around it stays visible over them.
    const int marked = markedBeat();
    const QRect column(marked * w, 0, w, std::max(rows, 1));
    if (column.intersects(clip)) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::NoBrush);
        const QColor red = ToQColor(colors::Red);
        p.fillRect(QRect(column.left(), 0, 2, column.height()), red);
        p.fillRect(QRect(column.right() - 2, 0, 2, column.height()), red);
    }
    // The loop range's ends: thin lines down the lane, green while the loop is on.
    if (core::HasLoopRange(song)) {
        const QColor loop = ToQColor(song.LoopOn ? LoopOnColor : colors::Gray);
        for (const int beat : {song.LoopStart, song.LoopEnd}) {
            const QRect line(beat * w - 1, 0, 2, PaintBox3->height());
            if (line.intersects(clip)) {
                p.fillRect(line, loop);
            }
        }
    }
    // The song ends after the "Stop at" beat: a dark line down the whole lane.
    const int stop = song.StopPosition;
    if (stop >= 0 && stop <= core::MaxSongPosition) {
        const int x = (stop + 1) * w - 1;
        const QRect line(x - 1, 0, 3, PaintBox3->height());
        if (line.intersects(clip)) {
            p.fillRect(line, ToQColor(colors::Maroon));
        }
    }
}

void SequencerPanel::paintBeatColumn(QPainter& p, const core::TSong& song, int a)
{
    const int w = SeqBeatWidth;
    const int h = SeqRowHeight;
    const int rows = song.PatternCount;
    const int x0 = a * w;
    const int x1 = (a + 1) * w - 1;
    const QColor black = ToQColor(colors::Black);
    const QColor white = ToQColor(colors::White);
    p.fillRect(QRect(QPoint(x0, 0), QPoint(x1, rows * h - 1)),
               ToQColor(a == markedBeat() ? colors::Red : colors::Silver));
    p.setPen(black);
    p.drawLine(x1, 0, x1, rows * h);
    for (int r = 0; r < rows; ++r) {
        p.drawLine(x0, (r + 1) * h - 1, x1, (r + 1) * h - 1);
    }
    for (int r = 0; r < rows; ++r) {
        const int hit = core::SeqHitTest(song, r, a);
        if (hit == 0) {
            continue;
        }
        const QColor fill =
            ToQColor(static_cast<BgrColor>(core::PatternColorValue(song.pattern(r))));
        const int top = r * h + 1;
        const int bottom = (r + 1) * h - 3;
        if (hit == 1) {
            p.fillRect(QRect(QPoint(x0 + 1, top), QPoint(x1, bottom)), fill);
            p.setPen(white);
            p.drawLine(x0 + 1, top, x0 + 1, bottom);
            p.drawLine(x0 + 1, top, x1, top);
            p.setPen(black);
            p.drawLine(x0 + 1, bottom, x1, bottom);
        } else if (hit == 2) {
            p.fillRect(QRect(QPoint(x0, top), QPoint(x1 - 2, bottom)), fill);
            p.setPen(black);
            p.drawLine(x1 - 2, top, x1 - 2, bottom);
            p.drawLine(x0, bottom, x1 - 2, bottom);
            p.setPen(white);
            p.drawLine(x0, top, x1 - 3, top);
        } else {
            p.fillRect(QRect(QPoint(x0, top), QPoint(x1, bottom)), fill);
            p.setPen(white);
            p.drawLine(x0, top, x1, top);
            p.setPen(black);
            p.drawLine(x0, bottom, x1, bottom);
        }
    }
}

void SequencerPanel::leftseqboxPaint(QPainter& p)
{
    p.fillRect(leftseqbox->rect(), ToQColor(colors::Silver));
    const QFontMetrics fm(p.font());
    m_ctx.withSong([&](const core::TSong& s) {
        for (int r = 0; r < s.PatternCount; ++r) {
            const int y = r * SeqRowHeight - SeqScrollY;
            const core::TPattern& pat = s.pattern(r);
            // While the song plays, the patterns being heard; otherwise those at the position.
            const bool active =
                m_heardBeat && r < 64 ? ((m_heardPatterns >> r) & 1U) != 0 : pat.PlayActive == 1;
            p.fillRect(QRect(0, y + 1, leftseqbox->width(), SeqRowHeight),
                       ToQColor(active ? colors::Blue : colors::Silver));
            p.setPen(ToQColor(active ? colors::White : colors::Black));
            // The pattern's colour in a strip at the left, as its placements show it.
            p.fillRect(QRect(0, y + 2, 4, SeqRowHeight - 2),
                       ToQColor(static_cast<BgrColor>(core::PatternColorValue(pat))));
            p.drawText(6, y + 2 + fm.ascent(), QString::fromLatin1(pat.Name.str().c_str()));
            p.setPen(ToQColor(colors::Gray));
            p.drawLine(0, y + 1, leftseqbox->width(), y + 1);
        }
        p.setPen(ToQColor(colors::Gray));
        const int end = s.PatternCount * SeqRowHeight - SeqScrollY + 1;
        p.drawLine(0, end, leftseqbox->width(), end);
        p.setPen(ToQColor(colors::Silver));
        p.drawLine(0, 0, leftseqbox->width(), 0);
    });
}

} // namespace bw::ui
