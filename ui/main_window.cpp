#include "ui/main_window.h"

#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "ui/draw_helpers.h"
#include "ui/export_dialog.h"
#include "ui/message_box.h"
#include "ui/paint_box.h"
#include "ui/performance_window.h"
#include "ui/periphery_windows.h"
#include "ui/render_bridge.h"
#include "ui/sequencer_lane.h"
#include "ui/skin.h"
#include "ui/ui_thread.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QToolButton>

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

TMain::TMain(const QString& programDir,
             std::optional<audio::WaveOutFactory> deviceOutput,
             QWidget* parent)
    : QMainWindow(parent), m_song(std::make_unique<core::TSong>()),
      m_clipboard(std::make_unique<core::EventGrid>())
{
    m_programDir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    FormCreate(std::move(deviceOutput));
}

TMain::~TMain()
{
    // A window destroyed without its close sequence still must not leave a thread behind
    // that reads the song.
    if (m_bridge != nullptr && m_bridge->runCount() > 0) {
        m_bridge->stopAndWait();
    }
}

void TMain::setLinks(const MainWindowLinks& links)
{
    m_links = links;
    if (m_links.conti != nullptr) {
        m_ownSkin.reset();
        setWindowIcon(QIcon(QPixmap::fromImage(m_links.conti->skin().appIcon)));
    }
    repaintEditors();
}

const Skin* TMain::skin() const
{
    if (m_links.conti != nullptr) {
        return &m_links.conti->skin();
    }
    return m_ownSkin.get();
}

void TMain::FormCreate(std::optional<audio::WaveOutFactory> deviceOutput)
{
    // 1. Flags and editor state start cleared.
    m_flags.SongMode = false;
    m_flags.EngineRunning = false;
    m_flags.InspectorPlayRequested = false;
    m_flags.StopRequested = false;
    m_flags.WriteRequested = false;
    m_flags.WriteSong = false;
    m_flags.PreviewRequested = false;
    m_flags.SilenceDisplay = false;
    m_windowReady = false;
    m_firstShow = true;
    m_edit = MainEditState{};
    m_songPosition = 0;

    m_ownSkin = std::make_unique<Skin>();
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QString::fromLatin1(StartCaption));
    resize(782, 536);
    setWindowIcon(QIcon(QPixmap::fromImage(m_ownSkin->appIcon)));
    createRegions();
    createMenus();

    // 2. The empty library.
    m_library.CreateSoundLibrary();
    // 3. The program folder is set by the constructor.
    // 4. The grid's cursor; the tab row's tabs fill their panel.
    loadStickCursor();
    pattab->setFixedHeight(Panel17->height() - 2);
    // 5. Default files and the library.
    m_patternPath = QDir(m_programDir).filePath(QStringLiteral("default.bwp"));
    m_defaultLibraryPath = QDir(m_programDir).filePath(QStringLiteral("default.slb"));
    loadDefaultLibrary();
    // 6. The sound chooser.
    fillSoundBox();
    // 7. A reset song, an empty clipboard and the stretch cache.
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        core::InitSong(*m_song);
    }
    for (auto& row : *m_clipboard) {
        for (auto& e : row) {
            core::ClearEvent(e);
        }
    }
    m_cache = std::make_unique<audio::StretchCache>();
    m_bridge =
        new RenderBridge(*m_song, m_library, m_songLock, *m_cache, m_flags,
                         deviceOutput ? std::move(*deviceOutput) : DefaultDeviceOutput(), this);
    connectBridge();
    // 8. The grid's height for the reset song.
    setGridScrollRange(m_song->TrackCount);
    // 9. File dialog settings are the class constants.
    // 10. The default pattern file.
    loadDefaultPattern();
    // The loaded song may have another track count than the reset one: size the grid for it,
    // or the rows past the twelfth could not be scrolled to until the next Open.
    setGridScrollRange(m_song->TrackCount);
    // 11. Tabs, sound binding, ready.
    RebuildPatternTabs();
    CheckTrackSounds();
    m_windowReady = true;
    FormResize();
}

void TMain::loadStickCursor()
{
    const QString path = QDir(m_programDir).filePath(QStringLiteral("stick.cur"));
    m_hasStickCursor = LoadCursorFile(path, m_stickCursor);
    if (!m_hasStickCursor) {
        m_stickCursor = QCursor(Qt::ArrowCursor);
    }
    noteBox->setCursor(m_stickCursor);
}

void TMain::loadDefaultLibrary()
{
    try {
        std::lock_guard<core::SongLock> guard(m_songLock);
        m_library.LoadSoundLibrary(ToLocal(m_defaultLibraryPath));
        return;
    } catch (const std::exception& e) {
        // A library file that fails part-way is dropped whole: the program starts empty.
        {
            std::lock_guard<core::SongLock> guard(m_songLock);
            m_library.CreateSoundLibrary();
        }
        ShowMessage(this,
                    QStringLiteral("The sound library \"%1\" could not be loaded:\n%2")
                        .arg(QDir::toNativeSeparators(m_defaultLibraryPath),
                             QString::fromLocal8Bit(e.what())),
                    QStringLiteral("!"));
    }
}

void TMain::loadDefaultPattern()
{
    bool showSequencer = false;
    core::PatternReadCallbacks callbacks;
    callbacks.showSequencer = [&showSequencer] { showSequencer = true; };
    callbacks.warn = [this](const std::string& text) {
        ShowMessage(this, QString::fromLatin1(text.c_str()), QStringLiteral("!"));
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
        seqpanel->setVisible(true);
    }
}

void TMain::fillSoundBox()
{
    const QSignalBlocker block(soundbox);
    soundbox->clear();
    for (int i = 0; i < m_library.count(); ++i) {
        soundbox->addItem(QString::fromLatin1(m_library.SoundNameAt(i).c_str()));
    }
}

void TMain::setGridScrollRange(int trackCount)
{
    panel5->setProperty("rowsHeight", std::max(0, trackCount) * GridRowHeight);
    updateGridSize();
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

void SelectItemByNumber(QComboBox* box, int number)
{
    int found = -1;
    for (int i = 0; i < box->count(); ++i) {
        QString text = box->itemText(i).trimmed();
        if (text.startsWith(QLatin1Char('+'))) {
            text.remove(0, 1);
        }
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (ok && value == number) {
            found = i;
        }
    }
    const QSignalBlocker block(box);
    box->setCurrentIndex(found >= 0 ? found : (box->count() > 0 ? 0 : -1));
}

void TMain::ShowSongSettings()
{
    BW_ASSERT_UI_THREAD();
    RebuildPatternTabs();
    int beats = 0, ticks = 0, bpmValue = 0, stop = 0, master = 0, stereo = 0, transpose = 0,
        shuffle = 0, feedback = 0;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        beats = m_song->Beats;
        ticks = m_song->Ticks;
        bpmValue = m_song->Bpm;
        stop = m_song->StopPosition;
        master = m_song->MasterVolume;
        stereo = m_song->Stereo;
        transpose = m_song->Transpose;
        shuffle = m_song->ShuffleAmount;
        feedback = m_song->DelayFeedback;
    }
    SelectItemByNumber(BeatB, beats);
    SelectItemByNumber(TickB, ticks);
    {
        const QSignalBlocker block(bpm);
        bpm->setValue(bpmValue);
    }
    stopseqbox->setText(QString::number(stop));
    {
        const QSignalBlocker block(mastervol);
        mastervol->setValue(master / 10); // the bar's 0..1000 for the song's 0..10000
    }
    {
        // The song takes what its bars hold, as their change handlers would: a tempo read
        // from a file is kept within 50..300, the master volume goes through the bar's steps.
        std::lock_guard<core::SongLock> guard(m_songLock);
        m_song->Bpm = bpm->value();
        m_song->MasterVolume = mastervol->value() * 10000 / 1000;
        bpmValue = m_song->Bpm;
    }
    Label5->setText(QString::number(bpmValue));
    Channels->setText(stereo == 1 ? QStringLiteral("stereo") : QStringLiteral("mono"));
    SelectItemByNumber(transcom, transpose);
    Panel32->setText(QString::number(shuffle) + QStringLiteral("%"));
    Panel30->setText(QString::number(feedback) + QStringLiteral("%"));
    layoutTempoPanel();
    repaintEditors();
}

void TMain::CheckTrackSounds()
{
    BW_ASSERT_UI_THREAD();
    std::vector<core::MissingSound> missing;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        missing = core::BindTrackSounds(m_song->Tracks, m_song->TrackCount, m_library, true);
    }
    // The messages are shown with the lock released, so playback goes on behind them.
    for (const core::MissingSound& m : missing) {
        ShowMessage(this, QString::fromLatin1(core::MissingSoundText(m).c_str()),
                    QStringLiteral("hmmmm..."));
    }
    PaintBox1->update();
    PaintBox4->update();
}

void TMain::RebuildPatternTabs()
{
    QStringList names;
    int current = 0;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        for (const auto& p : m_song->Patterns) {
            names << QString::fromLatin1(p->Name.str().c_str());
        }
        current = m_song->CurrentPattern;
    }
    {
        const QSignalBlocker block(pattab);
        while (pattab->count() > 0) {
            pattab->removeTab(0);
        }
        for (const QString& n : names) {
            pattab->addTab(n);
        }
        if (current >= 0 && current < pattab->count()) {
            pattab->setCurrentIndex(current);
        }
    }
    if (m_windowReady) {
        PaintBox3->update();
        leftseqbox->update();
    }
}

void TMain::SetSongPosition(int beat)
{
    BW_ASSERT_UI_THREAD();
    int clamped = 0;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        clamped = core::MoveSongPosition(*m_song, beat);
    }
    m_songPosition = clamped;
    m_bridge->publishSongPosition(clamped);
    PosLabel->setText(QString::number(clamped));
    PaintBox3->update();
    leftseqbox->update();
}

void TMain::ToggleSequencer()
{
    if (m_seqPanelWidth < 50) {
        m_seqPanelWidth = 50;
    }
    seqpanel->setVisible(seqpanel->isHidden());
    FormResize();
    ShowSongSettings();
    Panel1->update();
}

void TMain::ShowAbout()
{
    if (m_links.info != nullptr) {
        m_links.info->show();
        m_links.info->raise();
    }
}

void TMain::playbClick()
{
    if (m_bridge->stopping()) {
        return;
    }
    SetSongPosition(m_songPosition);
    m_flags.SongMode = true;
    m_flags.InspectorPlayRequested = false;
    loopbut->setChecked(false);
    playb->setChecked(true);
    m_bridge->startRun();
}

void TMain::stopBClick()
{
    if (m_bridge->stopping()) {
        return;
    }
    playb->setChecked(false);
    loopbut->setChecked(false);
    stopB->setChecked(true);
    m_flags.StopRequested = true;
    m_flags.SongMode = false;
}

void TMain::connectBridge()
{
    RenderBridge::Display d;
    d.setSongPosition = [this](int beat) { SetSongPosition(beat); };
    d.pressPlay = [this] { playb->setChecked(true); };
    d.blockDone = [this](const audio::BlockReport& r) {
        beatpos->setText(QString::number(r.beatCounter));
        Label13->setText(QString::number(r.activeVoices));
        ledPB->update();
        PosLabel->setText(QString::number(r.songPosition));
        if (m_links.performance != nullptr) {
            m_links.performance->SetMeter(r.meter);
        }
        Lsilence->setVisible(r.silence);
        m_edit.AnimationCounter = (m_edit.AnimationCounter + 1) % 4;
        if (funBox3->isVisible()) {
            funBox3->update();
        }
        if (r.writing || r.exportPending) {
            if (m_links.writeWav != nullptr) {
                m_links.writeWav->progressBar()->setValue(std::clamp(r.progress, 0, 100));
            }
            // The Pattern Sequencer window stays out of the way while an export runs.
            if (m_links.sequencer != nullptr && !m_sequencerWasVisible.has_value()) {
                m_sequencerWasVisible = m_links.sequencer->isVisible();
                m_links.sequencer->hide();
            }
        }
    };
    d.closeExportDialog = [this] {
        if (m_links.writeWav != nullptr) {
            m_links.writeWav->close();
        }
    };
    d.engineFailed = [this](const std::string& message, bool wavWriteFailed) {
        if (wavWriteFailed) {
            ShowMessage(this, QString::fromUtf8(audio::OpenFileErrorText), QStringLiteral("ERROR"));
        }
        ShowMessage(this, QString::fromLatin1(message.c_str()), QStringLiteral("!"));
    };
    d.engineEnded = [this](bool) {
        ledPB->update();
        playb->setChecked(false);
        stopB->setChecked(true);
        loopbut->setChecked(false);
        if (m_links.performance != nullptr) {
            m_links.performance->SetMeter(0);
        }
        if (m_links.writeWav != nullptr) {
            m_links.writeWav->progressBar()->setValue(0);
            m_links.writeWav->close();
        }
        if (m_sequencerWasVisible.has_value()) {
            if (*m_sequencerWasVisible && m_links.sequencer != nullptr && !m_closing) {
                m_links.sequencer->show();
            }
            m_sequencerWasVisible.reset();
        }
        if (isHidden() && !m_closing) {
            show();
        }
    };
    m_bridge->setDisplay(std::move(d));
}

bool TMain::FormCloseQuery()
{
    // The save prompt joins here with the document commands.
    return true;
}

void TMain::closeEvent(QCloseEvent* event)
{
    if (m_closing || m_bridge->stopping() || !FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closing = true;
    FormClose();
    event->accept();
    emit closed();
}

void TMain::FormClose()
{
    BW_ASSERT_UI_THREAD();
    // Stop the engine and wait for it with events served: it may be inside a call that needs
    // this thread. Only then is it safe to free what it reads.
    m_bridge->stopAndWait();
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
