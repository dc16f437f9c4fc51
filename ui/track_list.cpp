#include "ui/track_list.h"

#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/paint_box.h"
#include "ui/skin.h"
#include "ui/widget_factory.h"

#include <algorithm>

#include <QComboBox>
#include <QFrame>
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
    PaintBox1->onPaint = [this](QPainter& p, const QRect&) { PaintBox1Paint(p); };
    PaintBox4 = MakePaintBox(Panel8, QStringLiteral("PaintBox4"));
    PaintBox4->setToolTip(QStringLiteral("Mute"));
    PaintBox4->onPaint = [this](QPainter& p, const QRect&) { PaintBox4Paint(p); };

    soundbox = new QComboBox(soundBoxHost);
    soundbox->setObjectName(QStringLiteral("soundbox"));
    soundbox->setToolTip(QStringLiteral("Select Sound"));
    soundbox->setMaxVisibleItems(30);
    soundbox->setGeometry(4, 44, 137, 22);
    soundbox->hide();

    connect(&m_ctx, &EditorContext::documentChanged, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::displayChanged, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::tracksBound, this, &TrackList::repaint);
    connect(&m_ctx, &EditorContext::skinChanged, this, &TrackList::repaint);
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
    library::SoundLibrary& lib = m_ctx.library();
    for (int i = 0; i < lib.count(); ++i) {
        soundbox->addItem(QString::fromLatin1(lib.SoundNameAt(i).c_str()));
    }
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
