#include "tests/fuzz/sound_fuzz_targets.h"

#include "library/binary_io.h"
#include "library/sample_import.h"
#include "library/sample_loader.h"
#include "library/wav_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bw::fuzz {

namespace {

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

/// Reads the rest of the window in pieces: each read lowers remaining by what was asked (at
/// most what remained), delivers no more than that, and all of them together no more than
/// the data chunk holds.
void readRest(library::TWAVSource& wav)
{
    std::uint8_t piece[1024];
    std::int64_t total = 0;
    for (;;) {
        const std::int64_t before = wav.remaining();
        const std::int32_t n = wav.Read(piece, static_cast<std::int32_t>(sizeof piece));
        if (n < 0 || n > before ||
            wav.remaining() != before - std::min<std::int64_t>(before, sizeof piece)) {
            broken("Read delivered more than remained, or remaining is off");
        }
        total += n;
        if (total > wav.dataSize()) {
            broken("Read delivered more than the data chunk holds");
        }
        if (n == 0) {
            return;
        }
    }
}

} // namespace

void checkWavFile(const std::uint8_t* data, std::size_t size)
{
    library::TWAVSource wav("Fuzz");
    try {
        wav.OpenSource(library::memorySource(std::vector<std::uint8_t>(data, data + size)));
    } catch (const library::WavSourceError&) {
        if (wav.isOpen()) {
            broken("a failed open left the reader open");
        }
        return;
    }
    if (wav.StartPos() != 0 || wav.EndPos() != wav.Length() || wav.remaining() != wav.dataSize() ||
        wav.dataSize() < 0) {
        broken("an opened reader does not start with its whole window");
    }
    if (wav.FormatTag() != 1 && wav.FormatTag() != 2) {
        broken("an unknown format opened");
    }
    (void)wav.SamplesPerSec();
    (void)wav.BitsPerSample();
    (void)wav.Channels();

    // From the start, the bytes delivered are the file's bytes of the data chunk, in order.
    const auto dataOffset = static_cast<std::size_t>(wav.dataOffset());
    std::size_t expectAt = dataOffset;
    std::uint8_t piece[1024];
    for (;;) {
        const std::int32_t n = wav.Read(piece, static_cast<std::int32_t>(sizeof piece));
        if (n <= 0) {
            break;
        }
        const auto got = static_cast<std::size_t>(n);
        if (expectAt + got > size ||
            expectAt + got > dataOffset + static_cast<std::size_t>(wav.dataSize()) ||
            std::memcmp(piece, data + expectAt, got) != 0) {
            broken("Read delivered bytes that are not the data chunk's");
        }
        expectAt += got;
    }

    // Positions stay inside the window; reads after any move stay inside the data chunk.
    const std::int32_t length = wav.Length();
    const std::int32_t past = length > INT32_MAX - 100 ? INT32_MAX : length + 100;
    for (const std::int32_t ms : {-5, 0, length / 2, length, past}) {
        wav.setPosition(ms);
        (void)wav.Position();
        if (wav.remaining() < 0) {
            broken("negative remaining after a move");
        }
        readRest(wav);
    }
    if (length > 2) {
        wav.setStartPos(length / 3);
        wav.setEndPos(length / 2);
        wav.setPosition(0);
        readRest(wav);
    }
}

void checkSampleFile(const std::uint8_t* data, std::size_t size)
{
    library::LoadedSample loaded;
    try {
        loaded = library::LoadSampleBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.wav");
    } catch (const library::SampleLoadError&) {
        return;
    }
    const std::size_t n = loaded.samples ? loaded.samples->size() : 0;
    if (n == 0 || n > static_cast<std::size_t>(library::ImportMaxSamples) ||
        static_cast<std::size_t>(loaded.dataBytes / 2) != n) {
        broken("a loaded sound is empty, too long, or of another size than said");
    }

    library::SampleImport window;
    window.UseLoaded(loaded, "fuzz.wav");
    const auto inside = [&] {
        return window.StartPoint >= 0 && window.EndPoint >= 0 &&
               window.StartPoint <= window.sampleCount() && window.EndPoint <= window.sampleCount();
    };
    if (window.StartPoint != 0 || window.EndPoint != static_cast<std::int32_t>(n)) {
        broken("a load did not select all");
    }
    // Clicks at places taken from the file's own bytes, at a few zooms.
    for (std::size_t i = 0; i + 2 < std::min<std::size_t>(size, 64); i += 3) {
        if (data[i] % 7 == 0) {
            window.ZoomIn();
        } else if (data[i] % 7 == 1) {
            window.ZoomOut();
        }
        const int x = (data[i + 1] | (data[i + 2] << 8)) - 1000;
        window.MouseDown(
            data[i] % 2 == 0 ? library::MouseButton::Left : library::MouseButton::Right, x);
        if (!inside()) {
            broken("the mouse rules moved the selection outside the sound");
        }
        const auto span = window.visibleSamples(x < 0 ? 0 : x, 649);
        if (span.first < 0 || span.last >= static_cast<std::int32_t>(n)) {
            broken("visible samples outside the sound");
        }
    }

    library::SoundLibrary lib;
    const auto added = window.Add(lib, "fuzz", "");
    if (added.status != library::SampleImport::AddResult::Status::Added) {
        broken("ADD of a loaded sound did nothing");
    }
    const auto start = static_cast<std::size_t>(window.StartPoint);
    const auto end = static_cast<std::size_t>(std::max(window.StartPoint, window.EndPoint));
    const auto& stored = *lib.at(added.index).Data;
    if (stored.size() != end - start ||
        !std::equal(stored.begin(), stored.end(),
                    loaded.samples->begin() + static_cast<std::ptrdiff_t>(start))) {
        broken("ADD stored other samples than the selection");
    }
    library::SoundLibrary again;
    again.parse(lib.serialize(), "again.slb");
    if (again.count() != 1 || *again.at(0).Data != stored) {
        broken("an added sound does not save and load back");
    }
}

} // namespace bw::fuzz
