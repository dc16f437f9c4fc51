#include "ui/regions/track_list.h"

#include "core/track_commands.h"
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

TrackList::TrackList(EditorContext& context, QWidget* parent, QWidget* soundBoxHost)
    : QObject(parent), m_ctx(context)
{
    Panel8 = MakePanel(parent, QStringLiteral("Panel8"), FrameColor);
    PaintBox1 = MakePaintBox(Panel8, QStringLiteral("PaintBox1"));
    PaintBox1->setToolTip(QStringLiteral("Sounds"));
    PaintBox1->setAccessibleName(QStringLiteral("Track sounds"));
    PaintBox1->setAccessibleDescription(
        QStringLiteral("Click a track to make it current; right click to choose its sound; "
                       "double click to rename it; drag it to move it"));
    PaintBox1->onPaint = [this](QPainter& p, const QRect&) { PaintBox1Paint(p); };
    PaintBox1->onMouseDown = [this](QMouseEvent* e) { PaintBox1MouseDown(e); };
    PaintBox1->onMouseMove = [this](QMouseEvent* e) { PaintBox1MouseMove(e); };
    PaintBox1->onMouseUp = [this](QMouseEvent* e) { PaintBox1MouseUp(e); };
    PaintBox1->onDoubleClick = [this](QMouseEvent* e) { PaintBox1DoubleClick(e); };
    PaintBox1->onToolTip = [this](QPoint at) {
        if (onAddRow(at.y())) {
            return QStringLiteral("Add a track (up to %1)").arg(core::MaxTracks);
        }
        const int row = rowAt(at.y());
        return row < 0 ? QString()
                       : QStringLiteral("Track %1: click to edit it, right click to choose its "
                                        "sound, double click to rename it, drag to move it; "
                                        "drop a sound file here to give it this sound")
                             .arg(row + 1);
    };
    PaintBox4 = MakePaintBox(Panel8, QStringLiteral("PaintBox4"));
    PaintBox4->setToolTip(QStringLiteral("Mute"));
    PaintBox4->setAccessibleName(QStringLiteral("Mute lamps"));
    PaintBox4->onPaint = [this](QPainter& p, const QRect&) { PaintBox4Paint(p); };
    PaintBox4->onMouseDown = [this](QMouseEvent* e) { PaintBox4MouseDown(e); };
    PaintBox4->onToolTip = [this](QPoint at) { return muteToolTip(at); };
    soloBox = MakePaintBox(Panel8, QStringLiteral("soloBox"));
    soloBox->setAccessibleName(QStringLiteral("Solo"));
    soloBox->setToolTip(QStringLiteral("Solo: while any track is soloed only soloed tracks "
                                       "sound; a muted track stays silent"));
    soloBox->onPaint = [this](QPainter& p, const QRect&) { soloBoxPaint(p); };
    soloBox->onMouseDown = [this](QMouseEvent* e) { soloBoxMouseDown(e); };

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
    const int lamps = MuteColumnWidth + SoloColumnWidth;
    PaintBox1->setGeometry(0, 0, rect.width() - lamps, rect.height());
    PaintBox4->setGeometry(rect.width() - lamps, 0, MuteColumnWidth, rect.height());
    soloBox->setGeometry(rect.width() - SoloColumnWidth, 0, SoloColumnWidth, rect.height());
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
    soloBox->update();
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
    if (event->button() == Qt::LeftButton && onAddRow(at.y())) {
        addTrack();
        return;
    }
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
    } else if (event->button() == Qt::LeftButton) {
        m_dragRow = row; // dragged onto another row, it moves there
        m_dropRow.reset();
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
    if (enabled && m_ctx.withSong([row](const core::TSong& s) {
            return core::AnyTrackSoloed(s) && !core::TrackSoloed(s, row);
        })) {
        return QStringLiteral("Mute track %1 (silent now: other tracks are soloed)").arg(row + 1);
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
            const std::string label = core::TrackLabel(song, i);
            const QString name = label.empty() && t.Enabled == 0
                                     ? QStringLiteral(" - - - ")
                                     : QString::fromLatin1(label.c_str());
            // A track that another's solo silences shows its name grey.
            const bool silenced = t.Enabled == 1 && !core::TrackHeard(song, t, i);
            p.setPen(ToQColor(silenced ? colors::Gray : colors::Black));
            const int nameWidth = PaintBox1->width() - PopupZone - 25;
            p.drawText(25, y + 5 + fm.ascent(), fm.elidedText(name, Qt::ElideRight, nameWidth));
            // The popup zone's mark, at the column's right end.
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(ToQColor(colors::Gray));
            const double mx = PaintBox1->width() - 12.5;
            p.drawPolygon(
                QPolygonF({QPointF(mx - 4, y + 9), QPointF(mx + 4, y + 9), QPointF(mx, y + 14)}));
            p.setRenderHint(QPainter::Antialiasing, false);
        }
        paintRowExtras(p, rows);
    });
}

void TrackList::soloBoxPaint(QPainter& p)
{
    p.fillRect(soloBox->rect(), ToQColor(FrameColor));
    const int scrollY = m_ctx.gridScrollY();
    QFont bold = p.font();
    bold.setBold(true);
    bold.setPixelSize(10);
    p.setFont(bold);
    m_ctx.withSong([&](const core::TSong& song) {
        const int rows = std::clamp(song.TrackCount, 0, core::MaxTracks);
        for (int i = 0; i < rows; ++i) {
            const bool on = core::TrackSoloed(song, i);
            const QRect cell(2, i * GridRowHeight + scrollY + 5, soloBox->width() - 4, 14);
            p.setPen(ToQColor(on ? colors::Black : colors::Gray));
            p.setBrush(on ? QColor(0xf5, 0xb0, 0x3c) : QColor(0x3a, 0x41, 0x50));
            p.drawRoundedRect(cell, 3, 3);
            p.setPen(on ? ToQColor(colors::Black) : QColor(0xa0, 0xa8, 0xb4));
            p.drawText(cell, Qt::AlignCenter, QStringLiteral("S"));
        }
    });
}

void TrackList::soloBoxMouseDown(QMouseEvent* event)
{
    const int row = rowAt(event->position().toPoint().y());
    if (row < 0) {
        return;
    }
    m_ctx.withSong([row](core::TSong& s) { core::ToggleSolo(s, row); });
    m_ctx.documentEdited();
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
