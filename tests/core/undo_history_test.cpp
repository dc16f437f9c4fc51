#include "core/pattern_file.h"
#include "core/undo_history.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace bw::core;

std::unique_ptr<TSong> starter()
{
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    for (const char* n : {"A", "B"}) {
        const int i = AddPattern(*song, n);
        InitPattern(*song, i);
    }
    LoadWorkingCopy(*song, 0);
    InsertEvent(*song, 0, 0);
    AddSeqEntry(*song, 0, "A");
    return song;
}

/// The document as a file holds it, with the view fields that undo leaves alone set equal.
std::vector<std::uint8_t> image(TSong& song)
{
    const int current = song.CurrentPattern;
    const int track = song.SelectedTrack;
    StoreWorkingCopy(song, current);
    song.SelectedTrack = 0;
    auto bytes = SerializePatternFile(song);
    song.SelectedTrack = track;
    return bytes;
}

/// One random edit of the kinds the windows make.
void randomEdit(TSong& song, std::mt19937& rng)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    switch (pick(0, 11)) {
    case 0:
        InsertEvent(song, pick(0, 11), pick(0, 256));
        break;
    case 1:
        DeleteEvent(song, pick(0, 11), pick(0, 256));
        break;
    case 2:
        song.Events[static_cast<std::size_t>(pick(0, 11))][static_cast<std::size_t>(pick(0, 256))]
            .Volume = pick(2, 10000);
        break;
    case 3:
        ChangeBeats(song,
                    std::array<int, 5>{2, 4, 8, 12, 16}[static_cast<std::size_t>(pick(0, 4))]);
        break;
    case 4:
        song.Bpm = pick(50, 300);
        break;
    case 5:
        song.Tracks[static_cast<std::size_t>(pick(0, 11))].Enabled ^= 1;
        break;
    case 6:
        SetShuffle(song, pick(0, 100), pick(2, 16));
        break;
    case 7: {
        const int i = AddPattern(song, "P" + std::to_string(pick(0, 99)));
        StoreWorkingCopy(song, i);
        break;
    }
    case 8:
        if (song.PatternCount > 1) {
            DeletePattern(song, song.CurrentPattern);
        }
        break;
    case 9:
        AddSeqEntry(song, pick(0, 200), song.pattern(pick(0, song.PatternCount - 1)).Name.str());
        break;
    case 10: {
        // A pattern switch is a view change, not a step.
        StoreWorkingCopy(song, song.CurrentPattern);
        LoadWorkingCopy(song, pick(0, song.PatternCount - 1));
        break;
    }
    default:
        SetStopPosition(song, pick(1, 999));
        break;
    }
}

TEST(UndoHistory, TwoHundredRandomEditsUndoneAndRedone)
{
    auto song = starter();
    UndoHistory history(1000);
    history.reset(*song);
    const auto start = image(*song);
    std::mt19937 rng(20261208);
    int recorded = 0;
    for (int i = 0; i < 200; ++i) {
        randomEdit(*song, rng);
        recorded += history.record(*song) ? 1 : 0;
    }
    EXPECT_EQ(history.steps(), static_cast<std::size_t>(recorded));
    EXPECT_GT(recorded, 150) << "almost every edit changes the document";
    const auto end = image(*song);
    while (history.undo(*song)) {
    }
    EXPECT_EQ(image(*song), start);
    EXPECT_TRUE(history.atSavedState());
    while (history.redo(*song)) {
    }
    EXPECT_EQ(image(*song), end);
    EXPECT_FALSE(history.atSavedState());
}

TEST(UndoHistory, AViewChangeIsNoStepAndUndoKeepsTheView)
{
    auto song = starter();
    UndoHistory history;
    history.reset(*song);
    InsertEvent(*song, 3, 64); // an edit in pattern A
    ASSERT_TRUE(history.record(*song));
    StoreWorkingCopy(*song, 0);
    LoadWorkingCopy(*song, 1); // now showing B
    song->SelectedTrack = 5;
    EXPECT_FALSE(history.record(*song));
    ASSERT_TRUE(history.undo(*song));
    EXPECT_EQ(song->CurrentPattern, 1) << "still showing B";
    EXPECT_EQ(song->SelectedTrack, 5);
    EXPECT_EQ(song->pattern(0).Events[3][64].Volume, 0) << "the edit in A is undone";
    ASSERT_TRUE(history.redo(*song));
    EXPECT_EQ(song->pattern(0).Events[3][64].Volume, 5000);
}

TEST(UndoHistory, SavedStateNewStepsAndTheBounds)
{
    auto song = starter();
    UndoHistory history(3);
    history.reset(*song);
    song->Bpm = 100;
    history.record(*song);
    history.markSaved();
    song->Bpm = 101;
    history.record(*song);
    EXPECT_FALSE(history.atSavedState());
    history.undo(*song);
    EXPECT_TRUE(history.atSavedState()) << "undoing back to the save: unchanged again";
    song->Bpm = 99; // a new step drops the redo
    history.record(*song);
    EXPECT_FALSE(history.canRedo());
    for (int b = 60; b < 70; ++b) {
        song->Bpm = b;
        history.record(*song);
    }
    EXPECT_EQ(history.steps(), 3U);
    // Steps that change no pattern share every pattern: two patterns are held once, and
    // little besides them.
    EXPECT_GE(history.bytes(), 2 * UndoHistory::SnapshotPatternBytes());
    EXPECT_LT(history.bytes(), 2 * UndoHistory::SnapshotPatternBytes() + 4096);
    EXPECT_LT(UndoHistory::SnapshotPatternBytes(), 370'000U);
}

TEST(UndoHistory, TheMemoryCapCountsEverythingAndKeepsTheLastSteps)
{
    // A long sequence is shared between the steps that leave it alone, and counted.
    TSong song;
    InitSong(song);
    AddPattern(song, "A");
    LoadWorkingCopy(song, 0);
    TSeqEntry entry;
    entry.Name.assign("A");
    song.Sequence.assign(300000, entry);
    const std::size_t sequenceBytes = song.Sequence.size() * sizeof(TSeqEntry);
    UndoHistory history(200, std::size_t{16} << 20);
    history.reset(song);
    for (int i = 0; i < 10; ++i) {
        InsertEvent(song, i, 8 * i);
        ASSERT_TRUE(history.record(song));
    }
    EXPECT_EQ(history.steps(), 10U);
    EXPECT_GE(history.bytes(), sequenceBytes);
    EXPECT_LE(history.bytes(), std::size_t{16} << 20);

    // A first snapshot past the cap by itself: the last steps stay, and the drop is told.
    TSong many;
    InitSong(many);
    for (int i = 0; i < 60; ++i) {
        AddPattern(many, "P" + std::to_string(i));
    }
    LoadWorkingCopy(many, 0);
    UndoHistory small(200, 10 * UndoHistory::SnapshotPatternBytes());
    small.reset(many);
    for (int i = 0; i < 6; ++i) {
        InsertEvent(many, 0, 8 * i);
        small.record(many);
    }
    EXPECT_EQ(small.steps(), UndoHistory::MinKeptSteps);
    EXPECT_GT(small.droppedForMemory(), 0U);
    ASSERT_TRUE(small.undo(many));
    EXPECT_EQ(many.Events[0][40].Volume, 0);
    EXPECT_NE(many.Events[0][32].Volume, 0);
}

} // namespace
