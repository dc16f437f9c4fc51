#include "core/undo_history.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace bw::core {

namespace {

using TrackNameArray = std::array<ShortString<TrackNameLength>, MaxTracks>;

/// What a pattern holds that the user edits (its play window is the engine's).
struct PatternContent
{
    ShortString<20> Name;
    std::int32_t Beats = 4;
    std::int32_t Ticks = 4;
    std::int32_t Transpose = 0;
    std::int32_t Color = 0;
    EventGrid Events{};
    TrackArray Tracks{};
};

bool SameEvents(const EventGrid& a, const EventGrid& b)
{
    return std::memcmp(a.data(), b.data(), sizeof(EventGrid)) == 0;
}

bool SameTracks(const TrackArray& a, const TrackArray& b)
{
    return std::memcmp(a.data(), b.data(), sizeof(TrackArray)) == 0;
}

bool SameName(const ShortString<20>& a, const ShortString<20>& b)
{
    return a.view() == b.view();
}

/// The content of pattern index as the song holds it now: the working copy for the current
/// pattern.
void ReadPattern(const TSong& song, int index, PatternContent& out)
{
    const TPattern& p = song.pattern(index);
    out.Name = p.Name;
    out.Color = p.Color;
    if (index == song.CurrentPattern) {
        out.Beats = song.Beats;
        out.Ticks = song.Ticks;
        out.Transpose = song.Transpose;
        out.Events = song.Events;
        out.Tracks = song.Tracks;
    } else {
        out.Beats = p.Beats;
        out.Ticks = p.Ticks;
        out.Transpose = p.Transpose;
        out.Events = p.Events;
        out.Tracks = p.Tracks;
    }
}

bool SameContent(const PatternContent& a, const PatternContent& b)
{
    return SameName(a.Name, b.Name) && a.Beats == b.Beats && a.Ticks == b.Ticks &&
           a.Transpose == b.Transpose && a.Color == b.Color && SameEvents(a.Events, b.Events) &&
           SameTracks(a.Tracks, b.Tracks);
}

bool SameEntry(const TSeqEntry& a, const TSeqEntry& b)
{
    return SameName(a.Name, b.Name) && a.Position == b.Position && a.Color == b.Color &&
           a.Reserved == b.Reserved;
}

} // namespace

struct UndoHistory::State
{
    std::int32_t TrackCount = 0;
    std::int32_t InstrumentCount = 0;
    std::int32_t Stereo = 1;
    std::int32_t Bpm = 120;
    std::int32_t MasterVolume = 10000;
    std::int32_t ShuffleAmount = 0;
    std::int32_t ShuffleDivision = 2;
    std::int32_t StopPosition = 40;
    std::int32_t DelayDivision = 2;
    std::int32_t DelayFeedback = 60;
    std::int32_t DelayRepeats = 3;
    std::int32_t HumanizeTiming = 0;
    std::int32_t HumanizeVolume = 0;
    std::uint64_t HumanizeSeed = 0;
    std::int32_t DefaultVolume = DefaultEventVolume;
    /// Shared with the step before while unchanged, so that a step stays small.
    std::shared_ptr<const TrackNameArray> TrackNames;
    std::uint32_t SoloTracks = 0;
    std::int32_t LoopStart = 0;
    std::int32_t LoopEnd = 0;
    bool LoopOn = false;
    std::array<std::int32_t, MaxTracks> TrackNotes = NoLearnedNotes();
    std::int32_t MidiChannel = 0;
    /// Shared with the step before while the sequence is unchanged: a song may place a pattern
    /// hundreds of thousands of times.
    std::shared_ptr<const std::vector<TSeqEntry>> Sequence;
    std::vector<std::shared_ptr<const PatternContent>> Patterns;

    static bool sameSequence(const std::vector<TSeqEntry>& a, const std::vector<TSeqEntry>& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameEntry);
    }

    bool sameSettings(const State& o) const
    {
        return TrackCount == o.TrackCount && InstrumentCount == o.InstrumentCount &&
               Stereo == o.Stereo && Bpm == o.Bpm && MasterVolume == o.MasterVolume &&
               ShuffleAmount == o.ShuffleAmount && ShuffleDivision == o.ShuffleDivision &&
               StopPosition == o.StopPosition && DelayDivision == o.DelayDivision &&
               DelayFeedback == o.DelayFeedback && DelayRepeats == o.DelayRepeats &&
               HumanizeTiming == o.HumanizeTiming && HumanizeVolume == o.HumanizeVolume &&
               HumanizeSeed == o.HumanizeSeed && DefaultVolume == o.DefaultVolume &&
               (TrackNames == o.TrackNames || *TrackNames == *o.TrackNames) &&
               SoloTracks == o.SoloTracks && LoopStart == o.LoopStart && LoopEnd == o.LoopEnd &&
               LoopOn == o.LoopOn && TrackNotes == o.TrackNotes && MidiChannel == o.MidiChannel &&
               (Sequence == o.Sequence || sameSequence(*Sequence, *o.Sequence));
    }
};

namespace {

/// A snapshot of song, sharing with previous every pattern that did not change. Sets changed
/// when the snapshot differs from previous.
std::shared_ptr<const UndoHistory::State>
Capture(const TSong& song, const UndoHistory::State* previous, bool& changed)
{
    auto state = std::make_shared<UndoHistory::State>();
    state->TrackCount = song.TrackCount;
    state->InstrumentCount = song.InstrumentCount;
    state->Stereo = song.Stereo;
    state->Bpm = song.Bpm;
    state->MasterVolume = song.MasterVolume;
    state->ShuffleAmount = song.ShuffleAmount;
    state->ShuffleDivision = song.ShuffleDivision;
    state->StopPosition = song.StopPosition;
    state->DelayDivision = song.DelayDivision;
    state->DelayFeedback = song.DelayFeedback;
    state->DelayRepeats = song.DelayRepeats;
    state->HumanizeTiming = song.HumanizeTiming;
    state->HumanizeVolume = song.HumanizeVolume;
    state->HumanizeSeed = song.HumanizeSeed;
    state->DefaultVolume = song.DefaultVolume;
    if (previous != nullptr && *previous->TrackNames == song.TrackNames) {
        state->TrackNames = previous->TrackNames;
    } else {
        state->TrackNames = std::make_shared<const TrackNameArray>(song.TrackNames);
    }
    state->SoloTracks = song.SoloTracks;
    state->LoopStart = song.LoopStart;
    state->LoopEnd = song.LoopEnd;
    state->LoopOn = song.LoopOn;
    state->TrackNotes = song.TrackNotes;
    state->MidiChannel = song.MidiChannel;
    if (previous != nullptr &&
        UndoHistory::State::sameSequence(*previous->Sequence, song.Sequence)) {
        state->Sequence = previous->Sequence;
    } else {
        state->Sequence = std::make_shared<const std::vector<TSeqEntry>>(song.Sequence);
    }
    changed = previous == nullptr || !state->sameSettings(*previous) ||
              previous->Patterns.size() != static_cast<std::size_t>(song.PatternCount);
    auto scratch = std::make_unique<PatternContent>();
    for (int i = 0; i < song.PatternCount; ++i) {
        ReadPattern(song, i, *scratch);
        const auto at = static_cast<std::size_t>(i);
        if (previous != nullptr && at < previous->Patterns.size() &&
            SameContent(*previous->Patterns[at], *scratch)) {
            state->Patterns.push_back(previous->Patterns[at]);
            continue;
        }
        changed = true;
        state->Patterns.push_back(std::make_shared<const PatternContent>(*scratch));
    }
    return state;
}

} // namespace

UndoHistory::UndoHistory(std::size_t maxSteps, std::size_t maxBytes)
    : m_maxSteps(std::max<std::size_t>(1, maxSteps)), m_maxBytes(maxBytes)
{}

UndoHistory::~UndoHistory() = default;

std::size_t UndoHistory::SnapshotPatternBytes()
{
    return sizeof(PatternContent);
}

void UndoHistory::reset(const TSong& song)
{
    bool changed = false;
    m_states.clear();
    m_states.push_back(Capture(song, nullptr, changed));
    m_index = 0;
    m_saved = 0;
}

bool UndoHistory::record(const TSong& song)
{
    if (m_states.empty()) {
        reset(song);
        return false;
    }
    bool changed = false;
    auto state = Capture(song, m_states[m_index].get(), changed);
    if (!changed) {
        return false;
    }
    m_states.resize(m_index + 1); // what could have been redone is gone
    if (m_saved > static_cast<std::ptrdiff_t>(m_index)) {
        m_saved = -1;
    }
    m_states.push_back(std::move(state));
    ++m_index;
    trim();
    return true;
}

void UndoHistory::refresh(const TSong& song)
{
    if (m_states.empty()) {
        reset(song);
        return;
    }
    bool changed = false;
    m_states[m_index] = Capture(song, m_states[m_index].get(), changed);
}

void UndoHistory::trim()
{
    for (;;) {
        const std::size_t steps = m_states.size() - 1;
        const bool tooMany = steps > m_maxSteps;
        // Over the memory cap the oldest steps go, but never the last few: with them undo
        // still works, when a single snapshot of a big song is past the cap by itself.
        const bool tooLarge = steps > MinKeptSteps && bytes() > m_maxBytes;
        if (!tooMany && !tooLarge) {
            return;
        }
        if (!tooMany) {
            ++m_droppedForMemory;
        }
        m_states.erase(m_states.begin());
        --m_index;
        m_saved = m_saved > 0 ? m_saved - 1 : -1;
    }
}

std::size_t UndoHistory::bytes() const
{
    std::unordered_set<const void*> patterns;
    std::unordered_set<const void*> sequences;
    std::size_t total = 0;
    for (const auto& state : m_states) {
        total += sizeof(State) +
                 state->Patterns.capacity() * sizeof(std::shared_ptr<const PatternContent>);
        for (const auto& p : state->Patterns) {
            if (patterns.insert(p.get()).second) {
                total += sizeof(PatternContent);
            }
        }
        if (sequences.insert(state->Sequence.get()).second) {
            total += state->Sequence->capacity() * sizeof(TSeqEntry);
        }
        if (sequences.insert(state->TrackNames.get()).second) {
            total += sizeof(TrackNameArray);
        }
    }
    return total;
}

void UndoHistory::restore(const State& state, TSong& song) const
{
    song.TrackCount = state.TrackCount;
    song.InstrumentCount = state.InstrumentCount;
    song.Stereo = state.Stereo;
    song.Bpm = state.Bpm;
    song.MasterVolume = state.MasterVolume;
    song.ShuffleAmount = state.ShuffleAmount;
    song.ShuffleDivision = state.ShuffleDivision;
    song.StopPosition = state.StopPosition;
    song.DelayDivision = state.DelayDivision;
    song.DelayFeedback = state.DelayFeedback;
    song.DelayRepeats = state.DelayRepeats;
    song.HumanizeTiming = state.HumanizeTiming;
    song.HumanizeVolume = state.HumanizeVolume;
    song.HumanizeSeed = state.HumanizeSeed;
    song.DefaultVolume = state.DefaultVolume;
    song.TrackNames = *state.TrackNames;
    song.SoloTracks = state.SoloTracks;
    song.LoopStart = state.LoopStart;
    song.LoopEnd = state.LoopEnd;
    song.LoopOn = state.LoopOn;
    song.TrackNotes = state.TrackNotes;
    song.MidiChannel = state.MidiChannel;
    song.Sequence = *state.Sequence;
    // Pattern objects stay where they are as far as they go: the engine may be about to read
    // them (it holds the song lock while it does).
    const auto count = static_cast<int>(state.Patterns.size());
    while (song.PatternCount > count) {
        song.Patterns.pop_back();
        song.PatternCount = static_cast<std::int32_t>(song.Patterns.size());
    }
    while (song.PatternCount < count) {
        song.Patterns.push_back(std::make_unique<TPattern>());
        song.PatternCount = static_cast<std::int32_t>(song.Patterns.size());
    }
    for (int i = 0; i < count; ++i) {
        const PatternContent& c = *state.Patterns[static_cast<std::size_t>(i)];
        TPattern& p = song.pattern(i);
        p.Name = c.Name;
        p.Beats = c.Beats;
        p.Ticks = c.Ticks;
        p.Transpose = c.Transpose;
        p.Color = c.Color;
        p.Events = c.Events;
        p.Tracks = c.Tracks;
    }
    if (count > 0) {
        song.CurrentPattern = std::clamp(song.CurrentPattern, 0, count - 1);
        LoadWorkingCopy(song, song.CurrentPattern);
    }
}

bool UndoHistory::undo(TSong& song)
{
    if (!canUndo()) {
        return false;
    }
    --m_index;
    restore(*m_states[m_index], song);
    return true;
}

bool UndoHistory::redo(TSong& song)
{
    if (!canRedo()) {
        return false;
    }
    ++m_index;
    restore(*m_states[m_index], song);
    return true;
}

void UndoHistory::markSaved()
{
    m_saved = static_cast<std::ptrdiff_t>(m_index);
}

bool UndoHistory::atSavedState() const
{
    return m_saved == static_cast<std::ptrdiff_t>(m_index);
}

} // namespace bw::core
