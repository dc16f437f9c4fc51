#pragma once

#include <cstddef>
#include <cstdint>

namespace bw::fuzz {

/// Reads bytes as a pattern file and, when it reads, renders it with a small fixed library
/// for a few blocks of the pattern and a few of the song, through the real engine. The run
/// must end on its own, within its blocks, and any failure must be the engine's own message;
/// anything else aborts, so the fuzzer reports it.
void checkRender(const std::uint8_t* data, std::size_t size);

} // namespace bw::fuzz
