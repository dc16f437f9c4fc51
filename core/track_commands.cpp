#include "core/track_commands.h"

#include <algorithm>

namespace bw::core {

namespace {

bool RowInUse(const TSong& song, int t)
{
    return t >= 0 && t < std::min(song.TrackCount, MaxTracks);
}

std::uint32_t RowsMask(const TSong& song)
{
    const int rows = std::clamp(song.TrackCount, 0, MaxTracks);
    return rows >= 32 ? ~0U : (1U << static_cast<unsigned>(rows)) - 1U;
}

/// Runs f on the tracks and events of the working copy and of every pattern.
template <typename F> void ForEachGrid(TSong& song, F f)
{
    f(song.Tracks, song.Events);
    for (auto& p : song.Patterns) {
        f(p->Tracks, p->Events);
    }
}

void ClearRow(TrackArray& tracks, EventGrid& events, int t)
{
    const auto at = static_cast<std::size_t>(t);
    InitTrack(tracks[at]);
    for (auto& e : events[at]) {
        ClearEvent(e);
    }
}

/// Moves element from of a to position to, the ones between moving over by one.
template <typename A> void MoveElement(A& a, int from, int to)
{
    const auto f = a.begin() + from;
    const auto t = a.begin() + to;
    if (from < to) {
        std::rotate(f, f + 1, t + 1);
    } else {
        std::rotate(t, f, f + 1);
    }
}

/// The same on the bits of a mask.
std::uint32_t MoveBit(std::uint32_t mask, int from, int to)
{
    std::array<bool, MaxTracks> bits{};
    for (int t = 0; t < MaxTracks; ++t) {
        bits[static_cast<std::size_t>(t)] = ((mask >> static_cast<unsigned>(t)) & 1U) != 0;
    }
    MoveElement(bits, from, to);
    std::uint32_t out = 0;
    for (int t = 0; t < MaxTracks; ++t) {
        if (bits[static_cast<std::size_t>(t)]) {
            out |= 1U << static_cast<unsigned>(t);
        }
    }
    return out;
}

} // namespace

bool AddTrack(TSong& song)
{
    const int rows = std::clamp(song.TrackCount, 0, MaxTracks);
    if (rows >= MaxTracks) {
        return false;
    }
    // The slot may still hold a row removed earlier, or whatever a file left there.
    ForEachGrid(song,
                [rows](TrackArray& tracks, EventGrid& events) { ClearRow(tracks, events, rows); });
    song.TrackNames[static_cast<std::size_t>(rows)].clear();
    song.SoloTracks &= ~(1U << static_cast<unsigned>(rows));
    song.TrackNotes[static_cast<std::size_t>(rows)] = -1;
    song.TrackCount = rows + 1;
    song.InstrumentCount = std::max(song.InstrumentCount, song.TrackCount);
    return true;
}

bool RemoveTrack(TSong& song, int t)
{
    if (!RowInUse(song, t) || song.TrackCount <= 1) {
        return false;
    }
    // The row goes to the end of the slots and is cleared there.
    ForEachGrid(song, [t](TrackArray& tracks, EventGrid& events) {
        MoveElement(tracks, t, MaxTracks - 1);
        MoveElement(events, t, MaxTracks - 1);
        ClearRow(tracks, events, MaxTracks - 1);
    });
    MoveElement(song.TrackNames, t, MaxTracks - 1);
    song.TrackNames[MaxTracks - 1].clear();
    MoveElement(song.TrackNotes, t, MaxTracks - 1);
    song.TrackNotes[MaxTracks - 1] = -1;
    song.SoloTracks = MoveBit(song.SoloTracks, t, MaxTracks - 1) & ~(1U << (MaxTracks - 1));
    --song.TrackCount;
    if (song.SelectedTrack > t) {
        --song.SelectedTrack;
    }
    song.SelectedTrack = std::clamp(song.SelectedTrack, 0, song.TrackCount - 1);
    return true;
}

bool MoveTrack(TSong& song, int from, int to)
{
    if (!RowInUse(song, from) || !RowInUse(song, to) || from == to) {
        return false;
    }
    ForEachGrid(song, [from, to](TrackArray& tracks, EventGrid& events) {
        MoveElement(tracks, from, to);
        MoveElement(events, from, to);
    });
    MoveElement(song.TrackNames, from, to);
    MoveElement(song.TrackNotes, from, to);
    song.SoloTracks = MoveBit(song.SoloTracks, from, to);
    const int s = song.SelectedTrack;
    if (s == from) {
        song.SelectedTrack = to;
    } else if (from < to && s > from && s <= to) {
        --song.SelectedTrack;
    } else if (to < from && s >= to && s < from) {
        ++song.SelectedTrack;
    }
    return true;
}

void SetTrackName(TSong& song, int t, std::string_view name)
{
    if (t >= 0 && t < MaxTracks) {
        song.TrackNames[static_cast<std::size_t>(t)].assign(name);
    }
}

std::string TrackLabel(const TSong& song, int t)
{
    if (t < 0 || t >= MaxTracks) {
        return {};
    }
    const auto at = static_cast<std::size_t>(t);
    return song.TrackNames[at].empty() ? song.Tracks[at].SoundName.str()
                                       : song.TrackNames[at].str();
}

bool TrackSoloed(const TSong& song, int t)
{
    return t >= 0 && t < MaxTracks && ((song.SoloTracks >> static_cast<unsigned>(t)) & 1U) != 0;
}

bool AnyTrackSoloed(const TSong& song)
{
    return (song.SoloTracks & RowsMask(song)) != 0;
}

void ToggleSolo(TSong& song, int t)
{
    if (t >= 0 && t < MaxTracks) {
        song.SoloTracks ^= 1U << static_cast<unsigned>(t);
    }
}

bool TrackHeard(const TSong& song, const TTrack& track, int t)
{
    return track.Enabled == 1 && (!AnyTrackSoloed(song) || TrackSoloed(song, t));
}

void InitEmptySong(TSong& song)
{
    InitSong(song);
    const int k = AddPattern(song, "1");
    InitPattern(song, k);
    LoadWorkingCopy(song, k);
}

} // namespace bw::core
