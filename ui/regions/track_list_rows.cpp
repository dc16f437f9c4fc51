// The track list's rows as a whole: adding, removing, renaming and moving tracks.
#include "core/track_commands.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace bw::ui {

namespace {

int RowCount(const core::TSong& s)
{
    return std::clamp(s.TrackCount, 0, core::MaxTracks);
}

/// The name editor gives up its edit on Escape.
class NameEditKeys : public QObject
{
public:
    NameEditKeys(QLineEdit* edit, std::function<void()> cancel)
        : QObject(edit), m_cancel(std::move(cancel))
    {
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_cancel();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_cancel;
};

} // namespace

bool TrackList::onAddRow(int y) const
{
    const int rows = m_ctx.withSong([](const core::TSong& s) { return RowCount(s); });
    const int top = rows * GridRowHeight + m_ctx.gridScrollY();
    return rows < core::MaxTracks && y >= top && y < top + GridRowHeight;
}

int TrackList::trackAtPoint(QPoint at) const
{
    const int rows = m_ctx.withSong([](const core::TSong& s) { return RowCount(s); });
    const int y = at.y() - m_ctx.gridScrollY();
    if (at.x() < 0 || at.x() >= Panel8->width() || y < 0 || y >= rows * GridRowHeight) {
        return -1;
    }
    return y / GridRowHeight;
}

void TrackList::addTrack()
{
    const int added = m_ctx.withSong([](core::TSong& s) {
        if (!core::AddTrack(s)) {
            return -1;
        }
        s.SelectedTrack = s.TrackCount - 1;
        return s.SelectedTrack;
    });
    if (added < 0) {
        m_ctx.showStatus(QStringLiteral("A song holds at most %1 tracks: remove one first")
                             .arg(core::MaxTracks));
        return;
    }
    m_ctx.trackRowsEdited();
    m_ctx.documentEdited();
    m_ctx.showStatus(QStringLiteral("Track %1 added: right click it to choose its sound, or drop "
                                    "a sound file on it")
                         .arg(added + 1));
}

void TrackList::removeTrack()
{
    int events = 0;
    QString label;
    const int removed = m_ctx.withSong([&](core::TSong& s) {
        const int t = s.SelectedTrack;
        if (t < 0 || t >= RowCount(s) || RowCount(s) <= 1) {
            return -1;
        }
        label = QString::fromLatin1(core::TrackLabel(s, t).c_str());
        // Its events in every pattern (the working copy stands for the current one).
        const auto count = [t, &events](const core::EventGrid& grid) {
            for (const auto& e : grid[static_cast<std::size_t>(t)]) {
                events += e.Volume > 0 ? 1 : 0;
            }
        };
        count(s.Events);
        for (int k = 0; k < s.PatternCount; ++k) {
            if (k != s.CurrentPattern) {
                count(s.pattern(k).Events);
            }
        }
        return core::RemoveTrack(s, t) ? t : -1;
    });
    if (removed < 0) {
        m_ctx.showStatus(QStringLiteral("The last track stays: a song needs one"));
        return;
    }
    m_ctx.trackRowsEdited();
    m_ctx.documentEdited();
    m_ctx.showStatus(QStringLiteral("Track %1%2 removed with its %3 events (Undo brings it back)")
                         .arg(removed + 1)
                         .arg(label.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(label))
                         .arg(events));
}

void TrackList::renameTrack(int t)
{
    const auto [rows, name] = m_ctx.withSong([t](const core::TSong& s) {
        const bool valid = t >= 0 && t < RowCount(s);
        return std::pair<int, std::string>(
            RowCount(s), valid ? s.TrackNames[static_cast<std::size_t>(t)].str() : std::string());
    });
    if (t < 0 || t >= rows) {
        return;
    }
    if (trackNameEdit == nullptr) {
        trackNameEdit = new QLineEdit(Panel8);
        trackNameEdit->setObjectName(QStringLiteral("trackNameEdit"));
        trackNameEdit->setMaxLength(core::TrackNameLength);
        trackNameEdit->setPlaceholderText(QStringLiteral("the sound's name"));
        trackNameEdit->setToolTip(QStringLiteral(
            "The track's name (Enter keeps it, Escape drops it; empty shows the sound's name)"));
        connect(trackNameEdit, &QLineEdit::editingFinished, this, &TrackList::commitTrackName);
        new NameEditKeys(trackNameEdit, [this] {
            m_renamedRow = -1;
            trackNameEdit->hide();
        });
    }
    m_renamedRow = t;
    trackNameEdit->setText(QString::fromLatin1(name.c_str()));
    trackNameEdit->setGeometry(22, t * GridRowHeight + m_ctx.gridScrollY() + 1,
                               PaintBox1->width() - 24, GridRowHeight - 2);
    trackNameEdit->show();
    trackNameEdit->raise();
    trackNameEdit->setFocus();
    trackNameEdit->selectAll();
}

void TrackList::commitTrackName()
{
    if (trackNameEdit == nullptr || m_renamedRow < 0) {
        return;
    }
    const int t = m_renamedRow;
    m_renamedRow = -1; // editingFinished comes again when the editor loses the focus
    trackNameEdit->hide();
    const std::string name = trackNameEdit->text().trimmed().toLatin1().toStdString();
    const bool changed = m_ctx.withSong([t, &name](core::TSong& s) {
        if (t >= RowCount(s) || s.TrackNames[static_cast<std::size_t>(t)].view() == name) {
            return false;
        }
        core::SetTrackName(s, t, name);
        return true;
    });
    if (changed) {
        m_ctx.documentEdited();
    }
}

void TrackList::PaintBox1DoubleClick(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int row = trackAtPoint(at);
    if (event->button() != Qt::LeftButton || row < 0 || at.x() > PaintBox1->width() - PopupZone) {
        PaintBox1MouseDown(event); // counts as a second press
        return;
    }
    m_dragRow.reset();
    renameTrack(row);
}

void TrackList::PaintBox1MouseMove(QMouseEvent* event)
{
    if (!m_dragRow) {
        return;
    }
    const int rows = m_ctx.withSong([](const core::TSong& s) { return RowCount(s); });
    const int y = event->position().toPoint().y() - m_ctx.gridScrollY();
    const int over = std::clamp(y < 0 ? 0 : y / GridRowHeight, 0, std::max(rows - 1, 0));
    const std::optional<int> drop =
        over != *m_dragRow || m_dropRow ? std::optional<int>(over) : std::nullopt;
    if (drop != m_dropRow) {
        m_dropRow = drop;
        PaintBox1->update();
    }
}

void TrackList::PaintBox1MouseUp(QMouseEvent* /*event*/)
{
    const std::optional<int> from = m_dragRow;
    const std::optional<int> to = m_dropRow;
    m_dragRow.reset();
    m_dropRow.reset();
    if (!from || !to || *from == *to) {
        PaintBox1->update();
        return;
    }
    m_ctx.withSong([&](core::TSong& s) { core::MoveTrack(s, *from, *to); });
    m_ctx.trackRowsEdited();
    m_ctx.documentEdited();
}

void TrackList::paintRowExtras(QPainter& p, int rows)
{
    const int scrollY = m_ctx.gridScrollY();
    if (rows < core::MaxTracks) {
        const QRect add(0, rows * GridRowHeight + scrollY, PaintBox1->width(), GridRowHeight);
        p.setPen(QColor(0xe9, 0xec, 0xf1));
        p.drawText(add.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("+ add track"));
    }
    if (m_dragRow && m_dropRow && *m_dropRow != *m_dragRow) {
        // The dragged row lands above the row under the pointer when it moves up, below it
        // when it moves down.
        const int edge = *m_dropRow < *m_dragRow ? *m_dropRow : *m_dropRow + 1;
        p.fillRect(QRect(0, edge * GridRowHeight + scrollY - 2, PaintBox1->width(), 4),
                   QColor(0xf5, 0xb0, 0x3c));
    }
}

} // namespace bw::ui
