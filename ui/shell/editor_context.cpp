#include "ui/shell/editor_context.h"

#include "ui/shell/render_bridge.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/message_box.h"

#include <exception>
#include <vector>

#include <QDir>

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

void EditorContext::CheckTrackSounds(QWidget* from)
{
    BW_ASSERT_UI_THREAD();
    const std::vector<core::MissingSound> missing = withSong([this](core::TSong& s) {
        return core::BindTrackSounds(s.Tracks, s.TrackCount, m_library, true);
    });
    // The messages are shown with the lock released, so playback goes on behind them.
    for (const core::MissingSound& m : missing) {
        // A name from a file may hold control bytes: they are shown as \xNN.
        ShowMessage(
            from != nullptr ? from : m_window,
            QString::fromLatin1(core::EscapeControlBytes(core::MissingSoundText(m)).c_str()),
            QStringLiteral("hmmmm..."));
    }
    emit tracksBound();
}

void EditorContext::SwitchPattern(int index, bool warn)
{
    const bool switched = withSong([index](core::TSong& s) {
        if (!s.validPattern(index)) {
            return false;
        }
        if (s.validPattern(s.CurrentPattern)) {
            core::StoreWorkingCopy(s, s.CurrentPattern);
        }
        s.CurrentPattern = index;
        core::LoadWorkingCopy(s, index);
        return true;
    });
    if (!switched) {
        return;
    }
    showSongSettings();
    if (warn) {
        CheckTrackSounds();
        return;
    }
    withSong(
        [this](core::TSong& s) { core::BindTrackSounds(s.Tracks, s.TrackCount, m_library, true); });
    emit tracksBound();
}

void EditorContext::previewSound(int index)
{
    const bool played = withSong([this, index](core::TSong&) {
        if (!m_library.validIndex(index)) {
            return false;
        }
        const library::TSoundRec& sound = m_library.at(index);
        m_flags.setPreview(sound.Data, sound.DataSize);
        return true;
    });
    if (!played || m_bridge == nullptr) {
        return;
    }
    m_flags.PreviewRequested = true;
    // A running engine picks the preview up at its next block; the new thread then ends at
    // once.
    m_bridge->startRun();
}

bool EditorContext::saveLibrary(QWidget* from)
{
    try {
        withSong([this](core::TSong&) {
            m_library.SaveSoundLibrary(
                QDir::toNativeSeparators(m_defaultLibraryPath).toStdString());
        });
        return true;
    } catch (const std::exception& e) {
        ShowMessage(from != nullptr ? from : m_window,
                    QStringLiteral("The sound library could not be saved to \"%1\":\n%2")
                        .arg(QDir::toNativeSeparators(m_defaultLibraryPath),
                             QString::fromLocal8Bit(e.what())),
                    QStringLiteral("ERROR"));
        return false;
    }
}

} // namespace bw::ui
