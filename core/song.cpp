#include "core/song.h"

#include "library/sound_library.h"

#include <algorithm>
#include <cmath>

namespace bw::core {

void InitTrack(TTrack& track)
{
    track.SoundName.clear();
    track.Volume = 10000;
    track.Pan = 1000;
    track.Enabled = 0;
    track.Transpose = 0;
    track.DelaySend = 0;
    track.Reserved1 = 0;
    track.Reserved3 = 0;
    track.Reserved5 = {};
}

void ClearEvent(TNoteEvent& event)
{
    event.Volume = 0;
    event.Pitch = 0;
    event.Pan = 0;
    event.Selected = 0;
}

void InitSequence(TSong& song)
{
    song.Sequence.clear();
}

void InitSong(TSong& song)
{
    song.Beats = 4;
    song.Ticks = 4;
    song.TrackCount = DefaultTrackCount;
    song.InstrumentCount = DefaultTrackCount;
    song.Stereo = 1;
    song.Bpm = 120;
    song.MasterVolume = 10000;
    song.ShuffleAmount = 0;
    song.ShuffleDivision = 2;
    song.SelectedTrack = 0;
    song.PatternCount = 0;
    song.CurrentPattern = 0;
    song.Patterns.clear();
    song.Transpose = 0;
    song.StopPosition = 40;
    song.DelayDivision = 2;
    song.DelayFeedback = 60;
    song.DelayRepeats = 3;
    song.HumanizeTiming = 0;
    song.HumanizeVolume = 0;
    song.HumanizeSeed = DefaultHumanizeSeed;
    song.DefaultVolume = DefaultEventVolume;
    for (auto& name : song.TrackNames) {
        name.clear();
    }
    song.SoloTracks = 0;
    song.LoopStart = 0;
    song.LoopEnd = 0;
    song.LoopOn = false;
    song.TrackNotes = NoLearnedNotes();
    song.MidiChannel = 0;
    InitSequence(song);
    for (auto& row : song.Events) {
        for (auto& e : row) {
            ClearEvent(e);
        }
    }
    for (auto& t : song.Tracks) {
        InitTrack(t);
    }
}

void InitPattern(TSong& song, int index)
{
    TPattern& p = song.pattern(index);
    p.Beats = 4;
    p.Ticks = 4;
    p.Transpose = 0;
    for (auto& row : p.Events) {
        for (auto& e : row) {
            ClearEvent(e);
        }
    }
    for (auto& t : p.Tracks) {
        InitTrack(t);
    }
}

int AddPattern(TSong& song, const std::string& name)
{
    auto p = std::make_unique<TPattern>();
    p->Name.assign(name);
    p->Color = static_cast<std::int32_t>(song.Patterns.size() % PaletteSize);
    song.Patterns.push_back(std::move(p));
    song.PatternCount = static_cast<std::int32_t>(song.Patterns.size());
    return song.PatternCount - 1;
}

void DeletePattern(TSong& song, int index)
{
    if (!song.validPattern(index)) {
        return;
    }
    const ShortString<20> name = song.pattern(index).Name;
    song.Patterns.erase(song.Patterns.begin() + index);
    song.PatternCount = static_cast<std::int32_t>(song.Patterns.size());
    // Its placements go with it, unless another pattern of the same name plays them: left
    // behind, a later pattern given that name would take them over unasked.
    if (FindPatternByName(song, name) < 0) {
        std::erase_if(song.Sequence,
                      [&name](const TSeqEntry& e) { return e.Name.view() == name.view(); });
    }
    if (index == song.CurrentPattern) {
        song.CurrentPattern = 0;
        if (song.PatternCount > 0) {
            LoadWorkingCopy(song, 0);
        }
    } else if (index < song.CurrentPattern) {
        // The working copy belongs to the pattern that moved down one place.
        --song.CurrentPattern;
    }
}

void FreePatterns(TSong& song)
{
    song.Patterns.clear();
    song.PatternCount = 0;
}

void LoadWorkingCopy(TSong& song, int index)
{
    const TPattern& p = song.pattern(index);
    song.Beats = p.Beats;
    song.Ticks = p.Ticks;
    song.Events = p.Events;
    song.Tracks = p.Tracks;
    song.Transpose = p.Transpose;
    song.CurrentPattern = index;
}

void StoreWorkingCopy(TSong& song, int index)
{
    TPattern& p = song.pattern(index);
    p.Beats = song.Beats;
    p.Ticks = song.Ticks;
    p.Events = song.Events;
    p.Tracks = song.Tracks;
    p.Transpose = song.Transpose;
}

int FindPatternByName(const TSong& song, const std::string& name)
{
    for (int i = song.PatternCount - 1; i >= 0; --i) {
        if (song.pattern(i).Name.view() == name) {
            return i;
        }
    }
    return -1;
}

int FindPatternByName(const TSong& song, const ShortString<20>& name)
{
    return FindPatternByName(song, name.str());
}

void ClearPatternEvents(TSong& song, int index)
{
    for (auto& row : song.pattern(index).Events) {
        for (auto& e : row) {
            ClearEvent(e);
        }
    }
}

void ResetEventPans(TSong& song, int index)
{
    for (auto& row : song.pattern(index).Events) {
        for (auto& e : row) {
            e.Pan = 0;
        }
    }
}

namespace {
bool validSlot(int t, int p)
{
    return t >= 0 && t < MaxTracks && p >= 0 && p < PatternSlots;
}
TNoteEvent& slot(TSong& song, int t, int p)
{
    return song.Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)];
}
} // namespace

void InsertEvent(TSong& song, int t, int p)
{
    if (!validSlot(t, p)) {
        return;
    }
    TNoteEvent& e = slot(song, t, p);
    e.Volume = std::clamp(song.DefaultVolume, 2, 10000);
    e.Pitch = 0;
    e.Pan = 0;
}

void DeleteEvent(TSong& song, int t, int p)
{
    if (!validSlot(t, p)) {
        return;
    }
    TNoteEvent& e = slot(song, t, p);
    e.Volume = 0;
    e.Selected = 0;
}

void ClearSelection(TSong& song)
{
    for (auto& row : song.Events) {
        for (auto& e : row) {
            e.Selected = 0;
        }
    }
}

void ClickSelect(TSong& song, int t, int p, bool additive)
{
    if (!validSlot(t, p) || slot(song, t, p).Volume <= 0) {
        ClearSelection(song);
        return;
    }
    TNoteEvent& e = slot(song, t, p);
    if (!additive) {
        ClearSelection(song);
        e.Selected = 1;
    } else {
        e.Selected = e.Selected == 1 ? 0 : 1;
    }
}

void ToggleSelectRect(TSong& song, int trackA, int trackB, int slotA, int slotB, bool additive)
{
    if (trackA > trackB) {
        std::swap(trackA, trackB);
    }
    if (slotA > slotB) {
        std::swap(slotA, slotB);
    }
    trackA = std::max(trackA, 0);
    // Callers stay inside the grid; clamp anyway so a stray rectangle cannot write outside it.
    trackB = std::min(trackB, MaxTracks - 1);
    slotA = std::max(slotA, 0);
    slotB = std::min(slotB, PatternSlots - 1);
    if (!additive) {
        ClearSelection(song);
    }
    for (int p = slotA; p <= slotB; ++p) {
        for (int t = trackA; t <= trackB; ++t) {
            TNoteEvent& e = slot(song, t, p);
            e.Selected = e.Selected == 1 ? 0 : 1;
        }
    }
}

void DeleteSelected(TSong& song)
{
    for (auto& row : song.Events) {
        for (auto& e : row) {
            if (e.Selected == 1) {
                e.Volume = 0;
                e.Selected = 0;
            }
        }
    }
}

void PasteEvents(TSong& song, const EventGrid& clip, int anchor, int target)
{
    for (int t = 0; t < MaxTracks; ++t) {
        for (int i = 0; i < PatternSlots; ++i) {
            const TNoteEvent& c = clip[static_cast<std::size_t>(t)][static_cast<std::size_t>(i)];
            if (c.Volume > 0 && c.Selected == 1) {
                const int d = i + target - anchor;
                if (d >= 0 && d <= SlotResolution) {
                    slot(song, t, d) = c;
                }
            }
        }
    }
}

void ChangeBeats(TSong& song, int newBeats)
{
    if (newBeats <= 0) {
        return;
    }
    auto grid = std::make_unique<EventGrid>(); // every field 0
    for (auto& row : *grid) {
        for (auto& e : row) {
            e = TNoteEvent{};
        }
    }
    const double ratio = static_cast<double>(song.Beats) / static_cast<double>(newBeats);
    for (int t = 0; t < MaxTracks; ++t) {
        for (int i = 0; i < PatternSlots; ++i) {
            const TNoteEvent& e = slot(song, t, i);
            if (e.Volume > 0) {
                // Nearest integer, halves to even (the default rounding mode).
                const long d = std::lrint(ratio * i);
                if (d >= 0 && d <= SlotResolution) {
                    (*grid)[static_cast<std::size_t>(t)][static_cast<std::size_t>(d)] = e;
                }
            }
        }
    }
    song.Events = *grid;
    song.Beats = newBeats;
}

void SetTranspose(TSong& song, int n)
{
    song.Transpose = n;
}

bool SetEventVolume(TSong& song, int t, int p, int volume)
{
    if (!validSlot(t, p)) {
        return false;
    }
    TNoteEvent& e = slot(song, t, p);
    if (e.Volume <= 0) {
        return false;
    }
    e.Volume = std::clamp(volume, 2, 10000);
    return true;
}

void SetHumanize(TSong& song, int timing, int volume)
{
    song.HumanizeTiming = std::clamp(timing, 0, MaxHumanizeTiming);
    song.HumanizeVolume = std::clamp(volume, 0, MaxHumanizeVolume);
}

void SetShuffle(TSong& song, int amount, int division)
{
    song.ShuffleAmount = amount;
    song.ShuffleDivision = division;
}

void SetStopPosition(TSong& song, int beat)
{
    song.StopPosition = beat;
}

std::vector<MissingSound> BindTrackSounds(TrackArray& tracks,
                                          int trackCount,
                                          const library::SoundLibrary& lib,
                                          bool clearAllStopTargets)
{
    std::vector<MissingSound> missing;
    const int n = std::clamp(trackCount, 0, MaxTracks);
    for (int t = 0; t < n; ++t) {
        TTrack& tr = tracks[static_cast<std::size_t>(t)];
        const int found = lib.FindSound(tr.SoundName.str());
        if (found >= 0) {
            tr.SoundIndex = found;
            continue;
        }
        if (!tr.SoundName.empty()) {
            missing.push_back(MissingSound{t, tr.SoundName.str()});
        }
        if (lib.incomplete()) {
            tr.SoundIndex = -1; // the sound may be in the part of the file that was not read
            continue;
        }
        tr.Enabled = 0;
        tr.SoundName.clear();
    }
    const int cleared = clearAllStopTargets ? MaxTracks : n;
    for (int t = 0; t < cleared; ++t) {
        tracks[static_cast<std::size_t>(t)].StopTargetIndex = -1;
    }
    for (int t = 0; t < n; ++t) {
        TTrack& tr = tracks[static_cast<std::size_t>(t)];
        if (tr.Enabled != 1 || !lib.validIndex(tr.SoundIndex)) {
            continue;
        }
        const auto& s = lib.at(tr.SoundIndex);
        if (s.Name.view() != tr.SoundName.view()) {
            continue;
        }
        for (int k = 0; k < lib.count(); ++k) {
            if (lib.at(k).Name.view() == s.StopTarget.view()) {
                tr.StopTargetIndex = k; // the last match wins
            }
        }
    }
    return missing;
}

std::string EscapeControlBytes(std::string_view latin1)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            out += "\\x";
            out += Hex[c >> 4];
            out += Hex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string MissingSoundText(const MissingSound& m)
{
    return "The sound \"" + m.name + "\" is not in the libary but in the track " +
           std::to_string(m.track + 1) + "!";
}

void ResolvePatternSounds(TSong& song, int index, const library::SoundLibrary& lib)
{
    BindTrackSounds(song.pattern(index).Tracks, song.TrackCount, lib, false);
}

int MoveSongPosition(TSong& song, int beat)
{
    const int clamped = std::clamp(beat, 0, MaxSongPosition);
    for (int i = 0; i < song.PatternCount; ++i) {
        SetPlayWindowFromSong(song, i, clamped);
    }
    return clamped;
}

namespace {
/// Whether the placement e of pattern p covers song beat; 64-bit so file values cannot overflow.
bool covers(const TSeqEntry& e, const TPattern& p, int beat)
{
    const std::int64_t q = e.Position;
    return q <= beat && beat < q + p.Beats;
}
} // namespace

void AddSeqEntry(TSong& song, int position, const std::string& name)
{
    TSeqEntry entry;
    entry.Reserved = 0;
    entry.Name.assign(name);
    entry.Position = position;
    entry.Color = 0xFF0000;
    auto& seq = song.Sequence;
    // Where the entry goes: at the end when it lies after the last entry; else after the last
    // entry at or before it, unless it lies at or before the first, which puts it in front.
    std::size_t at = 0;
    if (seq.empty() || seq.back().Position < position) {
        at = seq.size();
    } else if (seq.front().Position < position) {
        at = seq.size();
        while (at > 0 && seq[at - 1].Position > position) {
            --at;
        }
    }
    seq.push_back(entry);
    std::rotate(seq.begin() + static_cast<std::ptrdiff_t>(at), seq.end() - 1, seq.end());
}

void AddSeqEntries(TSong& song, const std::vector<SeqPlacement>& placements)
{
    // AddSeqEntry puts an entry in front of the whole list when its position is at or before
    // the first entry's (the smallest so far), and otherwise after the last entry at or before
    // it. So among entries of one position, those that went in front come first, latest first,
    // then the entries already there, then the others in the order they came.
    struct Keyed
    {
        std::int32_t position;
        int group; // 0 in front, 1 already there, 2 after
        std::int64_t order;
        TSeqEntry entry;
    };
    std::vector<Keyed> all;
    all.reserve(song.Sequence.size() + placements.size());
    for (std::size_t i = 0; i < song.Sequence.size(); ++i) {
        all.push_back(
            {song.Sequence[i].Position, 1, static_cast<std::int64_t>(i), song.Sequence[i]});
    }
    bool empty = song.Sequence.empty();
    std::int32_t smallest = empty ? 0 : song.Sequence.front().Position;
    std::int64_t k = 0;
    for (const auto& p : placements) {
        TSeqEntry e;
        e.Reserved = 0;
        e.Name.assign(p.name.view());
        e.Position = p.position;
        e.Color = 0xFF0000;
        if (empty || p.position <= smallest) {
            all.push_back({p.position, 0, -k, e});
            smallest = p.position;
            empty = false;
        } else {
            all.push_back({p.position, 2, k, e});
        }
        ++k;
    }
    std::sort(all.begin(), all.end(), [](const Keyed& a, const Keyed& b) {
        if (a.position != b.position) {
            return a.position < b.position;
        }
        if (a.group != b.group) {
            return a.group < b.group;
        }
        return a.order < b.order;
    });
    song.Sequence.clear();
    song.Sequence.reserve(all.size());
    for (const auto& a : all) {
        song.Sequence.push_back(a.entry);
    }
}

int SeqHitTest(const TSong& song, int patternIndex, int beat)
{
    const TPattern& p = song.pattern(patternIndex);
    for (const auto& e : song.Sequence) {
        if (!(e.Name == p.Name)) {
            continue;
        }
        // 64-bit, so positions read from a file near the int32 limits cannot overflow.
        const std::int64_t q = e.Position;
        const std::int64_t last = q + p.Beats - 1;
        if (beat == q) {
            return 1;
        }
        if (beat == last) {
            return 2;
        }
        if (q < beat && beat < last) {
            return 3;
        }
    }
    return 0;
}

void RemoveSeqEntryAt(TSong& song, int beat, int patternIndex)
{
    const TPattern& p = song.pattern(patternIndex);
    for (auto it = song.Sequence.begin(); it != song.Sequence.end(); ++it) {
        if (it->Name == p.Name && covers(*it, p, beat)) {
            song.Sequence.erase(it);
            return;
        }
    }
}

void SetPlayWindowFromSong(TSong& song, int patternIndex, int beat)
{
    TPattern& p = song.pattern(patternIndex);
    for (const auto& e : song.Sequence) {
        if (e.Name == p.Name && covers(e, p, beat)) {
            p.PlayActive = 1;
            p.PlayFrom = beat - e.Position;
            p.PlayTo = p.PlayFrom + 1;
            p.PlayPlaced = 1;
            p.PlayPlacement = e.Position;
            return;
        }
    }
    p.PlayActive = 0;
}

void SetPlayWindow(TSong& song, int patternIndex, int beat)
{
    for (auto& p : song.Patterns) {
        p->PlayActive = 0;
        p->PlayPlaced = 0;
    }
    TPattern& p = song.pattern(patternIndex);
    p.PlayActive = 1;
    p.PlayFrom = beat;
    p.PlayTo = beat + 1;
}

} // namespace bw::core
