#include "core/arrangement.h"

#include <algorithm>

namespace bw::core {

std::int32_t PatternColorValue(const TPattern& p)
{
    const bool valid = p.Color >= 0 && p.Color < PaletteSize;
    return PatternPalette[static_cast<std::size_t>(valid ? p.Color : 0)];
}

namespace {

bool ValidEntry(const TSong& song, int entry)
{
    return entry >= 0 && static_cast<std::size_t>(entry) < song.Sequence.size();
}

/// Whether the beats q .. q + beats - 1 and r .. r + beats - 1 share a beat; 64-bit, so that
/// positions read from a file cannot overflow.
bool Overlap(std::int64_t q, std::int64_t r, std::int64_t beats)
{
    return q < r + beats && r < q + beats;
}

} // namespace

int FindSeqEntryAt(const TSong& song, int beat, int patternIndex)
{
    if (!song.validPattern(patternIndex)) {
        return -1;
    }
    const TPattern& p = song.pattern(patternIndex);
    for (std::size_t i = 0; i < song.Sequence.size(); ++i) {
        const TSeqEntry& e = song.Sequence[i];
        const std::int64_t q = e.Position;
        if (e.Name == p.Name && q <= beat && beat < q + p.Beats) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool PlacementFits(const TSong& song, int patternIndex, int position, int ignore)
{
    if (!song.validPattern(patternIndex) || position < 0 || position > MaxSongPosition) {
        return false;
    }
    const TPattern& p = song.pattern(patternIndex);
    const std::int64_t beats = std::max(p.Beats, 1);
    for (std::size_t i = 0; i < song.Sequence.size(); ++i) {
        const TSeqEntry& e = song.Sequence[i];
        if (static_cast<int>(i) != ignore && e.Name == p.Name &&
            Overlap(e.Position, position, beats)) {
            return false;
        }
    }
    return true;
}

bool MoveSeqEntry(TSong& song, int patternIndex, int entry, int position, bool copy)
{
    if (!ValidEntry(song, entry) ||
        !PlacementFits(song, patternIndex, position, copy ? -1 : entry)) {
        return false;
    }
    const std::string name = song.Sequence[static_cast<std::size_t>(entry)].Name.str();
    if (!copy) {
        DeleteSeqEntry(song, entry);
    }
    AddSeqEntry(song, position, name); // keeps the list sorted by position
    return true;
}

bool DuplicateSeqEntryAfter(TSong& song, int patternIndex, int entry)
{
    if (!ValidEntry(song, entry) || !song.validPattern(patternIndex)) {
        return false;
    }
    const std::int64_t after =
        static_cast<std::int64_t>(song.Sequence[static_cast<std::size_t>(entry)].Position) +
        std::max(song.pattern(patternIndex).Beats, 1);
    if (after > MaxSongPosition) {
        return false;
    }
    return MoveSeqEntry(song, patternIndex, entry, static_cast<int>(after), true);
}

void DeleteSeqEntry(TSong& song, int entry)
{
    if (ValidEntry(song, entry)) {
        song.Sequence.erase(song.Sequence.begin() + entry);
    }
}

void SetLoopRange(TSong& song, int a, int b)
{
    const int first = std::clamp(std::min(a, b), 0, MaxSongPosition);
    const int last = std::clamp(std::max(a, b), 0, MaxSongPosition);
    song.LoopStart = first;
    song.LoopEnd = last + 1;
}

void ClearLoopRange(TSong& song)
{
    song.LoopStart = 0;
    song.LoopEnd = 0;
    song.LoopOn = false;
}

SongSpan PlaybackSpan(const TSong& song)
{
    if (song.LoopOn && HasLoopRange(song)) {
        return {song.LoopStart, song.LoopEnd - 1, true};
    }
    return {0, song.StopPosition, false};
}

SongSpan ExportSpan(const TSong& song, std::int32_t from, std::int32_t to)
{
    if (from < 0) {
        return {0, song.StopPosition, false};
    }
    return {from, std::max(from, to - 1), false};
}

std::int32_t SpanStartBeat(const SongSpan& span, std::int32_t position)
{
    return position < span.first || position > span.last ? span.first : position;
}

std::int32_t SpanNextBeat(const SongSpan& span, std::int32_t beat)
{
    const std::int64_t next = static_cast<std::int64_t>(beat) + 1;
    if (span.loops && (next < span.first || next > span.last)) {
        return span.first;
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(next, MaxSongPosition + 1));
}

bool SpanEnded(const SongSpan& span, std::int32_t position)
{
    return !span.loops && position > span.last;
}

} // namespace bw::core
