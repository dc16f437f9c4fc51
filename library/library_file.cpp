// The .slb file: no header; per sound the marker "***", an 84-byte record image and the
// sample bytes, until the end of the file.
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <unordered_set>

namespace bw::library {

namespace {
constexpr std::size_t RecordImageSize = 84;
}

std::vector<std::uint8_t> SoundLibrary::serialize() const
{
    std::vector<std::uint8_t> out;
    ByteWriter w(out);
    for (const auto& s : m_sounds) {
        w.text("***");
        w.bytes(s->Name.raw.data(), s->Name.raw.size());
        w.bytes(s->StopTarget.raw.data(), s->StopTarget.raw.size());
        w.zeros(2); // padding
        w.zeros(4); // a sound record's data pointer slot; meaningless in a file, written as 0
        w.i32(s->DataSize);
        w.i32(s->Flags);
        w.i32(s->StretchMul);
        w.i32(s->StretchDiv);
        const auto data = s->bytes();
        w.bytes(data.data(), data.size());
    }
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

void SoundLibrary::LoadSoundLibrary(const std::string& path)
{
    parse(readWholeFile(path, MaxLibraryFileBytes, "a sound library file"), path);
}

void SoundLibrary::SaveSoundLibrary(const std::string& path) const
{
    writeFileAtomically(path, serialize());
}

} // namespace bw::library
