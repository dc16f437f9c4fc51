#pragma once

#include "core/song.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bw::core {

/// What the pattern file reader reports to its caller while it reads. Both may be empty.
struct PatternReadCallbacks
{
    /// The file holds "SEQVIS": show the sequencer lane.
    std::function<void()> showSequencer;
    /// An unknown tag was met; text is the warning to show ("Unknown parameter "...").
    std::function<void(const std::string& text)> warn;
};

/// The largest pattern file that is read (256 MiB): far above any real song, and a bound on
/// the memory a damaged or hostile file can ask for.
constexpr std::uint64_t MaxPatternFileBytes = std::uint64_t{256} << 20;

/// Reads a pattern file into a new document. Throws FileError (naming the file and the
/// problem) when the file cannot be used, also when it is not a regular file or larger than
/// MaxPatternFileBytes; the caller then keeps its own document. A pattern whose Beats or Ticks
/// lie outside 1..MaxBeats or 1..MaxTicks makes the file unreadable.
std::unique_ptr<TSong> ReadPatternFile(const std::string& fileName,
                                       const PatternReadCallbacks& callbacks = {});
/// The same on bytes already in memory (fileName only names them in messages).
std::unique_ptr<TSong> ParsePatternFile(const std::vector<std::uint8_t>& bytes,
                                        const std::string& fileName,
                                        const PatternReadCallbacks& callbacks = {});

/// Stores the working copy into the current pattern, then writes the document. The previous
/// file survives any failure (FileError is thrown).
void WritePatternFile(const std::string& fileName, TSong& song, bool sequencerVisible = false);
/// The file image of the document (the working copy is stored first).
std::vector<std::uint8_t> SerializePatternFile(TSong& song, bool sequencerVisible = false);

/// Sizes of the stored record images.
constexpr std::size_t NoteEventImageSize = 44;
constexpr std::size_t TrackImageSize = 348;
constexpr std::size_t PatternHeaderSize = 112;

} // namespace bw::core
