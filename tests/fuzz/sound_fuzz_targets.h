#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bw::fuzz {

/// Opens bytes with TWAVSource. An open reader must start with its whole window, deliver only
/// bytes of its data chunk (the same bytes as the file holds there) and keep every position
/// inside its window; a failed open leaves it closed. Anything else aborts.
void checkWavFile(const std::uint8_t* data, std::size_t size);
/// Loads bytes as a sound file for import. A loaded sound has 1 to 441,000 samples; the
/// window's mouse rules keep the selection inside it, and ADD stores exactly the selection
/// into a library that saves and loads back.
void checkSampleFile(const std::uint8_t* data, std::size_t size);

/// Seed files: {file name, bytes}.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> wavSeeds();
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> sampleSeeds();

} // namespace bw::fuzz
