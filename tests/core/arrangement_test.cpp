// Placements moved and copied, the loop range, solo, track rows, the empty song, and the file
// tags that keep them.
#include "core/arrangement.h"
#include "core/pattern_file.h"
#include "core/track_commands.h"
#include "core/undo_history.h"
#include "tests/core/bwp_builder.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace bw::core;
using bw::testing::BwpBuilder;

/// Patterns A (4 beats) and B (2 beats), the working copy on A.
std::unique_ptr<TSong> twoPatterns()
{
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    InitPattern(*song, AddPattern(*song, "A"));
    InitPattern(*song, AddPattern(*song, "B"));
    song->pattern(1).Beats = 2;
    LoadWorkingCopy(*song, 0);
    return song;
}

std::vector<std::string> placements(const TSong& s)
{
    std::vector<std::string> out;
    for (const auto& e : s.Sequence) {
        out.push_back(e.Name.str() + "@" + std::to_string(e.Position));
    }
    return out;
}

TEST(Placements, MoveCopyAndDuplicateRefuseOverlapsOfTheSamePattern)
{
    auto song = twoPatterns();
    AddSeqEntry(*song, 0, "A");
    AddSeqEntry(*song, 8, "A");
    AddSeqEntry(*song, 2, "B");
    const int a0 = FindSeqEntryAt(*song, 3, 0);
    EXPECT_EQ(song->Sequence[static_cast<std::size_t>(a0)].Position, 0);
    // A at 0 cannot go to 5 (it would cover 8) but may go to 4; B overlapping it is fine.
    EXPECT_FALSE(MoveSeqEntry(*song, 0, a0, 5, false));
    EXPECT_TRUE(MoveSeqEntry(*song, 0, a0, 4, false));
    EXPECT_EQ(placements(*song), (std::vector<std::string>{"B@2", "A@4", "A@8"}));
    // A copy leaves the original; it may not land on itself.
    EXPECT_FALSE(MoveSeqEntry(*song, 0, FindSeqEntryAt(*song, 4, 0), 6, true));
    EXPECT_TRUE(MoveSeqEntry(*song, 1, FindSeqEntryAt(*song, 2, 1), 20, true));
    EXPECT_EQ(placements(*song), (std::vector<std::string>{"B@2", "A@4", "A@8", "B@20"}));
    // "Duplicate after": right after the placement, refused where the next one begins and at
    // the end of the time line.
    EXPECT_FALSE(DuplicateSeqEntryAfter(*song, 0, FindSeqEntryAt(*song, 4, 0)));
    EXPECT_TRUE(DuplicateSeqEntryAfter(*song, 0, FindSeqEntryAt(*song, 8, 0)));
    EXPECT_EQ(FindSeqEntryAt(*song, 13, 0), 3); // B@2, A@4, A@8, A@12, B@20
    AddSeqEntry(*song, MaxSongPosition - 1, "B");
    EXPECT_FALSE(DuplicateSeqEntryAfter(*song, 1, FindSeqEntryAt(*song, MaxSongPosition, 1)));
    EXPECT_FALSE(MoveSeqEntry(*song, 0, 0, -1, false));
    DeleteSeqEntry(*song, FindSeqEntryAt(*song, 2, 1));
    EXPECT_EQ(placements(*song).front(), "A@4");
}

TEST(LoopRange, PlaybackStaysInTheRangeWhileTheLoopIsOnAndExportsIgnoreIt)
{
    auto song = twoPatterns();
    song->StopPosition = 39;
    SetLoopRange(*song, 11, 8); // either order
    EXPECT_EQ(song->LoopStart, 8);
    EXPECT_EQ(song->LoopEnd, 12);
    // Off: the song from 0 to "Stop at", and it ends after it.
    SongSpan span = PlaybackSpan(*song);
    EXPECT_FALSE(span.loops);
    EXPECT_EQ(span.last, 39);
    EXPECT_EQ(SpanNextBeat(span, 11), 12);
    EXPECT_TRUE(SpanEnded(span, 40));
    // On: a start outside the range starts at its first beat; after its last beat it comes
    // back, and it never ends.
    song->LoopOn = true;
    span = PlaybackSpan(*song);
    EXPECT_EQ(SpanStartBeat(span, 20), 8);
    EXPECT_EQ(SpanStartBeat(span, 9), 9);
    EXPECT_EQ(SpanNextBeat(span, 10), 11);
    EXPECT_EQ(SpanNextBeat(span, 11), 8);
    EXPECT_EQ(SpanNextBeat(span, 30), 8); // the position moved outside while playing
    EXPECT_FALSE(SpanEnded(span, 40));
    // An export walks the song, or the beats asked for once.
    EXPECT_EQ(ExportSpan(*song, -1, -1).last, 39);
    const SongSpan range = ExportSpan(*song, song->LoopStart, song->LoopEnd);
    EXPECT_EQ(range.first, 8);
    EXPECT_EQ(range.last, 11);
    EXPECT_TRUE(SpanEnded(range, 12));
    ClearLoopRange(*song);
    EXPECT_FALSE(PlaybackSpan(*song).loops);
}

TEST(Solo, OnlySoloedTracksAreHeardAndMuteWins)
{
    auto song = twoPatterns();
    song->TrackCount = 3;
    song->Tracks[0].Enabled = 1;
    song->Tracks[1].Enabled = 1;
    song->Tracks[2].Enabled = 0;
    EXPECT_TRUE(TrackHeard(*song, song->Tracks[1], 1));
    ToggleSolo(*song, 0);
    ToggleSolo(*song, 2);
    EXPECT_TRUE(TrackHeard(*song, song->Tracks[0], 0));
    EXPECT_FALSE(TrackHeard(*song, song->Tracks[1], 1));
    EXPECT_FALSE(TrackHeard(*song, song->Tracks[2], 2)) << "a muted track stays silent";
    // A solo mark on a row not in use solos nothing.
    song->SoloTracks = 1U << 5;
    EXPECT_FALSE(AnyTrackSoloed(*song));
    EXPECT_TRUE(TrackHeard(*song, song->Tracks[1], 1));
}

TEST(TrackRows, AddRemoveAndMoveActOnEveryPatternWithNamesAndSolo)
{
    auto song = twoPatterns();
    song->TrackCount = 3;
    song->InstrumentCount = 2;
    for (int t = 0; t < 3; ++t) {
        song->Tracks[static_cast<std::size_t>(t)].SoundName.assign("s" + std::to_string(t));
        InsertEvent(*song, t, t);
    }
    StoreWorkingCopy(*song, 0);
    song->pattern(1).Tracks[2].SoundName.assign("b2");
    song->pattern(1).Tracks[3].SoundName.assign("stale"); // left in a slot not in use
    SetTrackName(*song, 2, "Hat");
    ToggleSolo(*song, 2);
    song->SelectedTrack = 2;

    ASSERT_TRUE(AddTrack(*song));
    EXPECT_EQ(song->TrackCount, 4);
    EXPECT_EQ(song->InstrumentCount, 4) << "the file keeps the new row";
    EXPECT_TRUE(song->pattern(1).Tracks[3].SoundName.empty());

    ASSERT_TRUE(MoveTrack(*song, 2, 0));
    EXPECT_EQ(song->Tracks[0].SoundName.str(), "s2");
    EXPECT_EQ(song->Events[0][2].Volume, 5000);
    EXPECT_EQ(song->pattern(1).Tracks[0].SoundName.str(), "b2");
    EXPECT_EQ(TrackLabel(*song, 0), "Hat");
    EXPECT_EQ(TrackLabel(*song, 1), "s0");
    EXPECT_TRUE(TrackSoloed(*song, 0));
    EXPECT_EQ(song->SelectedTrack, 0) << "the current track follows its row";

    ASSERT_TRUE(RemoveTrack(*song, 0));
    EXPECT_EQ(song->TrackCount, 3);
    EXPECT_EQ(song->Tracks[0].SoundName.str(), "s0");
    EXPECT_EQ(song->Events[0][0].Volume, 5000);
    EXPECT_EQ(song->pattern(0).Tracks[0].SoundName.str(), "s0");
    EXPECT_EQ(song->pattern(1).Tracks[0].SoundName.str(), "") << "b2 went with its row";
    EXPECT_EQ(song->Events[0][2].Volume, 0) << "the removed row's events are gone";
    EXPECT_EQ(TrackLabel(*song, 0), "s0");
    EXPECT_FALSE(AnyTrackSoloed(*song));

    while (song->TrackCount > 1) {
        ASSERT_TRUE(RemoveTrack(*song, song->TrackCount - 1));
    }
    EXPECT_FALSE(RemoveTrack(*song, 0)) << "the last track stays";
    song->TrackCount = MaxTracks;
    EXPECT_FALSE(AddTrack(*song));
}

TEST(EmptySong, OneEmptyFourBeatPatternAndNothingPlaced)
{
    TSong song;
    InitSong(song);
    AddSeqEntry(song, 0, "X");
    song.LoopOn = true;
    InitEmptySong(song);
    ASSERT_EQ(song.PatternCount, 1);
    EXPECT_EQ(song.Beats, 4);
    EXPECT_TRUE(song.Sequence.empty());
    EXPECT_FALSE(song.LoopOn);
    for (int t = 0; t < MaxTracks; ++t) {
        EXPECT_TRUE(song.Tracks[static_cast<std::size_t>(t)].SoundName.empty());
        for (const auto& e : song.Events[static_cast<std::size_t>(t)]) {
            ASSERT_EQ(e.Volume, 0);
        }
    }
}

TEST(ArrangementFile, ColoursNamesSoloAndLoopRoundTripAndOlderReadersCanSkipThem)
{
    auto song = twoPatterns();
    const auto plain = SerializePatternFile(*song);
    for (const char* tag : {"PATCOL", "TRKNAM", "SOLO__", "LOOPRG"}) {
        EXPECT_EQ(std::search(plain.begin(), plain.end(), tag, tag + 6), plain.end())
            << "a song without them writes no " << tag;
    }
    song->pattern(0).Color = 6;
    SetTrackName(*song, 30, "Ride");
    ToggleSolo(*song, 1);
    SetLoopRange(*song, 16, 23);
    song->LoopOn = true;
    const auto bytes = SerializePatternFile(*song);
    const auto read = ParsePatternFile(bytes, "a.bwp");
    EXPECT_EQ(read->pattern(0).Color, 6);
    EXPECT_EQ(read->pattern(1).Color, 1) << "the default: its place in the list";
    EXPECT_EQ(TrackLabel(*read, 30), "Ride");
    EXPECT_EQ(read->SoloTracks, 2U);
    EXPECT_EQ(read->LoopStart, 16);
    EXPECT_EQ(read->LoopEnd, 24);
    EXPECT_TRUE(read->LoopOn);
    EXPECT_EQ(SerializePatternFile(*read), bytes);
    // The new tags come right before "SEQ_V2": a reader that does not know them slides to it.
    const std::string image(bytes.begin(), bytes.end());
    const std::size_t loop = image.find("LOOPRG");
    ASSERT_NE(loop, std::string::npos);
    EXPECT_LT(image.find("TRKNAM"), loop);
    EXPECT_EQ(image.substr(loop + 6 + 12, 6), "SEQ_V2");
}

TEST(ArrangementFile, ValuesOutsideTheirLimitsAreRefusedOrLeftAtTheirDefaults)
{
    const auto read = [](const std::function<void(BwpBuilder&)>& tags) {
        BwpBuilder b;
        b.pattern("A").pattern("B");
        tags(b);
        return ParsePatternFile(b.bytes(), "x.bwp");
    };
    const auto song = read([](BwpBuilder& b) {
        b.tag("PATCOL").i32(3).i32(9).i32(-1).i32(2); // one more than the patterns
        b.tag("LOOPRG").i32(10).i32(5000).i32(1);     // off the time line
        b.tagInt("SOLO__", -1);
    });
    EXPECT_EQ(song->pattern(0).Color, 0);
    EXPECT_EQ(song->pattern(1).Color, 1);
    EXPECT_FALSE(HasLoopRange(*song));
    EXPECT_TRUE(song->LoopOn);
    EXPECT_EQ(song->SoloTracks, (1U << MaxTracks) - 1U);
    EXPECT_THROW(read([](BwpBuilder& b) { b.tag("TRKNAM").i32(1).i32(31).name("X"); }),
                 bw::FileError);
    EXPECT_THROW(read([](BwpBuilder& b) { b.tag("TRKNAM").i32(32); }), bw::FileError);
    EXPECT_THROW(read([](BwpBuilder& b) { b.tag("PATCOL").i32(-2); }), bw::FileError);
}

TEST(ArrangementUndo, EachEditOfTheNewFieldsIsAStepAndUndoesWhole)
{
    auto song = twoPatterns();
    song->TrackCount = 2;
    UndoHistory history;
    history.reset(*song);
    SetTrackName(*song, 0, "Kick");
    ASSERT_TRUE(history.record(*song));
    song->pattern(1).Color = 7;
    ASSERT_TRUE(history.record(*song));
    SetLoopRange(*song, 4, 7);
    ToggleSolo(*song, 1);
    ASSERT_TRUE(history.record(*song));
    AddTrack(*song);
    ASSERT_TRUE(history.record(*song));
    history.undo(*song);
    EXPECT_EQ(song->TrackCount, 2);
    history.undo(*song);
    EXPECT_FALSE(HasLoopRange(*song));
    EXPECT_EQ(song->SoloTracks, 0U);
    history.undo(*song);
    EXPECT_EQ(song->pattern(1).Color, 1);
    history.undo(*song);
    EXPECT_TRUE(song->TrackNames[0].empty());
    history.redo(*song);
    EXPECT_EQ(TrackLabel(*song, 0), "Kick");
}

} // namespace
