#include "ui/regions/track_list.h"

#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/library_window.h"
#include "ui/windows/sound_popup.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace bw::ui {

namespace {
constexpr int MuteColumnWidth = 19;
}

TrackList::TrackList(EditorContext& context, QWidget* parent, QWidget* soundBoxHost)
    : QObject(parent), m_ctx(context)
{
    Panel8 = MakePanel(parent, QStringLiteral("Panel8"), FrameColor);
    PaintBox1 = MakePaintBox(Panel8, QStringLiteral("PaintBox1"));
    PaintBox1->setToolTip(QStringLiteral("Sounds"));
    PaintBox1->setAccessibleName(QStringLiteral("Track sounds"));
    PaintBox1->setAccessibleDescription(
        QStringLiteral("Click a track to make it current; right click to choose its sound"));
    PaintBox1->onPaint = [this](QPainter& p, const QRect&) { PaintBox1Paint(p); };
    PaintBox1->onMouseDown = [this](QMouseEvent* e) { PaintBox1MouseDown(e); };
    PaintBox1->onToolTip = [this](QPoint at) {
        const int row = rowAt(at.y());
        return row < 0 ? QString()
                       : QStringLiteral("Track %1: click to edit it, right click to choose its "
                                        "sound")
                             .arg(row + 1);
    };
    PaintBox4 = MakePaintBox(Panel8, QStringLiteral("PaintBox4"));
    PaintBox4->setToolTip(QStringLiteral("Mute"));
    PaintBox4->setAccessibleName(QStringLiteral("Mute lamps"));
    PaintBox4->onPaint = [this](QPainter& p, const QRect&) { PaintBox4Paint(p); };
    PaintBox4->onMouseDown = [this](QMouseEvent* e) { PaintBox4MouseDown(e); };
    PaintBox4->onToolTip = [this](QPoint at) { return muteToolTip(at); };

    soundbox = new QComboBox(soundBoxHost);
    soundbox->setObjectName(QStringLiteral("soundbox"));
    soundbox->setToolTip(QStringLiteral("Select Sound"));
    soundbox->setMaxVisibleItems(30);
    soundbox->setGeometry(4, 44, 137, 22);
    soundbox->hide();
    soundbox->installEventFilter(this);
    connect(soundbox, &QComboBox::activated, this, &TrackList::soundboxChange);
    CheckBox1 = new QCheckBox(QStringLiteral("Enabled"), soundBoxHost);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(4, 22, 80, 20);
    CheckBox1->hide();
    connect(CheckBox1, &QCheckBox::clicked, this, &TrackList::CheckBox1Click);

    connect(&m_ctx, &EditorContext::documentChanged, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::displayChanged, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::tracksBound, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::skinChanged, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::libraryChanged, this, &TrackList::fillSoundBox);
    connect(&m_ctx, &EditorContext::deleteSoundRequested, this,
            [this](int index, QWidget* from) { DeleteLibrarySound(index, from); });
    connect(&m_ctx, &EditorContext::gridViewChanged, this, &TrackList::followGrid);
}

void TrackList::setGeometry(const QRect& rect)
{
    Panel8->setGeometry(rect);
    PaintBox1->setGeometry(0, 0, rect.width() - MuteColumnWidth, rect.height());
    PaintBox4->setGeometry(rect.width() - MuteColumnWidth, 0, MuteColumnWidth, rect.height());
}

void TrackList::fillSoundBox()
{
    const QSignalBlocker block(soundbox);
    soundbox->clear();
    m_ctx.withSong([this](core::TSong&) {
        library::SoundLibrary& lib = m_ctx.library();
        for (int i = 0; i < lib.count(); ++i) {
            soundbox->addItem(QString::fromLatin1(lib.SoundNameAt(i).c_str()));
        }
    });
}

void TrackList::repaint()
{
    PaintBox1->update();
    PaintBox4->update();
}

void TrackList::followGrid()
{
    if (m_ctx.gridScrollY() != m_scrollY) {
        m_scrollY = m_ctx.gridScrollY();
        repaint();
    }
}

int TrackList::rowAt(int y) const
{
    const int rows = m_ctx.withSong(
        [](const core::TSong& s) { return std::clamp(s.TrackCount, 0, core::MaxTracks); });
    if (rows <= 0) {
        return -1; // no track to act on
    }
    return RowFromY(std::max(0, y - m_ctx.gridScrollY()), GridRowHeight, rows);
}

void TrackList::PaintBox1MouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at.y());
    if (row < 0) {
        return;
    }
    int enabled = 0;
    int soundIndex = 0;
    m_ctx.withSong([&](core::TSong& s) {
        s.SelectedTrack = row;
        const core::TTrack& t = s.Tracks[static_cast<std::size_t>(row)];
        enabled = t.Enabled;
        soundIndex = t.SoundIndex;
    });
    m_ctx.displayEdited();
    CheckBox1->setChecked(enabled == 1);
    {
        const QSignalBlocker block(soundbox);
        soundbox->setCurrentIndex(soundIndex >= 0 && soundIndex < soundbox->count() ? soundIndex
                                                                                    : -1);
    }
    if (event->button() == Qt::RightButton || at.x() > PaintBox1->width() - PopupZone) {
        // The popup opens at the pointer (also with the grid scrolled).
        ShowSoundPopup(PaintBox1->mapToGlobal(at));
    }
}

void TrackList::PaintBox4MouseDown(QMouseEvent* event)
{
    const int row = rowAt(event->position().toPoint().y());
    if (row < 0) {
        return;
    }
    m_ctx.withSong([row](core::TSong& s) {
        core::TTrack& t = s.Tracks[static_cast<std::size_t>(row)];
        t.Enabled = t.Enabled == 1 ? 0 : 1;
        if (t.SoundName.empty()) {
            t.Enabled = 0; // a track without a sound cannot sound
        }
    });
    m_ctx.documentEdited();
}

QString TrackList::muteToolTip(QPoint at) const
{
    const int row = rowAt(at.y());
    if (row < 0) {
        return {};
    }
    const auto [enabled, named] = m_ctx.withSong([row](const core::TSong& s) {
        const core::TTrack& t = s.Tracks[static_cast<std::size_t>(row)];
        return std::pair<bool, bool>(t.Enabled == 1, !t.SoundName.empty());
    });
    if (!named) {
        return QStringLiteral("Track %1 has no sound: choose one to switch it on").arg(row + 1);
    }
    return enabled ? QStringLiteral("Mute track %1").arg(row + 1)
                   : QStringLiteral("Unmute track %1").arg(row + 1);
}

void TrackList::CheckBox1Click(bool checked)
{
    m_ctx.withSong([checked](core::TSong& s) {
        if (s.SelectedTrack >= 0 && s.SelectedTrack < core::MaxTracks) {
            s.Tracks[static_cast<std::size_t>(s.SelectedTrack)].Enabled = checked ? 1 : 0;
        }
    });
    m_ctx.documentEdited();
}

void TrackList::SetTrackSound(int index)
{
    if (index < 0 || index >= soundbox->count()) {
        return; // a cell without a sound
    }
    const std::string name = soundbox->itemText(index).toLatin1().toStdString();
    m_ctx.withSong([&](core::TSong& s) {
        if (s.SelectedTrack < 0 || s.SelectedTrack >= core::MaxTracks) {
            return;
        }
        core::TTrack& t = s.Tracks[static_cast<std::size_t>(s.SelectedTrack)];
        t.Enabled = 1;
        t.SoundName.assign(name); // cut to the field's 42 characters
        t.SoundIndex = index;
    });
    CheckBox1->setChecked(true);
    m_ctx.CheckTrackSounds();
    m_ctx.documentEdited();
}

void TrackList::soundboxChange(int index)
{
    SetTrackSound(index);
}

void TrackList::ShowSoundPopup(QPoint screen)
{
    TselfPopup* popup = m_ctx.links().selfPopup;
    if (popup == nullptr) {
        return;
    }
    connect(popup, &TselfPopup::soundPicked, this, &TrackList::SetTrackSound, Qt::UniqueConnection);
    popup->showAt(screen, soundbox);
}

bool TrackList::DeleteLibrarySound(int n, QWidget* from)
{
    QWidget* owner = from != nullptr ? from : m_ctx.window();
    if (n < 0 || n >= soundbox->count()) {
        return false;
    }
    const QString text = QStringLiteral("Are you sure to delete \"") + soundbox->itemText(n) +
                         QStringLiteral("\" ?");
    if (ShowMessage(owner, text, QStringLiteral("hmmmm..."), MessageButtons::OkCancel) !=
        MessageResult::Ok) {
        return false;
    }
    m_ctx.withSong([this, n](core::TSong&) { m_ctx.library().DeleteSound(n); });
    soundbox->removeItem(n);
    m_ctx.libraryEdited();
    m_ctx.saveLibrary(owner);
    m_ctx.CheckTrackSounds(owner);
    m_ctx.documentEdited();
    return true;
}

bool TrackList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == soundbox && event->type() == QEvent::MouseButtonDblClick) {
        if (QWidget* library = m_ctx.links().soundLibrary) {
            library->show();
            library->raise();
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TrackList::PaintBox1Paint(QPainter& p)
{
    const Skin* s = m_ctx.skin();
    const int scrollY = m_ctx.gridScrollY();
    p.fillRect(PaintBox1->rect(), ToQColor(FrameColor));
    m_ctx.withSong([&](const core::TSong& song) {
        const int rows = std::clamp(song.TrackCount, 0, core::MaxTracks);
        const QFontMetrics fm(p.font());
        for (int i = 0; i < rows; ++i) {
            const int y = i * GridRowHeight + scrollY;
            if (s != nullptr) {
                p.drawImage(0, y, i == song.SelectedTrack ? s->soulei2 : s->soulei);
            }
            const core::TTrack& t = song.Tracks[static_cast<std::size_t>(i)];
            p.setPen(ToQColor(colors::Black));
            p.drawText(5, y + 5 + fm.ascent(), QString::number(i + 1));
            const QString name = t.Enabled == 0 && t.SoundName.empty()
                                     ? QStringLiteral(" - - - ")
                                     : QString::fromLatin1(t.SoundName.str().c_str());
            p.drawText(25, y + 5 + fm.ascent(), name);
        }
    });
}

void TrackList::PaintBox4Paint(QPainter& p)
{
    const Skin* s = m_ctx.skin();
    p.fillRect(PaintBox4->rect(), ToQColor(FrameColor));
    if (s == nullptr) {
        return;
    }
    const int scrollY = m_ctx.gridScrollY();
    m_ctx.withSong([&](const core::TSong& song) {
        const int rows = std::clamp(song.TrackCount, 0, core::MaxTracks);
        for (int i = 0; i < rows; ++i) {
            const bool enabled = song.Tracks[static_cast<std::size_t>(i)].Enabled == 1;
            p.drawImage(0, i * GridRowHeight + scrollY, enabled ? s->mubu1 : s->mubu2);
        }
    });
}

} // namespace bw::ui
