#include "core/clipboard.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace bw::core;

std::unique_ptr<TSong> songWith(std::initializer_list<const char*> names)
{
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    for (const char* n : names) {
        AddPattern(*song, n);
    }
    LoadWorkingCopy(*song, 0);
    return song;
}

TEST(Clipboard, CopyFindsTheFirstMarkedSlotAcrossTracks)
{
    auto song = songWith({"A"});
    auto clip = std::make_unique<EventGrid>();
    EXPECT_EQ(CopyEvents(*song, *clip), -1) << "nothing marked";
    InsertEvent(*song, 5, 100);
    song->Events[5][100].Selected = 1;
    song->Events[30][40].Selected = 1; // an empty marked slot counts too
    EXPECT_EQ(CopyEvents(*song, *clip), 40);
    EXPECT_EQ((*clip)[5][100].Volume, 5000);
    EXPECT_EQ((*clip)[30][40].Selected, 1);
}

TEST(Clipboard, ShiftingRowsLosesOneEdgeRowAndDoublesTheOther)
{
    auto clip = std::make_unique<EventGrid>();
    for (int t = 0; t < MaxTracks; ++t) {
        (*clip)[static_cast<std::size_t>(t)][0].Volume = t + 1;
    }
    ShiftClipTracksUp(*clip);
    EXPECT_EQ((*clip)[0][0].Volume, 2) << "row 0 takes row 1; its own is gone";
    EXPECT_EQ((*clip)[29][0].Volume, 31);
    EXPECT_EQ((*clip)[30][0].Volume, 31) << "row 30 keeps its content";
    ShiftClipTracksDown(*clip);
    EXPECT_EQ((*clip)[0][0].Volume, 2) << "row 0 keeps its content";
    EXPECT_EQ((*clip)[1][0].Volume, 2);
    EXPECT_EQ((*clip)[30][0].Volume, 31);
}

TEST(PatternNames, DotsMakeNamesUniqueEvenAtTheLengthLimit)
{
    auto song = songWith({"A", "A.", "-"});
    EXPECT_EQ(UniquePatternName(*song, "B"), "B");
    EXPECT_EQ(UniquePatternName(*song, "A"), "A..");
    EXPECT_EQ(UniquePatternName(*song, ""), "-.");
    const std::string twenty = "abcdefghijklmnopqrst";
    AddPattern(*song, twenty + "uvw"); // stored as its first 20 characters
    const std::string next = UniquePatternName(*song, twenty + "xyz");
    EXPECT_EQ(next, "abcdefghijklmnopqrs.");
    AddPattern(*song, next);
    EXPECT_EQ(UniquePatternName(*song, twenty), "abcdefghijklmnopqr..");
}

} // namespace
