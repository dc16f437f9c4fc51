// `beatwright-cli render -o OUT`: OUT is replaced by a complete file or left as it was, never
// deleted, and never anything but a regular file that is not one of the inputs.
#include "library/atomic_file.h"
#include "tests/core/bwp_builder.h"
#include "tests/data/cli_run.h"
#include "tests/data/hostile_files.h"
#include "tests/library/temp_folder.h"
#include "tests/support/test_paths.h"

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::testing::CliResult;
using bw::testing::runCli;
using bw::testing::TempFolder;

const std::vector<std::uint8_t> Old = {'o', 'l', 'd'};

class CliExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& [name, bytes] : bw::hostile::smallFiles()) {
            bw::writeFileAtomically(dir.path(name), bytes);
        }
    }

    CliResult render(const std::string& song,
                     const std::string& out,
                     int signal = 0,
                     const char* mode = "--pattern")
    {
        // The signal comes once the render is well under way, also in slow builds.
        return runCli({"render", song, "--library", "kit.slb", mode, "-o", out},
                      dir.root().string(), std::chrono::seconds(120), signal,
                      std::chrono::duration<double>(0.3 * bw::testing::buildSlowness()));
    }

    /// Files in the folder that are not the inputs: what a render left behind.
    std::vector<std::string> leftOver() const
    {
        std::vector<std::string> out;
        for (const auto& name : dir.entries()) {
            if (name.find(".tmp-") != std::string::npos) {
                out.push_back(name);
            }
        }
        return out;
    }

    TempFolder dir;
};

TEST_F(CliExport, AFailedRenderLeavesAnExistingFileAsItWas)
{
    bw::writeFileAtomically(dir.path("out.wav"), Old);
    ::chmod(dir.path("out.wav").c_str(), 0444);
    // Refused when read, and failing in the engine after the temporary file was created.
    for (const char* song : {"beats_zero.bwp", "delay_division_negative.bwp"}) {
        SCOPED_TRACE(song);
        const CliResult r = render(song, "out.wav");
        EXPECT_TRUE(r.exited(1)) << r.err;
        EXPECT_EQ(bw::readWholeFile(dir.path("out.wav")), Old);
        EXPECT_EQ(leftOver(), std::vector<std::string>{});
    }
}

TEST_F(CliExport, ASuccessfulRenderReplacesTheFileWhole)
{
    bw::writeFileAtomically(dir.path("out.wav"), Old);
    const CliResult r = render("valid.bwp", "out.wav");
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir.path("out.wav")), 44U + 4U * 22050 * 4);
    EXPECT_EQ(leftOver(), std::vector<std::string>{});
}

TEST_F(CliExport, WhatIsNoRegularFileIsRefusedAndKept)
{
    std::filesystem::create_directory(dir.path("folder.wav"));
    ASSERT_EQ(::mkfifo(dir.path("pipe.wav").c_str(), 0600), 0);
    for (const auto& [out, message] :
         {std::pair{"folder.wav", "folder.wav is a folder"},
          std::pair{"pipe.wav", "pipe.wav is not a regular file (a device or a pipe)"}}) {
        SCOPED_TRACE(out);
        // Both a render that works and one that fails.
        for (const char* song : {"valid.bwp", "beats_zero.bwp"}) {
            const CliResult r = render(song, out);
            EXPECT_TRUE(r.exited(1)) << r.err;
            EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("folder.wav")));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.path("pipe.wav")));
    EXPECT_EQ(leftOver(), std::vector<std::string>{});
}

TEST_F(CliExport, AReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    bw::writeFileAtomically(dir.path("out.wav"), Old);
    ::chmod(dir.path("out.wav").c_str(), 0444);
    const CliResult r = render("valid.bwp", "out.wav");
    EXPECT_TRUE(r.exited(1)) << r.err;
    EXPECT_NE(r.err.find("out.wav is read-only"), std::string::npos) << r.err;
    EXPECT_EQ(bw::readWholeFile(dir.path("out.wav")), Old);
}

TEST_F(CliExport, AnOutputThatIsAnInputIsRefusedHoweverItIsSpelled)
{
    std::filesystem::create_directory(dir.path("sub"));
    std::filesystem::create_symlink("kit.slb", dir.path("link.wav"));
    const auto song = bw::readWholeFile(dir.path("valid.bwp"));
    const auto kit = bw::readWholeFile(dir.path("kit.slb"));
    for (const auto& [out, message] :
         {std::pair{"valid.bwp", "valid.bwp is the song file valid.bwp"},
          std::pair{"sub/../valid.bwp", "is the song file"},
          std::pair{"./sub/../kit.slb", "is the library file kit.slb"},
          std::pair{"link.wav", "link.wav is the library file"}}) {
        SCOPED_TRACE(out);
        const CliResult r = render("valid.bwp", out);
        EXPECT_TRUE(r.exited(1)) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(bw::readWholeFile(dir.path("valid.bwp")), song);
    EXPECT_EQ(bw::readWholeFile(dir.path("kit.slb")), kit);
}

/// A song that takes minutes to render (seconds for a dozen beats): 31 tracks with an echoed
/// event in every slot, placed over all 4001 beats.
std::vector<std::uint8_t> slowSong(int beats = 4000)
{
    using bw::testing::BwpBuilder;
    BwpBuilder b;
    b.tagInt("TRACKS", 31).tagInt("BPM___", 50).tagInt("STOPSE", beats);
    b.tag("DELAY_").i32(2).i32(10).i32(90);
    b.pattern("A").tagInt("BEATS_", 4).tag("INSTRU").i32(31);
    for (int t = 0; t < 31; ++t) {
        auto track = bw::testing::trackNamed("Kick");
        track.DelaySend = 1000;
        b.track(track);
    }
    b.tag("SCORE_").i32(31 * 256);
    for (int t = 0; t < 31; ++t) {
        for (int s = 0; s < 256; ++s) {
            b.event(t, s, 5000);
        }
    }
    b.tag("SEQ_V3").tag("SEQDAT");
    for (int beat = 0; beat < beats; beat += 4) {
        b.i32(beat).name("A"); // the pattern over the whole song
    }
    b.i32(-1);
    return b.bytes();
}

TEST_F(CliExport, AnInterruptedExportLeavesTheTargetAsItWasAndNoTemporaryFile)
{
    bw::writeFileAtomically(dir.path("slow.bwp"), slowSong());
    bw::writeFileAtomically(dir.path("kept.wav"), Old);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        for (const char* out : {"kept.wav", "new.wav"}) {
            const CliResult r = render("slow.bwp", out, sig, "--song");
            EXPECT_EQ(r.signal, sig) << r.err;
            EXPECT_NE(r.err.find(std::string("interrupted: ") + out + " was not written"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(leftOver(), std::vector<std::string>{});
        }
        EXPECT_EQ(bw::readWholeFile(dir.path("kept.wav")), Old);
        EXPECT_FALSE(std::filesystem::exists(dir.path("new.wav")));
    }
}

TEST_F(CliExport, AnInterruptedStemsExportLeavesTheFolderAsItWas)
{
    bw::writeFileAtomically(dir.path("slow.bwp"), slowSong());
    std::filesystem::create_directory(dir.path("kept"));
    bw::writeFileAtomically(dir.path("kept/01 Kick.wav"), Old);
    for (const char* folder : {"kept", "made"}) {
        SCOPED_TRACE(folder);
        const CliResult r =
            runCli({"render", "slow.bwp", "--library", "kit.slb", "--song", "--stems", folder},
                   dir.root().string(), std::chrono::seconds(120), SIGTERM,
                   std::chrono::duration<double>(0.3 * bw::testing::buildSlowness()));
        EXPECT_EQ(r.signal, SIGTERM) << r.err;
        EXPECT_NE(r.err.find(std::string("no stems were written to ") + folder), std::string::npos)
            << r.err;
    }
    EXPECT_EQ(bw::readWholeFile(dir.path("kept/01 Kick.wav")), Old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("kept")),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.path("made"))); // the folder it made goes again
}

TEST_F(CliExport, AnOutputPipeWhoseReaderHasGoneDoesNotStopTheExport)
{
    // Its messages piped to `head`, which leaves after the first byte: the messages that follow
    // go nowhere, and the export goes on to its end.
    bw::writeFileAtomically(dir.path("slow.bwp"), slowSong(12));
    const std::string command = "cd '" + dir.root().string() + "' && ( '" + BW_CLI_PATH +
                                "' render slow.bwp --library kit.slb --song -o out.wav; echo $? "
                                ">status ) 2>&1 | head -c 1 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // The shell waits for every part of the pipe, so the render has ended.
    EXPECT_EQ(bw::readWholeFile(dir.path("status")), (std::vector<std::uint8_t>{'0', '\n'}));
    EXPECT_GT(std::filesystem::file_size(dir.path("out.wav")), 44U);
    EXPECT_EQ(leftOver(), std::vector<std::string>{});
}

TEST_F(CliExport, FromAndToRenderThoseBeatsOfTheSongOnly)
{
    const auto run = [this](const std::vector<std::string>& range) {
        std::vector<std::string> args{"render", "valid.bwp", "--library", "kit.slb", "--song"};
        args.insert(args.end(), range.begin(), range.end());
        args.insert(args.end(), {"-o", "out.wav"});
        return runCli(args, dir.root().string());
    };
    const CliResult r = run({"--from", "1", "--to", "3"});
    ASSERT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir.path("out.wav")), 44U + 2U * 22050 * 4);
    const CliResult text = run({"--from", "two"});
    EXPECT_TRUE(text.exited(2));
    EXPECT_NE(text.err.find("--from takes a beat number, not \"two\""), std::string::npos);
    const CliResult empty = run({"--from", "3", "--to", "3"});
    EXPECT_TRUE(empty.exited(2));
    EXPECT_NE(empty.err.find("holds no beat"), std::string::npos) << empty.err;
    const CliResult pattern = runCli(
        {"render", "valid.bwp", "--library", "kit.slb", "--pattern", "--to", "2", "-o", "p.wav"},
        dir.root().string());
    EXPECT_TRUE(pattern.exited(2));
    EXPECT_NE(pattern.err.find("use them with --song"), std::string::npos) << pattern.err;
}

} // namespace
