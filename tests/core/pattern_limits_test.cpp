// What the pattern file reader refuses and how long it may take: pattern lengths outside what
// the program plays, files that are not regular files or are far too large, long sequences.
#include "core/pattern_file.h"
#include "library/binary_io.h"
#include "tests/core/bwp_builder.h"
#include "tests/data/hostile_files.h"
#include "tests/library/odd_files.h"
#include "tests/library/temp_folder.h"

#include <chrono>
#include <climits>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::FileError;
using bw::core::ParsePatternFile;
using bw::testing::BwpBuilder;

std::string readError(const BwpBuilder& b)
{
    try {
        ParsePatternFile(b.bytes(), "song.bwp");
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

BwpBuilder patternWith(std::int32_t beats, std::int32_t ticks)
{
    BwpBuilder b;
    b.pattern("A").tagInt("BEATS_", 4).pattern("B").tagInt("BEATS_", beats).tagInt("TICKS_", ticks);
    return b;
}

TEST(PatternLength, BeatsAndTicksOutsideWhatThePatternCanPlayMakeTheFileUnreadable)
{
    struct Case
    {
        std::int32_t beats;
        std::int32_t ticks;
        const char* expected;
    };
    for (const Case& c :
         {Case{0, 4, "pattern \"B\": 0 beats is outside 1..100"},
          Case{-4, 4, "-4 beats is outside 1..100"}, Case{101, 4, "101 beats is outside 1..100"},
          Case{100000, 4, "100000 beats"}, Case{INT_MAX, 4, "2147483647 beats"},
          Case{4, 0, "pattern \"B\": 0 ticks per beat is outside 1..256"},
          Case{4, 257, "257 ticks per beat"}, Case{4, INT_MIN, "-2147483648 ticks per beat"}}) {
        const std::string message = readError(patternWith(c.beats, c.ticks));
        EXPECT_NE(message.find("song.bwp: "), std::string::npos) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
    // The limits themselves read, and so does every pattern length the editors make.
    for (const auto& [beats, ticks] : {std::pair{1, 1}, std::pair{100, 256}, std::pair{16, 16}}) {
        const auto song = ParsePatternFile(patternWith(beats, ticks).bytes(), "song.bwp");
        EXPECT_EQ(song->pattern(1).Beats, beats);
        EXPECT_EQ(song->pattern(1).Ticks, ticks);
    }
}

TEST(PatternLength, TheSongLevelValuesCountOnlyWhereTheyBecomeAPattern)
{
    // The oldest layout: the song-level beats become pattern "0.", so they are checked.
    BwpBuilder old;
    old.tagInt("BEATS_", 0).tagInt("SCORE_", 0);
    EXPECT_NE(readError(old).find("pattern \"0.\": 0 beats"), std::string::npos);
    // Before the first pattern of a current file they are replaced by pattern 0 and read as
    // they always did.
    BwpBuilder current;
    current.tagInt("BEATS_", 0).tagInt("TICKS_", -1).pattern("A").tagInt("BEATS_", 8);
    const auto song = ParsePatternFile(current.bytes(), "song.bwp");
    EXPECT_EQ(song->Beats, 8);
    EXPECT_EQ(song->Ticks, 4);
}

TEST(PatternLength, ControlBytesOfTheNameAreEscapedInTheMessage)
{
    BwpBuilder b;
    b.pattern(std::string("\x1b[2J\0", 5)).tagInt("BEATS_", 0);
    EXPECT_NE(readError(b).find("pattern \"\\x1B[2J\\x00\": 0 beats"), std::string::npos)
        << readError(b);
}

double secondsToParse(const std::vector<std::uint8_t>& bytes, std::size_t& entries)
{
    const auto start = std::chrono::steady_clock::now();
    const auto song = ParsePatternFile(bytes, "long.bwp");
    entries = song->Sequence.size();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(PatternReadTime, SequenceOfAHundredThousandEntriesAtOneBeatReadsInLinearTime)
{
    // Each entry goes in front of all the others: 12.6 s when each one shifted the list.
    std::size_t entries = 0;
    const double seconds = secondsToParse(bw::hostile::longSequenceFile(100000), entries);
    EXPECT_EQ(entries, 100000U);
    EXPECT_LT(seconds, 5.0);
}

TEST(PatternReadTime, OldLayoutSequenceClearsEachPatternsPansOnce)
{
    // Relative positions: every entry names pattern "A", whose event pans are cleared.
    BwpBuilder b;
    b.pattern("A").tagInt("BEATS_", 4).tagInt("SCORE_", 1).event(0, 0, 5000, 0, 300);
    b.tag("SEQDAT");
    for (int i = 0; i < 100000; ++i) {
        b.i32(0).name("A");
    }
    b.i32(-1).pattern("B").tagInt("SCORE_", 1).event(0, 0, 5000, 0, 200);
    b.tag("SEQDAT").i32(0).name("B").i32(-1);
    const auto start = std::chrono::steady_clock::now();
    const auto song = ParsePatternFile(b.bytes(), "old.bwp");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    ASSERT_EQ(song->Sequence.size(), 100001U);
    EXPECT_EQ(song->Sequence[1].Position, 3);
    EXPECT_EQ(song->Sequence.back().Name.str(), "B");
    EXPECT_EQ(song->pattern(0).Events[0][0].Pan, 0);
    EXPECT_EQ(song->pattern(1).Events[0][0].Pan, 0);
}

// ---------------------------------------------------------------------------------------------
// Files that are no files.

std::string readFileError(const std::string& path)
{
    try {
        bw::core::ReadPatternFile(path);
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

TEST(PatternFileSource, DevicesAndFoldersAreRefused)
{
    bw::testing::TempFolder dir;
    EXPECT_NE(readFileError("/dev/zero").find("/dev/zero is a device"), std::string::npos)
        << readFileError("/dev/zero");
    EXPECT_NE(readFileError(dir.root().string()).find("is a folder"), std::string::npos);
}

TEST(PatternFileSource, APipeIsRefusedWithoutWaitingForAWriter)
{
    bw::testing::TempFolder dir;
    const std::string fifo = dir.path("song.bwp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string message = bw::testing::ReadFromUnwrittenPipe(fifo, readFileError);
    EXPECT_NE(message.find("is a pipe"), std::string::npos) << message;
}

TEST(PatternFileSource, AFileAboveTheSizeLimitIsRefusedUnread)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("huge.bwp");
    bw::testing::MakeSparseFile(path, (std::int64_t{256} << 20) + 1);
    EXPECT_NE(readFileError(path).find("is larger than 256 MB, the most a pattern file may hold"),
              std::string::npos)
        << readFileError(path);
}

} // namespace
