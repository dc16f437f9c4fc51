// MIDI file export: the exact bytes of a small pattern, shuffle, the song's arrangement, the
// note map, and `beatwright-cli export-midi`.
#include "audio/midi_file.h"
#include "core/note_map.h"
#include "core/pattern_file.h"
#include "tests/data/cli_run.h"
#include "tests/library/temp_folder.h"
#include "tests/support/test_paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace bw::core;
using bw::audio::MidiExportChoice;
using bw::audio::MidiFileBytes;

std::unique_ptr<TSong> kickAndSnare(int beats)
{
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    const int k = AddPattern(*song, "A");
    InitPattern(*song, k);
    TPattern& p = song->pattern(k);
    p.Beats = beats;
    for (int t = 0; t < 2; ++t) {
        p.Tracks[static_cast<std::size_t>(t)].Enabled = 1;
    }
    p.Tracks[0].SoundName.assign("Kick");
    p.Tracks[1].SoundName.assign("Snare");
    song->TrackCount = 2;
    song->Bpm = 120;
    LoadWorkingCopy(*song, k);
    return song;
}

/// Note ons read back from a file: {MTrk index, absolute tick, note, velocity}.
using NoteOn = std::tuple<int, int, int, int>;
std::vector<NoteOn> noteOns(const std::vector<std::uint8_t>& f)
{
    std::vector<NoteOn> out;
    std::size_t at = 14;
    int track = 0;
    while (at + 8 <= f.size()) {
        const std::size_t len = (std::size_t{f[at + 4]} << 24) | (std::size_t{f[at + 5]} << 16) |
                                (std::size_t{f[at + 6]} << 8) | f[at + 7];
        std::size_t i = at + 8;
        const std::size_t end = i + len;
        int tick = 0;
        while (i < end) {
            int delta = 0;
            while ((f[i] & 0x80) != 0) {
                delta = (delta << 7) | (f[i++] & 0x7F);
            }
            delta = (delta << 7) | f[i++];
            tick += delta;
            if (f[i] == 0xFF) {
                i += std::size_t{3} + f[i + 2];
            } else {
                if ((f[i] & 0xF0) == 0x90) {
                    out.emplace_back(track, tick, f[i + 1], f[i + 2]);
                }
                i += 3;
            }
        }
        at = end;
        ++track;
    }
    return out;
}

TEST(MidiFile, ASmallPatternGivesTheHandComputedFile)
{
    auto song = kickAndSnare(2);
    TPattern& p = song->pattern(0);
    p.Events[0][0].Volume = 10000;  // beat 0: tick 0, velocity 127
    p.Events[0][128].Volume = 5000; // beat 1: tick 480, velocity 64 (63.5 rounded)
    p.Events[1][64].Volume = 2;     // beat 0.5: tick 240, velocity at least 1
    const std::vector<std::uint8_t> expected =
        {
            'M',  'T',  'h',  'd', 0,  0,    0,    6,  0, 1,    0,    3,    0x01,
            0xE0, // type 1, 3 tracks, 480
            'M',  'T',  'r',  'k', 0,  0,    0,    11, 0, 0xFF, 0x51, 3,    0x07,
            0xA1, 0x20,          // 500000 us
            0,    0xFF, 0x2F, 0, //
            'M',  'T',  'r',  'k', 0,  0,    0,    29, 0, 0xFF, 0x03, 4,    'K',
            'i',  'c',  'k',                                                   //
            0,    0x99, 36,   127, 60, 0x89, 36,   0,                          //
            0x83, 0x24, 0x99, 36,  64, 60,   0x89, 36, 0, 0,    0xFF, 0x2F, 0, // 420 later
            'M',  'T',  'r',  'k', 0,  0,    0,    22, 0, 0xFF, 0x03, 5,    'S',
            'n',  'a',  'r',  'e',                                             //
            0x81, 0x70, 0x99, 38,  1,  60,   0x89, 38, 0, 0,    0xFF, 0x2F, 0, // at 240
        };
    const auto got = MidiFileBytes(*song, MidiExportChoice{false, 0});
    EXPECT_EQ(got, expected);
}

TEST(MidiFile, ShuffleLearnedNotesMuteAndCloseHitsAreRespected)
{
    auto song = kickAndSnare(2);
    TPattern& p = song->pattern(0);
    p.Events[0][32].Volume = 10000; // the off-beat sixteenth: moved by the shuffle
    p.Events[0][33].Volume = 10000; // two slots later: the first note ends at the second
    p.Events[1][0].Volume = 10000;
    song->ShuffleAmount = 50;
    song->ShuffleDivision = 2;
    song->TrackNotes[0] = 50;
    // Position 64 of 256 in the beat moves to 94: tick 176 (94 * 480 / 256 = 176.25).
    // Slot 33, position 66 moves to 95: tick 178 (178.1).
    const auto bytes = MidiFileBytes(*song, MidiExportChoice{false, 0});
    EXPECT_EQ(noteOns(bytes),
              (std::vector<NoteOn>{{1, 176, 50, 127}, {1, 178, 50, 127}, {2, 0, 38, 127}}));
    const std::vector<std::uint8_t> heldTwoTicks = {0x99, 50, 127, 2, 0x89, 50, 0, 0, 0x99, 50};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), heldTwoTicks.begin(), heldTwoTicks.end()),
              bytes.end());
    // A full shuffle moves both to 126: one note, not two that overlap.
    song->ShuffleAmount = 100;
    p.Events[0][33].Volume = 3000;
    EXPECT_EQ(noteOns(MidiFileBytes(*song, MidiExportChoice{false, 0})),
              (std::vector<NoteOn>{{1, 236, 50, 127}, {2, 0, 38, 127}}));
    p.Tracks[1].Enabled = 0; // muted: left out, as in a WAV export
    EXPECT_EQ(noteOns(MidiFileBytes(*song, MidiExportChoice{false, 0})).size(), 1U);
    EXPECT_EQ(MidiFileBytes(*song, MidiExportChoice{false, 0})[11], 2) << "two tracks";
    EXPECT_THROW(MidiFileBytes(*song, MidiExportChoice{false, 1}), std::out_of_range);
}

TEST(MidiFile, TheSongFollowsItsPlacementsToTheStopBeat)
{
    auto song = kickAndSnare(2);
    song->pattern(0).Events[0][0].Volume = 10000;
    song->pattern(0).Events[1][128].Volume = 10000;
    AddSeqEntry(*song, 0, "A");
    AddSeqEntry(*song, 1, "A"); // overlaps the first: its beat 1 is the first one's beat 1
    AddSeqEntry(*song, 5, "A");
    song->StopPosition = 5; // the placement at 5 plays its first beat only
    const auto notes = noteOns(MidiFileBytes(*song, MidiExportChoice{true, 0}));
    EXPECT_EQ(
        notes,
        (std::vector<NoteOn>{
            {1, 0, 36, 127}, {1, 5 * 480, 36, 127}, {2, 480, 38, 127}, {2, 2 * 480, 38, 127}}));
}

TEST(MidiFileCli, TheStarterSongExportsEveryPlacementAndAPatternAlone)
{
    if (!std::filesystem::exists(BW_DEFAULT_BWP)) {
        GTEST_SKIP() << "no starter song in this build";
    }
    bw::testing::TempFolder dir;
    const std::string out = dir.path("song.mid");
    auto r = bw::testing::runCli({"export-midi", BW_DEFAULT_BWP, "-o", out}, dir.root().string());
    ASSERT_TRUE(r.exited(0)) << r.err;
    std::ifstream in(out, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    auto song = ReadPatternFile(BW_DEFAULT_BWP, {});
    StoreWorkingCopy(*song, song->CurrentPattern);
    EXPECT_EQ(bytes, MidiFileBytes(*song, MidiExportChoice{true, 0}));
    EXPECT_GT(noteOns(bytes).size(), 100U);
    r = bw::testing::runCli({"export-midi", BW_DEFAULT_BWP, "-o", out, "--pattern", "999"},
                            dir.root().string());
    EXPECT_TRUE(r.exited(1));
    EXPECT_NE(r.err.find("there is no pattern 999"), std::string::npos) << r.err;
    r = bw::testing::runCli({"export-midi", BW_DEFAULT_BWP, "-o", BW_DEFAULT_BWP},
                            dir.root().string());
    EXPECT_TRUE(r.exited(1)) << "the song itself is no target";
}

} // namespace
