#include "ui/editor_context.h"

#include "ui/message_box.h"
#include "ui/render_bridge.h"
#include "ui/ui_thread.h"

#include <vector>

namespace bw::ui {

EditorContext::EditorContext(core::TSong& song,
                             core::SongLock& lock,
                             library::SoundLibrary& library,
                             audio::RequestFlags& flags,
                             core::EventGrid& clipboard,
                             QWidget* window)
    : QObject(nullptr), m_song(song), m_lock(lock), m_library(library), m_flags(flags),
      m_clipboard(clipboard), m_window(window)
{}

void EditorContext::setSkin(const Skin* skin)
{
    m_skin = skin;
    emit skinChanged();
}

void EditorContext::setGridView(int scrollX, int scrollY, int width)
{
    if (scrollX == m_gridScrollX && scrollY == m_gridScrollY && width == m_gridWidth) {
        return;
    }
    m_gridScrollX = scrollX;
    m_gridScrollY = scrollY;
    m_gridWidth = width;
    emit gridViewChanged();
}

void EditorContext::SetSongPosition(int beat)
{
    BW_ASSERT_UI_THREAD();
    m_songPosition = withSong([beat](core::TSong& s) { return core::MoveSongPosition(s, beat); });
    if (m_bridge != nullptr) {
        m_bridge->publishSongPosition(m_songPosition);
    }
    emit songPositionChanged(m_songPosition);
}

void EditorContext::CheckTrackSounds()
{
    BW_ASSERT_UI_THREAD();
    const std::vector<core::MissingSound> missing = withSong([this](core::TSong& s) {
        return core::BindTrackSounds(s.Tracks, s.TrackCount, m_library, true);
    });
    // The messages are shown with the lock released, so playback goes on behind them.
    for (const core::MissingSound& m : missing) {
        ShowMessage(m_window, QString::fromLatin1(core::MissingSoundText(m).c_str()),
                    QStringLiteral("hmmmm..."));
    }
    emit tracksBound();
}

} // namespace bw::ui
