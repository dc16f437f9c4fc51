// Undo and redo of the main window's document: every edit becomes a step of the history
// once the mouse button that made it is released, so a drag is one step.

#include "ui/regions/pattern_grid.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/main_window_frame.h"

#include <QAction>
#include <QGuiApplication>
#include <QStatusBar>

namespace bw::ui {

void TMain::documentEdited()
{
    if (m_restoring) {
        return;
    }
    m_modified = true;
    m_recoveryStale = true;
    updateCaption();
    if (QGuiApplication::mouseButtons() != Qt::NoButton || m_takeOpen) {
        m_editPending = true; // the rest of the drag joins this step
        updateUndoActions();  // Ctrl+Z meanwhile closes the step and takes it back
        return;
    }
    commitEdit();
}

void TMain::displayEdited()
{
    // Marks and the view are no steps, but undoing the next step comes back to them.
    if (!m_restoring && !m_editPending) {
        m_context->withSong([this](const core::TSong& s) { m_history.refresh(s); });
    }
}

void TMain::commitEdit()
{
    m_editPending = false;
    const std::size_t dropped = m_history.droppedForMemory();
    m_context->withSong([this](const core::TSong& s) { m_history.record(s); });
    if (m_history.droppedForMemory() != dropped) {
        // Undo still works, but not as far back as the user may think.
        statusBar()->showMessage(
            QStringLiteral("Older undo steps were dropped: this song is too large for the undo "
                           "history to keep more than the last %1.")
                .arg(m_history.steps()),
            15000);
    }
    setModified(!m_history.atSavedState());
    updateUndoActions();
}

void TMain::updateUndoActions()
{
    if (Undo1 != nullptr) {
        Undo1->setEnabled(m_history.canUndo() || m_editPending);
        Redo1->setEnabled(m_history.canRedo() && !m_editPending);
    }
}

void TMain::Undo1Click()
{
    if (m_editPending) {
        commitEdit();
    }
    restoreStep(true);
}

void TMain::Redo1Click()
{
    restoreStep(false);
}

void TMain::restoreStep(bool undo)
{
    const bool done = m_context->withSong(
        [this, undo](core::TSong& s) { return undo ? m_history.undo(s) : m_history.redo(s); });
    if (!done) {
        return;
    }
    // The regions show the restored song; nothing here is a new edit.
    m_restoring = true;
    m_grid->setRowCount(m_song->TrackCount);
    FormResize(); // a step may add or remove tracks: the mixer's columns follow
    ShowSongSettings();
    CheckTrackSounds();
    m_context->patternsEdited();
    m_context->displayEdited();
    m_restoring = false;
    setModified(!m_history.atSavedState());
    m_recoveryStale = true;
    updateUndoActions();
}

} // namespace bw::ui
