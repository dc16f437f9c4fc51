// Every hostile file is refused or rendered by beatwright-cli within a second of processor
// time and a bounded memory (in an optimised build; sanitizer and debug builds get their
// slowness as slack).
#include "library/atomic_file.h"
#include "tests/data/cli_run.h"
#include "tests/data/hostile_files.h"
#include "tests/library/temp_folder.h"
#include "tests/support/test_paths.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::testing::CliResult;
using bw::testing::runCli;
using bw::testing::TempFolder;

// Guards against the runaway work these files once caused (tens of seconds to hours), not
// speed measurements: every run takes a small fraction of this.
constexpr double SecondsAllowed = 4.0;
constexpr long MegabytesAllowed = 256;

/// The files kept in the repository, copied into a scratch folder next to the renders.
class HostileFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& e : std::filesystem::directory_iterator(BW_HOSTILE_DIR)) {
            std::filesystem::copy_file(e.path(), dir.root() / e.path().filename());
        }
    }

    /// Runs the command and checks the time and memory it took.
    CliResult run(const std::vector<std::string>& args)
    {
        const double slack = bw::testing::buildSlowness();
        // The time the program itself took; the wall clock only with room for a machine that
        // is busy with other work.
        const auto wallLimit = std::chrono::seconds(static_cast<int>(4 * SecondsAllowed * slack));
        const CliResult r = runCli(args, dir.root().string(), wallLimit);
        EXPECT_FALSE(r.killed) << "still running after " << wallLimit.count() << " s";
        EXPECT_LT(r.cpuSeconds, SecondsAllowed * slack) << r.err;
        // Sanitizers keep shadow memory and quarantine: allow for them as for their time.
        EXPECT_LT(r.peakKiB / 1024, MegabytesAllowed * static_cast<long>(slack)) << r.err;
        return r;
    }

    CliResult render(const std::string& song, const std::string& library = "kit.slb")
    {
        return run({"render", song, "--library", library, "--pattern", "-o", "out.wav"});
    }

    TempFolder dir;
};

TEST_F(HostileFiles, KeptFilesAreTheGeneratorsOutput)
{
    for (const auto& [name, bytes] : bw::hostile::smallFiles()) {
        const std::string kept = std::string(BW_HOSTILE_DIR) + "/" + name;
        ASSERT_TRUE(std::filesystem::exists(kept))
            << name << " is missing: run make_hostile_files tests/data/hostile";
        EXPECT_EQ(bw::readWholeFile(kept), bytes)
            << name << " differs from its generator: run make_hostile_files tests/data/hostile";
        EXPECT_LT(bytes.size(), 1U << 20) << name;
    }
}

TEST_F(HostileFiles, PatternLengthsNoEditorMakesAreRefused)
{
    for (const auto& [file, message] :
         {std::pair{"beats_zero.bwp", "pattern \"A\": 0 beats is outside 1..100"},
          std::pair{"beats_negative.bwp", "-4 beats"},
          std::pair{"beats_int_max.bwp", "2147483647 beats"},
          std::pair{"beats_100000.bwp", "100000 beats"},
          std::pair{"ticks_zero.bwp", "0 ticks per beat is outside 1..256"},
          std::pair{"ticks_int_max.bwp", "2147483647 ticks per beat"},
          std::pair{"old_layout_beats_zero.bwp", "pattern \"0.\": 0 beats"}}) {
        SCOPED_TRACE(file);
        const CliResult r = render(file);
        EXPECT_TRUE(r.exited(1)) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
    }
}

TEST_F(HostileFiles, SongValuesOutsideTheirRangesRenderWithinTheirLimits)
{
    for (const char* file :
         {"valid.bwp", "delay_repeats_int_max.bwp", "delay_feedback_int_max.bwp",
          "pitch_int_max.bwp", "pitch_int_min.bwp", "pitch_minus_200.bwp", "pitch_sum_wraps.bwp",
          "shuffle_int_min.bwp", "shuffle_grid_negative.bwp", "volumes_and_pans_extreme.bwp",
          "bpm_negative.bwp", "bpm_int_max.bwp", "stop_position_negative.bwp",
          "humanize_extreme.bwp"}) {
        SCOPED_TRACE(file);
        const CliResult r = render(file);
        EXPECT_TRUE(r.exited(0)) << r.err;
        std::error_code ec;
        EXPECT_GT(std::filesystem::file_size(dir.path("out.wav"), ec), 44U);
    }
    // A negative delay divisor has no echo spacing: the run stops and says where.
    const CliResult r = render("delay_division_negative.bwp");
    EXPECT_TRUE(r.exited(1)) << r.err;
    EXPECT_NE(r.err.find("SHUTDOWN AUDIO RENDER:Delay Error(305)"), std::string::npos) << r.err;
}

TEST_F(HostileFiles, ControlBytesFromTheFileReachTheTerminalEscaped)
{
    CliResult r = render("unknown_tag_control_bytes.bwp");
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_NE(r.err.find("Unknown parameter \"\\x00\\x1B[2J\\x07\""), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);

    r = render("missing_sound_control_bytes.bwp");
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_NE(r.err.find("The sound \"\\x1B]0;owned\\x07\\x00\\x0D\" is not in the libary but in "
                         "the track 3!"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.err.find('\0'), std::string::npos);
}

TEST_F(HostileFiles, StretchedCopiesBeyondTheCacheBudgetStaySilentWithOneMessage)
{
    for (const char* library : {"stretch_1000.slb", "stretch_48000.slb"}) {
        SCOPED_TRACE(library);
        const CliResult r = render("stretched_31_tracks.bwp", library);
        EXPECT_TRUE(r.exited(0)) << r.err;
        const auto first = r.err.find("stays silent: its stretched or pitched copy");
        EXPECT_NE(first, std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("stays silent", first + 1), std::string::npos) << "said once";
        EXPECT_NE(r.err.find("does not fit in the 128 MB kept for such copies"), std::string::npos);
    }
}

TEST_F(HostileFiles, TenMegabyteFilesReadWellUnderASecond)
{
    // 400000 sequence entries, each placed in front of all others, and 115000 sounds of
    // distinct names: 12.6 s and 14 s for a quarter of that before the readers were linear.
    bw::writeFileAtomically(dir.path("long.bwp"), bw::hostile::longSequenceFile(400000));
    bw::writeFileAtomically(dir.path("many.slb"), bw::hostile::distinctNameLibrary(115000));
    EXPECT_GT(std::filesystem::file_size(dir.path("long.bwp")), 10U * 1000 * 1000);
    EXPECT_GT(std::filesystem::file_size(dir.path("many.slb")), 10U * 1000 * 1000);
    for (const char* file : {"long.bwp", "many.slb"}) {
        SCOPED_TRACE(file);
        const CliResult r = run({"info", file, "--json"});
        EXPECT_TRUE(r.exited(0)) << r.err;
    }
}

TEST_F(HostileFiles, WhatIsNoFileIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo(dir.path("fifo.bwp").c_str(), 0600), 0);
    for (const auto& [file, message] :
         {std::pair{"/dev/zero", "/dev/zero is a device"},
          std::pair{"fifo.bwp", "fifo.bwp is a pipe"}, std::pair{".", ". is a folder"}}) {
        SCOPED_TRACE(file);
        const CliResult r = run({"info", file, "--json"});
        EXPECT_TRUE(r.exited(1)) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

} // namespace
