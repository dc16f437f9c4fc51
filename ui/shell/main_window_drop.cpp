// Files dropped on the main window: a pattern file opens, sound files go to tracks.

#include "ui/regions/pattern_grid.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/transport.h"
#include "ui/widgets/paint_box.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QMimeData>
#include <QScrollArea>
#include <QStringList>
#include <QTimer>
#include <QUrl>

namespace bw::ui {

namespace {

struct DroppedFiles
{
    QString song; // the first pattern file, if any
    QStringList sounds;
};

/// The local files of a drag that the program takes: pattern files and sound files.
DroppedFiles Classify(const QMimeData* mime)
{
    DroppedFiles out;
    if (mime == nullptr || !mime->hasUrls()) {
        return out;
    }
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString path = url.toLocalFile();
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("bwp")) {
            if (out.song.isEmpty()) {
                out.song = path;
            }
        } else if (suffix == QLatin1String("wav") || suffix == QLatin1String("aif") ||
                   suffix == QLatin1String("aiff") || suffix == QLatin1String("aifc") ||
                   suffix == QLatin1String("flac")) {
            out.sounds << path;
        }
    }
    return out;
}

} // namespace

std::optional<int> TMain::soundDropTrack(QPoint pos) const
{
    const QPoint global = mapToGlobal(pos);
    if (m_trackList->Panel8->rect().contains(m_trackList->Panel8->mapFromGlobal(global))) {
        // -1 on "+ add track" and below the rows.
        return m_trackList->trackAtPoint(m_trackList->Panel8->mapFromGlobal(global));
    }
    if (m_grid->ScrollBox1->rect().contains(m_grid->ScrollBox1->mapFromGlobal(global))) {
        return -1; // the grid takes sounds for the tracks that have none, from the top
    }
    return std::nullopt;
}

void TMain::dragEnterEvent(QDragEnterEvent* event)
{
    const DroppedFiles files = Classify(event->mimeData());
    if (!files.song.isEmpty() || !files.sounds.isEmpty()) {
        event->acceptProposedAction();
    }
}

void TMain::dragMoveEvent(QDragMoveEvent* event)
{
    const DroppedFiles files = Classify(event->mimeData());
    const QPoint pos = event->position().toPoint();
    if (!files.song.isEmpty() || (!files.sounds.isEmpty() && soundDropTrack(pos).has_value())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TMain::dropEvent(QDropEvent* event)
{
    const DroppedFiles files = Classify(event->mimeData());
    const std::optional<int> track = soundDropTrack(event->position().toPoint());
    if (files.song.isEmpty() && (files.sounds.isEmpty() || !track)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Done once the drop has finished: the file manager is not kept waiting by the questions
    // and the reading.
    QTimer::singleShot(0, this, [this, files, track] {
        if (m_transport->stopping()) {
            return;
        }
        if (!files.song.isEmpty()) {
            if (confirmDiscard()) {
                openFile(files.song);
            }
            return;
        }
        m_trackList->assignDroppedSounds(files.sounds, *track);
    });
}

} // namespace bw::ui
