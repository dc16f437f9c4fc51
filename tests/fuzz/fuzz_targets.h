#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bw::fuzz {

/// Reads bytes as a pattern file. A file that is read must write back into a file that reads
/// again to the same document; anything else aborts, so the fuzzer reports it.
void checkPatternFile(const std::uint8_t* data, std::size_t size);
/// Reads bytes as a sound library file; the sounds read must save and load back unchanged.
void checkLibraryFile(const std::uint8_t* data, std::size_t size);

/// Small valid and near-valid files that start the fuzzers off: {file name, bytes}.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> patternSeeds();
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> librarySeeds();

} // namespace bw::fuzz
