#include "ui/shell/main_window.h"

#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/pattern_tabs.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/track_list.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/export_status.h"
#include "ui/shell/main_window_frame.h"
#include "ui/shell/midi_pads.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/recovery.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/skin.h"
#include "ui/windows/periphery_windows.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <string>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>

namespace bw::ui {

namespace {

std::string ToLocal(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

/// Reads the hotspot of a cursor file (ICO layout with type 2) and its image.
bool LoadCursorFile(const QString& path, QCursor& cursor)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 22) {
        return false;
    }
    const auto u16 = [&bytes](int at) {
        return static_cast<int>(static_cast<std::uint8_t>(bytes[at])) |
               static_cast<int>(static_cast<std::uint8_t>(bytes[at + 1])) << 8;
    };
    if (u16(0) != 0 || u16(2) != 2 || u16(4) < 1) {
        return false;
    }
    const int hotX = u16(6 + 4);
    const int hotY = u16(6 + 6);
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes, "ICO")) {
        // The icon reader may refuse the cursor type; present the same bytes as an icon.
        QByteArray asIcon = bytes;
        asIcon[2] = 1;
        if (!image.loadFromData(asIcon, "ICO")) {
            return false;
        }
    }
    if (image.isNull()) {
        return false;
    }
    cursor = QCursor(QPixmap::fromImage(image), std::clamp(hotX, 0, image.width() - 1),
                     std::clamp(hotY, 0, image.height() - 1));
    return true;
}

} // namespace

TMain::TMain(const QString& programDir, SoundOutputs outputs, QWidget* parent)
    : TMain(FilesInFolder(programDir), std::move(outputs), parent)
{}

TMain::TMain(const ProgramFiles& files, SoundOutputs outputs, QWidget* parent)
    : QMainWindow(parent), m_song(std::make_unique<core::TSong>()),
      m_cache(std::make_unique<audio::StretchCache>()),
      m_clipboard(std::make_unique<core::EventGrid>())
{
    m_files = files;
    m_programDir = files.dataFolder;
    m_context = std::make_unique<EditorContext>(*m_song, m_songLock, m_library, *m_clipboard, this);
    m_bridge = new RenderBridge(*m_song, m_songLock, this);
    auto midi = std::move(outputs.midi);
    auto midiOut = std::move(outputs.midiOut);
    m_transport = new Transport(*m_song, m_library, m_songLock, *m_cache, *m_bridge,
                                std::move(outputs), this);
    if (midiOut) {
        m_transport->attachMidiClock(midiOut());
        if (audio::MidiClockOut* clock = m_transport->midiClock()) {
            const MidiChoice choice = LoadMidiChoice();
            clock->sink().connect(choice.outputPort);
            clock->setEnabled(choice.clockOut);
            clock->setNotesEnabled(choice.notesOut);
        }
    }
    m_context->setBridge(m_bridge);
    m_context->setTransport(m_transport);
    m_pads = new MidiPads(*m_context, *m_transport, midi ? midi() : nullptr, this);
    FormCreate();
    connectPads();
}

TMain::~TMain()
{
    // A window destroyed without its close sequence still must not leave a thread behind
    // that reads the song.
    if (m_transport != nullptr && m_transport->runCount() > 0) {
        m_transport->stopAndWait();
    }
}

void TMain::setLinks(const MainWindowLinks& links)
{
    m_context->setLinks(links);
    if (links.conti != nullptr) {
        m_context->setSkin(&links.conti->skin());
        m_ownSkin.reset();
        setWindowIcon(QIcon(QPixmap::fromImage(links.conti->skin().appIcon)));
    }
    repaintFrame();
}

const MainWindowLinks& TMain::links() const
{
    return m_context->links();
}

const Skin* TMain::skin() const
{
    return m_context->skin();
}

int TMain::songPosition() const
{
    return m_context->songPosition();
}

void TMain::FormCreate()
{
    // Nothing reacts to the controls until the document is loaded (the transport's requests
    // start cleared with it).
    m_windowReady = false;
    m_firstShow = true;
    m_currentFileName.clear();

    m_ownSkin = std::make_unique<Skin>();
    m_context->setSkin(m_ownSkin.get());
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QString::fromLatin1(StartCaption));
    resize(782, 536);
    setWindowIcon(QIcon(QPixmap::fromImage(m_ownSkin->appIcon)));
    createFrame();
    createRegions();
    createMenus();
    connectEngine();
    setAcceptDrops(true); // pattern and sound files from a file manager

    // The library must exist before the song, so that the song's tracks find their sounds.
    m_library.CreateSoundLibrary();
    loadStickCursor();
    m_patternPath = m_files.song;
    m_defaultLibraryPath = m_files.library;
    m_context->setDefaultLibraryPath(m_defaultLibraryPath);
    loadDefaultLibrary();
    m_trackList->fillSoundBox();
    // A reset song and an empty clipboard stand in if the starter song cannot be read.
    m_context->withSong([](core::TSong& s) { core::InitSong(s); });
    for (auto& row : *m_clipboard) {
        for (auto& e : row) {
            core::ClearEvent(e);
        }
    }
    m_grid->setRowCount(m_song->TrackCount);
    loadDefaultPattern();
    // The loaded song may have another track count than the reset one: size the grid for it,
    // or the rows past the twelfth could not be scrolled to until the next Open.
    m_grid->setRowCount(m_song->TrackCount);
    // Bind the tracks only once the tabs show the loaded patterns: a missing sound's message
    // then appears over a window that shows the song it belongs to.
    RebuildPatternTabs();
    setCaptionBase(QString::fromLatin1(StartCaption));
    CheckTrackSounds();
    m_windowReady = true;
    FormResize();
    m_context->withSong([this](const core::TSong& s) { m_history.reset(s); });
    updateUndoActions();
    startRecovery();
    // Every typed character passes the window's handler first.
    qApp->installEventFilter(this);
}

void TMain::loadStickCursor()
{
    m_hasStickCursor = LoadCursorFile(m_files.cursor, m_stickCursor);
    if (!m_hasStickCursor) {
        m_stickCursor = QCursor(Qt::ArrowCursor);
    }
    m_grid->setStickCursor(m_stickCursor);
}

void TMain::loadDefaultLibrary()
{
    // Read without the song lock; only taking the result in holds it. The installed copy is
    // read but never written.
    library::LibraryStore& store = m_context->libraryStore();
    store.setProtected(m_files.libraryProtected);
    library::LibraryStore::LoadResult loaded = store.load(ToLocal(m_defaultLibraryPath));
    const int kept = loaded.sounds.count();
    loaded.sounds.setIncomplete(!loaded.error.empty());
    m_context->withSong([&](core::TSong&) { std::swap(m_library, loaded.sounds); });
    if (loaded.error.empty()) {
        return;
    }
    // A library file that fails part-way keeps the sounds read before the damage; the file
    // itself is never saved over (the library window offers another file).
    const QString text = kept == 0
                             ? QStringLiteral("The sound library \"%1\" could not be loaded:\n%2")
                             : QStringLiteral("The sound library \"%1\" could not be loaded whole; "
                                              "the first %3 sounds were kept:\n%2");
    ShowMessage(this,
                text.arg(QDir::toNativeSeparators(m_defaultLibraryPath),
                         QString::fromLocal8Bit(loaded.error.c_str()))
                    .arg(kept),
                QStringLiteral("!"));
}

void TMain::loadDefaultPattern()
{
    bool showSequencer = false;
    core::PatternReadCallbacks callbacks;
    callbacks.showSequencer = [&showSequencer] { showSequencer = true; };
    callbacks.warn = [this](const std::string& text) {
        ShowMessage(this, QString::fromLatin1(core::EscapeControlBytes(text).c_str()),
                    QStringLiteral("!"));
    };
    try {
        std::unique_ptr<core::TSong> loaded =
            core::ReadPatternFile(ToLocal(m_patternPath), callbacks);
        std::lock_guard<core::SongLock> guard(m_songLock);
        *m_song = std::move(*loaded);
    } catch (const std::exception& e) {
        {
            std::lock_guard<core::SongLock> guard(m_songLock);
            core::InitSong(*m_song);
            core::AddPattern(*m_song, "A");
            core::LoadWorkingCopy(*m_song, 0);
        }
        ShowMessage(
            this,
            QStringLiteral("The pattern file \"%1\" could not be loaded:\n%2")
                .arg(QDir::toNativeSeparators(m_patternPath), QString::fromLocal8Bit(e.what())),
            QStringLiteral("!"));
        showSequencer = false;
    }
    if (showSequencer) {
        m_sequencer->setShown(true);
    }
}

void TMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormShow();
}

void TMain::FormShow()
{
    ShowSongSettings();
    if (!m_firstShow) {
        return;
    }
    m_firstShow = false;
    const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (s == nullptr) {
        return;
    }
    const QRect area = s->geometry();
    setGeometry(area.left() + 10, area.top() + 10, area.width() - 20, area.height() - 50);
    if (area.width() < 780) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TMain::ShowSongSettings()
{
    BW_ASSERT_UI_THREAD();
    // Each region copies what it shows from the song and repaints.
    m_context->showSongSettings();
    repaintFrame();
}

void TMain::CheckTrackSounds()
{
    m_context->CheckTrackSounds();
}

void TMain::RebuildPatternTabs()
{
    m_patternTabs->RebuildPatternTabs();
    if (m_windowReady) {
        m_context->displayEdited();
    }
}

void TMain::SetSongPosition(int beat)
{
    m_context->SetSongPosition(beat);
}

void TMain::ToggleSequencer()
{
    if (m_sequencer->panelWidth() < 50) {
        m_sequencer->setPanelWidth(50);
    }
    m_sequencer->setShown(!m_sequencer->isShown());
    FormResize();
    ShowSongSettings();
}

void TMain::ShowAbout()
{
    if (links().info != nullptr) {
        links().info->show();
        links().info->raise();
    }
}

void TMain::playbClick()
{
    m_transportBand->playbClick();
}

void TMain::stopBClick()
{
    m_transportBand->stopBClick();
}

void TMain::connectEngine()
{
    m_exportStatus = new ExportStatus(*m_transport, *m_bridge, statusBar());
    connect(m_bridge, &RenderBridge::songPositionRequested, m_context.get(),
            &EditorContext::SetSongPosition);
    connect(m_bridge, &RenderBridge::runFailed, this,
            [this](const QString& message, bool wavWriteFailed) {
                // Over the window the run was started from (the export dialog, the Pattern
                // Sequencer, the library) while it is the active one.
                QWidget* owner = ActiveWindowOr(this);
                if (wavWriteFailed) {
                    ShowMessage(owner, QString::fromUtf8(audio::OpenFileErrorText),
                                QStringLiteral("ERROR"));
                }
                ShowMessage(owner, message, QStringLiteral("!"));
            });
    connect(m_bridge, &RenderBridge::noticed, this, [this](const QString& text) {
        ShowMessage(ActiveWindowOr(this), text, QStringLiteral("!"));
    });
    connect(m_bridge, &RenderBridge::runEnded, this, [this] {
        if (isHidden() && !m_closing) {
            show();
        }
    });
    // The sound device coming and going is told on the status line, without a message box:
    // Play stays at hand, and opens the output again.
    connect(m_transport, &Transport::outputLost, this,
            [this](const QString& device) { statusBar()->showMessage(OutputLostText(device)); });
    connect(m_transport, &Transport::outputReturned, this, [this](const QString& device) {
        statusBar()->showMessage(OutputReturnedText(device));
    });
}

void TMain::closeEvent(QCloseEvent* event)
{
    if (m_closing || m_transport->stopping() || (!m_quitWithoutAsking && !FormCloseQuery())) {
        event->ignore();
        return;
    }
    m_closing = true;
    if (!m_quitWithoutAsking) {
        dropRecovery(); // saved, deliberately not saved, or nothing to save
    }
    FormClose();
    event->accept();
    emit closed();
}

void TMain::FormClose()
{
    BW_ASSERT_UI_THREAD();
    // Stop the engine and wait for it with events served: it may be inside a call that needs
    // this thread. Only then is it safe to free what it reads.
    m_transport->setShuttingDown(true);
    m_transport->stopAndWait();
    // A device that does not answer is left to close by itself: closing the window never
    // waits for it for more than a moment.
    m_transport->closeOutput(std::chrono::milliseconds(300));
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        m_library.DestroySoundLibrary();
        core::FreePatterns(*m_song);
        core::InitSong(*m_song);
    }
    m_cache->FreeCache();
}

void TMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        FormResize();
    }
}

} // namespace bw::ui
