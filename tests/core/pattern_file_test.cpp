#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "tests/core/bwp_builder.h"
#include "tests/library/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::FileError;
using bw::core::ParsePatternFile;
using bw::core::PatternReadCallbacks;
using bw::core::TSong;
using bw::testing::BwpBuilder;
using bw::testing::trackNamed;

std::unique_ptr<TSong> parse(const BwpBuilder& b,
                             std::vector<std::string>* warnings = nullptr,
                             bool* sequencerShown = nullptr)
{
    PatternReadCallbacks cb;
    cb.warn = [warnings](const std::string& text) {
        if (warnings != nullptr) {
            warnings->push_back(text);
        }
    };
    cb.showSequencer = [sequencerShown] {
        if (sequencerShown != nullptr) {
            *sequencerShown = true;
        }
    };
    return ParsePatternFile(b.bytes(), "song.bwp", cb);
}

/// The message of the FileError that reading b raises ("" when it reads).
std::string readError(const BwpBuilder& b)
{
    try {
        parse(b);
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be used: FileError naming the file and the problem, no document.

TEST(PatternFileUnreadable, WrongMagic)
{
    BwpBuilder b("RIFF");
    b.pattern("A");
    EXPECT_EQ(readError(b), "song.bwp is not a Beatwright pattern file.");
    EXPECT_EQ(readError(BwpBuilder("BWP")), "song.bwp is not a Beatwright pattern file.");
}

TEST(PatternFileUnreadable, EmptyOrShortHeader)
{
    EXPECT_THROW(ParsePatternFile({}, "song.bwp"), FileError);
    EXPECT_EQ(readError(BwpBuilder("")), "song.bwp is not a Beatwright pattern file.");
    std::vector<std::uint8_t> cut = BwpBuilder().bytes();
    cut.resize(50);
    EXPECT_THROW(ParsePatternFile(cut, "song.bwp"), FileError);
}

struct BadValue
{
    const char* label;
    BwpBuilder file;
    const char* expected; // part of the message
};

class PatternFileBadValue : public ::testing::TestWithParam<BadValue>
{
};

TEST_P(PatternFileBadValue, IsUnreadable)
{
    const std::string message = readError(GetParam().file);
    EXPECT_NE(message.find("song.bwp"), std::string::npos) << message;
    EXPECT_NE(message.find(GetParam().expected), std::string::npos) << message;
}

BwpBuilder withPattern()
{
    BwpBuilder b;
    b.pattern("A");
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    PatternFileBadValue,
    ::testing::Values(
        BadValue{"Tracks0", BwpBuilder().tagInt("TRACKS", 0), "track count 0"},
        BadValue{"Tracks32", BwpBuilder().tagInt("TRACKS", 32), "track count 32"},
        BadValue{"TracksNegative", BwpBuilder().tagInt("TRACKS", -1), "track count -1"},
        BadValue{"Instru32", withPattern().tagInt("INSTRU", 32), "instrument count 32"},
        BadValue{"InstruNegative", withPattern().tagInt("INSTRU", -1), "instrument count -1"},
        BadValue{"ScoreNegative", withPattern().tagInt("SCORE_", -1), "event count -1"},
        BadValue{"Resolution0", BwpBuilder().tagInt("RESOLU", 0), "resolution 0"},
        BadValue{"ResolutionNegative", BwpBuilder().tagInt("RESOLU", -256), "resolution -256"},
        BadValue{"TrackNegative", withPattern().tagInt("SCORE_", 1).event(-1, 0, 5000), "track -1"},
        BadValue{"Track31", withPattern().tagInt("SCORE_", 1).event(31, 0, 5000), "track 31"},
        BadValue{"Position257", withPattern().tagInt("SCORE_", 1).event(0, 257, 5000),
                 "position 257"},
        BadValue{"ScaledPastEnd",
                 withPattern().tagInt("RESOLU", 128).tagInt("SCORE_", 1).event(0, 129, 5000),
                 "position 129"},
        BadValue{"NegativePosition",
                 withPattern().tagInt("RESOLU", 1).tagInt("SCORE_", 1).event(0, -1, 5000),
                 "position -1"}),
    [](const auto& p) { return p.param.label; });

TEST(PatternFileUnreadable, FileEndingInsideAnyField)
{
    // Cut a complete file inside each kind of field: an int payload, a name, a track image, an
    // event entry, the sequence before its closing -1 and a tag itself.
    BwpBuilder b;
    b.tagInt("TRACKS", 2);
    const std::size_t inInt = b.size() - 2;
    b.pattern("Alpha");
    const std::size_t inName = b.size() - 10;
    b.tag("INSTRU").i32(1).track(trackNamed("Kick"));
    const std::size_t inTrack = b.size() - 100;
    b.tag("SCORE_").i32(1).event(0, 0, 5000);
    const std::size_t inEvent = b.size() - 20;
    b.tag("SEQ_V3").tag("SEQDAT").i32(0).name("Alpha");
    const std::size_t beforeEnd = b.size();
    b.i32(-1);
    const std::size_t inTag = b.size() + 3;
    b.tagInt("BPM___", 99);
    ASSERT_EQ(readError(b), "");

    for (const std::size_t cut : {inInt, inName, inTrack, inEvent, beforeEnd, inTag}) {
        std::vector<std::uint8_t> bytes = b.bytes();
        bytes.resize(cut);
        try {
            ParsePatternFile(bytes, "cut.bwp");
            ADD_FAILURE() << "a file cut at byte " << cut << " was read";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("cut.bwp: unexpected end of file"),
                      std::string::npos)
                << e.what();
        }
    }
}

TEST(PatternFileUnreadable, ReadPatternFileNamesAMissingFile)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("missing.bwp");
    try {
        bw::core::ReadPatternFile(path);
        FAIL() << "read a missing file";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

// ---------------------------------------------------------------------------------------------
// Unknown tags: one warning, then the reader looks for the next known tag byte by byte.

TEST(PatternFileUnknownTag, SkippedWhenAKnownTagFollows)
{
    BwpBuilder b;
    b.tagInt("XXXXXX", 77).tagInt("BPM___", 90).pattern("A");
    std::vector<std::string> warnings;
    const auto song = parse(b, &warnings);
    EXPECT_EQ(warnings, std::vector<std::string>{"Unknown parameter \"XXXXXX\""});
    EXPECT_EQ(song->Bpm, 90);
    EXPECT_EQ(song->PatternCount, 1);
}

TEST(PatternFileUnknownTag, LastFieldFailsAsAShortRead)
{
    BwpBuilder b;
    b.pattern("A").tagInt("XXXXXX", 77);
    std::vector<std::string> warnings;
    EXPECT_THROW(parse(b, &warnings), FileError);
    EXPECT_EQ(warnings, std::vector<std::string>{"Unknown parameter \"XXXXXX\""});

    // Also with a tag that ends exactly at the end, and with one stray byte after it.
    BwpBuilder exact;
    exact.pattern("A").tag("XXXXXX");
    EXPECT_THROW(parse(exact), FileError);
    BwpBuilder oneByte;
    oneByte.pattern("A").tag("XXXXXX").raw("\x01", 1);
    EXPECT_THROW(parse(oneByte), FileError);
}

TEST(PatternFileUnknownTag, PatternPitchBeforeAnyPatternLeavesItsPayloadUnread)
{
    // The payload and the first two bytes of the next tag read as an unknown tag; the scan then
    // finds "BPM___" right after the payload.
    BwpBuilder b;
    b.tagInt("PATPIT", 3).tagInt("BPM___", 99).pattern("A").tagInt("PATPIT", -5);
    std::vector<std::string> warnings;
    const auto song = parse(b, &warnings);
    ASSERT_EQ(warnings.size(), 1U);
    EXPECT_EQ(warnings[0], std::string("Unknown parameter \"\x03\0\0\0BP\"", 26));
    EXPECT_EQ(song->Bpm, 99);
    EXPECT_EQ(song->pattern(0).Transpose, -5);
}

// ---------------------------------------------------------------------------------------------
// What the reader builds.

TEST(PatternFileRead, ResolutionScalesStoredPositions)
{
    for (const auto& [resolution, slot] : {std::pair{128, 20}, {512, 5}, {256, 10}}) {
        BwpBuilder b;
        b.tagInt("RESOLU", resolution).pattern("A").tagInt("SCORE_", 1).event(2, 10, 6000);
        const auto song = parse(b);
        EXPECT_EQ(song->pattern(0).Events[2][static_cast<std::size_t>(slot)].Volume, 6000)
            << "RESOLU " << resolution;
    }
    // Without any "RESOLU" positions are slots.
    BwpBuilder b;
    b.pattern("A").tagInt("SCORE_", 1).event(2, 10, 6000);
    EXPECT_EQ(parse(b)->pattern(0).Events[2][10].Volume, 6000);
}

TEST(PatternFileRead, MissingTagsKeepTheDefaults)
{
    BwpBuilder b;
    b.pattern("A");
    const auto song = parse(b);
    EXPECT_EQ(song->TrackCount, 12);
    EXPECT_EQ(song->Bpm, 120);
    EXPECT_EQ(song->MasterVolume, 10000);
    EXPECT_EQ(song->StopPosition, 40);
    EXPECT_EQ(song->DelayFeedback, 60);
    EXPECT_EQ(song->pattern(0).Beats, 4);
    EXPECT_EQ(song->pattern(0).Ticks, 4);
}

TEST(PatternFileRead, DelayPayloadOrder)
{
    BwpBuilder b;
    b.tag("DELAY_").i32(3).i32(7).i32(45).pattern("A");
    const auto song = parse(b);
    EXPECT_EQ(song->DelayDivision, 3);
    EXPECT_EQ(song->DelayRepeats, 7);
    EXPECT_EQ(song->DelayFeedback, 45);
}

TEST(PatternFileRead, CurrentPatternIsTheFirstWithItsContentInTheWorkingCopy)
{
    BwpBuilder b;
    b.pattern("A").tagInt("BEATS_", 3).tagInt("SCORE_", 1).event(1, 7, 4000);
    b.pattern("B").tagInt("BEATS_", 8);
    const auto song = parse(b);
    EXPECT_EQ(song->CurrentPattern, 0);
    EXPECT_EQ(song->SelectedTrack, 0);
    EXPECT_EQ(song->Beats, 3);
    EXPECT_EQ(song->Events[1][7].Volume, 4000);
    EXPECT_EQ(song->pattern(1).Beats, 8);
}

TEST(PatternFileRead, FileWithoutPatternNamesBecomesPatternZeroDot)
{
    BwpBuilder b;
    b.tagInt("BEATS_", 2).tag("INSTRU").i32(1).track(trackNamed("Clap"));
    b.tagInt("SCORE_", 1).event(0, 128, 7000);
    // Tags after the first "SCORE_" belong to that pattern as well.
    b.tagInt("TICKS_", 3);
    const auto song = parse(b);
    ASSERT_EQ(song->PatternCount, 1);
    const auto& p = song->pattern(0);
    EXPECT_EQ(p.Name.str(), "0.");
    EXPECT_EQ(p.Beats, 2);
    EXPECT_EQ(p.Ticks, 3);
    EXPECT_EQ(p.Tracks[0].SoundName.str(), "Clap");
    EXPECT_EQ(p.Events[0][128].Volume, 7000);
    EXPECT_EQ(song->Ticks, 3) << "the working copy holds the whole pattern";
    EXPECT_EQ(song->Events[0][128].Volume, 7000);
}

TEST(PatternFileRead, HeaderOnlyStillGivesOnePattern)
{
    const auto song = parse(BwpBuilder());
    ASSERT_EQ(song->PatternCount, 1);
    EXPECT_EQ(song->pattern(0).Name.str(), "0.");
}

TEST(PatternFileRead, InstrumentsFillTracksOfThePatternBeingRead)
{
    BwpBuilder b;
    b.pattern("A").tag("INSTRU").i32(2).track(trackNamed("Kick", 9000)).track(trackNamed("Hat"));
    b.pattern("B").tag("INSTRU").i32(1).track(trackNamed("Ride"));
    const auto song = parse(b);
    EXPECT_EQ(song->InstrumentCount, 1);
    EXPECT_EQ(song->pattern(0).Tracks[0].SoundName.str(), "Kick");
    EXPECT_EQ(song->pattern(0).Tracks[0].Volume, 9000);
    EXPECT_EQ(song->pattern(0).Tracks[1].SoundName.str(), "Hat");
    EXPECT_EQ(song->pattern(1).Tracks[0].SoundName.str(), "Ride");
    EXPECT_TRUE(song->pattern(1).Tracks[1].SoundName.empty());
}

TEST(PatternFileRead, SequencerVisibleOnlyWithItsTag)
{
    bool shown = false;
    BwpBuilder b;
    b.pattern("A");
    parse(b, nullptr, &shown);
    EXPECT_FALSE(shown);
    b.tag("SEQVIS");
    parse(b, nullptr, &shown);
    EXPECT_TRUE(shown);
}

// ---------------------------------------------------------------------------------------------
// The older sequence layout (no "SEQ_V3").

TEST(PatternFileOldLayout, ConvertsRelativePositionsAndStopPosition)
{
    BwpBuilder b;
    b.tagInt("STOPSE", 2);
    b.pattern("A").tagInt("BEATS_", 4).tagInt("SCORE_", 1).event(0, 0, 5000, 0, 300);
    b.pattern("B").tagInt("BEATS_", 8).tagInt("SCORE_", 1).event(1, 32, 5000, 2, -700);
    b.tag("SEQ_V2").tag("SEQDAT").i32(0).name("A").i32(1).name("B").i32(-1);
    const auto song = parse(b);
    ASSERT_EQ(song->Sequence.size(), 2U);
    EXPECT_EQ(song->Sequence[0].Name.str(), "A");
    EXPECT_EQ(song->Sequence[0].Position, 0);
    EXPECT_EQ(song->Sequence[1].Name.str(), "B");
    EXPECT_EQ(song->Sequence[1].Position, 4);
    EXPECT_EQ(song->StopPosition, 2 + 3 + 7 + 5);
    EXPECT_EQ(song->pattern(0).Events[0][0].Pan, 0);
    EXPECT_EQ(song->pattern(1).Events[1][32].Pan, 0);
    EXPECT_EQ(song->pattern(1).Events[1][32].Pitch, 2);
    EXPECT_EQ(song->Events[0][0].Pan, 0) << "the working copy is loaded after the conversion";
}

TEST(PatternFileOldLayout, UnknownNameAddsNothingToTheOffset)
{
    BwpBuilder b;
    b.tagInt("STOPSE", 10);
    b.pattern("A").tagInt("BEATS_", 4);
    b.pattern("B").tagInt("BEATS_", 2);
    b.tag("SEQDAT").i32(0).name("A").i32(1).name("Gone").i32(2).name("B").i32(-1);
    const auto song = parse(b);
    ASSERT_EQ(song->Sequence.size(), 3U);
    EXPECT_EQ(song->Sequence[1].Name.str(), "Gone");
    EXPECT_EQ(song->Sequence[1].Position, 4);
    EXPECT_EQ(song->Sequence[2].Position, 5);
    EXPECT_EQ(song->StopPosition, 10 + 3 + 1 + 5);
}

TEST(PatternFileOldLayout, DuplicateNameUsesTheLaterPattern)
{
    BwpBuilder b;
    b.tagInt("STOPSE", 0);
    b.pattern("A").tagInt("BEATS_", 4).tagInt("SCORE_", 1).event(0, 0, 5000, 0, 300);
    b.pattern("A").tagInt("BEATS_", 6).tagInt("SCORE_", 1).event(0, 0, 5000, 0, 300);
    b.tag("SEQDAT").i32(0).name("A").i32(1).name("A").i32(-1);
    const auto song = parse(b);
    EXPECT_EQ(song->Sequence[1].Position, 6);
    EXPECT_EQ(song->StopPosition, 5 + 5 + 5);
    EXPECT_EQ(song->pattern(0).Events[0][0].Pan, 300);
    EXPECT_EQ(song->pattern(1).Events[0][0].Pan, 0);
}

TEST(PatternFileOldLayout, AbsoluteSequenceKeepsPositionsAndStop)
{
    BwpBuilder b;
    b.tagInt("STOPSE", 2);
    b.pattern("A").tagInt("BEATS_", 4).tagInt("SCORE_", 1).event(0, 0, 5000, 0, 300);
    b.tag("SEQ_V2").tag("SEQ_V3").tag("SEQDAT").i32(0).name("A").i32(1).name("A").i32(-1);
    const auto song = parse(b);
    EXPECT_EQ(song->Sequence[0].Position, 0);
    EXPECT_EQ(song->Sequence[1].Position, 1);
    EXPECT_EQ(song->StopPosition, 2);
    EXPECT_EQ(song->pattern(0).Events[0][0].Pan, 300);
}

// ---------------------------------------------------------------------------------------------
// Writing.

std::unique_ptr<TSong> sampleSong()
{
    auto song = std::make_unique<TSong>();
    bw::core::InitSong(*song);
    song->TrackCount = 3;
    song->InstrumentCount = 2;
    song->Bpm = 133;
    song->Tracks[0] = trackNamed("Kick");
    bw::core::InsertEvent(*song, 0, 0);
    bw::core::InsertEvent(*song, 2, 256);
    bw::core::AddPattern(*song, "Intro");
    bw::core::StoreWorkingCopy(*song, 0);
    return song;
}

TEST(PatternFileWrite, ExactLayoutOfASmallDocument)
{
    auto song = sampleSong();
    song->Events[0][0].Selected = 1;
    song->Events[0][0].Reserved1[2] = 42; // reserved words travel with the event
    song->Events[1][5].Volume = 1;        // never written
    song->Events[3][5].Volume = 5000;     // track beyond TrackCount: not written
    bw::core::AddSeqEntry(*song, 3, "Intro");

    BwpBuilder expected;
    expected.tagInt("TRACKS", 3).tagInt("BPM___", 133).tagInt("SHUFFL", 0).tagInt("SHUFFQ", 2);
    expected.tag("DELAY_").i32(2).i32(3).i32(60);
    expected.tagInt("STOPSE", 40).tagInt("MASVOL", 10000).tagInt("STEREO", 1);
    expected.tagInt("RESOLU", 256);
    expected.pattern("Intro").tagInt("BEATS_", 4).tagInt("TICKS_", 4).tagInt("PATPIT", 0);
    expected.tag("INSTRU").i32(2).track(song->Tracks[0]).track(song->Tracks[1]);
    expected.tag("SCORE_").i32(2);
    {
        std::vector<std::uint8_t> ev;
        bw::ByteWriter w(ev);
        w.i32(0);
        w.i32(0);
        bw::core::writeEventImage(w, song->Events[0][0]);
        w.i32(2);
        w.i32(256);
        bw::core::writeEventImage(w, song->Events[2][256]);
        expected.raw(ev.data(), ev.size());
    }
    expected.tag("SEQ_V2").tag("SEQ_V3").tag("SEQDAT").i32(3).name("Intro").i32(-1);

    const auto bytes = bw::core::SerializePatternFile(*song);
    ASSERT_EQ(bytes.size(), expected.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 12), "BWPT19980002");
    // The notice is free text; everything after it must match.
    EXPECT_TRUE(std::equal(bytes.begin() + 112, bytes.end(), expected.bytes().begin() + 112));
}

// Humanize and the default volume: written after "RESOLU" only when a song uses them, so the
// layout above (a new song's) is unchanged.
TEST(PatternFileWrite, GrooveFieldsTravelAndOlderReadersSkipThem)
{
    auto song = sampleSong();
    bw::core::SetHumanize(*song, 15, 30);
    song->HumanizeSeed = 0x8000000180000002ULL; // both halves with the sign bit set
    song->DefaultVolume = 2000;
    const auto bytes = bw::core::SerializePatternFile(*song);

    BwpBuilder settings;
    settings.tagInt("RESOLU", 256);
    settings.tag("HUMANZ").i32(15).i32(30).i32(static_cast<std::int32_t>(0x80000002U));
    settings.i32(static_cast<std::int32_t>(0x80000001U)).tagInt("DEFVOL", 2000).tag("PATNAM");
    const std::vector<std::uint8_t> block(settings.bytes().begin() + 112, settings.bytes().end());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), block.begin(), block.end()), bytes.end());

    const auto back = ParsePatternFile(bytes, "song.bwp");
    EXPECT_EQ(back->HumanizeTiming, 15);
    EXPECT_EQ(back->HumanizeVolume, 30);
    EXPECT_EQ(back->HumanizeSeed, 0x8000000180000002ULL);
    EXPECT_EQ(back->DefaultVolume, 2000);
    EXPECT_EQ(bw::core::SerializePatternFile(*back), bytes);

    // A seed alone is kept too (amounts 0): the next "on" sounds as before the save.
    song->HumanizeTiming = 0;
    song->HumanizeVolume = 0;
    EXPECT_EQ(ParsePatternFile(bw::core::SerializePatternFile(*song), "s")->HumanizeSeed,
              0x8000000180000002ULL);

    // A reader that does not know the tags (here: the same tags renamed) warns once, slides to
    // the next tag it knows and loses nothing else.
    auto renamed = bytes;
    for (const char* tag : {"HUMANZ", "DEFVOL"}) {
        const auto at = std::search(renamed.begin(), renamed.end(), tag, tag + 6);
        ASSERT_NE(at, renamed.end());
        std::copy_n("ZZZZZ", 5, at + 1);
    }
    std::vector<std::string> warnings;
    PatternReadCallbacks cb;
    cb.warn = [&warnings](const std::string& text) { warnings.push_back(text); };
    const auto older = ParsePatternFile(renamed, "song.bwp", cb);
    EXPECT_EQ(warnings, std::vector<std::string>{"Unknown parameter \"HZZZZZ\""});
    EXPECT_EQ(older->HumanizeTiming, 0);
    EXPECT_EQ(older->DefaultVolume, bw::core::DefaultEventVolume);
    song->HumanizeSeed = bw::core::DefaultHumanizeSeed;
    song->DefaultVolume = bw::core::DefaultEventVolume;
    EXPECT_EQ(bw::core::SerializePatternFile(*older), bw::core::SerializePatternFile(*song));
}

TEST(PatternFileWrite, StoresTheWorkingCopyFirst)
{
    auto song = sampleSong();
    bw::core::AddPattern(*song, "Second");
    bw::core::StoreWorkingCopy(*song, 1);
    bw::core::LoadWorkingCopy(*song, 1);
    bw::core::InsertEvent(*song, 1, 100);
    song->Beats = 7;
    const auto bytes = bw::core::SerializePatternFile(*song);
    EXPECT_EQ(song->pattern(1).Events[1][100].Volume, 5000);
    EXPECT_EQ(song->pattern(1).Beats, 7);
    const auto again = ParsePatternFile(bytes, "x.bwp");
    EXPECT_EQ(again->pattern(1).Events[1][100].Volume, 5000);
    EXPECT_EQ(again->pattern(1).Beats, 7);
    EXPECT_EQ(again->CurrentPattern, 0);
}

TEST(PatternFileWrite, PlacementsOfANameNoPatternHasAreKept)
{
    // Only Del Pat takes placements away; a file keeps whatever its sequence holds.
    auto song = sampleSong();
    bw::core::AddSeqEntry(*song, 12, "nowhere");
    const auto again = ParsePatternFile(bw::core::SerializePatternFile(*song), "x.bwp");
    ASSERT_EQ(again->Sequence.size(), song->Sequence.size());
    EXPECT_EQ(again->Sequence.back().Name.str(), "nowhere");
    EXPECT_EQ(again->Sequence.back().Position, 12);
}

TEST(PatternFileWrite, SequencerTagOnlyWhenVisible)
{
    auto song = sampleSong();
    bool shown = false;
    PatternReadCallbacks cb;
    cb.showSequencer = [&shown] { shown = true; };
    ParsePatternFile(bw::core::SerializePatternFile(*song, false), "x.bwp", cb);
    EXPECT_FALSE(shown);
    ParsePatternFile(bw::core::SerializePatternFile(*song, true), "x.bwp", cb);
    EXPECT_TRUE(shown);
}

TEST(PatternFileWrite, FailedSavesLeaveThePreviousFile)
{
    bw::testing::TempFolder dir;
    auto song = sampleSong();
    const std::string target = dir.path("song.bwp");
    bw::core::WritePatternFile(target, *song);
    const auto before = bw::readWholeFile(target);

    EXPECT_THROW(bw::core::WritePatternFile(dir.path("no/such/folder/x.bwp"), *song), FileError);
    std::filesystem::create_directory(dir.path("adir"));
    EXPECT_THROW(bw::core::WritePatternFile(dir.path("adir"), *song), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("adir")));

    song->Bpm = 200;
    bw::core::WritePatternFile(target, *song);
    EXPECT_NE(bw::readWholeFile(target), before);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"adir", "song.bwp"}))
        << "no temporary file is left behind";
}

} // namespace

namespace {

TEST(PatternFileWrite, EntryConvertedToMinusOneIsLeftOut)
{
    // An older file can place an entry at -1, the value that closes the list; writing it would
    // cut the list short and make the rest of the file unreadable.
    BwpBuilder b;
    b.pattern("A").tagInt("BEATS_", 4);
    b.tag("SEQDAT").i32(-4).name("A").i32(-4).name("A").i32(7).name("A").i32(-1);
    auto song = parse(b);
    ASSERT_EQ(song->Sequence.size(), 3U);
    EXPECT_EQ(song->Sequence[1].Position, -1);
    const auto again = ParsePatternFile(bw::core::SerializePatternFile(*song), "again.bwp");
    ASSERT_EQ(again->Sequence.size(), 2U);
    EXPECT_EQ(again->Sequence[0].Position, -4);
    EXPECT_EQ(again->Sequence[1].Position, 13);
}

} // namespace
