#pragma once

#include "core/song.h"
#include "library/library_store.h"
#include "library/sound_library.h"
#include "ui/shell/window_links.h"

#include <mutex>

#include <QObject>
#include <QString>

class QWidget;

namespace bw::ui {

class RenderBridge;
class Skin;
class Transport;

/// What every region of the main window works with: the document and its lock, the library,
/// the transport (play, stop, preview, export), the render bridge, the event clipboard, the skin
/// and the other windows, plus the few view values that several regions follow (the grid's scroll
/// and width, the song position). Regions never reach into each other's widgets; they talk through
/// this object's operations and signals. Lives on the UI thread.
class EditorContext : public QObject
{
    Q_OBJECT
public:
    EditorContext(core::TSong& song,
                  core::SongLock& lock,
                  library::SoundLibrary& library,
                  core::EventGrid& clipboard,
                  QWidget* window);

    core::TSong& song() { return m_song; }
    core::SongLock& lock() { return m_lock; }
    library::SoundLibrary& library() { return m_library; }
    core::EventGrid& clipboard() { return m_clipboard; }
    /// The main window: the parent of message boxes.
    QWidget* window() const { return m_window; }

    RenderBridge& bridge() { return *m_bridge; }
    void setBridge(RenderBridge* bridge) { m_bridge = bridge; }
    /// The only way to play, stop, preview and export.
    Transport& transport() { return *m_transport; }
    void setTransport(Transport* transport) { m_transport = transport; }
    const Skin* skin() const { return m_skin; }
    void setSkin(const Skin* skin);
    const MainWindowLinks& links() const { return m_links; }
    void setLinks(const MainWindowLinks& links) { m_links = links; }
    /// Where the library is saved after it changes ("default.slb" of the program folder).
    const QString& defaultLibraryPath() const { return m_defaultLibraryPath; }
    void setDefaultLibraryPath(const QString& path) { m_defaultLibraryPath = path; }
    /// The library's file: what it held when read or written here, and whether it may be
    /// replaced (see library::LibraryStore).
    library::LibraryStore& libraryStore() { return m_libraryStore; }

    /// Runs f(song) with the song lock held and returns its result.
    template <typename F> decltype(auto) withSong(F&& f)
    {
        std::lock_guard<core::SongLock> guard(m_lock);
        return f(m_song);
    }

    // Shared view state.
    /// Slot of the earliest marked event when the clipboard was filled.
    int ClipAnchor = 0;
    /// True while a button pressed on the value lane or the mixer is held.
    bool MixerDragging = false;

    /// The grid's negated scroll position and its full paint width.
    int gridScrollX() const { return m_gridScrollX; }
    int gridScrollY() const { return m_gridScrollY; }
    int gridWidth() const { return m_gridWidth; }
    /// Set by the grid; emits gridViewChanged when anything differs.
    void setGridView(int scrollX, int scrollY, int width);

    /// The song position, 0..MaxSongPosition.
    int songPosition() const { return m_songPosition; }
    /// Moves the song position and every pattern's play window with it; the engine reads
    /// the new position from its next block.
    void SetSongPosition(int beat);

    /// Binds the working copy's tracks to library sounds by name and warns about each track
    /// whose sound is missing, over from (the window the user acted in; the main window when
    /// null), so that the warnings stack above it.
    void CheckTrackSounds(QWidget* from = nullptr);

    /// Shows pattern index: the working copy goes back into its pattern and the other one is
    /// loaded; every region follows and the tracks are bound to the library, with a warning
    /// for each missing sound unless warn is false (the grid following the song as it plays
    /// would repeat them at every switch).
    void SwitchPattern(int index, bool warn = true);

    /// Plays library sound index once on the live voices (heard at once, over playback if
    /// any); an index outside the library plays nothing.
    void previewSound(int index);
    /// Plays the working copy's event at track, slot once on the live voices, as the engine
    /// would play it (its volume, pitch and pan through the track and the master volume).
    void previewEvent(int track, int slot);

    /// Saves the library to its file. The file is written from a snapshot on a worker thread,
    /// without the song lock and with the UI serving the engine, so playback goes on; changes
    /// another program made to the file since it was read are merged in (and the merged library
    /// taken here). A file that may not be replaced (it failed to load, or it is the installed
    /// copy) is left alone: the user is offered another file instead. Messages go to parent
    /// (the main window when null); returns whether the library was saved.
    bool saveLibrary(QWidget* parent = nullptr);
    /// Writes a copy of the library to path (Export); its own file stays the one saved to.
    bool exportLibrary(QWidget* parent, const QString& path);
    /// Merges the sounds of the library file at path (Import), read off the song lock; all or
    /// nothing. Nothing is saved.
    bool importLibrary(QWidget* parent, const QString& path);
    /// Makes lib the program's library (swapped in under the song lock); the tracks are bound
    /// again when rebind is true. Announces the change.
    void takeLibrary(library::SoundLibrary lib, bool rebind);

    /// Emitted after sounds were added to or deleted from the library.
    void libraryEdited() { emit libraryChanged(); }
    /// Asks the track list to delete library sound index (it asks the user first, over
    /// from, saves the library and rebinds the tracks).
    void requestSoundDeletion(int index, QWidget* from) { emit deleteSoundRequested(index, from); }

    /// Announces an edit of the document: regions repaint, the caption follows.
    void documentEdited() { emit documentChanged(); }
    /// Announces a change of what is shown without an edit (current track, pattern switch).
    void displayEdited() { emit displayChanged(); }
    /// Asks every region to copy the song's settings into its controls and repaint.
    void showSongSettings() { emit songSettingsShown(); }
    /// Announces that the pattern list or the sequence changed (tabs and lanes follow).
    void patternsEdited() { emit patternsChanged(); }
    /// Announces that tracks were added, removed or moved (the grid and the mixer follow).
    /// Follow it with documentEdited.
    void trackRowsEdited() { emit trackRowsChanged(); }
    /// A message for the main window's status line, shown for ms milliseconds.
    void showStatus(const QString& text, int ms = 8000) { emit statusMessage(text, ms); }

signals:
    void documentChanged();
    void displayChanged();
    void songSettingsShown();
    void gridViewChanged();
    void songPositionChanged(int beat);
    void tracksBound();
    void libraryChanged();
    void patternsChanged();
    void trackRowsChanged();
    void statusMessage(const QString& text, int ms);
    void deleteSoundRequested(int index, QWidget* from);
    void skinChanged();

private:
    bool saveLibraryElsewhere(QWidget* parent);

    core::TSong& m_song;
    core::SongLock& m_lock;
    library::SoundLibrary& m_library;
    core::EventGrid& m_clipboard;
    QWidget* m_window = nullptr;
    RenderBridge* m_bridge = nullptr;
    Transport* m_transport = nullptr;
    const Skin* m_skin = nullptr;
    MainWindowLinks m_links;
    QString m_defaultLibraryPath;
    library::LibraryStore m_libraryStore;
    int m_gridScrollX = 0;
    int m_gridScrollY = 0;
    int m_gridWidth = 1;
    int m_songPosition = 0;
};

} // namespace bw::ui
