#pragma once

#include "core/song.h"

#include <array>
#include <cstdint>

namespace bw::core {

/// The colours of pattern placements, 0xBBGGRR; a pattern's Color indexes this list. None is
/// red, the colour that marks the song position on the lane.
inline constexpr std::array<std::int32_t, PaletteSize> PatternPalette{
    0xFF0000, // blue
    0x208020, // green
    0xA03080, // purple
    0x808010, // teal
    0x1070D0, // orange
    0x8020C0, // magenta
    0x008080, // olive
    0x305090, // brown
};

/// The colour a pattern takes at position index of the list (also a file's default).
inline std::int32_t DefaultPatternColor(int index)
{
    return index < 0 ? 0 : index % PaletteSize;
}

/// The 0xBBGGRR colour pattern p's placements are drawn in; a Color outside the palette (only
/// a changed document can hold one) takes the first.
std::int32_t PatternColorValue(const TPattern& p);

// Placements. An entry is an index into song.Sequence; patternIndex is the row whose pattern
// the entry places (its length is that pattern's Beats).

/// The entry of pattern patternIndex that covers beat (the first in list order), or -1.
int FindSeqEntryAt(const TSong& song, int beat, int patternIndex);
/// Whether pattern patternIndex may be placed at position: on the time line (0..
/// MaxSongPosition) and overlapping no placement of the same pattern other than entry ignore.
bool PlacementFits(const TSong& song, int patternIndex, int position, int ignore = -1);
/// Moves entry to position, or adds a copy of it there when copy is true. False, with nothing
/// changed, when the placement would not fit (PlacementFits) or entry is no entry.
bool MoveSeqEntry(TSong& song, int patternIndex, int entry, int position, bool copy);
/// Places the pattern again right after entry ends. False when it would not fit.
bool DuplicateSeqEntryAfter(TSong& song, int patternIndex, int entry);
/// Removes entry (nothing happens for an index outside the list).
void DeleteSeqEntry(TSong& song, int entry);

// The loop range and the part of the time line that plays.

/// Whether the song holds a loop range.
inline bool HasLoopRange(const TSong& song)
{
    return song.LoopEnd > song.LoopStart;
}
/// Sets the loop range to the beats a .. b (either order), kept on the time line.
void SetLoopRange(TSong& song, int a, int b);
/// Removes the loop range and switches the loop off.
void ClearLoopRange(TSong& song);

/// The beats song playback or a song export walks: first .. last; loops says that playback
/// goes back to first after last instead of ending.
struct SongSpan
{
    std::int32_t first = 0;
    std::int32_t last = 0;
    bool loops = false;
};
/// What song playback plays: the loop range while the loop is on and a range is set, else the
/// song from its start to the "Stop at" beat.
SongSpan PlaybackSpan(const TSong& song);
/// What a song export writes: beats from .. to - 1, or (from < 0) the song from its start to
/// the "Stop at" beat.
SongSpan ExportSpan(const TSong& song, std::int32_t from, std::int32_t to);
/// The beat playback starts at from the song position: the position itself when it lies in
/// the span, else the span's first beat.
std::int32_t SpanStartBeat(const SongSpan& span, std::int32_t position);
/// The beat that plays after beat: the next one, or inside a looping span its first beat
/// once beat + 1 lies outside it.
std::int32_t SpanNextBeat(const SongSpan& span, std::int32_t beat);
/// Whether playback that reached position has passed the span's end (a loop never does).
bool SpanEnded(const SongSpan& span, std::int32_t position);

} // namespace bw::core
