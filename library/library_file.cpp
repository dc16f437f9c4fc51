// The .slb file: no header; per sound the marker "***", an 84-byte record image and the
// sample bytes, until the end of the file.
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <algorithm>
#include <unordered_set>

namespace bw::library {

namespace {

constexpr std::size_t RecordImageSize = 84;
constexpr std::size_t RecordBytes = 3 + RecordImageSize; // the marker and the record

/// Hands the file image of sounds to sink(data, size) in pieces of at most about 64 KiB, and
/// how far it has come to progress.
template <typename Sounds, typename Sink>
void encodeLibrary(const Sounds& sounds,
                   std::uint64_t total,
                   const ProgressFn& progress,
                   Sink&& sink)
{
    constexpr std::size_t Piece = 65536;
    std::vector<std::uint8_t> buffer;
    buffer.reserve(Piece + RecordBytes);
    std::uint64_t done = 0;
    const auto flush = [&] {
        sink(buffer.data(), buffer.size());
        done += buffer.size();
        buffer.clear();
        ReportProgress(progress,
                       total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
    };
    for (const auto& s : sounds) {
        ByteWriter w(buffer);
        w.text("***");
        w.bytes(s->Name.raw.data(), s->Name.raw.size());
        w.bytes(s->StopTarget.raw.data(), s->StopTarget.raw.size());
        w.zeros(2); // padding
        w.zeros(4); // a sound record's data pointer slot; meaningless in a file, written as 0
        w.i32(s->DataSize);
        w.i32(s->Flags);
        w.i32(s->StretchMul);
        w.i32(s->StretchDiv);
        // The samples as little-endian bytes; an odd size ends with the low byte.
        const SampleData& samples = *s->Data;
        const auto size = static_cast<std::size_t>(std::max(s->DataSize, 0));
        for (std::size_t i = 0; i < size; ++i) {
            const auto u = static_cast<std::uint16_t>(samples[i / 2]);
            buffer.push_back(static_cast<std::uint8_t>(i % 2 == 0 ? u : u >> 8));
            if (buffer.size() >= Piece) {
                flush();
            }
        }
    }
    if (!buffer.empty() || total == 0) {
        flush();
    }
}

} // namespace

std::string
LibraryTooLargeText(const std::string& path, std::uint64_t bytes, std::uint64_t maxBytes)
{
    return path + ": the sound library would take " + std::to_string(bytes) +
           " bytes, more than the " + std::to_string(maxBytes) + " bytes (" +
           std::to_string(maxBytes >> 20) +
           " MB) a sound library file may hold; the file is left as it was";
}

std::uint64_t SoundFileBytes(std::uint64_t dataBytes)
{
    return RecordBytes + dataBytes;
}

std::uint64_t SoundLibrary::fileBytes() const
{
    std::uint64_t total = 0;
    for (const auto& s : m_sounds) {
        total += SoundFileBytes(static_cast<std::uint64_t>(std::max(s->DataSize, 0)));
    }
    return total;
}

SoundLibrary SoundLibrary::snapshot() const
{
    SoundLibrary copy;
    copy.m_sounds.reserve(m_sounds.size());
    for (const auto& s : m_sounds) {
        copy.m_sounds.push_back(std::make_unique<TSoundRec>(*s));
    }
    return copy;
}

std::vector<std::uint8_t> SoundLibrary::serialize() const
{
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(fileBytes()));
    encodeLibrary(m_sounds, fileBytes(), {}, [&out](const std::uint8_t* data, std::size_t size) {
        out.insert(out.end(), data, data + size);
    });
    return out;
}

void SoundLibrary::parse(const std::vector<std::uint8_t>& bytes, const std::string& pathForMessages)
{
    // The names already taken, so that making each loaded name unique costs no walk over the
    // whole library (a file of 100000 sounds would otherwise take minutes).
    std::unordered_set<std::string> taken;
    taken.reserve(m_sounds.size() + bytes.size() / (3 + RecordImageSize));
    for (const auto& s : m_sounds) {
        taken.insert(s->Name.str());
    }
    ByteReader r(bytes);
    int record = 0;
    while (!r.atEnd()) {
        const std::size_t start = r.pos();
        try {
            r.skip(3); // marker, not examined
            const std::uint8_t* image = r.take(RecordImageSize);
            ByteReader img(image, RecordImageSize);
            ShortString<30> name;
            ShortString<30> stopTarget;
            img.read(name.raw.data(), name.raw.size());
            img.read(stopTarget.raw.data(), stopTarget.raw.size());
            img.skip(2 + 4);
            const std::int32_t dataSize = img.i32();
            const std::int32_t flags = img.i32();
            const std::int32_t stretchMul = img.i32();
            const std::int32_t stretchDiv = img.i32();
            if (dataSize < 0) {
                throw FileError(pathForMessages + ": sound " + std::to_string(record + 1) +
                                " at byte " + std::to_string(start) + " has a negative size (" +
                                std::to_string(dataSize) + ")");
            }
            const std::uint8_t* data = r.take(static_cast<std::size_t>(dataSize));
            const std::string unique = uniqueName(
                name.str(), [&taken](const std::string& n) { return taken.count(n) != 0; });
            const int added = appendSound(unique, stopTarget.str(), stretchDiv, stretchMul, flags,
                                          dataSize, data);
            taken.insert(at(added).Name.str());
        } catch (const ShortRead&) {
            throw FileError(pathForMessages + ": unexpected end of file in sound " +
                            std::to_string(record + 1) + " (starting at byte " +
                            std::to_string(start) + ")");
        }
        ++record;
    }
}

void SoundLibrary::LoadSoundLibrary(const std::string& path, std::uint64_t maxBytes)
{
    parse(readWholeFile(path, maxBytes, "a sound library file"), path);
}

void SoundLibrary::SaveSoundLibrary(const std::string& path,
                                    const ProgressFn& progress,
                                    std::uint64_t maxBytes) const
{
    const std::uint64_t total = fileBytes();
    if (total > maxBytes) {
        throw FileError(LibraryTooLargeText(path, total, maxBytes));
    }
    AtomicFileWriter file(path);
    encodeLibrary(m_sounds, total, progress,
                  [&file](const std::uint8_t* data, std::size_t size) { file.write(data, size); });
    file.commit();
}

} // namespace bw::library
