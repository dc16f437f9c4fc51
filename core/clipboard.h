#pragma once

#include "core/song.h"

#include <string>

namespace bw::core {

/// Copies the working copy's whole event grid, marks included, into clip. Returns the anchor:
/// the first slot (slots 0..256 in order, tracks 0..30 within a slot) holding a mark, event
/// or not; -1 when nothing is marked (the clip then pastes nothing).
int CopyEvents(const TSong& song, EventGrid& clip);

/// Moves the clipboard's rows up by one: row t takes row t + 1 (t = 0..29); row 0's content
/// is lost and row 30 keeps its own.
void ShiftClipTracksUp(EventGrid& clip);
/// Moves the clipboard's rows down by one: row t takes row t - 1 (t = 30..1); row 30's
/// content is lost and row 0 keeps its own.
void ShiftClipTracksDown(EventGrid& clip);

/// The name a new pattern gets for the text typed: "-" for an empty text, and full stops
/// appended while a pattern of that name exists. Names are compared as stored (at most 20
/// characters); a long name gives up its last characters to the full stops, so two long
/// names never end up equal.
std::string UniquePatternName(const TSong& song, const std::string& typed);

} // namespace bw::core
