#pragma once

// The starter song that start-up and New load: twelve tracks on the default kit, a handful of
// patterns and a short arrangement.

#include "core/song.h"

#include <memory>
#include <string>
#include <vector>

namespace bw::tools {

/// The sound each of the twelve tracks plays, in track order.
const std::vector<std::string>& DefaultSongSounds();

/// The complete document, with pattern 0 in the working copy.
std::unique_ptr<core::TSong> BuildDefaultSong();

} // namespace bw::tools
