#pragma once

#include "audio/request_flags.h"
#include "audio/wave_out.h"
#include "core/song.h"
#include "library/sound_library.h"

#include <array>
#include <memory>
#include <optional>

#include <QCursor>
#include <QMainWindow>
#include <QString>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QSlider;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolButton;

namespace bw::audio {
class StretchCache;
}

namespace bw::ui {

class PaintBox;
class RenderBridge;
class Skin;
class TConti;
class TinfoF;
class TMultiseq;
class TNewPattenDia1;
class Tperformf;
class Tprefform;
class TSequencerForm;
class Tsoundlibary;
class Twaveoutf;
class TWriteWavF;

/// The other windows the main window opens or updates; set by the program entry once they
/// exist. Any of them may be null (tests build the main window alone).
struct MainWindowLinks
{
    TinfoF* info = nullptr;
    TConti* conti = nullptr;
    Tsoundlibary* soundLibrary = nullptr;
    TWriteWavF* writeWav = nullptr;
    TNewPattenDia1* newPattern = nullptr;
    TSequencerForm* sequencer = nullptr;
    TMultiseq* multiseq = nullptr;
    Tperformf* performance = nullptr;
    Tprefform* preferences = nullptr;
    Twaveoutf* waveOutput = nullptr;
};

/// Editing state of the main window's editors, given its first values at start-up.
struct MainEditState
{
    // Pattern grid
    bool PastePending = false;
    bool PreviewShown = false;
    int PreviewX = 0;
    bool BandActive = false;
    int BandStartX = 0, BandStartY = 0, BandEndX = 0, BandEndY = 0;
    int GridScrollX = 0; // negated horizontal scroll position seen at the last grid paint
    int GridScrollY = 0; // negated vertical scroll position
    int ClipAnchor = 0;
    // Value lane and mixer
    int LaneMode = 0; // 0 volume, 1 pitch, 2 pan
    bool MixerDragging = false;
    int AnimationCounter = 0; // 0..3, stepped once per block
    // Song sequencer
    int SeqRowHeight = 16;
    int SeqBeatWidth = 8;
    int SeqScrollX = 0;
    int SeqScrollY = 0;
    int PosStep = 0;
    bool SplitterDragging = false;
    // Documents and keys
    QString CurrentFileName;
    std::array<char, 8> KeyHistory{};
};

/// The main window: owns the song, the sound library, the event clipboard, the stretch cache
/// and the request flags for the whole run; lays out its regions and carries the main menu.
class TMain : public QMainWindow
{
    Q_OBJECT
public:
    /// Runs the start-up sequence. programDir is where the default files are looked up
    /// (empty: the executable's folder); deviceOutput opens the sound device for playback.
    explicit TMain(const QString& programDir = {},
                   std::optional<audio::WaveOutFactory> deviceOutput = std::nullopt,
                   QWidget* parent = nullptr);
    ~TMain() override;
    TMain(const TMain&) = delete;
    TMain& operator=(const TMain&) = delete;

    void setLinks(const MainWindowLinks& links);
    const MainWindowLinks& links() const { return m_links; }

    // Operations the editors share.
    /// Copies the song's settings into the controls and repaints every editor.
    void ShowSongSettings();
    /// Binds the working copy's tracks to library sounds by name; reports missing sounds.
    void CheckTrackSounds();
    /// Re-lays out the window's regions for its current size and state.
    void FormResize();
    /// Moves the song position (0..4000) and every pattern's play window with it.
    void SetSongPosition(int beat);
    /// Refills the pattern tabs from the pattern list and selects the current pattern.
    void RebuildPatternTabs();
    /// Shows or hides the sequencer panel.
    void ToggleSequencer();
    /// The sequencer panel's width as set by the user (the window may show it narrower).
    int sequencerWidth() const { return m_seqPanelWidth; }
    void setSequencerWidth(int width) { m_seqPanelWidth = width; }
    /// Shows the About window.
    void ShowAbout();

    // Transport.
    void playbClick();
    void stopBClick();

    // Menu handlers.
    void New1Click();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    void WriteWav1Click();
    void WritePatternSong1Click();
    void Quit1Click();
    void Cut1Click();
    void Copy1Click();
    void Inster1Click();
    void Delete1Click();
    void Preferences1Click();
    void PatternSequencer1Click();
    void SoundLibary1Click();
    void WaveOutput1Click();
    void Performance1Click();
    void help2Click();
    void AboutBeatwright1Click();
    void gotowebsite1Click();

    // State, for the editors and for tests.
    core::TSong& song() { return *m_song; }
    library::SoundLibrary& library() { return m_library; }
    core::SongLock& songLock() { return m_songLock; }
    audio::RequestFlags& flags() { return m_flags; }
    audio::StretchCache& stretchCache() { return *m_cache; }
    RenderBridge& bridge() { return *m_bridge; }
    core::EventGrid& clipboard() { return *m_clipboard; }
    MainEditState& editState() { return m_edit; }
    const Skin* skin() const;

    const QString& programDir() const { return m_programDir; }
    const QString& patternPath() const { return m_patternPath; }
    const QString& defaultLibraryPath() const { return m_defaultLibraryPath; }
    bool firstShow() const { return m_firstShow; }
    bool windowReady() const { return m_windowReady; }
    int songPosition() const { return m_songPosition; }
    /// The grid's cursor: the stick cursor when "stick.cur" loaded, else the arrow.
    const QCursor& stickCursor() const { return m_stickCursor; }
    bool hasStickCursor() const { return m_hasStickCursor; }

    /// Pattern file dialogs' settings.
    static constexpr const char* PatternDefaultExt = "bwp";
    static constexpr const char* PatternFileName = "*.bwp";
    static constexpr const char* PatternFilter = "Pattern files (*.bwp)|*.bwp";
    static constexpr const char* StartCaption = "Beatwright  - NONAME.BWP ";

signals:
    /// The close sequence has run; the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Window events.
    void FormCreate(std::optional<audio::WaveOutFactory> deviceOutput);
    void FormShow();
    bool FormCloseQuery();
    void FormClose();

    // Start-up pieces.
    void loadStickCursor();
    void loadDefaultLibrary();
    void loadDefaultPattern();
    void fillSoundBox();
    void setGridScrollRange(int trackCount);

    // Building the window (main_window_layout.cpp, main_window_menus.cpp).
    void createRegions();
    void createTopStrip();
    void createMiddle();
    void createEditorBand();
    void createSequencerPanel();
    void createBottomStrip();
    void createMenus();
    void layoutRegions();
    void layoutTempoPanel();
    void layoutSequencerPanel();
    void updateGridSize();
    void connectBridge();

    // Painting (main_window_layout.cpp).
    void paintGridBackground(QPainter& p, const QRect& clip);
    void paintEvents(QPainter& p);
    void paintSounds(QPainter& p);
    void paintMute(QPainter& p);
    void paintLed(QPainter& p);
    void paintValueLane(QPainter& p);
    void paintLaneSelector(QPainter& p);
    void paintMixerNumbers(QPainter& p);
    void paintSequencerLane(QPainter& p, const QRect& clip);
    void paintSequencerNames(QPainter& p);
    void paintFunBox(QPainter& p);
    void repaintEditors();

    void Image3MouseDown(QMouseEvent* event);
    void Panel24MouseDown(QMouseEvent* event);

    // Ownership.
    std::unique_ptr<core::TSong> m_song;
    library::SoundLibrary m_library;
    core::SongLock m_songLock;
    audio::RequestFlags m_flags;
    std::unique_ptr<audio::StretchCache> m_cache;
    std::unique_ptr<core::EventGrid> m_clipboard;
    RenderBridge* m_bridge = nullptr;
    MainWindowLinks m_links;
    std::unique_ptr<Skin> m_ownSkin; // used until the picture container is linked

    // Start-up state.
    QString m_programDir;
    QString m_patternPath;
    QString m_defaultLibraryPath;
    bool m_firstShow = true;
    bool m_windowReady = false;
    bool m_closing = false;
    QCursor m_stickCursor;
    bool m_hasStickCursor = false;
    int m_songPosition = 0;
    int m_ledX1 = 0, m_ledX2 = 0;
    int m_seqPanelWidth = 300;
    std::optional<bool> m_sequencerWasVisible; // remembered while an export hides it
    MainEditState m_edit;

public:
    // Components, named as the editors refer to them.
    QWidget* client = nullptr;
    // Top strip.
    QFrame* Panel16 = nullptr;
    PaintBox* Image2 = nullptr;
    QComboBox* soundbox = nullptr;
    QFrame* PanelSeq = nullptr;
    QFrame* Panel17 = nullptr;
    QTabBar* pattab = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QFrame* Panel18 = nullptr;
    QToolButton* OneB = nullptr;
    QToolButton* GroupB = nullptr;
    QToolButton* SpeedButton1 = nullptr; // Cut
    QToolButton* SpeedButton3 = nullptr; // Copy
    QToolButton* SpeedButton5 = nullptr; // Paste
    QToolButton* zoomplus = nullptr;
    QToolButton* zoommin = nullptr;
    QToolButton* FillB = nullptr;
    QFrame* Panel19 = nullptr;
    PaintBox* Image3 = nullptr;
    QLabel* seqLabel = nullptr;
    QFrame* Panel28 = nullptr;
    PaintBox* ledPB = nullptr;
    // Middle.
    QFrame* Panel8 = nullptr;
    PaintBox* PaintBox1 = nullptr;
    PaintBox* PaintBox4 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* panel5 = nullptr;
    PaintBox* PaintBox2 = nullptr;
    PaintBox* noteBox = nullptr;
    // Editor band.
    QFrame* Panel3 = nullptr;
    QFrame* Panel12 = nullptr;
    PaintBox* PaintBox5 = nullptr;
    QComboBox* BeatB = nullptr;
    QComboBox* TickB = nullptr;
    QComboBox* transcom = nullptr;
    PaintBox* tab = nullptr;
    QFrame* Panel13 = nullptr;
    PaintBox* valbox = nullptr;
    QFrame* panel4 = nullptr;
    QFrame* Panel15 = nullptr;
    PaintBox* PaintBox7 = nullptr;
    QLabel* Panel32 = nullptr; // shuffle box
    QLabel* Panel30 = nullptr; // delay box
    QFrame* lowPassGroup = nullptr;
    QLabel* Panel38 = nullptr; // low-pass box (hidden group)
    QFrame* Panel10 = nullptr;
    PaintBox* PaintBox8 = nullptr;
    QScrollBar* bpm = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* bpmLabel = nullptr;
    QLabel* Channels = nullptr;
    QSlider* mastervol = nullptr;
    QLabel* masterLabel = nullptr;
    QFrame* Panel23 = nullptr;
    PaintBox* PaintBox9 = nullptr;
    QToolButton* loopbut = nullptr;
    // Sequencer panel.
    QFrame* seqpanel = nullptr;
    QFrame* Panel36 = nullptr;
    PaintBox* PaintBox10 = nullptr;
    QLabel* Label6 = nullptr;
    QFrame* Panel20 = nullptr;
    QFrame* Panel33 = nullptr;
    PaintBox* PaintBox11 = nullptr;
    PaintBox* PaintBox12 = nullptr;
    PaintBox* leftseqbox = nullptr;
    QScrollArea* seqbox = nullptr;
    PaintBox* PaintBox3 = nullptr;
    QFrame* Panel34 = nullptr;
    QLabel* PosLabel = nullptr;
    QLabel* beatpos = nullptr;
    QLabel* Lsilence = nullptr;
    QLabel* Label13 = nullptr; // active voices
    QLabel* stopseqbox = nullptr;
    QFrame* Panel35 = nullptr;
    QToolButton* playb = nullptr;
    QToolButton* stopB = nullptr;
    QFrame* goleftstop = nullptr;
    PaintBox* g = nullptr;
    QFrame* goleftpanel = nullptr;
    PaintBox* Image5 = nullptr;
    QFrame* gorightpanel = nullptr;
    PaintBox* Image6 = nullptr;
    QTimer* Changepostimer = nullptr;
    QTimer* PasteTimer = nullptr;
    // Bottom strip.
    QFrame* Panel1 = nullptr;
    QFrame* Panel14 = nullptr;
    PaintBox* Image4 = nullptr;
    QFrame* Panel9 = nullptr;
    PaintBox* PaintBox6 = nullptr;
    PaintBox* panmix = nullptr;
    QFrame* Panel_volumandex = nullptr;
    PaintBox* Volumemix = nullptr;
    QFrame* Panel24 = nullptr;
    PaintBox* funBox3 = nullptr;
    QFrame* Panel25 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // Menu.
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveas1 = nullptr;
    QAction* WriteWav1 = nullptr;
    QAction* WritePatternSong1 = nullptr;
    QAction* Quit1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Inster1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* PatternSequencer1 = nullptr;
    QAction* SoundLibary1 = nullptr;
    QAction* WaveOutput1 = nullptr;
    QAction* Performance1 = nullptr;
    QAction* help2 = nullptr;
    QAction* AboutBeatwright1 = nullptr;
    QAction* gotowebsite1 = nullptr;
};

/// Selects the item of box whose text reads as number (a leading "+" allowed); when several
/// match the last one wins, when none matches the first item is selected.
void SelectItemByNumber(QComboBox* box, int number);

} // namespace bw::ui
