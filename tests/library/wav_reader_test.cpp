#include "library/atomic_file.h"
#include "library/riff_reader.h"
#include "library/wav_reader.h"
#include "tests/library/temp_folder.h"
#include "tests/library/wav_builder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::library::fourCC;
using bw::library::RiffChunk;
using bw::library::RiffReader;
using bw::library::TWAVSource;
using bw::library::WavSourceError;
using bw::testing::TempFolder;
using bw::testing::WavBuilder;

std::vector<std::uint8_t> ramp(std::size_t n)
{
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 7);
    }
    return out;
}

std::string openFailure(TWAVSource& wav)
{
    try {
        wav.Open();
    } catch (const WavSourceError& e) {
        EXPECT_FALSE(wav.isOpen());
        return e.what();
    }
    return "(opened)";
}

/// Writes bytes to a file in dir and returns a reader set to it.
std::string put(const TempFolder& dir, const std::string& name, const std::vector<std::uint8_t>& b)
{
    const std::string path = dir.path(name);
    bw::writeFileAtomically(path, b);
    return path;
}

// ---------------------------------------------------------------------------------------------
// The chunk walker.

TEST(RiffReader, WalksNestedChunksAndStaysInsideTheFile)
{
    const auto bytes = WavBuilder().list("abc").chunk("odd ", {1, 2, 3}).data({9, 8}).bytes();
    RiffReader r(bw::library::memorySource(bytes));
    RiffChunk riff;
    ASSERT_TRUE(r.descendTo(riff, fourCC("RIFF"), fourCC("WAVE")));
    EXPECT_EQ(riff.dataOffset, 8);
    EXPECT_EQ(r.tell(), 12);

    RiffChunk list;
    ASSERT_TRUE(r.descend(list, &riff));
    EXPECT_EQ(list.id, fourCC("LIST"));
    EXPECT_EQ(list.formType, fourCC("INFO"));
    RiffChunk inner;
    ASSERT_TRUE(r.descend(inner, &list));
    EXPECT_EQ(inner.id, fourCC("ISFT"));
    r.ascend(inner);
    EXPECT_FALSE(r.descend(inner, &list)); // the list holds nothing more
    r.ascend(list);

    RiffChunk data;
    ASSERT_TRUE(r.descendTo(data, fourCC("data"), 0, &riff)); // skips "odd " and its pad byte
    std::uint8_t got[4] = {};
    EXPECT_EQ(r.read(got, sizeof got), 2U); // the file ends after the data
    EXPECT_EQ(got[0], 9);
    r.ascend(data);
    EXPECT_FALSE(r.descend(data, &riff));
    EXPECT_FALSE(r.seek(-1));
    EXPECT_TRUE(r.seek(1 << 30));
    EXPECT_EQ(r.read(got, sizeof got), 0U);

    // A header cut by the end of the file is no chunk.
    RiffReader cut(bw::library::memorySource({'R', 'I', 'F', 'F', 4, 0}));
    EXPECT_FALSE(cut.descend(riff));
    EXPECT_EQ(cut.tell(), 0);
}

// ---------------------------------------------------------------------------------------------
// Opening and the worked cases.

TEST(WavSource, OneSecondOfMonoSixteenBit)
{
    TempFolder dir;
    const auto data = ramp(88200);
    TWAVSource wav;
    wav.FileName =
        put(dir, "a.wav", WavBuilder().fmt(1, 1, 44100, 16).list("x").data(data).bytes());
    wav.Open();
    EXPECT_EQ(wav.sampleCount(), 44100);
    EXPECT_EQ(wav.Length(), 1000);
    EXPECT_EQ(wav.StartPos(), 0);
    EXPECT_EQ(wav.EndPos(), 1000);
    EXPECT_EQ(wav.remaining(), 88200);
    EXPECT_EQ(wav.SamplesPerSec(), 44100);
    EXPECT_EQ(wav.BitsPerSample(), 16);
    EXPECT_EQ(wav.Channels(), 1);
    EXPECT_EQ(wav.Position(), 0);

    // Read in pieces: every byte of the data chunk once, then nothing.
    std::vector<std::uint8_t> all;
    std::vector<std::uint8_t> piece(4096);
    std::int32_t n = 0;
    while ((n = wav.Read(piece.data(), 4096)) > 0) {
        all.insert(all.end(), piece.begin(), piece.begin() + n);
    }
    EXPECT_EQ(all, data);
    EXPECT_EQ(wav.remaining(), 0);
    EXPECT_EQ(wav.Position(), 1000);
}

TEST(WavSource, DataBeforeFormatHasNoFormat)
{
    TempFolder dir;
    TWAVSource wav;
    wav.FileName =
        put(dir, "good.wav", bw::testing::canonicalWav(std::vector<std::int16_t>(44100)));
    wav.Open();
    const std::string bad =
        put(dir, "bad.wav", WavBuilder().data(ramp(100)).fmt(1, 1, 44100, 16).bytes());
    wav.FileName = bad;
    EXPECT_EQ(openFailure(wav), "Kein \"fmt \"-Chunk: " + bad);
    // A failed open keeps the times of the last good one.
    EXPECT_EQ(wav.Length(), 1000);
    EXPECT_EQ(wav.EndPos(), 1000);
}

TEST(WavSource, PositionIsClampedIntoTheWindow)
{
    TempFolder dir;
    TWAVSource wav;
    // A chunk after the data: the window's last millisecond must not read into it.
    wav.FileName =
        put(dir, "a.wav", WavBuilder().fmt(1, 1, 44100, 16).data(ramp(88200)).list("tail").bytes());
    wav.Open();
    wav.setPosition(-5);
    EXPECT_EQ(wav.Position(), 0);
    EXPECT_EQ(wav.remaining(), 88288); // bytes for 1001 ms

    wav.setPosition(wav.EndPos() + 100);
    EXPECT_EQ(wav.Position(), 1000);
    EXPECT_EQ(wav.remaining(), 88); // bytes for 1 ms
    std::vector<std::uint8_t> buf(4096);
    EXPECT_EQ(wav.Read(buf.data(), 4096), 0);
    EXPECT_EQ(wav.remaining(), 0);

    wav.setStartPos(500);
    EXPECT_EQ(wav.Position(), 500);
    wav.setEndPos(600);
    wav.setPosition(550);
    EXPECT_EQ(wav.remaining(), 4498); // 51 ms: 4498.2 bytes, rounded, whole 2-byte frames
    wav.setPosition(100);
    EXPECT_EQ(wav.Position(), 500);
    EXPECT_EQ(wav.Read(buf.data(), 1000), 1000);
    EXPECT_EQ(buf[0], static_cast<std::uint8_t>(44100 * 7));

    wav.setPosition(1000);
    EXPECT_EQ(wav.remaining(), 88); // clamped to EndPos 600: 1 ms
    wav.setPosition(600);
    EXPECT_EQ(wav.Read(buf.data(), 1000), 88);
}

TEST(WavSource, PositionsFallOnWholeFrames)
{
    // 24-bit stereo: 6-byte frames.
    const auto bytes = WavBuilder().fmt(1, 2, 44100, 24).data(ramp(6 * 4410)).bytes();
    TWAVSource wav;
    wav.OpenSource(bw::library::memorySource(bytes));
    EXPECT_EQ(wav.sampleCount(), 4410);
    EXPECT_EQ(wav.Length(), 50); // 100 ms of frames, divided by the channels once more
    wav.setPosition(7);          // 1852.2 bytes
    EXPECT_EQ((wav.remaining()) % 6, 0);
    EXPECT_EQ((wav.Position()), 7);
    std::uint8_t b[6];
    EXPECT_EQ(wav.Read(b, 6), 6);
    EXPECT_EQ(b[0], static_cast<std::uint8_t>(1848 * 7));
}

TEST(WavSource, FormatWithoutDataAndTheFactChunk)
{
    TWAVSource wav;
    wav.OpenSource(bw::library::memorySource(WavBuilder().fmt(1, 1, 8000, 8).bytes()));
    EXPECT_EQ(wav.dataSize(), 0);
    EXPECT_EQ(wav.Length(), 0);
    std::uint8_t b[16];
    EXPECT_EQ(wav.Read(b, 16), 0);

    const std::vector<std::uint8_t> fact{0x10, 0x27, 0, 0}; // 10000
    // ADPCM: the fact chunk after the format gives the frames; a later fmt is skipped.
    wav.OpenSource(bw::library::memorySource(WavBuilder()
                                                 .fmt(2, 1, 22050, 4, 256, 11155)
                                                 .fmt(1, 2, 8000, 16)
                                                 .chunk("fact", fact)
                                                 .data(ramp(5000))
                                                 .bytes()));
    EXPECT_EQ(wav.FormatTag(), 2);
    EXPECT_EQ(wav.Channels(), 1);
    EXPECT_EQ(wav.sampleCount(), 10000);
    EXPECT_EQ(wav.Length(), 454); // 10000 frames at 22050 Hz

    // Before the format (tag still 0), and in a PCM file, the fact chunk is ignored.
    wav.OpenSource(bw::library::memorySource(
        WavBuilder().chunk("fact", fact).fmt(2, 1, 22050, 4, 256, 11155).data(ramp(10)).bytes()));
    EXPECT_EQ(wav.sampleCount(), 0);
    wav.OpenSource(bw::library::memorySource(
        WavBuilder().fmt(1, 1, 8000, 8).chunk("fact", fact).data(ramp(10)).bytes()));
    EXPECT_EQ(wav.sampleCount(), 10);
}

TEST(WavSource, FailuresNameTheFile)
{
    TempFolder dir;
    TWAVSource wav;
    const auto fails = [&](const std::vector<std::uint8_t>& bytes) {
        wav.FileName = put(dir, "f.wav", bytes);
        return openFailure(wav);
    };
    const std::string f = dir.path("f.wav");

    wav.FileName = dir.path("none.wav");
    EXPECT_EQ(openFailure(wav), "Datei " + dir.path("none.wav") + " nicht gefunden.");
    wav.FileName = "";
    EXPECT_EQ(openFailure(wav), "Datei  nicht gefunden.");
    wav.FileName = dir.root().string();
    EXPECT_EQ(openFailure(wav), "Datei " + dir.root().string() + " nicht gefunden.");

    EXPECT_EQ(fails({'R', 'I', 'F', 'X'}), "WAVE-Chunk nicht gefunden: " + f);
    auto riff = WavBuilder().fmt(1, 1, 44100, 16).data(ramp(10)).bytes();
    riff[8] = 'A'; // "AAVE"
    EXPECT_EQ(fails(riff), "WAVE-Chunk nicht gefunden: " + f);
    EXPECT_EQ(fails(WavBuilder().fmt(1, 1, 44100, 16).data(ramp(100)).bytes(40)),
              "Chunk-Größen stimmen nicht: " + f);
    EXPECT_EQ(fails(WavBuilder().chunk("fmt ", ramp(52)).bytes()),
              "ADPCM, unerwartete Koeffizientenzahl: " + f);
    auto cutFmt = WavBuilder().chunk("fmt ", ramp(16), 40).bytes(400);
    EXPECT_EQ(fails(cutFmt), "Fehler beim Lesen des \"fmt \"-Chunks: " + f);
    EXPECT_EQ(fails(WavBuilder().fmt(3, 1, 44100, 32).data(ramp(8)).bytes()),
              "\"fmt \"-Chunk vorhanden, aber Format unbekannt: " + f);
    // No rate, or fewer bytes per second than frames: no playing time can be computed.
    EXPECT_EQ(fails(WavBuilder().fmt(1, 1, 0, 16).data(ramp(8)).bytes()),
              "\"fmt \"-Chunk vorhanden, aber Format unbekannt: " + f);
    EXPECT_EQ(fails(WavBuilder().fmt(1, 1, 44100, 16, 2, 100).data(ramp(8)).bytes()),
              "\"fmt \"-Chunk vorhanden, aber Format unbekannt: " + f);
    EXPECT_EQ(fails(WavBuilder().list("x").bytes()), "Kein \"fmt \"-Chunk: " + f);
}

TEST(WavSource, AccessorsNeedAnOpenFile)
{
    const auto message = [](auto&& call) {
        try {
            call();
        } catch (const WavSourceError& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    TWAVSource unnamed;
    EXPECT_EQ(message([&] { (void)unnamed.Channels(); }),
              "TWAVSource.Channels: Keine Datei geöffnet");
    TWAVSource demo("WAVSource1");
    demo.OpenSource(bw::library::memorySource(bw::testing::canonicalWav({1, 2})));
    demo.Close();
    EXPECT_EQ(message([&] { demo.setPosition(1); }),
              "WAVSource1.SetPosition: Keine Datei geöffnet");
    EXPECT_EQ(demo.Length(), 0); // plain fields read without a check
    std::uint8_t b[4];
    EXPECT_EQ(demo.Read(b, 4), -1);
}

} // namespace
