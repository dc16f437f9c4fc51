#pragma once

#include "core/song.h"
#include "core/undo_history.h"
#include "library/sound_library.h"
#include "ui/shell/program_files.h"
#include "ui/shell/sound_outputs.h"
#include "ui/shell/window_links.h"

#include <array>
#include <memory>
#include <optional>

#include <QCursor>
#include <QMainWindow>
#include <QString>

class QAction;
class QMenu;

class QTimer;

namespace bw::audio {
class StretchCache;
}

namespace bw::ui {

class EditorContext;
class ExportStatus;
class MixerStrip;
class PatternGrid;
class PatternTabs;
class RecoveryWriter;
class RecoverySlot;
class RenderBridge;
class SequencerPanel;
class Skin;
class ToolRow;
class TrackList;
class Transport;
class MidiPads;
class TransportBand;
class ValueLane;

/// The main window: owns the song, the sound library, the event clipboard, the stretch cache
/// and the transport for the whole run; creates its regions and places them on resize,
/// carries the main menu and runs the commands that span regions (files, clipboard, keys).
/// Each region is a class of its own that works through the shared EditorContext.
class TMain : public QMainWindow
{
    Q_OBJECT
public:
    /// Runs the start-up sequence. programDir is where the default files are looked up
    /// (empty: the executable's folder); outputs are where the sound goes (none: playback
    /// goes to an output that discards, and previews are not heard).
    explicit TMain(const QString& programDir = {},
                   SoundOutputs outputs = {},
                   QWidget* parent = nullptr);
    /// The same with each file named (the library, song, cursor and help page may live in
    /// different folders, as in an installed program).
    explicit TMain(const ProgramFiles& files, SoundOutputs outputs = {}, QWidget* parent = nullptr);
    ~TMain() override;
    TMain(const TMain&) = delete;
    TMain& operator=(const TMain&) = delete;

    void setLinks(const MainWindowLinks& links);
    const MainWindowLinks& links() const;

    // Operations the regions share.
    /// Copies the song's settings into the controls and repaints every region.
    void ShowSongSettings();
    /// Binds the working copy's tracks to library sounds by name; reports missing sounds.
    void CheckTrackSounds();
    /// Re-lays out the window's regions for its current size and state.
    void FormResize();
    /// Moves the song position and every pattern's play window with it.
    void SetSongPosition(int beat);
    /// Refills the pattern tabs from the pattern list and selects the current pattern.
    void RebuildPatternTabs();
    /// Shows or hides the sequencer panel.
    void ToggleSequencer();
    /// Shows the About window.
    void ShowAbout();

    // Transport (also reached from the keyboard).
    void playbClick();
    void stopBClick();

    // Menu handlers.
    void New1Click();
    /// "New Empty Song": one empty 4-beat pattern, nothing placed, tracks without sounds; the
    /// library stays as it is.
    void NewEmpty1Click();
    void Open1Click();
    /// Save and Save as return whether the song was written.
    bool Save1Click();
    bool Saveas1Click();
    void WriteWav1Click();
    void WritePatternSong1Click();
    /// "Write Pattern MIDI" and "Write Song MIDI": the current pattern, or the song's
    /// arrangement, as a MIDI file the user names. Returns whether it was written.
    bool writeMidi(bool wholeSong);
    /// "Learn MIDI Note": the next note played binds to the selected track.
    void learnMidiNote();
    /// Connects the pads' signals (learned notes become undo steps).
    void connectPads();
    void Quit1Click();
    void Undo1Click();
    void Redo1Click();
    void Cut1Click();
    void Copy1Click();
    void Inster1Click();
    void Delete1Click();
    void Preferences1Click();
    void PatternSequencer1Click();
    void SequencerWindow1Click();
    void SoundLibary1Click();
    void WaveOutput1Click();
    void Performance1Click();
    void help2Click();
    void AboutBeatwright1Click();
    void gotowebsite1Click();
    void AddTrack1Click();
    void RemoveTrack1Click();
    void RenameTrack1Click();

    /// Opens a pattern file as the song (no prompt); a file that cannot be read is reported
    /// and the current song kept. Returns whether it was opened.
    bool openFile(const QString& path);

    /// At start: when the last run left unsaved changes in the recovery file, asks whether to
    /// restore them (Restore / Discard), naming the song and when they were kept.
    void offerRecovery();
    /// Ends the program without a question, as a logout, `kill` or Ctrl-C asks: whatever
    /// plays stops, and unsaved changes go to the recovery file first (the next start offers
    /// them back). Waits for a file being read or written, and closes an open question.
    void quitOnSignal();
    /// The file Save writes to; empty for a new song.
    const QString& currentFileName() const { return m_currentFileName; }
    /// True while the song has changes that were not saved.
    bool isModified() const { return m_modified; }
    /// The edits that can be undone and redone.
    const core::UndoHistory& history() const { return m_history; }
    void setModified(bool modified);

    /// The main window's character handler: Space plays, "-" and "+" move a waiting paste's
    /// rows, and the last eight characters are matched against the keywords.
    void FormKeyPress(QChar key);

    // State, for the regions and for tests.
    core::TSong& song() { return *m_song; }
    library::SoundLibrary& library() { return m_library; }
    core::SongLock& songLock() { return m_songLock; }
    Transport& transport() { return *m_transport; }
    MidiPads& pads() { return *m_pads; }
    ExportStatus& exportStatus() { return *m_exportStatus; }
    audio::StretchCache& stretchCache() { return *m_cache; }
    RenderBridge& bridge() { return *m_bridge; }
    core::EventGrid& clipboard() { return *m_clipboard; }
    EditorContext& context() { return *m_context; }
    const Skin* skin() const;

    // The regions.
    PatternTabs& patternTabs() { return *m_patternTabs; }
    ToolRow& toolRow() { return *m_toolRow; }
    TrackList& trackList() { return *m_trackList; }
    PatternGrid& grid() { return *m_grid; }
    ValueLane& valueLane() { return *m_valueLane; }
    TransportBand& transportBand() { return *m_transportBand; }
    SequencerPanel& sequencer() { return *m_sequencer; }
    MixerStrip& mixer() { return *m_mixer; }

    const QString& programDir() const { return m_programDir; }
    const ProgramFiles& files() const { return m_files; }
    const QString& patternPath() const { return m_patternPath; }
    const QString& defaultLibraryPath() const { return m_defaultLibraryPath; }
    bool firstShow() const { return m_firstShow; }
    bool windowReady() const { return m_windowReady; }
    int songPosition() const;
    /// The grid's cursor: the stick cursor when "stick.cur" loaded, else the arrow.
    const QCursor& stickCursor() const { return m_stickCursor; }
    bool hasStickCursor() const { return m_hasStickCursor; }

    /// Pattern file dialogs' settings.
    static constexpr const char* PatternDefaultExt = "bwp";
    static constexpr const char* PatternFileName = "*.bwp";
    static constexpr const char* PatternFilter = "Pattern files (*.bwp)|*.bwp";
    static constexpr const char* StartCaption = "Beatwright  - NONAME.BWP ";
    /// The caption of a new song that has no file yet.
    static constexpr const char* NewCaption = "Beatwright  - NONAME.BWP";

    // Menu.
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* trackMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QAction* New1 = nullptr;
    QAction* NewEmpty1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveas1 = nullptr;
    QAction* WriteWav1 = nullptr;
    QAction* WritePatternSong1 = nullptr;
    QAction* WritePatternMidi1 = nullptr;
    QAction* WriteSongMidi1 = nullptr;
    QAction* Quit1 = nullptr;
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Inster1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* AddTrack1 = nullptr;
    QAction* RemoveTrack1 = nullptr;
    QAction* RenameTrack1 = nullptr;
    QAction* LearnMidi1 = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* PatternSequencer1 = nullptr;
    QAction* SequencerWindow1 = nullptr;
    QAction* SoundLibary1 = nullptr;
    QAction* WaveOutput1 = nullptr;
    QAction* Midi1 = nullptr;
    QAction* Performance1 = nullptr;
    QAction* help2 = nullptr;
    QAction* AboutBeatwright1 = nullptr;
    QAction* gotowebsite1 = nullptr;

signals:
    /// The close sequence has run; the program ends.
    void closed();
    /// New or Open replaced the song.
    void documentReplaced();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Files dragged from a file manager (main_window_drop.cpp): a pattern file is opened
    // (after the unsaved-changes prompt) wherever it is dropped; WAV, AIFF and FLAC files
    // dropped on a track go to that track, dropped on the grid to tracks without a sound.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Frame; // the window's own panels around the regions

    // Window events.
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();

    // Start-up pieces.
    void loadStickCursor();
    void loadDefaultLibrary();
    void loadDefaultPattern();

    // Building the window (main_window_layout.cpp, main_window_menus.cpp).
    void createFrame();
    void createRegions();
    void createMenus();
    void connectEngine();
    void layoutFrame();
    void repaintFrame();

    // Files (main_window_files.cpp).
    bool confirmDiscard();
    void stopForNewDocument();
    std::unique_ptr<core::TSong> readDocument(const QString& path, bool& showSequencer);
    /// Makes loaded the document, named fileName (empty: none) with the caption, then binds
    /// its tracks and shows it.
    void takeDocument(std::unique_ptr<core::TSong> loaded,
                      bool showSequencer,
                      const QString& fileName,
                      const QString& caption);
    bool writeDocument(const QString& path);
    void setCaptionBase(const QString& base);
    void updateCaption();

    // Unsaved work kept for the next start (main_window_recovery.cpp).
    void startRecovery();
    void recoveryTick();
    void keepRecoveryNow();
    void dropRecovery();

    // Undo and redo (main_window_undo.cpp).
    void documentEdited();
    void displayEdited();
    void commitEdit();
    void restoreStep(bool undo);
    void updateUndoActions();

    // Clipboard and keys (main_window_edit.cpp).
    bool copySelection();
    void runKeyword(const QString& keyword);
    bool isKeyForThisWindow(QObject* watched) const;

    /// The track a sound dropped at pos (window coordinates) goes to: a row of the track list;
    /// -1 for the first track without a sound (anywhere on the grid, "+ add track");
    /// nullopt where sounds are not taken.
    std::optional<int> soundDropTrack(QPoint pos) const;

    void Image3MouseDown(QMouseEvent* event);
    void Panel24MouseDown(QMouseEvent* event);

    // Ownership.
    std::unique_ptr<core::TSong> m_song;
    library::SoundLibrary m_library;
    core::SongLock m_songLock;
    std::unique_ptr<audio::StretchCache> m_cache;
    std::unique_ptr<core::EventGrid> m_clipboard;
    std::unique_ptr<EditorContext> m_context;
    RenderBridge* m_bridge = nullptr;
    Transport* m_transport = nullptr;
    MidiPads* m_pads = nullptr;
    /// A recorded take is under way: its hits become one undo step when it ends.
    bool m_takeOpen = false;
    ExportStatus* m_exportStatus = nullptr; // the status line during exports
    std::unique_ptr<Skin> m_ownSkin;        // used until the picture container is linked
    std::unique_ptr<Frame> m_frame;

    // Regions (owned by the window's widget tree).
    PatternTabs* m_patternTabs = nullptr;
    ToolRow* m_toolRow = nullptr;
    TrackList* m_trackList = nullptr;
    PatternGrid* m_grid = nullptr;
    TransportBand* m_transportBand = nullptr;
    ValueLane* m_valueLane = nullptr;
    SequencerPanel* m_sequencer = nullptr;
    MixerStrip* m_mixer = nullptr;

    // Start-up state.
    QString m_programDir;
    ProgramFiles m_files;
    QString m_patternPath;
    QString m_defaultLibraryPath;
    bool m_firstShow = true;
    bool m_windowReady = false;
    bool m_closing = false;
    QCursor m_stickCursor;
    bool m_hasStickCursor = false;

    // Documents and keys.
    QString m_currentFileName;
    QString m_captionBase;
    bool m_modified = false;
    core::UndoHistory m_history;
    bool m_editPending = false; // an edit made while a mouse button is held (a drag)
    bool m_restoring = false;
    std::array<char, 8> m_keyHistory{};

    // Recovery: the writer (null when there is nowhere to keep it), its timer, whether the
    // document changed since it was last kept, and a quit that asks nothing.
    std::unique_ptr<RecoverySlot> m_recoverySlot; // held while the program runs
    std::unique_ptr<RecoveryWriter> m_recovery;
    QTimer* m_recoveryTimer = nullptr;
    bool m_recoveryStale = false;
    bool m_quitWithoutAsking = false;
};

} // namespace bw::ui
