// The library writer's round trip: a library built by a script of edits from the fuzzer's
// bytes is written with a size limit near its size, read back, and merged.
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/library_edits.h"
#include "library/library_store.h"
#include "library/sound_library.h"
#include "tests/fuzz/fuzz_targets.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace bw::fuzz {

namespace {

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

/// Reads the script; past its end every value is 0.
class Script
{
public:
    Script(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::int32_t i32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        }
        return static_cast<std::int32_t>(v);
    }
    /// Up to 40 bytes of any value: control bytes and names past 30 characters included.
    std::string text()
    {
        std::string out(byte() % 41, '\0');
        for (char& c : out) {
            c = static_cast<char>(byte());
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

bool sameSound(const library::TSoundRec& a, const library::TSoundRec& b)
{
    return a.StopTarget.view() == b.StopTarget.view() && a.DataSize == b.DataSize &&
           a.Flags == b.Flags && a.StretchMul == b.StretchMul && a.StretchDiv == b.StretchDiv &&
           a.bytes() == b.bytes();
}

/// Applies one edit of the script to lib.
void edit(library::SoundLibrary& lib, Script& s)
{
    const int index = lib.count() == 0 ? -1 : static_cast<int>(s.byte()) % lib.count();
    switch (s.byte() % 5) {
    case 0:
    case 1: {
        const std::string name = s.text();
        const std::string stop = s.text();
        const std::int32_t div = s.i32();
        const std::int32_t mul = s.i32();
        const std::int32_t flags = s.i32();
        // Sizes from -128 to 4095 bytes, odd ones and negative ones included.
        const std::int32_t size = static_cast<std::int8_t>(s.byte()) * 32 + s.byte() % 32;
        std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max(size, 0)));
        for (auto& b : data) {
            b = s.byte();
        }
        lib.AddSound(name, stop, div, mul, flags, size, data.data());
        break;
    }
    case 2:
        if (index >= 0) {
            lib.DeleteSound(index);
        }
        break;
    case 3:
        library::SetStretchEnabled(lib, index, s.byte() % 2 == 0);
        library::SetStretchDiv(lib, index, std::to_string(s.i32()));
        break;
    default:
        library::SetStopTarget(lib, index, s.text());
        break;
    }
}

std::string scratchFile()
{
    return (std::filesystem::temp_directory_path() /
            ("bw-fuzz-writer-" + std::to_string(::getpid()) + ".slb"))
        .string();
}

} // namespace

void checkLibraryWriter(const std::uint8_t* data, std::size_t size)
{
    Script script(data, size);
    library::SoundLibrary base;
    for (int i = 0; i < 4 && !script.atEnd(); ++i) {
        edit(base, script);
    }
    library::SoundLibrary mine = base.snapshot();
    library::SoundLibrary theirs = base.snapshot();
    for (int i = 0; i < 6 && !script.atEnd(); ++i) {
        edit(mine, script);
        edit(theirs, script);
    }

    // The size the writer checks is the size it writes; a limit below it is refused before
    // anything is touched, one at or above it writes exactly the file image.
    const std::uint64_t total = mine.fileBytes();
    if (mine.serialize().size() != total) {
        broken("fileBytes differs from the size of the file image");
    }
    const std::uint64_t limit =
        total + static_cast<std::uint64_t>(script.byte() % 5) - std::min<std::uint64_t>(total, 2);
    const std::string path = scratchFile();
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    writeFileAtomically(path, old);
    try {
        mine.SaveSoundLibrary(path, {}, limit);
        if (total > limit) {
            broken("the writer wrote a library past its limit");
        }
    } catch (const FileError&) {
        if (total <= limit) {
            broken("the writer refused a library within its limit");
        }
        if (readWholeFile(path) != old) {
            broken("a refused write changed the file");
        }
        std::filesystem::remove(path);
        return;
    }
    if (readWholeFile(path) != mine.serialize()) {
        broken("the file written is not the library's file image");
    }
    library::SoundLibrary back;
    try {
        back.LoadSoundLibrary(path, limit);
    } catch (const FileError&) {
        broken("a library the writer wrote does not read back within the same limit");
    }
    std::filesystem::remove(path);
    if (back.count() != mine.count()) {
        broken("a written library reads back with another number of sounds");
    }
    for (int i = 0; i < mine.count(); ++i) {
        if (!sameSound(mine.at(i), back.at(i))) {
            broken("a written sound reads back changed");
        }
    }

    // Merging: with no change here the result is theirs; with no change there it holds every
    // sound of mine.
    const library::SoundLibrary same = library::MergeLibraries(base, base, theirs);
    if (same.count() != theirs.count()) {
        broken("a merge without changes of mine is not theirs");
    }
    for (int i = 0; i < same.count(); ++i) {
        if (!sameSound(same.at(i), theirs.at(i)) ||
            same.at(i).Name.view() != theirs.at(i).Name.view()) {
            broken("a merge without changes of mine is not theirs");
        }
    }
    const library::SoundLibrary merged = library::MergeLibraries(base, mine, base);
    for (int i = 0; i < mine.count(); ++i) {
        const int found = merged.FindSound(mine.at(i).Name.str());
        if (found < 0 && mine.FindSound(mine.at(i).Name.str()) == i) {
            broken("a merge lost a sound of mine");
        }
    }
}

Seeds libraryWriterSeeds()
{
    Seeds seeds;
    // Three sounds added (one with a long name holding control bytes, one of an odd size),
    // then edits of both sides.
    std::vector<std::uint8_t> script;
    ByteWriter w(script);
    const auto add = [&w](const std::string& name, std::int8_t sizeHigh, std::uint8_t sizeLow) {
        w.u8(0);
        w.u8(0);
        w.u8(static_cast<std::uint8_t>(name.size()));
        w.bytes(name.data(), name.size());
        w.u8(0); // no stop target
        w.i32(1);
        w.i32(2);
        w.i32(1);
        w.u8(static_cast<std::uint8_t>(sizeHigh));
        w.u8(sizeLow);
        w.zeros(static_cast<std::size_t>(std::max(0, sizeHigh * 32 + sizeLow % 32)));
    };
    add("Kick", 1, 3);
    add("A very long name\x1B]0;x\a of more than thirty", 0, 7);
    add("Snare", -1, 0);
    w.u8(1);
    w.u8(2); // delete here
    w.u8(0);
    w.u8(3); // stretch there
    w.u8(0);
    w.i32(4);
    seeds.emplace_back("edits.bin", script);
    seeds.emplace_back("empty.bin", std::vector<std::uint8_t>{});
    return seeds;
}

} // namespace bw::fuzz
