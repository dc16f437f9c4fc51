#include "tests/fuzz/fuzz_targets.h"

#include "core/pattern_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace bw::fuzz {

namespace {

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

using Entry = std::tuple<std::int32_t, std::string>;

std::vector<Entry> sortedSequence(const core::TSong& song)
{
    std::vector<Entry> out;
    for (const auto& e : song.Sequence) {
        if (e.Position == -1) {
            continue; // not written: -1 closes the list in the file
        }
        out.emplace_back(e.Position, e.Name.str());
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

void checkPatternFile(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<core::TSong> song;
    try {
        song = core::ParsePatternFile(std::vector<std::uint8_t>(data, data + size), "fuzz.bwp");
    } catch (const FileError&) {
        return;
    }
    if (song->PatternCount < 1 || song->CurrentPattern != 0 || song->SelectedTrack != 0 ||
        song->TrackCount < 1 || song->TrackCount > core::MaxTracks) {
        broken("a document read from a file is not usable");
    }
    // The arrangement fields stay within what the editors make.
    if (song->LoopEnd > song->LoopStart &&
        (song->LoopStart < 0 || song->LoopEnd > core::MaxSongPosition + 1)) {
        broken("a loop range read from a file lies off the time line");
    }
    for (const auto& p : song->Patterns) {
        if (p->Color < 0 || p->Color >= core::PaletteSize) {
            broken("a pattern colour read from a file lies outside the palette");
        }
    }
    if ((song->SoloTracks >> core::MaxTracks) != 0) {
        broken("a solo mark read from a file names no track");
    }
    if (song->MidiChannel < 0 || song->MidiChannel > 16) {
        broken("a MIDI channel read from a file lies outside 0..16");
    }
    for (const std::int32_t note : song->TrackNotes) {
        if (note < -1 || note > 127) {
            broken("a learned note read from a file lies outside 0..127");
        }
    }
    const auto first = core::SerializePatternFile(*song);
    std::unique_ptr<core::TSong> again;
    try {
        again = core::ParsePatternFile(first, "again.bwp");
    } catch (const FileError&) {
        broken("a written pattern file does not read back");
    }
    const auto second = core::SerializePatternFile(*again);
    if (first.size() != second.size()) {
        broken("a written pattern file reads back to a different document");
    }
    // Entries placed at the same beat may change order on the way; everything else is exact.
    const std::size_t sequenceBytes = sortedSequence(*song).size() * 25 + 4;
    if (!std::equal(first.begin(), first.end() - static_cast<std::ptrdiff_t>(sequenceBytes),
                    second.begin()) ||
        sortedSequence(*song) != sortedSequence(*again)) {
        broken("a written pattern file reads back to a different document");
    }
}

void checkLibraryFile(const std::uint8_t* data, std::size_t size)
{
    library::SoundLibrary lib;
    try {
        lib.parse(std::vector<std::uint8_t>(data, data + size), "fuzz.slb");
    } catch (const FileError&) {
        // The sounds before the bad record stay and must still be usable.
    }
    const auto bytes = lib.serialize();
    library::SoundLibrary again;
    try {
        again.parse(bytes, "again.slb");
    } catch (const FileError&) {
        broken("a saved library does not load back");
    }
    if (again.count() != lib.count()) {
        broken("a saved library loads back with a different number of sounds");
    }
    for (int i = 0; i < lib.count(); ++i) {
        const auto& a = lib.at(i);
        const auto& b = again.at(i);
        if (a.DataSize < 0 || a.StopTarget.view() != b.StopTarget.view() ||
            a.DataSize != b.DataSize || a.Flags != b.Flags || a.StretchMul != b.StretchMul ||
            a.StretchDiv != b.StretchDiv || a.bytes() != b.bytes()) {
            broken("a saved sound loads back changed");
        }
    }
}

} // namespace bw::fuzz
