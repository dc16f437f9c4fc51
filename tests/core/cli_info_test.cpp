// `beatwright-cli info` run as a separate program on files written by the tests.
#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/sound_library.h"
#include "tests/core/bwp_builder.h"
#include "tests/data/cli_run.h"
#include "tests/library/temp_folder.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using bw::testing::CliRun;
using bw::testing::TempFolder;

CliRun info(const TempFolder& dir, const std::string& file)
{
    return bw::testing::runCliLine(dir.root().string(), "info '" + file + "' --json");
}

void save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    bw::writeFileAtomically(path, bytes);
}

std::unique_ptr<bw::core::TSong> document()
{
    using namespace bw::core;
    auto song = std::make_unique<TSong>();
    InitSong(*song);
    song->TrackCount = 3;
    song->InstrumentCount = 2;
    song->Bpm = 133;
    SetHumanize(*song, 12, 25);
    song->HumanizeSeed = 0xFEDCBA9876543210ULL;
    song->DefaultVolume = 7000;
    song->Tracks[0] = bw::testing::trackNamed("Kick \"909\"", 9000);
    song->Tracks[1] = bw::testing::trackNamed("Caf\xE9");
    InsertEvent(*song, 0, 0);
    ClickSelect(*song, 0, 0, false);
    InsertEvent(*song, 2, 256);
    song->Events[2][256].Pitch = -12;
    song->Events[2][256].Pan = 400;
    AddPattern(*song, "Intro");
    StoreWorkingCopy(*song, 0);
    AddPattern(*song, "Verse");
    StoreWorkingCopy(*song, 1);
    LoadWorkingCopy(*song, 1);
    song->Beats = 8;
    song->Transpose = 5;
    InsertEvent(*song, 1, 128);
    AddSeqEntry(*song, 0, "Intro");
    AddSeqEntry(*song, 4, "Verse");
    AddSeqEntry(*song, 12, "Intro");
    return song;
}

TEST(CliInfo, PatternFileRoundTripGivesTheSameJson)
{
    TempFolder dir;
    auto song = document();
    const std::string first = dir.path("first.bwp");
    bw::core::WritePatternFile(first, *song, true);
    const CliRun a = info(dir, first);
    ASSERT_EQ(a.status, 0) << a.err;

    auto loaded = bw::core::ReadPatternFile(first);
    const std::string second = dir.path("second.bwp");
    bw::core::WritePatternFile(second, *loaded, true);
    const CliRun b = info(dir, second);
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(bw::readWholeFile(first), bw::readWholeFile(second));

    EXPECT_EQ(
        a.out.rfind("{\"TrackCount\": 3, \"InstrumentCount\": 2, \"Stereo\": 1, \"Bpm\": 133, "
                    "\"MasterVolume\": 10000, \"ShuffleAmount\": 0, \"ShuffleDivision\": 2, "
                    "\"DelayDivision\": 2, \"DelayFeedback\": 60, \"DelayRepeats\": 3, "
                    "\"HumanizeTiming\": 12, \"HumanizeVolume\": 25, "
                    "\"HumanizeSeed\": \"fedcba9876543210\", \"DefaultVolume\": 7000, "
                    "\"StopPosition\": 40, \"CurrentPattern\": 0, \"SelectedTrack\": 0, "
                    "\"SequencerVisible\": true, \"Patterns\": [",
                    0),
        0U)
        << a.out;
    for (const char* part :
         {"{\"Name\": \"Intro\", \"Beats\": 4, \"Ticks\": 4, \"Transpose\": 0, \"Tracks\": [",
          "{\"Name\": \"Verse\", \"Beats\": 8, \"Ticks\": 4, \"Transpose\": 5, \"Tracks\": [",
          "{\"SoundName\": \"Kick \\\"909\\\"\", \"Volume\": 9000, \"Pan\": 1000, \"Enabled\": 1, "
          "\"Transpose\": 0, \"DelaySend\": 0}",
          "{\"SoundName\": \"Caf\xC3\xA9\"",
          "{\"Track\": 0, \"Slot\": 0, \"Volume\": 7000, \"Pitch\": 0, \"Pan\": 0, \"Selected\": "
          "1}",
          "{\"Track\": 2, \"Slot\": 256, \"Volume\": 7000, \"Pitch\": -12, \"Pan\": 400, "
          "\"Selected\": 0}",
          "{\"Track\": 1, \"Slot\": 128,",
          "\"Sequence\": [\n  {\"Position\": 0, \"Name\": \"Intro\"},\n  {\"Position\": 4, "
          "\"Name\": \"Verse\"},\n  {\"Position\": 12, \"Name\": \"Intro\"}\n  ]}\n"}) {
        EXPECT_NE(a.out.find(part), std::string::npos) << part;
    }
}

TEST(CliInfo, LibraryAsLoadedIntoAnEmptyLibrary)
{
    TempFolder dir;
    bw::library::SoundLibrary lib;
    const std::uint8_t pcm[] = {1, 2, 3, 4};
    lib.AddSound("Kick", "Hat", 2, 3, 1, 4, pcm);
    lib.AddSound("Hat", "", 0, 0, 0, 0, nullptr);
    auto bytes = lib.serialize();
    const auto one = lib.serialize();
    bytes.insert(bytes.end(), one.begin(), one.begin() + 87 + 4); // "Kick" once more
    const std::string path = dir.path("kit.SLB");
    save(path, bytes);
    const CliRun r = info(dir, path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"Sounds\": [\n"
              "  {\"Name\": \"Kick\", \"StopTarget\": \"Hat\", \"DataSize\": 4, \"Flags\": 1, "
              "\"StretchMul\": 3, \"StretchDiv\": 2},\n"
              "  {\"Name\": \"Hat\", \"StopTarget\": \"\", \"DataSize\": 0, \"Flags\": 0, "
              "\"StretchMul\": 0, \"StretchDiv\": 0},\n"
              "  {\"Name\": \"Kick(2)\", \"StopTarget\": \"Hat\", \"DataSize\": 4, "
              "\"Flags\": 1, \"StretchMul\": 3, \"StretchDiv\": 2}\n"
              "  ]}\n");
}

TEST(CliInfo, UnreadableFilesGiveNoOutput)
{
    TempFolder dir;
    save(dir.path("bad.bwp"), std::vector<std::uint8_t>(200, 'x'));
    CliRun r = info(dir, dir.path("bad.bwp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, dir.path("bad.bwp") + " is not a Beatwright pattern file.\n");

    bw::testing::BwpBuilder cut;
    cut.pattern("A").tagInt("BPM___", 1);
    auto bytes = cut.bytes();
    bytes.pop_back();
    save(dir.path("cut.bwp"), bytes);
    r = info(dir, dir.path("cut.bwp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("unexpected end of file"), std::string::npos) << r.err;

    save(dir.path("cut.slb"), std::vector<std::uint8_t>(86, 0));
    r = info(dir, dir.path("cut.slb"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");

    r = info(dir, dir.path("missing.bwp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir.path("missing.bwp")), std::string::npos) << r.err;
}

TEST(CliInfo, UnknownTagWarnsOnStandardError)
{
    TempFolder dir;
    bw::testing::BwpBuilder b;
    b.tagInt("XXXXXX", 1).pattern("A");
    save(dir.path("w.bwp"), b.bytes());
    const CliRun r = info(dir, dir.path("w.bwp"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Unknown parameter \"XXXXXX\"\n");
    EXPECT_NE(r.out.find("\"Name\": \"A\""), std::string::npos);
}

} // namespace
