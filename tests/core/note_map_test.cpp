// The note map: General MIDI defaults by sound name, learned notes, and the file tag that keeps
// them.
#include "core/note_map.h"
#include "core/pattern_file.h"
#include "core/track_commands.h"
#include "core/undo_history.h"
#include "tests/core/bwp_builder.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace bw::core;
using bw::testing::BwpBuilder;

std::unique_ptr<TSong> songWithSounds(std::initializer_list<const char*> names)
{
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    InitPattern(*song, AddPattern(*song, "A"));
    LoadWorkingCopy(*song, 0);
    int t = 0;
    for (const char* name : names) {
        song->Tracks[static_cast<std::size_t>(t++)].SoundName.assign(name);
    }
    return song;
}

bool hasTag(const std::vector<std::uint8_t>& bytes, const char* tag)
{
    return std::search(bytes.begin(), bytes.end(), tag, tag + 6) != bytes.end();
}

TEST(NoteMap, SoundNamesTakeTheirGeneralMidiNoteAndOthersCountUpFrom36)
{
    EXPECT_EQ(GmDrumNote("Kick Punch 2"), 36);
    EXPECT_EQ(GmDrumNote("SNARE tight"), 38);
    EXPECT_EQ(GmDrumNote("Clap"), 39);
    EXPECT_EQ(GmDrumNote("Closed Hat 2"), 42);
    EXPECT_EQ(GmDrumNote("Pedal Hat"), 44);
    EXPECT_EQ(GmDrumNote("Open Hat"), 46);
    EXPECT_EQ(GmDrumNote("Low Tom"), 41);
    EXPECT_EQ(GmDrumNote("Mid Tom"), 45);
    EXPECT_EQ(GmDrumNote("High Tom"), 48);
    EXPECT_EQ(GmDrumNote("Crash"), 49);
    EXPECT_EQ(GmDrumNote("Ride"), 51);
    EXPECT_EQ(GmDrumNote("Ride Bell"), 53);
    EXPECT_EQ(GmDrumNote("Tambourine"), 54);
    EXPECT_EQ(GmDrumNote("Cowbell"), 56);
    EXPECT_EQ(GmDrumNote("Zap"), -1);
    auto song = songWithSounds({"Snare", "Zap", "Sub Bass C2"});
    EXPECT_EQ(TrackNote(*song, song->Tracks[0], 0), 38);
    EXPECT_EQ(TrackNote(*song, song->Tracks[1], 1), 37) << "no fitting name: 36 + track";
    EXPECT_EQ(TrackNote(*song, song->Tracks[2], 2), 38);
    EXPECT_EQ(TrackOfNote(*song, 38), 0) << "the first row of a note plays";
    song->TrackNotes[1] = 60;
    EXPECT_EQ(TrackNote(*song, song->Tracks[1], 1), 60);
    EXPECT_EQ(TrackOfNote(*song, 60), 1);
    EXPECT_EQ(TrackOfNote(*song, 37), -1);
    song->TrackNotes[2] = 38;
    EXPECT_EQ(TrackOfNote(*song, 38), 2) << "a learned note wins over a default one";
}

TEST(NoteMapFile, ALearnedMapRoundTripsAndADefaultOneWritesNoTag)
{
    auto song = songWithSounds({"Kick", "Snare"});
    const auto plain = SerializePatternFile(*song);
    EXPECT_FALSE(hasTag(plain, "MIDMAP")) << "a song with the default map is written as before";
    const auto old = ParsePatternFile(plain, "old.bwp");
    EXPECT_FALSE(HasOwnNoteMap(*old));
    song->TrackNotes[1] = 40;
    song->TrackNotes[30] = 0;
    song->MidiChannel = 10;
    const auto bytes = SerializePatternFile(*song);
    ASSERT_TRUE(hasTag(bytes, "MIDMAP"));
    const auto read = ParsePatternFile(bytes, "a.bwp");
    EXPECT_EQ(read->TrackNotes, song->TrackNotes);
    EXPECT_EQ(read->MidiChannel, 10);
    EXPECT_EQ(SerializePatternFile(*read), bytes);
    // Right before "SEQ_V2", where a reader that does not know the tag slides to.
    const std::string image(bytes.begin(), bytes.end());
    EXPECT_EQ(image.substr(image.find("MIDMAP") + 6 + 8 + 2 * 8, 6), "SEQ_V2");
}

TEST(NoteMapFile, ValuesOutOfRangeAreDefaultsAndBadCountsOrRowsAreRefused)
{
    const auto read = [](const std::function<void(BwpBuilder&)>& tags) {
        BwpBuilder b;
        b.pattern("A");
        tags(b);
        return ParsePatternFile(b.bytes(), "x.bwp");
    };
    const auto song =
        read([](BwpBuilder& b) { b.tag("MIDMAP").i32(17).i32(2).i32(0).i32(128).i32(3).i32(127); });
    EXPECT_EQ(song->MidiChannel, 0);
    EXPECT_EQ(song->TrackNotes[0], -1);
    EXPECT_EQ(song->TrackNotes[3], 127);
    EXPECT_THROW(read([](BwpBuilder& b) { b.tag("MIDMAP").i32(0).i32(32); }), bw::FileError);
    EXPECT_THROW(read([](BwpBuilder& b) { b.tag("MIDMAP").i32(0).i32(1).i32(31).i32(36); }),
                 bw::FileError);
}

TEST(NoteMapEdit, LearnedNotesMoveWithTheirRowsAndUndo)
{
    auto song = songWithSounds({"Kick", "Snare", "Clap"});
    song->TrackCount = 3;
    UndoHistory history;
    history.reset(*song);
    song->TrackNotes[2] = 70;
    ASSERT_TRUE(history.record(*song));
    ASSERT_TRUE(MoveTrack(*song, 2, 0));
    EXPECT_EQ(song->TrackNotes[0], 70);
    ASSERT_TRUE(RemoveTrack(*song, 0));
    EXPECT_FALSE(HasOwnNoteMap(*song));
    ASSERT_TRUE(history.record(*song));
    history.undo(*song);
    EXPECT_EQ(song->TrackNotes[2], 70);
    history.undo(*song);
    EXPECT_FALSE(HasOwnNoteMap(*song));
}

} // namespace
