#pragma once

#include "core/song.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace bw::core {

/// Undo and redo of the document as snapshots. A snapshot holds what the user edits — every
/// pattern with the working copy folded into the current one, the sequence and the song's
/// settings — but not what is only a view (the current pattern, the current track), so
/// undoing restores exactly the edits and leaves the view where it is. Patterns and the
/// sequence a step did not change are shared between snapshots, so a step costs about one
/// pattern (SnapshotPatternBytes) when it edits one pattern.
class UndoHistory
{
public:
    /// Keeps at most maxSteps steps and about maxBytes of snapshots; the oldest steps go first,
    /// but the last MinKeptSteps stay whatever they hold.
    explicit UndoHistory(std::size_t maxSteps = DefaultMaxSteps,
                         std::size_t maxBytes = DefaultMaxBytes);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    /// Forgets every step: song is the document as it stands (New, Open), and it is saved.
    void reset(const TSong& song);
    /// After an edit: adds a step when song differs from the state last recorded. Returns
    /// whether it did. A new step drops the steps that could have been redone.
    bool record(const TSong& song);
    /// After a change that is no step (marks, the view): the current state takes it in, so
    /// that undoing the next step comes back to it.
    void refresh(const TSong& song);
    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index + 1 < m_states.size(); }
    /// Puts song back to the state before the last step (or after the next one). The working
    /// copy is reloaded from the current pattern; the current pattern stays unless the
    /// pattern list no longer has it.
    bool undo(TSong& song);
    bool redo(TSong& song);

    /// The current state is the one on disk.
    void markSaved();
    /// No state is the one on disk (a document restored from unsaved changes).
    void markUnsaved() { m_saved = -1; }
    /// Whether the document is as it was last saved (or opened).
    bool atSavedState() const;

    std::size_t steps() const { return m_states.empty() ? 0 : m_states.size() - 1; }
    /// Bytes the snapshots hold (patterns, sequences and the snapshots themselves), counting
    /// what steps share once.
    std::size_t bytes() const;
    /// Steps dropped so far because the history was over its memory cap (the window says so).
    std::size_t droppedForMemory() const { return m_droppedForMemory; }

    static constexpr std::size_t DefaultMaxSteps = 200;
    /// Steps kept even when they alone are over the memory cap.
    static constexpr std::size_t MinKeptSteps = 3;
    static constexpr std::size_t DefaultMaxBytes = std::size_t{96} << 20;
    /// The size of one pattern in a snapshot (31 tracks, 257 slots each).
    static std::size_t SnapshotPatternBytes();

    struct State;

private:
    void restore(const State& state, TSong& song) const;
    void trim();

    std::vector<std::shared_ptr<const State>> m_states;
    std::size_t m_index = 0;    // the current state
    std::ptrdiff_t m_saved = 0; // the saved state's index; -1 when it was dropped
    std::size_t m_maxSteps;
    std::size_t m_maxBytes;
    std::size_t m_droppedForMemory = 0;
};

} // namespace bw::core
