// Unsaved work kept for the next start: the recovery file, written every minute while the song
// has unsaved changes and when a signal ends the program, offered back at the next start, and
// removed by a save, a deliberate "don't save" and a normal quit.

#include "core/pattern_file.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/main_window_frame.h"
#include "ui/shell/recovery.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/shell/ui_thread.h"
#include "ui/widgets/background_task.h"
#include "ui/widgets/message_box.h"

#include <exception>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>

namespace bw::ui {

void TMain::startRecovery()
{
    if (m_files.recovery.isEmpty()) {
        return; // nowhere to keep it (the user's folder could not be made)
    }
    // Another copy of the program running keeps its own file.
    m_recoverySlot = std::make_unique<RecoverySlot>(m_files.recovery);
    if (m_recoverySlot->path().isEmpty()) {
        return;
    }
    m_recovery = std::make_unique<RecoveryWriter>(m_recoverySlot->path());
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setInterval(RecoveryIntervalMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] { recoveryTick(); });
    m_recoveryTimer->start();
}

void TMain::recoveryTick()
{
    if (!m_recovery || !m_recoveryStale || m_closing || BackgroundWorkRunning()) {
        return;
    }
    if (const std::string failed = m_recovery->busy() ? std::string() : m_recovery->wait();
        !failed.empty()) {
        statusBar()->showMessage(
            QStringLiteral("Unsaved changes could not be kept for the next start: %1")
                .arg(QString::fromLocal8Bit(failed.c_str())),
            30000);
    }
    if (!m_modified) {
        // Undone back to the file on disk: nothing to keep.
        dropRecovery();
        m_recoveryStale = false;
        return;
    }
    // The image is made under the song lock; the file is written on the writer's thread.
    const bool sequencerShown = m_sequencer->isShown();
    std::vector<std::uint8_t> image = m_context->withSong(
        [&](core::TSong& s) { return core::SerializePatternFile(s, sequencerShown); });
    if (m_recovery->start(m_currentFileName, std::move(image))) {
        m_recoveryStale = false;
    }
}

void TMain::keepRecoveryNow()
{
    if (!m_recovery) {
        return;
    }
    m_recovery->wait();
    if (!m_modified) {
        m_recovery->remove();
        return;
    }
    const bool sequencerShown = m_sequencer->isShown();
    std::vector<std::uint8_t> image = m_context->withSong(
        [&](core::TSong& s) { return core::SerializePatternFile(s, sequencerShown); });
    m_recovery->start(m_currentFileName, std::move(image));
    m_recovery->wait();
}

void TMain::dropRecovery()
{
    if (m_recovery) {
        m_recovery->remove();
    }
    m_recoveryStale = m_modified;
}

void TMain::offerRecovery()
{
    BW_ASSERT_UI_THREAD();
    if (!m_recovery) {
        return;
    }
    // One song at a time: what other copies left waits for the next start.
    const std::vector<QString> left = m_recoverySlot->leftBehind();
    if (left.empty()) {
        return;
    }
    const QString& file = left.front();
    const bool own = file == m_recovery->path();
    RecoveredSong kept;
    try {
        kept = ReadRecoveryFile(file);
    } catch (const std::exception& e) {
        // Kept aside rather than lost: the next normal quit would remove it.
        const QString aside = file + QStringLiteral(".unreadable");
        QFile::remove(aside);
        QFile::rename(file, aside);
        ShowMessage(this,
                    QStringLiteral("Unsaved changes were kept when the program last ended, but "
                                   "they cannot be read:\n%1\nThe file was moved to \"%2\".")
                        .arg(QString::fromLocal8Bit(e.what()), QDir::toNativeSeparators(aside)),
                    QStringLiteral("!"));
        return;
    }
    const QString song =
        kept.songFile.isEmpty()
            ? QStringLiteral("a new song")
            : QStringLiteral("the song \"%1\"").arg(QDir::toNativeSeparators(kept.songFile));
    const QString text =
        QStringLiteral("The program ended without saving the changes to %1. They were kept on "
                       "%2.\n\nRestore them?")
            .arg(song, QLocale().toString(kept.keptAt, QLocale::LongFormat));
    if (ShowMessage(this, text, QStringLiteral("?"), MessageButtons::RestoreDiscard) !=
        MessageResult::Ok) {
        if (own) {
            m_recovery->remove();
        } else {
            QFile::remove(file);
        }
        return;
    }
    stopForNewDocument();
    takeDocument(std::move(kept.song), kept.showSequencer, kept.songFile,
                 kept.songFile.isEmpty()
                     ? QString::fromLatin1(NewCaption)
                     : QStringLiteral("Beatwright - ") + QDir::toNativeSeparators(kept.songFile));
    // Not what is on disk: the caption says so, and Save (or a quit's question) follows.
    m_history.markUnsaved();
    setModified(true);
    if (!own) {
        // Kept in this copy's own file before the other one goes.
        keepRecoveryNow();
        QFile::remove(file);
    }
}

void TMain::quitOnSignal()
{
    BW_ASSERT_UI_THREAD();
    if (m_closing) {
        return;
    }
    // A file being read or written finishes first; a question on screen is closed unanswered.
    if (BackgroundWorkRunning() || m_transport->stopping()) {
        QTimer::singleShot(50, this, [this] { quitOnSignal(); });
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        QTimer::singleShot(50, this, [this] { quitOnSignal(); });
        return;
    }
    if (m_editPending) {
        commitEdit();
    }
    keepRecoveryNow();
    m_quitWithoutAsking = true;
    close();
}

} // namespace bw::ui
