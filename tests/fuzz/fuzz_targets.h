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

/// Builds a library by a script of edits read from the bytes (sounds of any name, size and
/// fields added, deleted, stretched, given stop targets) on three copies of it: the file as
/// read, mine and theirs. Mine must write exactly its file image with a size limit at or above
/// its size, be refused without the file changing below it, and read back unchanged within
/// the same limit; merging with no change on one side must give the other side's sounds.
void checkLibraryWriter(const std::uint8_t* data, std::size_t size);

using Seeds = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

/// Small valid and near-valid files that start the fuzzers off: {file name, bytes}.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> patternSeeds();
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> librarySeeds();
/// Edit scripts for checkLibraryWriter.
Seeds libraryWriterSeeds();

} // namespace bw::fuzz
