#pragma once

#include "core/song.h"

#include <string>
#include <string_view>

namespace bw::core {

// Track rows are the song's: every pattern has the same TrackCount rows, so adding, removing
// and moving a row acts on the working copy and on every pattern alike, with the row's name
// and solo mark.

/// Adds a track row at the end (TrackCount + 1, at most MaxTracks): no sound, no events, the
/// mixer's defaults, in every pattern. InstrumentCount grows with it, so that the file keeps
/// the new row's settings. False when every row is in use.
bool AddTrack(TSong& song);
/// Removes row t with its events in every pattern; the rows below move up. The last row
/// stays. False when t is not a row in use or it is the only one.
bool RemoveTrack(TSong& song, int t);
/// Moves row from to position to (both rows in use), the rows between moving over by one.
/// The current track follows the row it was on. False when nothing moves.
bool MoveTrack(TSong& song, int from, int to);

/// Sets the name row t shows instead of its sound's name (cut to TrackNameLength; empty
/// shows the sound's name again). The row's sound stays as it is.
void SetTrackName(TSong& song, int t, std::string_view name);
/// What the track list shows for row t of the working copy: its own name, else its sound's
/// name (empty when it has neither).
std::string TrackLabel(const TSong& song, int t);

/// Solo: while any row in use is soloed, only soloed rows sound.
bool TrackSoloed(const TSong& song, int t);
bool AnyTrackSoloed(const TSong& song);
void ToggleSolo(TSong& song, int t);
/// Whether track t (of the tracks of any pattern) is heard: it is switched on (Enabled, the
/// mute lamp) and, while any row is soloed, soloed itself. Mute wins over solo: a soloed row
/// that is muted stays silent. Used wherever playback and export decide what sounds.
bool TrackHeard(const TSong& song, const TTrack& track, int t);

/// The song of "New Empty Song": the defaults of InitSong, one empty 4-beat pattern named
/// "1" and nothing placed; its tracks have no sound.
void InitEmptySong(TSong& song);

} // namespace bw::core
