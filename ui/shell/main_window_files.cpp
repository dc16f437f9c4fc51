// The main window's file commands: New, Open, Save and Save as, the save-changes prompt, the
// caption and the close guard.

#include "core/pattern_file.h"
#include "core/track_commands.h"
#include "library/atomic_file.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/background_task.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"
#include "ui/windows/pattern_dialogs.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QScrollArea>
#include <QScrollBar>

namespace bw::ui {

namespace {

const char* const FileFilter = "Pattern files (*.bwp)";

std::string ToLocal(const QString& path)
{
    return ToFileSystemPath(QDir::toNativeSeparators(path));
}

FileRequest SongFileRequest(FileRequest::Kind kind)
{
    FileRequest request;
    request.kind = kind;
    request.title =
        kind == FileRequest::Kind::Open ? QStringLiteral("Open") : QStringLiteral("Save as");
    request.filter = QString::fromLatin1(FileFilter);
    request.defaultSuffix = QString::fromLatin1(TMain::PatternDefaultExt);
    request.presetName = QString::fromLatin1(TMain::PatternFileName);
    return request;
}

} // namespace

void TMain::setModified(bool modified)
{
    m_modified = modified;
    updateCaption();
}

void TMain::setCaptionBase(const QString& base)
{
    m_captionBase = base;
    updateCaption();
}

void TMain::updateCaption()
{
    // An unsaved change shows as a trailing star.
    setWindowTitle(m_modified ? m_captionBase.trimmed() + QStringLiteral(" *") : m_captionBase);
}

bool TMain::confirmDiscard()
{
    if (!m_modified) {
        return true;
    }
    TwantsaveF* prompt = links().savePrompt;
    if (prompt == nullptr) {
        return true;
    }
    switch (prompt->ask()) {
    case TwantsaveF::Answer::No:
        dropRecovery(); // the user chose to lose the changes
        return true;
    case TwantsaveF::Answer::Cancel:
        return false;
    case TwantsaveF::Answer::Save:
        // Going on after a save that was cancelled or failed would lose the changes.
        return Save1Click();
    }
    return false;
}

void TMain::stopForNewDocument()
{
    m_transportBand->stopBClick();
    m_transport->stopAndWait();
}

std::unique_ptr<core::TSong> TMain::readDocument(const QString& path, bool& showSequencer)
{
    showSequencer = false;
    // Read on a worker thread, so that a big file neither holds the song lock nor keeps the
    // UI thread from serving the engine; the reader's warnings are shown afterwards.
    std::vector<std::string> warnings;
    core::PatternReadCallbacks callbacks;
    callbacks.showSequencer = [&showSequencer] { showSequencer = true; };
    callbacks.warn = [&warnings](const std::string& text) { warnings.push_back(text); };
    const auto showWarnings = [&] {
        for (const std::string& text : warnings) {
            ShowMessage(this, QString::fromLatin1(core::EscapeControlBytes(text).c_str()),
                        QStringLiteral("!"));
        }
    };
    try {
        std::unique_ptr<core::TSong> song;
        const std::string file = ToLocal(path);
        RunInBackground(
            this, QStringLiteral("Reading \"%1\"...").arg(QDir::toNativeSeparators(path)), false,
            [&](const ProgressFn&) { song = core::ReadPatternFile(file, callbacks); });
        showWarnings();
        return song;
    } catch (const std::exception& e) {
        showWarnings();
        // The current song, its file name and its caption stay as they are.
        ShowMessage(this,
                    QStringLiteral("The pattern file \"%1\" could not be read:\n%2")
                        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(e.what())),
                    QStringLiteral("!"));
        return nullptr;
    }
}

void TMain::takeDocument(std::unique_ptr<core::TSong> loaded,
                         bool showSequencer,
                         const QString& fileName,
                         const QString& caption)
{
    m_sequencer->setShown(showSequencer);
    m_context->withSong([&loaded](core::TSong& s) {
        core::FreePatterns(s);
        s = std::move(*loaded);
    });
    // The window names the new song before its tracks are checked: the warnings about
    // missing sounds belong to it.
    m_currentFileName = fileName;
    m_modified = false;
    setCaptionBase(caption);
    m_grid->cancelPaste();
    m_grid->setRowCount(m_song->TrackCount);
    m_sequencer->scrollToStart();
    FormResize();
    CheckTrackSounds();
    ShowSongSettings();
    m_context->patternsEdited();
    SetSongPosition(0);
    m_context->withSong([this](const core::TSong& s) { m_history.reset(s); });
    m_editPending = false;
    setModified(false);
    updateUndoActions();
    emit documentReplaced();
}

bool TMain::openFile(const QString& path)
{
    BW_ASSERT_UI_THREAD();
    bool showSequencer = false;
    std::unique_ptr<core::TSong> loaded = readDocument(path, showSequencer);
    if (loaded == nullptr) {
        return false;
    }
    stopForNewDocument();
    takeDocument(std::move(loaded), showSequencer, path,
                 QStringLiteral("Beatwright - ") + QDir::toNativeSeparators(path));
    return true;
}

void TMain::New1Click()
{
    if (m_transport->stopping() || !confirmDiscard()) {
        return;
    }
    bool showSequencer = false;
    std::unique_ptr<core::TSong> loaded = readDocument(m_patternPath, showSequencer);
    if (loaded == nullptr) {
        return;
    }
    stopForNewDocument();
    takeDocument(std::move(loaded), showSequencer, QString(), QString::fromLatin1(NewCaption));
}

void TMain::NewEmpty1Click()
{
    if (m_transport->stopping() || !confirmDiscard()) {
        return;
    }
    auto song = std::make_unique<core::TSong>();
    core::InitEmptySong(*song);
    stopForNewDocument();
    // The sequencer panel stays as the user has it: an empty song is there to be arranged.
    takeDocument(std::move(song), m_sequencer->isShown(), QString(),
                 QString::fromLatin1(NewCaption));
}

void TMain::Open1Click()
{
    if (m_transport->stopping() || !confirmDiscard()) {
        return;
    }
    const QString path = ChooseFile(this, SongFileRequest(FileRequest::Kind::Open));
    if (!path.isEmpty()) {
        openFile(path);
    }
    SetSongPosition(0);
}

bool TMain::writeDocument(const QString& path)
{
    if (m_editPending) {
        commitEdit(); // the saved state includes the edit still being made
    }
    const bool sequencerShown = m_sequencer->isShown();
    try {
        // The file's image is made under the song lock; writing and flushing it to the disk
        // happen on a worker thread, without it.
        const std::vector<std::uint8_t> image = m_context->withSong(
            [&](core::TSong& s) { return core::SerializePatternFile(s, sequencerShown); });
        const std::string file = ToLocal(path);
        RunInBackground(this,
                        QStringLiteral("Saving \"%1\"...").arg(QDir::toNativeSeparators(path)),
                        false, [&](const ProgressFn&) { writeFileAtomically(file, image); });
    } catch (const std::exception& e) {
        // The document stays marked as changed; the file on disk is as it was.
        ShowMessage(this,
                    QStringLiteral("The file \"%1\" could not be written:\n%2")
                        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(e.what())),
                    QStringLiteral("ERROR"));
        return false;
    }
    m_history.markSaved();
    setModified(false);
    dropRecovery();
    return true;
}

bool TMain::Save1Click()
{
    if (m_currentFileName.isEmpty()) {
        return Saveas1Click();
    }
    return writeDocument(m_currentFileName);
}

bool TMain::Saveas1Click()
{
    const QString path = ChooseFile(this, SongFileRequest(FileRequest::Kind::Save));
    if (path.isEmpty() || !writeDocument(path)) {
        return false;
    }
    m_currentFileName = path;
    setCaptionBase(QStringLiteral("Beatwright - ") + QDir::toNativeSeparators(path));
    return true;
}

bool TMain::FormCloseQuery()
{
    return confirmDiscard();
}

} // namespace bw::ui
