#include "ui/shell/editor_context.h"

#include "audio/event_sound.h"
#include "library/file_lock.h"
#include "library/library_edits.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/background_task.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"

#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

#include <QDir>

namespace bw::ui {

EditorContext::EditorContext(core::TSong& song,
                             core::SongLock& lock,
                             library::SoundLibrary& library,
                             core::EventGrid& clipboard,
                             QWidget* window)
    : QObject(nullptr), m_song(song), m_lock(lock), m_library(library), m_clipboard(clipboard),
      m_window(window)
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
    library::SampleDataPtr data;
    std::int32_t dataSize = 0;
    const bool found = withSong([&](core::TSong&) {
        if (!m_library.validIndex(index)) {
            return false;
        }
        const library::TSoundRec& sound = m_library.at(index);
        data = sound.Data;
        dataSize = sound.DataSize;
        return true;
    });
    if (found && m_transport != nullptr) {
        m_transport->preview(std::move(data), dataSize);
    }
}

void EditorContext::previewEvent(int track, int slot)
{
    if (m_transport == nullptr) {
        return;
    }
    audio::EventSound sound = withSong(
        [&](const core::TSong& s) { return audio::MakeEventSound(s, track, slot, m_library); });
    if (sound.data) {
        m_transport->playLive(std::move(sound.data), 0, sound.count, sound.gain,
                              Transport::PreviewGroup);
    }
}

namespace {

QString SavingText(const QString& path)
{
    return QStringLiteral("Saving the sound library to \"%1\"...")
        .arg(QDir::toNativeSeparators(path));
}

void ReportSaveFailure(QWidget* parent, const QString& path, const std::exception& e)
{
    ShowMessage(parent,
                QStringLiteral("The sound library could not be saved to \"%1\":\n%2")
                    .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(e.what())),
                QStringLiteral("ERROR"));
}

} // namespace

void EditorContext::takeLibrary(library::SoundLibrary lib, bool rebind)
{
    BW_ASSERT_UI_THREAD();
    // Only the swap holds the lock; the library it replaces is freed after it. Sounds that
    // were not read stay missing from whatever takes the library's place.
    lib.setIncomplete(lib.incomplete() || m_library.incomplete());
    withSong([&](core::TSong&) { std::swap(m_library, lib); });
    lib.DestroySoundLibrary();
    libraryEdited();
    if (rebind) {
        CheckTrackSounds();
    }
}

bool EditorContext::saveLibrary(QWidget* parent)
{
    BW_ASSERT_UI_THREAD();
    QWidget* owner = parent != nullptr ? parent : m_window;
    if (!m_libraryStore.mayReplace()) {
        return saveLibraryElsewhere(owner);
    }
    // A snapshot shares the samples: taking it is quick, and the engine's next block need not
    // wait for the file.
    const library::SoundLibrary mine =
        withSong([this](core::TSong&) { return m_library.snapshot(); });
    library::LibraryStore::SaveResult result;
    try {
        RunInBackground(
            owner, SavingText(m_defaultLibraryPath), true,
            [&](const ProgressFn& progress) { result = m_libraryStore.save(mine, progress); });
    } catch (const Cancelled&) {
        return false;
    } catch (const std::exception& e) {
        ReportSaveFailure(owner, m_defaultLibraryPath, e);
        return false;
    }
    if (result.merged) {
        const int count = result.written.count();
        takeLibrary(std::move(result.written), true);
        ShowMessage(owner,
                    QStringLiteral("The sound library \"%1\" was changed by another program "
                                   "since it was read. Its changes were kept and yours added to "
                                   "them: the library now holds %2 sounds.")
                        .arg(QDir::toNativeSeparators(m_defaultLibraryPath))
                        .arg(count),
                    QStringLiteral("!"));
    }
    return true;
}

bool EditorContext::saveLibraryElsewhere(QWidget* parent)
{
    const QString question = QString::fromLocal8Bit(m_libraryStore.whyNotReplaced().c_str()) +
                             QStringLiteral("\n\nSave the sound library to another file?");
    if (ShowMessage(parent, question, QStringLiteral("?"), MessageButtons::OkCancel) !=
        MessageResult::Ok) {
        return false;
    }
    FileRequest request;
    request.kind = FileRequest::Kind::Save;
    request.title = QStringLiteral("Save the sound library as");
    request.filter = QStringLiteral("Sound libary (*.slb)");
    request.defaultSuffix = QStringLiteral("slb");
    request.presetName = QStringLiteral("*.slb");
    const QString path = ChooseFile(parent, request);
    if (path.isEmpty()) {
        return false;
    }
    const library::SoundLibrary mine =
        withSong([this](core::TSong&) { return m_library.snapshot(); });
    try {
        RunInBackground(parent, SavingText(path), true, [&](const ProgressFn& progress) {
            m_libraryStore.saveAs(ToFileSystemPath(path), mine, progress);
        });
    } catch (const Cancelled&) {
        return false;
    } catch (const std::exception& e) {
        ReportSaveFailure(parent, path, e);
        return false;
    }
    // Later saves go to the new file.
    m_defaultLibraryPath = path;
    return true;
}

bool EditorContext::exportLibrary(QWidget* parent, const QString& path)
{
    const library::SoundLibrary mine =
        withSong([this](core::TSong&) { return m_library.snapshot(); });
    try {
        RunInBackground(parent, SavingText(path), true, [&](const ProgressFn& progress) {
            const std::string file = ToFileSystemPath(path);
            const FileLock lock(file);
            mine.SaveSoundLibrary(file, progress);
        });
    } catch (const Cancelled&) {
        return false;
    } catch (const std::exception& e) {
        ReportSaveFailure(parent, path, e);
        return false;
    }
    return true;
}

bool EditorContext::importLibrary(QWidget* parent, const QString& path)
{
    library::SoundLibrary merged = withSong([this](core::TSong&) { return m_library.snapshot(); });
    try {
        RunInBackground(
            parent, QStringLiteral("Reading \"%1\"...").arg(QDir::toNativeSeparators(path)), false,
            [&](const ProgressFn&) { library::ImportLibrary(merged, ToFileSystemPath(path)); });
    } catch (const std::exception& e) {
        ShowMessage(parent,
                    QStringLiteral("The sound library \"%1\" could not be imported:\n%2")
                        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(e.what())),
                    QStringLiteral("!"));
        return false;
    }
    takeLibrary(std::move(merged), false);
    return true;
}

} // namespace bw::ui
