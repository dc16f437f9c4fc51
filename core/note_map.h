#pragma once

#include "core/song.h"

#include <cstdint>
#include <string_view>

namespace bw::core {

/// The MIDI note that plays a track and that the track's events carry in a MIDI file.

/// The General MIDI drum note a sound of this name plays ("Kick Deep" 36, "Closed Hat" 42,
/// "Low Tom" 41, ...), or -1 when no word of the name fits. Case does not matter.
int GmDrumNote(std::string_view soundName);

/// The note of track t when none was learned: the General MIDI note of its sound's name where
/// one fits, else 36 upward by track (36 + t, at most 127).
int DefaultTrackNote(const TTrack& track, int t);

/// The note of track t (of the tracks given, those of the pattern that plays): the learned
/// one of the song's map, else DefaultTrackNote.
int TrackNote(const TSong& song, const TTrack& track, int t);

/// Whether the map differs from the defaults: a learned note or a chosen channel.
bool HasOwnNoteMap(const TSong& song);

/// The track (below TrackCount) of the working copy that note plays: the first that learned
/// it, else the first whose default it is; -1 for none.
int TrackOfNote(const TSong& song, int note);

} // namespace bw::core
