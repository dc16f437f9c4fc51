#include "core/song.h"
#include "library/sound_library.h"

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace bw::core;

std::unique_ptr<TSong> newSong()
{
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    return song;
}

/// A song with one pattern per name, each of the given beats, the first one current.
std::unique_ptr<TSong> songWithPatterns(const std::vector<std::pair<std::string, int>>& patterns)
{
    auto song = newSong();
    for (const auto& [name, beats] : patterns) {
        const int i = AddPattern(*song, name);
        InitPattern(*song, i);
        song->pattern(i).Beats = beats;
    }
    LoadWorkingCopy(*song, 0);
    return song;
}

std::vector<std::pair<int, int>> occupied(const TSong& song)
{
    std::vector<std::pair<int, int>> out;
    for (int t = 0; t < MaxTracks; ++t) {
        for (int p = 0; p < PatternSlots; ++p) {
            if (song.Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)].Volume > 0) {
                out.emplace_back(t, p);
            }
        }
    }
    return out;
}

int marks(const TSong& song)
{
    int n = 0;
    for (const auto& row : song.Events) {
        for (const auto& e : row) {
            n += e.Selected;
        }
    }
    return n;
}

TEST(SongDocument, NewSongDefaults)
{
    const auto song = newSong();
    EXPECT_EQ(song->TrackCount, 12);
    EXPECT_EQ(song->Bpm, 120);
    EXPECT_EQ(song->MasterVolume, 10000);
    EXPECT_EQ(song->Stereo, 1);
    EXPECT_EQ(song->ShuffleAmount, 0);
    EXPECT_EQ(song->ShuffleDivision, 2);
    EXPECT_EQ(song->DelayDivision, 2);
    EXPECT_EQ(song->DelayFeedback, 60);
    EXPECT_EQ(song->DelayRepeats, 3);
    EXPECT_EQ(song->StopPosition, 40);
    EXPECT_EQ(song->PatternCount, 0);
    EXPECT_TRUE(song->Sequence.empty());
    EXPECT_EQ(song->Tracks[30].Pan, 1000);
    EXPECT_EQ(song->Tracks[30].Volume, 10000);
    EXPECT_EQ(song->Tracks[30].Enabled, 0);
}

TEST(SongDocument, GridStepsMapToSlots)
{
    std::vector<int> slots;
    for (int s = 0; s < 12; ++s) {
        slots.push_back(StepSlot(s, 4, 3));
    }
    EXPECT_EQ(slots, (std::vector<int>{0, 21, 42, 64, 85, 106, 128, 149, 170, 192, 213, 234}));
}

// ---------------------------------------------------------------------------------------------
// Beats changes keep events at their place in time.

TEST(ChangeBeats, GrowingRoundsHalvesToEven)
{
    auto song = newSong();
    for (const int p : {1, 3, 5, 64, 256}) {
        InsertEvent(*song, 0, p);
    }
    song->Events[0][5].Pitch = 7; // the later slot landing on 2 replaces the earlier one
    ChangeBeats(*song, 8);
    EXPECT_EQ(song->Beats, 8);
    EXPECT_EQ(occupied(*song),
              (std::vector<std::pair<int, int>>{{0, 0}, {0, 2}, {0, 32}, {0, 128}}));
    EXPECT_EQ(song->Events[0][2].Pitch, 7);
}

TEST(ChangeBeats, ShrinkingMovesBeatFourToTheEndPointAndDropsTheRest)
{
    auto song = newSong();
    song->Beats = 8;
    for (const int p : {32, 128, 129, 255}) {
        InsertEvent(*song, 4, p);
    }
    song->Events[4][128].Selected = 1;
    ChangeBeats(*song, 4);
    EXPECT_EQ(occupied(*song), (std::vector<std::pair<int, int>>{{4, 64}, {4, 256}}));
    EXPECT_EQ(song->Events[4][256].Selected, 1) << "the whole event moves";
    EXPECT_EQ(marks(*song), 1);
}

// ---------------------------------------------------------------------------------------------
// Selection and paste.

TEST(Selection, ClickSelect)
{
    auto song = newSong();
    InsertEvent(*song, 0, 10);
    InsertEvent(*song, 1, 20);
    ClickSelect(*song, 0, 10, false);
    ClickSelect(*song, 1, 20, true);
    EXPECT_EQ(marks(*song), 2);
    ClickSelect(*song, 1, 20, true);
    EXPECT_EQ(song->Events[1][20].Selected, 0) << "additive click toggles";
    ClickSelect(*song, 1, 20, false);
    EXPECT_EQ(song->Events[0][10].Selected, 0) << "a plain click marks only its event";
    EXPECT_EQ(song->Events[1][20].Selected, 1);
    ClickSelect(*song, 5, 5, true);
    EXPECT_EQ(marks(*song), 0) << "a click on an empty slot clears every mark, also additive";
}

TEST(Selection, AdditiveRectangleTwiceRestoresTheMarks)
{
    auto song = newSong();
    InsertEvent(*song, 2, 40);
    ClickSelect(*song, 2, 40, false);
    song->Events[9][0].Selected = 1;

    ToggleSelectRect(*song, 3, 1, 50, 30, true); // corners in any order
    EXPECT_EQ(song->Events[2][40].Selected, 0);
    EXPECT_EQ(song->Events[1][30].Selected, 1) << "empty slots are toggled too";
    EXPECT_EQ(song->Events[9][0].Selected, 1);
    EXPECT_EQ(marks(*song), 3 * 21 - 1 + 1);
    ToggleSelectRect(*song, 1, 3, 30, 50, true);
    EXPECT_EQ(marks(*song), 2);
    EXPECT_EQ(song->Events[2][40].Selected, 1);
    EXPECT_EQ(song->Events[9][0].Selected, 1);
}

TEST(Selection, MarkedEmptySlotStaysMarkedWhenAnEventIsInserted)
{
    auto song = newSong();
    ToggleSelectRect(*song, 0, 0, 7, 7, false);
    InsertEvent(*song, 0, 7);
    EXPECT_EQ(song->Events[0][7].Selected, 1);
    EXPECT_EQ(song->Events[0][7].Volume, 5000);
    DeleteSelected(*song);
    EXPECT_EQ(song->Events[0][7].Volume, 0);
    EXPECT_EQ(song->Events[0][7].Selected, 0);
}

TEST(Paste, ShiftsMarkedEventsAndDropsThoseOutsideThePattern)
{
    auto song = newSong();
    InsertEvent(*song, 3, 100);
    EventGrid clip{};
    clip[0][10] = TNoteEvent{6000, 2, -300, {}, 1, 0}; // marked: pasted
    clip[0][5] = TNoteEvent{6000, 0, 0, {}, 1, 0};     // lands before slot 0: dropped
    clip[1][20] = TNoteEvent{6000, 0, 0, {}, 0, 0};    // not marked: not pasted
    clip[2][30] = TNoteEvent{0, 0, 0, {}, 1, 0};       // marked but empty: not pasted
    clip[3][15] = TNoteEvent{7000, 0, 0, {}, 1, 0};    // lands next to the event at 3/100
    PasteEvents(*song, clip, 8, 0);
    EXPECT_EQ(occupied(*song), (std::vector<std::pair<int, int>>{{0, 2}, {3, 7}, {3, 100}}));
    EXPECT_EQ(song->Events[0][2].Pitch, 2);
    EXPECT_EQ(song->Events[0][2].Pan, -300);
    EXPECT_EQ(song->Events[0][2].Selected, 1) << "pasted events arrive marked";

    PasteEvents(*song, clip, 0, 250); // only 5 + 250 stays inside the pattern
    EXPECT_EQ(occupied(*song),
              (std::vector<std::pair<int, int>>{{0, 2}, {0, 255}, {3, 7}, {3, 100}}));
}

// ---------------------------------------------------------------------------------------------
// Patterns.

TEST(Patterns, DeletingTheCurrentPatternLoadsPatternZero)
{
    auto song = songWithPatterns({{"A", 2}, {"B", 8}});
    LoadWorkingCopy(*song, 1);
    InsertEvent(*song, 0, 0); // unsaved work in B is discarded
    DeletePattern(*song, 1);
    EXPECT_EQ(song->PatternCount, 1);
    EXPECT_EQ(song->CurrentPattern, 0);
    EXPECT_EQ(song->Beats, 2);
    EXPECT_TRUE(occupied(*song).empty());
}

TEST(Patterns, DeletingAPatternRemovesItsPlacements)
{
    // A pattern of the deleted one's name made later must not inherit its placements.
    auto song = songWithPatterns({{"A", 4}, {"B", 4}, {"C", 4}, {"C", 4}});
    for (const auto& [beat, name] : std::vector<std::pair<int, const char*>>{
             {0, "A"}, {4, "B"}, {8, "C"}, {12, "B"}, {16, "gone"}}) {
        AddSeqEntry(*song, beat, name);
    }
    DeletePattern(*song, 1);
    DeletePattern(*song, 1); // one "C" remains and keeps playing its placement
    std::vector<std::string> left;
    for (const TSeqEntry& e : song->Sequence) {
        left.push_back(e.Name.str() + "@" + std::to_string(e.Position));
    }
    // A placement whose pattern a file never had is no business of Del Pat: it stays.
    EXPECT_EQ(left, (std::vector<std::string>{"A@0", "C@8", "gone@16"}));
    AddPattern(*song, "B");
    SetPlayWindowFromSong(*song, 2, 5);
    EXPECT_EQ(song->pattern(2).PlayActive, 0);
}

TEST(Patterns, FindByNameTakesTheLastExactMatch)
{
    auto song = songWithPatterns({{"A", 4}, {"a", 4}, {"A", 4}});
    EXPECT_EQ(FindPatternByName(*song, "A"), 2);
    EXPECT_EQ(FindPatternByName(*song, "a"), 1);
    EXPECT_EQ(FindPatternByName(*song, "A "), -1);
}

TEST(Patterns, StoreIntoAnotherIndexCopiesTheWorkingCopy)
{
    auto song = songWithPatterns({{"A", 3}});
    InsertEvent(*song, 1, 1);
    song->Transpose = -2;
    const int i = AddPattern(*song, "A name longer than twenty chars");
    StoreWorkingCopy(*song, i);
    EXPECT_EQ(song->pattern(i).Name.str(), "A name longer than t");
    EXPECT_EQ(song->pattern(i).Beats, 3);
    EXPECT_EQ(song->pattern(i).Transpose, -2);
    EXPECT_EQ(song->pattern(i).Events[1][1].Volume, 5000);
    EXPECT_EQ(song->CurrentPattern, 0);
}

// ---------------------------------------------------------------------------------------------
// Sound binding.

TEST(ResolvePatternSounds, MissingSoundDisablesTheTrackAndLastStopMatchWins)
{
    bw::library::SoundLibrary lib;
    lib.AddSound("Hat", "", 0, 0, 0, 0, nullptr);
    lib.AddSound("Open", "", 0, 0, 0, 0, nullptr);
    lib.AddSound("Closed", "Open", 0, 0, 0, 0, nullptr);
    lib.AddSound("Snare", "Nobody", 0, 0, 0, 0, nullptr);
    lib.AddSound("Later", "", 0, 0, 0, 0, nullptr);
    lib.at(4).Name.assign("Open"); // a second sound named like the stop target

    auto song = songWithPatterns({{"A", 4}});
    song->TrackCount = 4;
    TPattern& p = song->pattern(0);
    const auto bind = [&p](int t, const char* name) {
        p.Tracks[static_cast<std::size_t>(t)].SoundName.assign(name);
        p.Tracks[static_cast<std::size_t>(t)].Enabled = 1;
    };
    bind(0, "Closed");
    bind(1, "Gone");
    bind(2, "Snare");
    bind(3, "closed"); // case matters
    bind(4, "Gone");   // beyond TrackCount: untouched

    ResolvePatternSounds(*song, 0, lib);
    EXPECT_EQ(p.Tracks[0].SoundIndex, 2);
    EXPECT_EQ(p.Tracks[0].StopTargetIndex, 4) << "the last sound named like the stop target";
    EXPECT_EQ(p.Tracks[1].Enabled, 0);
    EXPECT_TRUE(p.Tracks[1].SoundName.empty());
    EXPECT_EQ(p.Tracks[2].StopTargetIndex, -1) << "a stop target naming no sound";
    EXPECT_EQ(p.Tracks[3].Enabled, 0);
    EXPECT_EQ(p.Tracks[4].SoundName.str(), "Gone");
    EXPECT_EQ(p.Tracks[4].Enabled, 1);
}

TEST(BindTrackSounds, ReportsEachNamedMissingSoundWithItsTrackAndClearsStopTargets)
{
    bw::library::SoundLibrary lib;
    lib.AddSound("Kick", "", 0, 0, 0, 0, nullptr);
    auto song = newSong();
    song->TrackCount = 4;
    song->Tracks[0].SoundName.assign("Gone");
    song->Tracks[1].SoundName.assign("Kick");
    song->Tracks[1].Enabled = 1;
    song->Tracks[2].SoundName.assign("Gone"); // the same missing name twice: two warnings
    song->Tracks[30].StopTargetIndex = 7;

    const auto missing = BindTrackSounds(song->Tracks, song->TrackCount, lib, true);
    ASSERT_EQ(missing.size(), 2U);
    EXPECT_EQ(MissingSoundText(missing[0]),
              "The sound \"Gone\" is not in the libary but in the track 1!");
    EXPECT_EQ(missing[1].track, 2);
    EXPECT_EQ(song->Tracks[1].SoundIndex, 0);
    EXPECT_EQ(song->Tracks[30].StopTargetIndex, -1) << "every track's stop target is reset";
    EXPECT_TRUE(BindTrackSounds(song->Tracks, 0, lib, true).empty()) << "no tracks, no work";

    // A library whose file did not load whole may lack the sound only: the name stays.
    song->Tracks[0].SoundName.assign("Gone");
    song->Tracks[0].Enabled = 1;
    lib.setIncomplete(true);
    EXPECT_EQ(BindTrackSounds(song->Tracks, song->TrackCount, lib, true).size(), 1U);
    EXPECT_EQ(song->Tracks[0].SoundName.str(), "Gone");
    EXPECT_EQ(song->Tracks[0].Enabled, 1);
    EXPECT_EQ(song->Tracks[0].SoundIndex, -1) << "plays nothing";
}

// ---------------------------------------------------------------------------------------------
// Song sequence.

std::vector<std::string> sequenceNames(const TSong& song)
{
    std::vector<std::string> out;
    for (const auto& e : song.Sequence) {
        out.push_back(e.Name.str() + "@" + std::to_string(e.Position));
    }
    return out;
}

TEST(Sequence, AddKeepsPositionOrder)
{
    auto song = newSong();
    AddSeqEntry(*song, 8, "a");
    AddSeqEntry(*song, 16, "b");
    AddSeqEntry(*song, 8, "c");  // equal to the first: in front of it
    AddSeqEntry(*song, 16, "d"); // equal to a later one: after it
    AddSeqEntry(*song, 12, "e");
    AddSeqEntry(*song, 0, "f");
    AddSeqEntry(*song, 20, "g");
    EXPECT_EQ(sequenceNames(*song),
              (std::vector<std::string>{"f@0", "c@8", "a@8", "e@12", "b@16", "d@16", "g@20"}));
    EXPECT_EQ(song->Sequence[0].Color, 0xFF0000);
}

TEST(Sequence, AddingManyAtOnceGivesTheOrderOfAddingThemOneByOne)
{
    // Random placements on a few beats, so that equal positions, new smallest positions and
    // positions in between all occur, onto an empty and onto an existing sequence.
    std::uint32_t x = 2024;
    const auto next = [&x](std::uint32_t range) {
        x = x * 1664525U + 1013904223U;
        return static_cast<std::int32_t>((x >> 16) % range);
    };
    for (int round = 0; round < 40; ++round) {
        auto one = newSong();
        auto many = newSong();
        const int existing = round % 3 == 0 ? 0 : next(6);
        for (int i = 0; i < existing; ++i) {
            const std::int32_t pos = next(8) - 2;
            AddSeqEntry(*one, pos, "old" + std::to_string(i));
            AddSeqEntry(*many, pos, "old" + std::to_string(i));
        }
        std::vector<SeqPlacement> placements;
        for (int i = 0; i < 30; ++i) {
            SeqPlacement p;
            p.position = next(10) - 3;
            p.name.assign(std::string("n").append(std::to_string(i)));
            placements.push_back(p);
            AddSeqEntry(*one, p.position, p.name.str());
        }
        AddSeqEntries(*many, placements);
        ASSERT_EQ(sequenceNames(*many), sequenceNames(*one)) << "round " << round;
        EXPECT_EQ(many->Sequence.back().Color, 0xFF0000);
    }
}

TEST(Sequence, HitTestAndPlayWindow)
{
    auto song = songWithPatterns({{"P", 4}, {"One", 1}});
    AddSeqEntry(*song, 8, "P");
    AddSeqEntry(*song, 20, "One");
    std::vector<int> hits;
    for (int beat = 7; beat <= 12; ++beat) {
        hits.push_back(SeqHitTest(*song, 0, beat));
    }
    EXPECT_EQ(hits, (std::vector<int>{0, 1, 3, 3, 2, 0}));
    EXPECT_EQ(SeqHitTest(*song, 1, 20), 1) << "a one-beat placement answers 1";

    SetPlayWindowFromSong(*song, 0, 10);
    EXPECT_EQ(song->pattern(0).PlayActive, 1);
    EXPECT_EQ(song->pattern(0).PlayFrom, 2);
    EXPECT_EQ(song->pattern(0).PlayTo, 3);
    SetPlayWindowFromSong(*song, 0, 12);
    EXPECT_EQ(song->pattern(0).PlayActive, 0);
    EXPECT_EQ(song->pattern(0).PlayFrom, 2) << "kept when inactive";

    RemoveSeqEntryAt(*song, 9, 1); // pattern "One" does not cover beat 9
    EXPECT_EQ(song->Sequence.size(), 2U);
    RemoveSeqEntryAt(*song, 11, 0);
    EXPECT_EQ(sequenceNames(*song), std::vector<std::string>{"One@20"});
}

TEST(Sequence, PositionsNearTheIntegerLimitsDoNotOverflow)
{
    auto song = songWithPatterns({{"P", 100}});
    AddSeqEntry(*song, INT_MAX - 10, "P");
    EXPECT_EQ(SeqHitTest(*song, 0, INT_MAX - 10), 1);
    EXPECT_EQ(SeqHitTest(*song, 0, INT_MAX), 3);
    SetPlayWindowFromSong(*song, 0, INT_MAX);
    EXPECT_EQ(song->pattern(0).PlayFrom, 10);
    RemoveSeqEntryAt(*song, INT_MAX, 0);
    EXPECT_TRUE(song->Sequence.empty());
}

TEST(Sequence, MovingTheSongPositionStaysOnTheTimeLineAndSetsEveryWindow)
{
    auto song = songWithPatterns({{"P", 4}, {"Q", 2}});
    AddSeqEntry(*song, 3998, "P");
    AddSeqEntry(*song, 0, "Q");
    EXPECT_EQ(MoveSongPosition(*song, 5000), MaxSongPosition);
    EXPECT_EQ(song->pattern(0).PlayActive, 1);
    EXPECT_EQ(song->pattern(0).PlayFrom, 2);
    EXPECT_EQ(song->pattern(1).PlayActive, 0);
    EXPECT_EQ(MoveSongPosition(*song, -3), 0);
    EXPECT_EQ(song->pattern(0).PlayActive, 0);
    EXPECT_EQ(song->pattern(1).PlayActive, 1);
}

} // namespace
