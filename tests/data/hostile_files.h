#pragma once

// Damaged and hostile song and library files: each one once hung, crashed, ran out of memory,
// lost a file or wrote a wrong one. The small ones are kept in tests/data/hostile (written by
// make_hostile_files); the large ones are generated when a test or benchmark needs them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bw::hostile {

using Bytes = std::vector<std::uint8_t>;

struct File
{
    std::string name;
    Bytes bytes;
};

/// Every small hostile file (well under 1 MB each), with the kit they are rendered with.
std::vector<File> smallFiles();

/// A pattern file whose "SEQ_V3" sequence holds entries placed at beat 0 one after the other,
/// each of which goes in front of all the others.
Bytes longSequenceFile(std::size_t entries);

/// A library of sounds of 0 bytes, each of its own name, so that checking each new name
/// against the library walks all of it.
Bytes distinctNameLibrary(std::size_t sounds);

} // namespace bw::hostile
