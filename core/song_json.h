#pragma once

#include "core/song.h"
#include "library/sound_library.h"

#include <string>

namespace bw::core {

/// The document as JSON for `beatwright-cli info`: field names as in the document, strings
/// decoded as Latin-1.
std::string SongToJson(const TSong& song, bool sequencerVisible);
/// The library as JSON: {"Sounds": [...]} in library order.
std::string LibraryToJson(const library::SoundLibrary& lib);
/// A JSON string literal of Latin-1 bytes.
std::string JsonString(std::string_view latin1);

} // namespace bw::core
